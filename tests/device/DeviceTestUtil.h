#pragma once

#include "editions/Edition.h"

#include <cstdint>
#include <cstring>
#include <vector>

// Small helpers for building register images and records in tests.
namespace devtest {

inline const Edition* const BothEditions[] = {&EditionV3, &EditionV2};

inline std::uint16_t Reg(const std::vector<std::uint8_t>& image, int offset) {
    std::uint16_t v;
    std::memcpy(&v, image.data() + offset, 2);
    return v;
}

inline void SetReg(std::vector<std::uint8_t>& image, int offset, std::uint16_t v) {
    std::memcpy(image.data() + offset, &v, 2);
}

template <class T>
void Put(std::vector<std::uint8_t>& image, int offset, T v) {
    std::memcpy(image.data() + offset, &v, sizeof v);
}

inline std::vector<std::uint8_t> ZeroImage(const ImageSpec& spec) {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(spec.BufferBytes), 0);
}

// The register map entry of a field, or nullptr.
inline const editions::RegisterField* FindField(editions::RegisterMap map, const char* name) {
    for (const auto& f : map)
        if (std::strcmp(f.Name, name) == 0)
            return &f;
    return nullptr;
}

} // namespace devtest
