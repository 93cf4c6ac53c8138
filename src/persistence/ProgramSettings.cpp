#include "persistence/ProgramSettings.h"

#include "persistence/ProgramKeys.h"
#include "persistence/StoredValues.h"

namespace persistence {

int ReadProgramInteger(std::string_view name, int defaultValue, const SettingsStore& store) {
    return LoadInteger(OpenKeyForLoad(store, ProgramKey), ProgramKey, name).value_or(defaultValue);
}

bool WriteProgramInteger(std::string_view name, int value, const SettingsStore& store) {
    return store.Update(
        [&](RegistryDocument& document) { document.Set(ProgramKey, name, IntegerValue(value)); });
}

} // namespace persistence
