#include "channels/SocketNotifier.h"

#include "channels/SocketOptions.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace channels {

namespace {

bool IsDatagram(int fd) {
    int type = 0;
    socklen_t size = sizeof type;
    return getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) == 0 && type == SOCK_DGRAM;
}

int PendingBytes(int fd) {
    int count = 0;
    return ioctl(fd, FIONREAD, &count) == 0 ? count : 0;
}

} // namespace

SocketNotifier::SocketNotifier(int fd, Mode mode, platform::MailAddress notify)
    : fd_(fd), wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), notify_(std::move(notify)),
      mode_(mode) {
    if (wakeFd_ < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    armed_.write = mode == Mode::Connected;
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (...) {
        close(wakeFd_);
        throw;
    }
}

SocketNotifier::~SocketNotifier() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    Wake();
    thread_.join();
    close(wakeFd_);
}

void SocketNotifier::SetMode(Mode mode) {
    {
        std::lock_guard lock(mutex_);
        mode_ = mode;
        armed_ = Armed{};
        // A fresh connection announces that it can be written, as an
        // accepted or connected socket does once it is up.
        armed_.write = mode == Mode::Connected;
    }
    Wake();
}

void SocketNotifier::Rearm(SocketEvent event) {
    {
        std::lock_guard lock(mutex_);
        switch (event) {
        case SocketEvent::Read:
            armed_.read = true;
            armed_.outOfBand = true;
            break;
        case SocketEvent::Write:
            armed_.write = true;
            break;
        case SocketEvent::Accept:
            armed_.accept = true;
            break;
        case SocketEvent::OutOfBand:
            armed_.outOfBand = true;
            break;
        default:
            return;
        }
        armed_.parked = false;
    }
    Wake();
}

void SocketNotifier::Wake() {
    const std::uint64_t one = 1;
    // Cannot fail short of a full counter, which a pending wake-up covers anyway.
    [[maybe_unused]] ssize_t written = write(wakeFd_, &one, sizeof one);
}

// Must be called with the mutex held.
short SocketNotifier::WatchedEvents() {
    if (armed_.closed || armed_.parked)
        return 0;
    switch (mode_) {
    case Mode::Idle:
        return 0;
    case Mode::Connecting:
        return POLLOUT;
    case Mode::Listening:
        return armed_.accept ? POLLIN : 0;
    case Mode::Connected:
        break;
    }
    short events = 0;
    if (armed_.read)
        events |= POLLIN | POLLRDHUP;
    if (armed_.write)
        events |= POLLOUT;
    if (armed_.outOfBand)
        events |= POLLPRI;
    return events;
}

// Turns what poll reported into at most one event per kind, disarming each
// one posted. Returns false when nothing could be posted, so that the
// caller stops watching a condition poll would otherwise report forever.
// Must be called with the mutex held.
bool SocketNotifier::Handle(short revents) {
    const short trouble = POLLERR | POLLHUP | POLLRDHUP;
    if (mode_ == Mode::Connecting) {
        const int error = ConnectResult(fd_);
        Post(SocketEvent::Connect, error);
        if (error != 0) {
            armed_.closed = true;
        } else {
            mode_ = Mode::Connected;
            armed_.write = true;
        }
        return true;
    }
    if (mode_ == Mode::Listening) {
        if ((revents & POLLIN) && armed_.accept) {
            armed_.accept = false;
            Post(SocketEvent::Accept, 0);
            return true;
        }
        return false;
    }
    bool posted = false;
    // Room to write is announced first, as a fresh connection reports it
    // before anything it has received.
    if ((revents & POLLOUT) && armed_.write) {
        armed_.write = false;
        Post(SocketEvent::Write, 0);
        posted = true;
    }
    if ((revents & POLLPRI) && armed_.outOfBand) {
        armed_.outOfBand = false;
        Post(SocketEvent::OutOfBand, 0);
        posted = true;
    }
    if ((revents & (POLLIN | trouble)) && armed_.read) {
        // Data still waiting is announced before the close, as the owner
        // expects to read everything the peer sent before it went away.
        if (PendingBytes(fd_) > 0 || ((revents & POLLIN) && IsDatagram(fd_))) {
            armed_.read = false;
            Post(SocketEvent::Read, 0);
        } else {
            armed_.closed = true;
            Post(SocketEvent::Close, PendingSocketError(fd_));
            return true;
        }
        posted = true;
    }
    return posted;
}

void SocketNotifier::Post(SocketEvent event, int error) {
    notify_.Post(SocketMessage, static_cast<std::uintptr_t>(event),
                 static_cast<std::uintptr_t>(error));
}

void SocketNotifier::Run() {
    for (;;) {
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {-1, 0, 0}};
        {
            std::lock_guard lock(mutex_);
            if (stop_)
                return;
            const short events = WatchedEvents();
            if (events != 0)
                fds[1] = {fd_, events, 0};
        }
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return; // cannot happen with valid descriptors; never spin
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] ssize_t got = read(wakeFd_, &count, sizeof count);
        }
        if (fds[1].revents != 0) {
            std::lock_guard lock(mutex_);
            if (!stop_ && !Handle(fds[1].revents))
                armed_.parked = true;
        }
    }
}

} // namespace channels
