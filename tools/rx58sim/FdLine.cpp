#include "rx58sim/FdLine.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

FdLine::~FdLine() {
    CloseFd();
}

void FdLine::CloseFd() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

long FdLine::Read(std::uint8_t* buffer, std::size_t size) {
    if (fd_ < 0)
        return -1;
    const ssize_t n = ::read(fd_, buffer, size);
    if (n > 0)
        return n;
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return 0;
    return -1;
}

bool FdLine::Write(const std::uint8_t* data, std::size_t size, int stopFd) {
    while (size > 0) {
        if (fd_ < 0)
            return false;
        const ssize_t n =
            socket_ ? ::send(fd_, data, size, MSG_NOSIGNAL) : ::write(fd_, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        const int ready = WaitFd(fd_, POLLOUT, stopFd, WriteStall);
        if (ready <= 0 || (ready & (POLLERR | POLLHUP | POLLNVAL)))
            return false;
    }
    return true;
}

} // namespace sim
