#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

// Little helpers for reading and writing values at unaligned byte offsets
// (images in host order, raw records little-endian as on x86) and for the
// narrowing conversions that must not overflow.

namespace device::codec {

template <class T>
T Load(const std::uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T>
void Store(std::uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

// Single precision saturates at its largest finite value instead of overflowing.
inline float NarrowToFloat(double value) {
    if (value > FLT_MAX)
        return FLT_MAX;
    if (value < -FLT_MAX)
        return -FLT_MAX;
    return static_cast<float>(value);
}

// The low 32 bits (two's complement) of a value truncated toward zero; 0 for
// NaN and infinities.
inline std::uint32_t WrapToU32(double value) {
    if (!std::isfinite(value))
        return 0;
    double low = std::fmod(std::trunc(value), 4294967296.0);
    if (low < 0)
        low += 4294967296.0;
    return static_cast<std::uint32_t>(low);
}

} // namespace device::codec
