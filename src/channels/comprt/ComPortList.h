#pragma once

#include "channels/comprt/PortNames.h"

#include <string>
#include <vector>

namespace comprt {

// The serial ports a user can choose from, found without opening them: the
// tty devices in sysfs that have a driver (a ttyS whose UART type is 0 has
// no hardware and is left out), named by their stable /dev/serial/by-id link
// where udev made one, "COMn" for ttyS(n-1), otherwise /dev/<name>; in the
// natural order of the kernel names, at most 256. Without any: "COM1" ...
// "COM20". Any other path can still be typed and opened.
class ComList {
public:
    static constexpr int MaxNames = 256;
    static constexpr int FallbackCount = 20;

    explicit ComList(const PortRoots& roots = {});

    // The names in order.
    const std::vector<std::string>& Names() const { return Items; }
    int Count() const { return static_cast<int>(Items.size()); }
    // Each name followed by a line feed: the drop-down's item text.
    const std::string& Text() const { return Joined; }

private:
    std::vector<std::string> Items;
    std::string Joined;
};

// The names of the serial ports present, as the list offers them, without
// the fallback: empty when the machine has none (the modem lines use it).
std::vector<std::string> FoundPortNames(const PortRoots& roots = {});

} // namespace comprt

// The program's port list, built on first use.
const comprt::ComList& ComPortList();
