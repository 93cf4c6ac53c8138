#pragma once

#include <string>
#include <system_error>

// An operating-system failure: the error number and the text
// "System Error.  Code: %d.\r\n%s" with the system's own description.
class os_error : public std::system_error {
public:
    explicit os_error(int code);
    int Code() const { return code().value(); }
    // Exactly the text above (std::system_error would add its own suffix).
    const char* what() const noexcept override;

private:
    std::string Text;
};

// Raises os_error with the current errno.
[[noreturn]] void RaiseLastOsError();

namespace platform {
// The system's description of an error number (strerror, thread-safe).
std::string ErrnoText(int code);
} // namespace platform
