#pragma once

#include "persistence/SettingsStore.h"

#include <string_view>

// Named integers directly under the program key (EnableCalibration). Like
// every load, a read creates the program key when it is missing.
namespace persistence {

// The stored integer, or `defaultValue` when it is missing or not a DWORD.
int ReadProgramInteger(std::string_view name, int defaultValue,
                       const SettingsStore& store = SettingsStore::ForCurrentUser());
// False when the store cannot be written; callers stay silent about it.
bool WriteProgramInteger(std::string_view name, int value,
                         const SettingsStore& store = SettingsStore::ForCurrentUser());

} // namespace persistence
