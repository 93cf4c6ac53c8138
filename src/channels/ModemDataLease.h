#pragma once

#include "platform/CancelToken.h"

#include <memory>

namespace channels {

// The data descriptor of a connected call, lent to whoever moves the data
// (the channel's worker). Releasing it - or destroying it - closes the
// descriptor and tells the call that the line is free for the modem again,
// so the hang-up never talks to the modem while frames still go over it.
class DataLease {
public:
    DataLease() = default;
    DataLease(int fd, std::shared_ptr<platform::CancelToken> released)
        : Descriptor(fd), Released(std::move(released)) {}
    ~DataLease() { Release(); }
    DataLease(DataLease&& other) noexcept
        : Descriptor(other.Descriptor), Released(std::move(other.Released)) {
        other.Descriptor = -1;
    }
    DataLease& operator=(DataLease&& other) noexcept;
    DataLease(const DataLease&) = delete;
    DataLease& operator=(const DataLease&) = delete;

    int Fd() const { return Descriptor; }
    explicit operator bool() const { return Descriptor >= 0; }
    void Release();

private:
    int Descriptor = -1;
    std::shared_ptr<platform::CancelToken> Released;
};

} // namespace channels
