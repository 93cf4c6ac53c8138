#include "channels/ModemLineList.h"

#include "channels/comprt/ComPortList.h"
#include "persistence/StoredValues.h"

#include <algorithm>

namespace channels {

namespace {

constexpr std::chrono::milliseconds ShortestGuard{20};
constexpr std::chrono::milliseconds LongestGuard{5000};

ModemLineConfig* Named(std::vector<ModemLineConfig>& lines, const std::string& name) {
    for (ModemLineConfig& line : lines) {
        if (line.Name == name) {
            return &line;
        }
    }
    return nullptr;
}

} // namespace

std::vector<SerialPortEntry> SerialModemPorts(const comprt::PortRoots& roots) {
    std::vector<SerialPortEntry> ports;
    for (const std::string& name : comprt::FoundPortNames(roots)) {
        ports.push_back({name, comprt::DevicePath(name, roots.Dev)});
    }
    return ports;
}

std::vector<ModemLineConfig> ModemLines(const std::vector<SerialPortEntry>& ports,
                                        const persistence::RegistryDocument& document) {
    std::vector<ModemLineConfig> lines;
    for (const SerialPortEntry& port : ports) {
        if (!port.Name.empty() && !port.Device.empty() && !Named(lines, port.Name)) {
            ModemLineConfig line;
            line.Name = port.Name;
            line.Device = port.Device;
            lines.push_back(line);
        }
    }
    std::vector<std::string> userNames;
    for (const std::string& name : document.SubkeyNames(ModemsKey)) {
        const std::string key = std::string(ModemsKey) + "\\" + name;
        const auto device = persistence::LoadText(document, key, ModemDeviceValue);
        if (name.empty() || !device || device->empty() ||
            std::find(userNames.begin(), userNames.end(), name) != userNames.end()) {
            continue;
        }
        userNames.push_back(name);
        ModemLineConfig line;
        line.Name = name;
        line.Device = *device;
        line.Init = persistence::LoadText(document, key, ModemInitValue).value_or("");
        if (const auto guard = persistence::LoadInteger(document, key, ModemGuardTimeValue)) {
            line.GuardTime =
                std::clamp(std::chrono::milliseconds(*guard), ShortestGuard, LongestGuard);
        }
        if (ModemLineConfig* port = Named(lines, name)) {
            *port = line;
        } else {
            lines.push_back(line);
        }
    }
    if (lines.size() > MaxModemLines) {
        lines.resize(MaxModemLines);
    }
    return lines;
}

} // namespace channels
