#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

// Archive and journal records kept raw, byte for byte as the device sent
// them, check fields included. Each type holds the largest record of any
// edition and knows its own length (the edition's record size), so a list
// can be written back to a file at exactly the size it was read.

namespace RX58_namespace {

template <std::size_t Capacity>
class RawRecord {
public:
    static constexpr std::size_t MaxBytes = Capacity;

    RawRecord() = default;
    // A zero-filled record of `length` bytes (at most Capacity).
    explicit RawRecord(std::size_t length) : length_(Clamp(length)) {}
    // Copies `length` bytes (at most Capacity); the rest stays zero.
    RawRecord(const std::uint8_t* bytes, std::size_t length) : length_(Clamp(length)) {
        std::copy_n(bytes, length_, bytes_.begin());
    }

    const std::uint8_t* data() const { return bytes_.data(); }
    std::uint8_t* data() { return bytes_.data(); }
    std::size_t size() const { return length_; }
    bool empty() const { return length_ == 0; }
    std::uint8_t operator[](std::size_t i) const { return bytes_[i]; }
    std::uint8_t& operator[](std::size_t i) { return bytes_[i]; }

    bool operator==(const RawRecord&) const = default;

private:
    static std::uint16_t Clamp(std::size_t n) {
        return static_cast<std::uint16_t>(std::min(n, Capacity));
    }

    std::array<std::uint8_t, Capacity> bytes_{};
    std::uint16_t length_ = 0;
};

// Hourly record: 150 bytes (110 in the version-2 edition).
struct ArchiveStruct : RawRecord<150> {
    using RawRecord::RawRecord;
};

// Daily and monthly record: 252 bytes (212 in the version-2 edition).
struct FullArchiveStruct : RawRecord<252> {
    using RawRecord::RawRecord;
};

// Journal record: 16 bytes in both editions.
struct JournalStruct : RawRecord<16> {
    using RawRecord::RawRecord;
};

} // namespace RX58_namespace

// Bytes 0..3 of an archive or journal record all 0x00 (a page never written)
// or all 0xFF (an erased page).
inline bool IsBlankRecordHead(const std::uint8_t* record) {
    const bool zeros = record[0] == 0 && record[1] == 0 && record[2] == 0 && record[3] == 0;
    const bool ones =
        record[0] == 0xFF && record[1] == 0xFF && record[2] == 0xFF && record[3] == 0xFF;
    return zeros || ones;
}

using RX58_namespace::ArchiveStruct;
using RX58_namespace::FullArchiveStruct;
using RX58_namespace::JournalStruct;
