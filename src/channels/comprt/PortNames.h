#pragma once

#include <filesystem>
#include <string>

namespace comprt {

// Where the serial devices are found: the sysfs and device roots. Tests
// point them at fixture folders.
struct PortRoots {
    std::filesystem::path Sys = "/sys";
    std::filesystem::path Dev = "/dev";
};

// The device path of a port name: a name with a slash is a path used as
// given; "COMn" (any case, n from 1) is /dev/ttyS(n-1); any other name is a
// device under /dev ("ttyUSB0" is /dev/ttyUSB0).
std::string DevicePath(const std::string& name, const std::filesystem::path& dev = "/dev");

// Orders names as people count: digit runs compare by value, so ttyS2
// comes before ttyS10; letters compare without regard to case.
bool NaturalLess(const std::string& a, const std::string& b);

} // namespace comprt
