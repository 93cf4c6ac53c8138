#include "persistence/RegistryText.h"

#include "persistence/Utf.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>
#include <vector>

namespace persistence {
namespace {

constexpr std::string_view FileHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view OldFileHeader = "REGEDIT4";
constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
// Hex data lines are wrapped before this column, as registry exports do.
constexpr std::size_t HexWrapColumn = 77;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Complete lines only: what follows the last line end was cut short.
std::vector<std::string_view> CompleteLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1)
        lines.push_back(Trim(text.substr(start, end - start)));
    return lines;
}

template <class T>
std::optional<T> ParseHex(std::string_view digits, std::size_t maxDigits) {
    if (digits.empty() || digits.size() > maxDigits)
        return std::nullopt;
    T value{};
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (ec != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

// A quoted text at the start of `s`, with \\ and \" unescaped; `s` moves past it.
std::optional<std::string> ParseQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"')
        return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"'))
            ++i;
        out += s[i];
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view list) {
    std::vector<std::uint8_t> bytes;
    if (Trim(list).empty())
        return bytes;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::string_view item = Trim(list.substr(start, comma - start));
        const auto byte = item.size() == 2 ? ParseHex<unsigned>(item, 2) : std::nullopt;
        if (!byte)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*byte));
        if (comma == std::string_view::npos)
            return bytes;
        start = comma + 1;
    }
}

// A value of the type code `type` from its raw bytes; the texts and DWORDs
// in hex form become the typed values they are.
std::optional<RegistryValue> ValueFromBytes(std::uint32_t type, std::vector<std::uint8_t> bytes) {
    if (type == rtDword) {
        if (bytes.size() != 4)
            return std::nullopt;
        return RegistryValue::MakeDword(
            static_cast<std::uint32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                       (static_cast<unsigned>(bytes[3]) << 24)));
    }
    if (type == rtString || type == rtExpandString) {
        auto text = Utf16LeToUtf8(bytes);
        if (!text)
            return std::nullopt;
        return type == rtString ? RegistryValue::MakeString(*text)
                                : RegistryValue::MakeExpandString(*text);
    }
    return RegistryValue::MakeRaw(type, std::move(bytes));
}

std::optional<RegistryValue> ParseData(std::string_view data) {
    if (data.starts_with('"')) {
        auto text = ParseQuoted(data);
        if (!text || !Trim(data).empty() || !IsValidUtf8(*text))
            return std::nullopt;
        return RegistryValue::MakeString(*text);
    }
    if (data.starts_with("dword:")) {
        const auto value = ParseHex<std::uint32_t>(Trim(data.substr(6)), 8);
        if (!value)
            return std::nullopt;
        return RegistryValue::MakeDword(*value);
    }
    std::uint32_t type = rtBinary;
    if (data.starts_with("hex:")) {
        data.remove_prefix(4);
    } else if (data.starts_with("hex(")) {
        const std::size_t close = data.find("):");
        const auto code = close == std::string_view::npos
                              ? std::nullopt
                              : ParseHex<std::uint32_t>(data.substr(4, close - 4), 8);
        if (!code)
            return std::nullopt;
        type = *code;
        data.remove_prefix(close + 2);
    } else {
        return std::nullopt;
    }
    auto bytes = ParseHexBytes(data);
    if (!bytes)
        return std::nullopt;
    return ValueFromBytes(type, std::move(*bytes));
}

bool IsContinuation(std::string_view line) {
    return !line.empty() && std::isxdigit(static_cast<unsigned char>(line.front()));
}

