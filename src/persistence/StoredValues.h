#pragma once

#include "persistence/RegistryDocument.h"
#include "persistence/SettingsStore.h"

#include <optional>
#include <string>
#include <string_view>

// The program's conventions for typed settings: integers and flags are
// DWORDs, texts are plain strings (an expandable string is the wrong type),
// dates are the 8 bytes of a date-time double. A value is taken only when
// it exists with its type and holds something sound.
namespace persistence {

std::optional<int> LoadInteger(const RegistryDocument& document, std::string_view key,
                               std::string_view name);
// Any nonzero DWORD is true.
std::optional<bool> LoadFlag(const RegistryDocument& document, std::string_view key,
                             std::string_view name);
std::optional<std::string> LoadText(const RegistryDocument& document, std::string_view key,
                                    std::string_view name);
// Days since 30 December 1899; a non-finite or out-of-calendar value is refused.
std::optional<double> LoadDate(const RegistryDocument& document, std::string_view key,
                               std::string_view name);

RegistryValue IntegerValue(int value);
RegistryValue FlagValue(bool value);
RegistryValue TextValue(std::string_view text);
RegistryValue DateValue(double days);

// The document a load works on: the store as it is, with `key` created in
// the file when it is missing (as opening a registry key for loading does).
// Failing to create it is silent; the load then sees missing values.
RegistryDocument OpenKeyForLoad(const SettingsStore& store, std::string_view key);

} // namespace persistence
