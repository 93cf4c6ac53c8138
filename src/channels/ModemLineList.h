#pragma once

#include "channels/comprt/PortNames.h"
#include "persistence/RegistryDocument.h"

#include <chrono>
#include <string>
#include <vector>

namespace channels {

// Where a user adds modem lines: one subkey per line, named as the line,
// with the device path in "Device" and, optionally, the modem's own init
// commands in "Init" and its escape guard time in ms in "GuardTime" (S12
// changed from its 1 s default).
inline constexpr const char* ModemsKey = "\\Software\\Veldrin\\RX58Manager\\Modems";
inline constexpr const char* ModemDeviceValue = "Device";
inline constexpr const char* ModemInitValue = "Init";
inline constexpr const char* ModemGuardTimeValue = "GuardTime";

// A data-modem line as the dialer uses it.
struct ModemLineConfig {
    std::string Name;
    std::string Device;
    std::string Init;
    std::chrono::milliseconds GuardTime{1000};

    bool operator==(const ModemLineConfig&) const = default;
};

// A serial port that may carry a modem: its name in the port list, and its device.
struct SerialPortEntry {
    std::string Name;
    std::string Device;
};

// Every serial port present (not the fallback names of the port list: a
// modem line must exist), named as the port list names it.
std::vector<SerialPortEntry> SerialModemPorts(const comprt::PortRoots& roots = {});

// The lines offered: every serial port, in the order given, then the
// user's lines in the order they are stored. A user's line with the name of
// a port takes that port's place (so a port gets its init string). A line
// without a device, or with a name already taken by a user's line, is
// skipped; so is anything past 255 lines.
std::vector<ModemLineConfig> ModemLines(const std::vector<SerialPortEntry>& ports,
                                        const persistence::RegistryDocument& document);

inline constexpr std::size_t MaxModemLines = 255;

} // namespace channels
