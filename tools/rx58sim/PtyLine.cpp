#include "rx58sim/FdLine.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

std::string SystemReason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// A pseudo-terminal whose slave a client opens like a serial port. Carrier
// loss closes the master, so the client sees a hang-up, and a fresh pair is
// made for the next call; the link, when given, follows it.
class PtyLine final : public FdLine {
public:
    explicit PtyLine(std::string linkPath) : link_(std::move(linkPath)) { Create(); }
    ~PtyLine() override {
        if (!link_.empty())
            ::unlink(link_.c_str());
    }

    LineEvent Wait(std::chrono::milliseconds timeout, int stopFd) override {
        const int ready = WaitFd(fd_, POLLIN, stopFd, timeout);
        if (ready < 0)
            return LineEvent::Stopped;
        if (ready & POLLIN) {
            peer_ = true;
            return LineEvent::Data;
        }
        if (ready & POLLHUP) {
            // No process holds the slave open: wait for one without spinning.
            const bool had = peer_;
            peer_ = false;
            if (had)
                return LineEvent::PeerGone;
            if (!SleepUnlessStopped(stopFd, std::min<std::chrono::milliseconds>(timeout, PeerPoll)))
                return LineEvent::Stopped;
            return LineEvent::Timeout;
        }
        if (ready == 0 && !peer_)
            peer_ = true; // the slave is open, it just has nothing to say
        return LineEvent::Timeout;
    }

    void HangUp() override {
        // The next pair (and the link to it) exists before the client sees
        // the hang-up, so a client that reopens at once finds it.
        const int old = fd_;
        fd_ = -1;
        try {
            Create();
        } catch (...) {
            ::close(old);
            throw;
        }
        ::close(old);
        peer_ = false;
    }

    bool HasPeer() const override { return peer_; }
    std::string Endpoint() const override { return link_.empty() ? slave_ : link_; }

private:
    static constexpr std::chrono::milliseconds PeerPoll{10};

    void Create() {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0)
            throw std::runtime_error(SystemReason("posix_openpt"));
        char name[128];
        if (::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0 ||
            ::ptsname_r(fd_, name, sizeof name) != 0) {
            const std::string reason = SystemReason("ptsname");
            CloseFd();
            throw std::runtime_error(reason);
        }
        slave_ = name;
        // Raw 8N1 from the start: the line discipline must neither echo nor
        // edit what the client sends before it sets the line up itself.
        const int slave = ::open(name, O_RDWR | O_NOCTTY);
        if (slave >= 0) {
            termios tio{};
            if (::tcgetattr(slave, &tio) == 0) {
                ::cfmakeraw(&tio);
                tio.c_cflag |= CLOCAL | CREAD;
                ::cfsetspeed(&tio, B19200);
                ::tcsetattr(slave, TCSANOW, &tio);
            }
            ::close(slave);
        }
        if (!link_.empty())
            UpdateLink();
    }

    void UpdateLink() {
        const std::string temporary = link_ + ".new";
        ::unlink(temporary.c_str());
        if (::symlink(slave_.c_str(), temporary.c_str()) != 0 ||
            ::rename(temporary.c_str(), link_.c_str()) != 0) {
            const std::string reason = SystemReason(("symlink " + link_).c_str());
            ::unlink(temporary.c_str());
            throw std::runtime_error(reason);
        }
    }

    std::string link_;
    std::string slave_;
    bool peer_ = false;
};

} // namespace

std::unique_ptr<Line> OpenPtyLine(const std::string& linkPath) {
    return std::make_unique<PtyLine>(linkPath);
}

} // namespace sim
