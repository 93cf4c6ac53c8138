#pragma once

#include "channels/comprt/Noncopyable.h"

#include <thread>

namespace comprt {

// A thread whose body is the virtual Run. A derived class joins it (Join)
// before it goes away, since Run belongs to it.
class Thread : Noncopyable {
public:
    Thread() = default;
    virtual ~Thread();

protected:
    virtual void Run() = 0;
    // Raises os_error when the thread cannot be made.
    void Start();
    void Join();
    bool Started() const { return Handle.joinable(); }

private:
    std::thread Handle;
};

} // namespace comprt