// Parses the value line at `lines[i]`, joining the continuation lines of
// hex data; `i` ends on the value's last line.
std::optional<std::pair<std::string, RegistryValue>>
ParseValue(const std::vector<std::string_view>& lines, std::size_t& i) {
    std::string_view s = lines[i];
    std::string name;
    if (s.starts_with('@')) {
        s.remove_prefix(1);
    } else {
        auto quoted = ParseQuoted(s);
        if (!quoted || !IsValidUtf8(*quoted) || !IsValidValueName(*quoted))
            return std::nullopt;
        name = std::move(*quoted);
    }
    s = Trim(s);
    if (!s.starts_with('='))
        return std::nullopt;
    s = Trim(s.substr(1));
    std::string data(s);
    if (data.starts_with("hex")) {
        while (!data.empty() && data.back() == '\\') {
            // A continuation holds hex digits; anything else is the next
            // entry, which a damaged value must not swallow.
            if (i + 1 >= lines.size() || !IsContinuation(lines[i + 1]))
                return std::nullopt;
            data.pop_back();
            data += lines[++i];
        }
    }
    auto value = ParseData(data);
    if (!value)
        return std::nullopt;
    return std::pair{std::move(name), std::move(*value)};
}

// The full key name of a header line "[...]", or nothing when it is malformed.
std::optional<std::string> ParseKeyHeader(std::string_view line) {
    if (!line.ends_with(']'))
        return std::nullopt;
    std::string_view name = Trim(line.substr(1, line.size() - 2));
    while (!name.empty() && name.back() == '\\')
        name.remove_suffix(1);
    if (!IsValidUtf8(name) || !IsValidKeyName(name))
        return std::nullopt;
    return std::string(name);
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
}

bool CanBeQuoted(std::string_view text) {
    return IsValidUtf8(text) && std::none_of(text.begin(), text.end(), [](char c) {
               return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
           });
}

void AppendHex(std::string& out, std::size_t lineStart, std::uint32_t type,
               const std::vector<std::uint8_t>& bytes) {
    char buf[16];
    if (type == rtBinary) {
        out += "hex:";
    } else {
        std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(type));
        out += buf;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(bytes[i]));
        out += buf;
        if (i + 1 == bytes.size())
            break;
        out += ',';
        if (out.size() - lineStart + 3 > HexWrapColumn) {
            out += "\\\n  ";
            lineStart = out.size() - 2;
        }
    }
}

void AppendValue(std::string& out, const std::string& name, const RegistryValue& value) {
    const std::size_t lineStart = out.size();
    if (name.empty())
        out += '@';
    else
        AppendQuoted(out, name);
    out += '=';
    switch (value.Type) {
    case rtDword: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(value.Dword));
        out += buf;
        break;
    }
    case rtString:
        if (CanBeQuoted(value.Text))
            AppendQuoted(out, value.Text);
        else
            AppendHex(out, lineStart, rtString, Utf8ToUtf16Le(value.Text, true));
        break;
    case rtExpandString:
        AppendHex(out, lineStart, rtExpandString, Utf8ToUtf16Le(value.Text, true));
        break;
    default:
        AppendHex(out, lineStart, value.Type, value.Bytes);
        break;
    }
    out += '\n';
}

} // namespace

RegistryDocument ParseRegistryText(std::string_view text) {
    if (text.starts_with(Utf8Bom))
        text.remove_prefix(Utf8Bom.size());
    const std::vector<std::string_view> lines = CompleteLines(text);
    RegistryDocument document;
    std::optional<std::string> currentKey;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.empty() || line.starts_with(';') || line == FileHeader || line == OldFileHeader)
            continue;
        if (line.starts_with('[')) {
            // A damaged header ends the key before it, so its values are
            // not taken for the previous key's.
            currentKey = ParseKeyHeader(line);
            if (currentKey)
                document.AddParsedKey(*currentKey);
            continue;
        }
        if (!currentKey || !(line.starts_with('"') || line.starts_with('@')))
            continue;
        if (auto value = ParseValue(lines, i))
            SetKeyValue(document.AddParsedKey(*currentKey), value->first, std::move(value->second));
    }
    return document;
}

std::string FormatRegistryText(const RegistryDocument& document) {
    std::string out(FileHeader);
    out += "\n\n";
    for (const RegistryKey& key : document.Keys()) {
        out += '[';
        out += key.Name;
        out += "]\n";
        for (const auto& [name, value] : key.Values)
            AppendValue(out, name, value);
        out += '\n';
    }
    return out;
}

} // namespace persistence
