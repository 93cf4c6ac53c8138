#pragma once

#include <string>

namespace comprt {

// "COM-порт не открыт" with the device path and, in words a user can act
// on, the reason the system gave for refusing it (errno).
std::string OpenFailureText(const std::string& path, int error);

// "COM-порт не открыт" with the device path and a reason of our own.
std::string OpenFailureText(const std::string& path, const std::string& reason);

} // namespace comprt
