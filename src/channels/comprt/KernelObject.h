#pragma once

#include "channels/comprt/Noncopyable.h"

namespace comprt {

// Owns one file descriptor and closes it on replacement and destruction.
// A descriptor is valid when it is not negative.
class KernelObject : Noncopyable {
public:
    KernelObject() = default;
    explicit KernelObject(int fd) { Replace(fd); }
    ~KernelObject() { Release(); }

    // Closes the old descriptor and keeps the new one; raises os_error with
    // the current errno when the new one is not valid (the result of a
    // failed call, say).
    void Replace(int fd);
    // Closes the descriptor and forgets it.
    void Release();
    int Get() const { return Fd; }
    bool Valid() const { return Fd >= 0; }

private:
    int Fd = -1;
};

} // namespace comprt
