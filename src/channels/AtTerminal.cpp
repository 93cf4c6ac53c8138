#include "channels/AtTerminal.h"

#include "channels/TtapiTexts.h"
#include "channels/comprt/LineSettings.h"
#include "platform/OsError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace channels {

namespace {

int MillisecondsUntil(AtTerminal::Clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - AtTerminal::Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 1 << 30));
}

[[noreturn]] void RaiseOpenFailure(const std::string& path, int error) {
    char text[512];
    std::snprintf(text, sizeof text, text::LineDeviceFailed, path.c_str(),
                  platform::ErrnoText(error).c_str());
    throw std::runtime_error(text);
}

// Modem-control requests that must not raise: a failure means "no change".
comprt::ModemControl QuietModemLines(int fd, int& bits) {
    try {
        return comprt::ReadModemLines(fd, bits);
    } catch (const std::exception&) {
        return comprt::ModemControl::NotSupported;
    }
}

} // namespace

int AtTerminal::OpenDevice(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        RaiseOpenFailure(path, errno);
    }
    int error = 0;
    if (!::isatty(fd)) {
        error = ENOTTY;
    } else {
        ::ioctl(fd, TIOCEXCL); // no other program talks to the modem meanwhile
        try {
            comprt::ApplyLineSettings(fd, LineSpeed);
        } catch (const os_error& failure) {
            error = failure.Code();
        }
    }
    if (error != 0) {
        ::close(fd);
        RaiseOpenFailure(path, error);
    }
    return fd;
}

AtTerminal::AtTerminal(int fd) : Descriptor(fd) {
    int lines = 0;
    ModemControl = QuietModemLines(fd, lines) == comprt::ModemControl::Done;
    SetDtr(true);
}

AtTerminal::~AtTerminal() {
    // Unsent bytes would hold the close back for the driver's closing wait.
    ::tcflush(Descriptor, TCIOFLUSH);
    ::ioctl(Descriptor, TIOCNXCL);
    ::close(Descriptor);
}

AtTerminal::Io AtTerminal::WaitFor(short events, Clock::time_point deadline,
                                   const platform::CancelToken& cancel) {
    pollfd items[2] = {{Descriptor, events, 0}, {cancel.Fd(), POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(items, 2, MillisecondsUntil(deadline));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Io::Lost;
        }
        if (items[1].revents & POLLIN) {
            return Io::Cancelled;
        }
        if (ready == 0) {
            return Io::Timeout;
        }
        if ((items[0].revents & events) == 0) {
            return Io::Lost; // hung up, or the descriptor is no longer valid
        }
        return Io::Done;
    }
}

AtTerminal::Io AtTerminal::Write(std::string_view text, const platform::CancelToken& cancel,
                                 std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (!text.empty()) {
        const Io wait = WaitFor(POLLOUT, deadline, cancel);
        if (wait != Io::Done) {
            return wait;
        }
        const ssize_t put = ::write(Descriptor, text.data(), text.size());
        if (put > 0) {
            text.remove_prefix(static_cast<std::size_t>(put));
        } else if (put < 0 && errno != EAGAIN && errno != EINTR) {
            return Io::Lost;
        }
    }
    return Io::Done;
}

bool AtTerminal::TakeLine(std::string& line) {
    for (;;) {
        const std::size_t end = Pending.find_first_of("\r\n");
        if (end == std::string::npos) {
            return false;
        }
        line = Pending.substr(0, end);
        Pending.erase(0, end + 1);
        if (!line.empty()) {
            return true;
        }
    }
}

AtTerminal::Io AtTerminal::ReadLine(std::string& line, Clock::time_point deadline,
                                    const platform::CancelToken& cancel) {
    for (;;) {
        if (TakeLine(line)) {
            return Io::Done;
        }
        const Io wait = WaitFor(POLLIN, deadline, cancel);
        if (wait != Io::Done) {
            return wait;
        }
        char buffer[256];
        const ssize_t got = ::read(Descriptor, buffer, sizeof buffer);
        if (got > 0) {
            if (Pending.size() + static_cast<std::size_t>(got) > MaxPending) {
                Pending.clear(); // no modem says that much in one line: noise
            }
            Pending.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            return Io::Lost;
        }
    }
}

void AtTerminal::FlushInput() {
    ::tcflush(Descriptor, TCIFLUSH);
    Pending.clear();
}

std::optional<bool> AtTerminal::Carrier() {
    int lines = 0;
    if (!ModemControl || QuietModemLines(Descriptor, lines) != comprt::ModemControl::Done) {
        return std::nullopt;
    }
    return (lines & TIOCM_CAR) != 0;
}

void AtTerminal::SetDtr(bool raise) {
    if (!ModemControl) {
        return;
    }
    try {
        // RTS stays up: the modem may use it for flow control.
        comprt::ChangeModemLines(Descriptor, raise ? TIOCM_DTR | TIOCM_RTS : TIOCM_DTR, raise);
    } catch (const std::exception&) {
        // A line that refuses shows it at the next read or write.
    }
}

void AtTerminal::SetLocal(bool local) {
    termios line{};
    if (::tcgetattr(Descriptor, &line) != 0) {
        return;
    }
    if (local) {
        line.c_cflag |= CLOCAL;
    } else {
        line.c_cflag &= ~static_cast<tcflag_t>(CLOCAL);
    }
    ::tcsetattr(Descriptor, TCSANOW, &line);
}

AtTerminal::Io AtTerminal::WatchCall(const platform::CancelToken& cancel) {
    // A carrier counts as lost only once it has been seen: some lines never
    // wire carrier detect.
    bool carrierSeen = false;
    for (;;) {
        // With no events asked for, poll still reports a hang-up.
        pollfd items[2] = {{Descriptor, 0, 0}, {cancel.Fd(), POLLIN, 0}};
        const int timeout = ModemControl ? static_cast<int>(CarrierPoll.count()) : -1;
        const int ready = ::poll(items, 2, timeout);
        if (ready < 0 && errno != EINTR) {
            return Io::Lost;
        }
        if (items[1].revents & POLLIN) {
            return Io::Cancelled;
        }
        if (items[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            return Io::Lost;
        }
        if (ModemControl) {
            int lines = 0;
            const comprt::ModemControl status = QuietModemLines(Descriptor, lines);
            if (status == comprt::ModemControl::LineLost) {
                return Io::Lost;
            }
            if (status != comprt::ModemControl::Done) {
                continue;
            }
            if ((lines & TIOCM_CAR) != 0) {
                carrierSeen = true;
            } else if (carrierSeen) {
                return Io::Lost;
            }
        }
    }
}

} // namespace channels
