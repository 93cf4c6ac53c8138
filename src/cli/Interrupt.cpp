#include "cli/Interrupt.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace cli {
namespace {

int ReadEnd = -1;
int WriteEnd = -1;
bool Seen = false;

extern "C" void OnInterrupt(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already says enough.
    [[maybe_unused]] const ssize_t n = ::write(WriteEnd, &byte, 1);
    errno = saved;
}

} // namespace

bool InterruptPipe::Install() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    ReadEnd = ends[0];
    WriteEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0;
}

bool InterruptPipe::Pending() {
    if (Seen || ReadEnd < 0)
        return Seen;
    char bytes[16];
    while (::read(ReadEnd, bytes, sizeof bytes) > 0)
        Seen = true;
    return Seen;
}

} // namespace cli
