#include "channels/comprt/LineSettings.h"

#include "platform/OsError.h"

#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace comprt {

namespace {

struct SpeedEntry {
    std::uint32_t Rate;
    speed_t Code;
};

constexpr SpeedEntry Speeds[] = {
    {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},   {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600}, {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool NoModemControl(int error) {
    return error == ENOTTY || error == EINVAL;
}

} // namespace

bool IsLineLost(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE;
}

void ApplyLineSettings(int fd, std::uint32_t baudRate) {
    const SpeedEntry* speed = nullptr;
    for (const auto& entry : Speeds) {
        if (entry.Rate == baudRate) {
            speed = &entry;
        }
    }
    if (!speed) {
        throw os_error(EINVAL);
    }
    termios line{};
    if (::tcgetattr(fd, &line) != 0) {
        RaiseLastOsError();
    }
    ::cfmakeraw(&line);
    line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP | PARMRK | IGNPAR |
                                           IGNBRK | BRKINT);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    line.c_cflag |= CS8 | CREAD | CLOCAL | HUPCL;
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    if (::cfsetispeed(&line, speed->Code) != 0 || ::cfsetospeed(&line, speed->Code) != 0) {
        RaiseLastOsError();
    }
    if (::tcsetattr(fd, TCSANOW, &line) != 0) {
        RaiseLastOsError();
    }
}

void RequestLowLatency(int fd) {
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
}

namespace {

// What a finished ioctl on the modem lines amounts to.
ModemControl Outcome(int result) {
    if (result == 0) {
        return ModemControl::Done;
    }
    if (NoModemControl(errno)) {
        return ModemControl::NotSupported;
    }
    if (IsLineLost(errno)) {
        return ModemControl::LineLost;
    }
    RaiseLastOsError();
}

} // namespace

ModemControl ChangeModemLines(int fd, int bits, bool raise) {
    return Outcome(::ioctl(fd, raise ? TIOCMBIS : TIOCMBIC, &bits));
}

ModemControl ReadModemLines(int fd, int& bits) {
    return Outcome(::ioctl(fd, TIOCMGET, &bits));
}

} // namespace comprt
