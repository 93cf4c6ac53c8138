#pragma once

#include "channels/comprt/Noncopyable.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace comprt {

// An owned byte array. Resize drops the old contents without copying them.
class AutoBuffer : Noncopyable {
public:
    AutoBuffer() = default;
    explicit AutoBuffer(std::size_t size) { Resize(size); }

    void Resize(std::size_t size) {
        Bytes = size ? std::make_unique<std::uint8_t[]>(size) : nullptr;
        Length = size;
    }
    std::uint8_t* Data() { return Bytes.get(); }
    const std::uint8_t* Data() const { return Bytes.get(); }
    std::size_t Size() const { return Length; }

private:
    std::unique_ptr<std::uint8_t[]> Bytes;
    std::size_t Length = 0;
};

} // namespace comprt
