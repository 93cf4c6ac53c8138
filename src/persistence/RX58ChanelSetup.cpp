#include "persistence/RX58ChanelSetup.h"

#include "persistence/ProgramKeys.h"
#include "persistence/StoredRecord.h"

using namespace persistence;

namespace {

using Field = StoredField<RX58ChanelSetup>;

// NetAddress is stored as well: without it a device at any address but 0
// could never be reached.
const Field ChanelSetupFields[] = {
    IntegerField<RX58ChanelSetup>{"CurrentChanel", &RX58ChanelSetup::CurrentChanel, 0},
    TextField<RX58ChanelSetup>{"ComPortName", &RX58ChanelSetup::ComPortName, "COM1"},
    TextField<RX58ChanelSetup>{"ModemName", &RX58ChanelSetup::ModemName, ""},
    TextField<RX58ChanelSetup>{"PhoneNumber", &RX58ChanelSetup::PhoneNumber, ""},
    IntegerField<RX58ChanelSetup>{"MonitoringInterval", &RX58ChanelSetup::MonitoringInterval, 6},
    IntegerField<RX58ChanelSetup>{"NetAddress", &RX58ChanelSetup::NetAddress, 0, 0, 254},
};

} // namespace

bool RX58ChanelSetup::Load() {
    return Load(SettingsStore::ForCurrentUser());
}

bool RX58ChanelSetup::Load(const SettingsStore& store) {
    LoadRecord<RX58ChanelSetup>(store, ChanelSetupKey, *this, ChanelSetupFields);
    return true;
}

bool RX58ChanelSetup::Save() const {
    return Save(SettingsStore::ForCurrentUser());
}

bool RX58ChanelSetup::Save(const SettingsStore& store) const {
    return SaveRecord<RX58ChanelSetup>(store, ChanelSetupKey, *this, ChanelSetupFields);
}
