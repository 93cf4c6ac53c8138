#include "persistence/RegistryValue.h"

#include <utility>

namespace persistence {

RegistryValue RegistryValue::MakeDword(std::uint32_t value) {
    RegistryValue v;
    v.Type = rtDword;
    v.Dword = value;
    return v;
}

RegistryValue RegistryValue::MakeString(std::string_view text) {
    RegistryValue v;
    v.Type = rtString;
    v.Text = text;
    return v;
}

RegistryValue RegistryValue::MakeExpandString(std::string_view text) {
    RegistryValue v;
    v.Type = rtExpandString;
    v.Text = text;
    return v;
}

RegistryValue RegistryValue::MakeBinary(std::vector<std::uint8_t> bytes) {
    return MakeRaw(rtBinary, std::move(bytes));
}

RegistryValue RegistryValue::MakeRaw(std::uint32_t type, std::vector<std::uint8_t> bytes) {
    RegistryValue v;
    v.Type = type;
    v.Bytes = std::move(bytes);
    return v;
}

} // namespace persistence
