#include "rx58sim/Line.h"

#include <cerrno>
#include <ctime>
#include <poll.h>

namespace sim {

int WaitFd(int fd, short events, int stopFd, std::chrono::nanoseconds timeout) {
    pollfd fds[2] = {{stopFd, POLLIN, 0}, {fd, events, 0}};
    const nfds_t count = fd >= 0 ? 2 : 1;
    if (timeout.count() < 0)
        timeout = std::chrono::nanoseconds(0);
    const timespec ts{static_cast<time_t>(timeout.count() / 1000000000),
                      static_cast<long>(timeout.count() % 1000000000)};
    int rc;
    do {
        rc = ppoll(fds, count, &ts, nullptr);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        return -1;
    if (fds[0].revents)
        return -1;
    return rc == 0 ? 0 : (fds[1].revents ? fds[1].revents : 0);
}

bool SleepUnlessStopped(int stopFd, std::chrono::nanoseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    for (;;) {
        const auto left = end - std::chrono::steady_clock::now();
        if (left <= std::chrono::nanoseconds(0))
            return true;
        if (WaitFd(-1, 0, stopFd, left) < 0)
            return false;
    }
}

} // namespace sim
