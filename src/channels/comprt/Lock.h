#pragma once

#include "channels/comprt/Noncopyable.h"

#include <mutex>

namespace comprt {

// Holds a mutex for its own lifetime.
class Lock : Noncopyable {
public:
    explicit Lock(std::mutex& mutex) : Held(mutex) { Held.lock(); }
    ~Lock() { Held.unlock(); }

private:
    std::mutex& Held;
};

} // namespace comprt
