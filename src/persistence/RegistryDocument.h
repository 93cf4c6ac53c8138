#pragma once

#include "persistence/RegistryValue.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace persistence {

// One key as the settings file lists it: its full name
// ("HKEY_CURRENT_USER\Software\..."), and its values in the order they
// were first stored.
struct RegistryKey {
    std::string Name;
    std::vector<std::pair<std::string, RegistryValue>> Values;

    bool operator==(const RegistryKey&) const = default;
};

// The whole per-user store in memory: a flat list of keys, as registry
// exports hold them. Key paths are given as the program names them
// ("\Software\Veldrin\RX58Manager\ChanelSetup"), under the current user;
// key and value names compare without regard to ASCII case, as in the
// registry. A key exists when it is listed or when a key below it is.
// Keys and values this program does not know are kept untouched.
class RegistryDocument {
public:
    bool HasKey(std::string_view path) const;
    // False (and nothing changes) for a path with an empty part or a
    // control character, which the file could not hold.
    bool CreateKey(std::string_view path);
    // Removes the key, every key below it and their values.
    bool DeleteKey(std::string_view path);

    const RegistryValue* Find(std::string_view path, std::string_view name) const;
    // False for an invalid path or a name holding a control character.
    bool Set(std::string_view path, std::string_view name, RegistryValue value);
    bool DeleteValue(std::string_view path, std::string_view name);

    // Typed reads: a value of any other type reads as missing.
    std::optional<std::uint32_t> GetDword(std::string_view path, std::string_view name) const;
    std::optional<std::string> GetString(std::string_view path, std::string_view name) const;
    std::optional<std::string> GetExpandString(std::string_view path, std::string_view name) const;
    std::optional<std::vector<std::uint8_t>> GetBinary(std::string_view path,
                                                       std::string_view name) const;

    // Names of the keys directly below `path`, and of its values, in file order.
    std::vector<std::string> SubkeyNames(std::string_view path) const;
    std::vector<std::string> ValueNames(std::string_view path) const;

    const std::vector<RegistryKey>& Keys() const { return keys_; }
    // Adds a key read from a file (full name); a key listed twice is merged,
    // the later value of a name winning, as an import would do.
    RegistryKey& AddParsedKey(std::string fullName);

    bool operator==(const RegistryDocument&) const = default;

private:
    RegistryKey* FindKey(std::string_view fullName);
    const RegistryKey* FindKey(std::string_view fullName) const;
    const RegistryValue* FindOfType(std::string_view path, std::string_view name,
                                    std::uint32_t type) const;

    std::vector<RegistryKey> keys_;
};

// The full name of a program key path: "\Software\X" -> "HKEY_CURRENT_USER\Software\X".
// A name that already starts with a root ("HKEY_...") is returned as it is.
std::string FullKeyName(std::string_view path);

// A full key name the file can hold: a root and parts that are not empty,
// without control characters, not ending in a blank.
bool IsValidKeyName(std::string_view fullName);
bool IsValidValueName(std::string_view name);

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Sets a value in an existing key's list, replacing one of the same name.
void SetKeyValue(RegistryKey& key, std::string_view name, RegistryValue value);

} // namespace persistence
