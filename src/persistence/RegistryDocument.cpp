#include "persistence/RegistryDocument.h"

#include <algorithm>

namespace persistence {
namespace {

constexpr std::string_view CurrentUserRoot = "HKEY_CURRENT_USER";

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `name` lies below `parent`; `rest` gets what follows "parent\".
bool IsBelow(std::string_view name, std::string_view parent, std::string_view& rest) {
    if (name.size() <= parent.size() + 1 || name[parent.size()] != '\\' ||
        !EqualsIgnoreAsciiCase(name.substr(0, parent.size()), parent))
        return false;
    rest = name.substr(parent.size() + 1);
    return true;
}

template <class Keys>
auto* FindIn(Keys& keys, std::string_view fullName) {
    auto it = std::find_if(keys.begin(), keys.end(), [&](const RegistryKey& k) {
        return EqualsIgnoreAsciiCase(k.Name, fullName);
    });
    return it == keys.end() ? nullptr : &*it;
}

template <class Key>
auto* FindValueIn(Key& key, std::string_view name) {
    auto it = std::find_if(key.Values.begin(), key.Values.end(),
                           [&](const auto& v) { return EqualsIgnoreAsciiCase(v.first, name); });
    return it == key.Values.end() ? nullptr : &*it;
}

void AddUnique(std::vector<std::string>& names, std::string_view name) {
    for (const auto& n : names)
        if (EqualsIgnoreAsciiCase(n, name))
            return;
    names.emplace_back(name);
}

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

} // namespace

bool IsValidKeyName(std::string_view fullName) {
    // A header's blanks are not part of its name: a name ending in one would
    // be read back without it.
    if (!fullName.starts_with("HKEY_") || fullName.ends_with(' ') || HasControlCharacter(fullName))
        return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = fullName.find('\\', start);
        if (end == start || start == fullName.size())
            return false;
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}

bool IsValidValueName(std::string_view name) {
    return !HasControlCharacter(name);
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

std::string FullKeyName(std::string_view path) {
    while (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    if (path.starts_with("HKEY_"))
        return std::string(path);
    std::string full(CurrentUserRoot);
    if (!path.empty()) {
        full += '\\';
        full += path;
    }
    return full;
}

void SetKeyValue(RegistryKey& key, std::string_view name, RegistryValue value) {
    if (auto* existing = FindValueIn(key, name))
        existing->second = std::move(value);
    else
        key.Values.emplace_back(std::string(name), std::move(value));
}

RegistryKey* RegistryDocument::FindKey(std::string_view fullName) {
    return FindIn(keys_, fullName);
}

const RegistryKey* RegistryDocument::FindKey(std::string_view fullName) const {
    return FindIn(keys_, fullName);
}

RegistryKey& RegistryDocument::AddParsedKey(std::string fullName) {
    if (auto* key = FindKey(fullName))
        return *key;
    keys_.push_back(RegistryKey{std::move(fullName), {}});
    return keys_.back();
}

bool RegistryDocument::HasKey(std::string_view path) const {
    const std::string full = FullKeyName(path);
    std::string_view rest;
    return std::any_of(keys_.begin(), keys_.end(), [&](const RegistryKey& k) {
        return EqualsIgnoreAsciiCase(k.Name, full) || IsBelow(k.Name, full, rest);
    });
}

bool RegistryDocument::CreateKey(std::string_view path) {
    std::string full = FullKeyName(path);
    if (!IsValidKeyName(full))
        return false;
    AddParsedKey(std::move(full));
    return true;
}

bool RegistryDocument::DeleteKey(std::string_view path) {
    const std::string full = FullKeyName(path);
    std::string_view rest;
    const auto removed = std::erase_if(keys_, [&](const RegistryKey& k) {
        return EqualsIgnoreAsciiCase(k.Name, full) || IsBelow(k.Name, full, rest);
    });
    return removed > 0;
}

const RegistryValue* RegistryDocument::Find(std::string_view path, std::string_view name) const {
    const RegistryKey* key = FindKey(FullKeyName(path));
    if (!key)
        return nullptr;
    const auto* value = FindValueIn(*key, name);
    return value ? &value->second : nullptr;
}

bool RegistryDocument::Set(std::string_view path, std::string_view name, RegistryValue value) {
    std::string full = FullKeyName(path);
    if (!IsValidKeyName(full) || !IsValidValueName(name))
        return false;
    SetKeyValue(AddParsedKey(std::move(full)), name, std::move(value));
    return true;
}

bool RegistryDocument::DeleteValue(std::string_view path, std::string_view name) {
    RegistryKey* key = FindKey(FullKeyName(path));
    if (!key)
        return false;
    return std::erase_if(key->Values,
                         [&](const auto& v) { return EqualsIgnoreAsciiCase(v.first, name); }) > 0;
}

const RegistryValue* RegistryDocument::FindOfType(std::string_view path, std::string_view name,
                                                  std::uint32_t type) const {
    const RegistryValue* v = Find(path, name);
    return v && v->Type == type ? v : nullptr;
}

std::optional<std::uint32_t> RegistryDocument::GetDword(std::string_view path,
                                                        std::string_view name) const {
    const RegistryValue* v = FindOfType(path, name, rtDword);
    return v ? std::optional(v->Dword) : std::nullopt;
}

std::optional<std::string> RegistryDocument::GetString(std::string_view path,
                                                       std::string_view name) const {
    const RegistryValue* v = FindOfType(path, name, rtString);
    return v ? std::optional(v->Text) : std::nullopt;
}

std::optional<std::string> RegistryDocument::GetExpandString(std::string_view path,
                                                             std::string_view name) const {
    const RegistryValue* v = FindOfType(path, name, rtExpandString);
    return v ? std::optional(v->Text) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> RegistryDocument::GetBinary(std::string_view path,
                                                                     std::string_view name) const {
    const RegistryValue* v = FindOfType(path, name, rtBinary);
    return v ? std::optional(v->Bytes) : std::nullopt;
}

std::vector<std::string> RegistryDocument::SubkeyNames(std::string_view path) const {
    const std::string full = FullKeyName(path);
    std::vector<std::string> names;
    for (const RegistryKey& k : keys_) {
        std::string_view rest;
        if (IsBelow(k.Name, full, rest))
            AddUnique(names, rest.substr(0, rest.find('\\')));
    }
    return names;
}

std::vector<std::string> RegistryDocument::ValueNames(std::string_view path) const {
    std::vector<std::string> names;
    if (const RegistryKey* key = FindKey(FullKeyName(path)))
        for (const auto& v : key->Values)
            names.push_back(v.first);
    return names;
}

} // namespace persistence
