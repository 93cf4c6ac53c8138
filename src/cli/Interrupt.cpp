#include "cli/Interrupt.h"

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace cli {
namespace {

int SignalFd = -1;
bool Seen = false;

} // namespace

bool InterruptSignal::Install() {
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    const int fd = ::signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd < 0)
        return false;
    if (::pthread_sigmask(SIG_BLOCK, &mask, nullptr) != 0) {
        ::close(fd);
        return false;
    }
    SignalFd = fd;
    return true;
}

bool InterruptSignal::Pending() {
    if (Seen || SignalFd < 0)
        return Seen;
    signalfd_siginfo info;
    while (::read(SignalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        Seen = true;
    return Seen;
}

} // namespace cli
