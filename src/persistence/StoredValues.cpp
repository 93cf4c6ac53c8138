#include "persistence/StoredValues.h"

#include <bit>
#include <cmath>
#include <vector>

namespace persistence {
namespace {

// The calendar of date-time values: 1 January 0001 to the end of 31 December 9999.
constexpr double FirstDate = -693593.0;
constexpr double LastDate = 2958466.0;

} // namespace

std::optional<int> LoadInteger(const RegistryDocument& document, std::string_view key,
                               std::string_view name) {
    const auto value = document.GetDword(key, name);
    if (!value)
        return std::nullopt;
    return static_cast<int>(static_cast<std::int32_t>(*value));
}

std::optional<bool> LoadFlag(const RegistryDocument& document, std::string_view key,
                             std::string_view name) {
    const auto value = document.GetDword(key, name);
    if (!value)
        return std::nullopt;
    return *value != 0;
}

std::optional<std::string> LoadText(const RegistryDocument& document, std::string_view key,
                                    std::string_view name) {
    return document.GetString(key, name);
}

std::optional<double> LoadDate(const RegistryDocument& document, std::string_view key,
                               std::string_view name) {
    const auto bytes = document.GetBinary(key, name);
    if (!bytes || bytes->size() != sizeof(double))
        return std::nullopt;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof bits; ++i)
        bits |= static_cast<std::uint64_t>((*bytes)[i]) << (8 * i);
    const double days = std::bit_cast<double>(bits);
    if (!std::isfinite(days) || days < FirstDate || days >= LastDate)
        return std::nullopt;
    return days;
}

RegistryValue IntegerValue(int value) {
    return RegistryValue::MakeDword(static_cast<std::uint32_t>(value));
}

RegistryValue FlagValue(bool value) {
    return RegistryValue::MakeDword(value ? 1 : 0);
}

RegistryValue TextValue(std::string_view text) {
    return RegistryValue::MakeString(text);
}

RegistryValue DateValue(double days) {
    // Little-endian, as the registry holds the date-time double.
    const auto bits = std::bit_cast<std::uint64_t>(days);
    std::vector<std::uint8_t> bytes(sizeof bits);
    for (std::size_t i = 0; i < sizeof bits; ++i)
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    return RegistryValue::MakeBinary(std::move(bytes));
}

RegistryDocument OpenKeyForLoad(const SettingsStore& store, std::string_view key) {
    RegistryDocument document = store.Read();
    if (!document.HasKey(key))
        store.Update([&](RegistryDocument& stored) {
            stored.CreateKey(key);
            document = stored;
        });
    return document;
}

} // namespace persistence
