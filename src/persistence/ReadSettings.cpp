#include "persistence/ReadSettings.h"

#include "persistence/ProgramKeys.h"
#include "persistence/StoredRecord.h"

using namespace persistence;

namespace {

const StoredField<ReadSettings> ReadSettingsFields[] = {
    FlagField<ReadSettings>{"ReadHourArchive", &ReadSettings::ReadHourArchive, true},
    FlagField<ReadSettings>{"ReadDayArchive", &ReadSettings::ReadDayArchive, true},
    FlagField<ReadSettings>{"ReadMonthArchive", &ReadSettings::ReadMonthArchive, true},
    FlagField<ReadSettings>{"ReadJournal", &ReadSettings::ReadJournal, true},
    IntegerField<ReadSettings>{"ReadInterval", &ReadSettings::ReadInterval, 0},
    DateField<ReadSettings>{"StartInterval", &ReadSettings::StartInterval, DefaultIntervalDate},
    DateField<ReadSettings>{"FinishInterval", &ReadSettings::FinishInterval, DefaultIntervalDate},
};

} // namespace

bool ReadSettings::Load() {
    return Load(SettingsStore::ForCurrentUser());
}

bool ReadSettings::Load(const SettingsStore& store) {
    LoadRecord<ReadSettings>(store, ReadSettingsKey, *this, ReadSettingsFields);
    return true;
}

bool ReadSettings::Save() const {
    return Save(SettingsStore::ForCurrentUser());
}

bool ReadSettings::Save(const SettingsStore& store) const {
    return SaveRecord<ReadSettings>(store, ReadSettingsKey, *this, ReadSettingsFields);
}
