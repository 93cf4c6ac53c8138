#pragma once

#include "persistence/SettingsStore.h"

#include <string>

// The connection settings: how the device is reached and how often
// monitoring polls. Nothing caches them: each user loads them afresh.
struct RX58ChanelSetup {
    int CurrentChanel = 0; // 0 COM port, 1 modem
    int NetAddress = 0;    // 0..254, put in every request
    std::string ComPortName;
    std::string ModemName;
    std::string PhoneNumber;
    int MonitoringInterval = 0; // seconds

    // Loads every stored field with its default ("COM1", interval 6,
    // address 0 ...), each on its own, creating the key when missing.
    // Always true: store problems only give defaults.
    bool Load();
    bool Load(const persistence::SettingsStore& store);
    // Stores every field in one atomic change. False when the store cannot
    // be written (the dialogs ignore it; there is no message for it).
    bool Save() const;
    bool Save(const persistence::SettingsStore& store) const;
};
