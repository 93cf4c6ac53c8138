#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace persistence {

// Registry value type codes, as the registry and its export files number them.
enum RegistryType : std::uint32_t {
    rtNone = 0,
    rtString = 1,       // REG_SZ
    rtExpandString = 2, // REG_EXPAND_SZ
    rtBinary = 3,       // REG_BINARY
    rtDword = 4,        // REG_DWORD
};

// One typed value. Texts are UTF-8; a DWORD keeps its number; every other
// type (binary, and types this program never writes but must keep, such as
// multi-strings) keeps its raw bytes.
struct RegistryValue {
    std::uint32_t Type = rtNone;
    std::uint32_t Dword = 0;
    std::string Text;
    std::vector<std::uint8_t> Bytes;

    static RegistryValue MakeDword(std::uint32_t value);
    static RegistryValue MakeString(std::string_view text);
    static RegistryValue MakeExpandString(std::string_view text);
    static RegistryValue MakeBinary(std::vector<std::uint8_t> bytes);
    // Any other type code, kept as raw bytes.
    static RegistryValue MakeRaw(std::uint32_t type, std::vector<std::uint8_t> bytes);

    bool IsText() const { return Type == rtString || Type == rtExpandString; }
    bool operator==(const RegistryValue&) const = default;
};

} // namespace persistence
