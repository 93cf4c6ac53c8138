#pragma once

#include "rx58sim/DeviceModel.h"

#include <cstdint>
#include <vector>

// One archive ring of the device: slots 0..Last of fixed-size raw records,
// `First` the oldest record present and `Next` the slot the next record
// goes to. Slots outside the present records hold erased flash (0xFF).

namespace sim {

class ArchiveRing {
public:
    ArchiveRing() = default;
    ArchiveRing(int recordSize, int capacity);

    int RecordSize() const { return recordSize_; }
    int Capacity() const { return capacity_; }
    std::uint16_t Last() const { return static_cast<std::uint16_t>(capacity_ - 1); }
    std::uint16_t First() const { return first_; }
    std::uint16_t Next() const { return next_; }
    // Records present, by the descriptor rule the read task uses.
    int Count() const;

    // Places `count` records so that the newest lands just before `next`
    // (wrapping when count > next); count must stay below the capacity.
    void Place(int count, std::uint16_t next);
    // Slot of the i-th newest record (0 = newest).
    std::uint16_t SlotOfNewest(int i) const;

    std::uint8_t* Slot(int index);
    const std::uint8_t* Slot(int index) const;
    const std::vector<std::uint8_t>& Bytes() const { return slots_; }

    // Up to `maxRecords` records from slot `start` towards older ones.
    void ReadPage(std::uint16_t start, int maxRecords, Page& page) const;
    // Writes a record of RecordSize() bytes at Next and advances it; a full
    // ring gives up its oldest record.
    void Append(const std::uint8_t* record);
    // Empties the ring: every slot erased, First = Next = 0.
    void Clear();

private:
    int recordSize_ = 0;
    int capacity_ = 0;
    std::uint16_t first_ = 0;
    std::uint16_t next_ = 0;
    std::vector<std::uint8_t> slots_;
};

} // namespace sim
