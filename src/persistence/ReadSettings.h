#pragma once

#include "persistence/SettingsStore.h"

// The read-data options: which archives a full read fetches, and the
// interval choice the dialog shows.
struct ReadSettings {
    bool ReadCurrentData = false; // not stored; the dialog sets it on OK
    bool ReadSetupData = false;   // not stored; the dialog sets it on OK
    bool ReadHourArchive = false;
    bool ReadDayArchive = false;
    bool ReadMonthArchive = false;
    bool ReadJournal = false;
    int ReadInterval = 0; // 0 whole archive, 1 missing part, 2 given interval
    // Date-time values: days since 30 December 1899.
    double StartInterval = 0;
    double FinishInterval = 0;

    // Loads the seven stored fields with their defaults (flags true, mode
    // 0, both dates 1 January 2012), creating the key when missing; leaves
    // ReadCurrentData and ReadSetupData alone. Always true.
    bool Load();
    bool Load(const persistence::SettingsStore& store);
    // Stores the seven fields in one atomic change; false when the store
    // cannot be written.
    bool Save() const;
    bool Save(const persistence::SettingsStore& store) const;
};
