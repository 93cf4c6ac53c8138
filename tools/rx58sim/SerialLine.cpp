#include "rx58sim/FdLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

speed_t SpeedOf(int baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return 0;
    }
}

// An existing serial device (a real port, or one end of a null-modem pair),
// raw 8N1. The peer is whoever is on the other end: always present.
class SerialLine final : public FdLine {
public:
    SerialLine(const std::string& path, int baud) : path_(path) {
        const speed_t speed = SpeedOf(baud <= 0 ? 19200 : baud);
        if (speed == 0)
            throw std::runtime_error("unsupported line rate " + std::to_string(baud));
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0)
            throw std::runtime_error(path + ": " + std::strerror(errno));
        termios tio{};
        if (::tcgetattr(fd_, &tio) != 0) {
            const std::string reason = path + ": " + std::strerror(errno);
            CloseFd();
            throw std::runtime_error(reason);
        }
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        ::cfsetspeed(&tio, speed);
        ::tcsetattr(fd_, TCSANOW, &tio);
        ::tcflush(fd_, TCIOFLUSH);
    }

    LineEvent Wait(std::chrono::milliseconds timeout, int stopFd) override {
        const int ready = WaitFd(fd_, POLLIN, stopFd, timeout);
        if (ready < 0)
            return LineEvent::Stopped;
        if (ready & POLLIN)
            return LineEvent::Data;
        if (ready & (POLLHUP | POLLERR)) {
            // The far end of a pseudo-terminal went away; do not spin on it.
            if (!SleepUnlessStopped(stopFd, std::chrono::milliseconds(10)))
                return LineEvent::Stopped;
        }
        return LineEvent::Timeout;
    }

    void HangUp() override {
        // A modem drops DCD; the nearest a plain port can do is a DTR pulse.
        int bits = TIOCM_DTR;
        ::ioctl(fd_, TIOCMBIC, &bits);
        ::ioctl(fd_, TIOCMBIS, &bits);
        ::tcflush(fd_, TCIOFLUSH);
    }

    bool HasPeer() const override { return true; }
    std::string Endpoint() const override { return path_; }

private:
    std::string path_;
};

} // namespace

std::unique_ptr<Line> OpenSerialLine(const std::string& path, int baud) {
    return std::make_unique<SerialLine>(path, baud);
}

} // namespace sim
