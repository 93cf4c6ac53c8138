#include "channels/comprt/KernelObject.h"
#include "channels/comprt/Thread.h"
#include "platform/OsError.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

namespace comprt {

void KernelObject::Replace(int fd) {
    const int error = errno;
    Release();
    Fd = fd;
    if (fd < 0) {
        throw os_error(error);
    }
}

void KernelObject::Release() {
    if (Fd >= 0) {
        ::close(Fd);
        Fd = -1;
    }
}

Thread::~Thread() {
    if (Handle.joinable()) {
        Handle.join();
    }
}

void Thread::Start() {
    try {
        Handle = std::thread([this] { Run(); });
    } catch (const std::system_error& failure) {
        throw os_error(failure.code().value());
    }
}

void Thread::Join() {
    if (Handle.joinable()) {
        Handle.join();
    }
}

} // namespace comprt
