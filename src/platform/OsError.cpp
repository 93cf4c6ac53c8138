#include "platform/OsError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string OsErrorText(int code) {
    const std::string reason = platform::ErrnoText(code);
    char head[64];
    std::snprintf(head, sizeof head, "System Error.  Code: %d.\r\n", code);
    return head + reason;
}

} // namespace

os_error::os_error(int code)
    : std::system_error(code, std::system_category()), Text(OsErrorText(code)) {}

const char* os_error::what() const noexcept {
    return Text.c_str();
}

void RaiseLastOsError() {
    throw os_error(errno);
}

namespace platform {

std::string ErrnoText(int code) {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return text ? text : "";
}

} // namespace platform
