#include "rx58sim/ArchiveRing.h"

#include "device/Rx58datatypes.h"

#include <algorithm>
#include <cstring>

namespace sim {

ArchiveRing::ArchiveRing(int recordSize, int capacity)
    : recordSize_(recordSize), capacity_(std::clamp(capacity, 1, 65536)),
      slots_(static_cast<std::size_t>(recordSize) * static_cast<std::size_t>(capacity_), 0xFF) {}

int ArchiveRing::Count() const {
    return device::RingDescriptor{Last(), first_, next_}.Count();
}

void ArchiveRing::Place(int count, std::uint16_t next) {
    count = std::clamp(count, 0, capacity_ - 1);
    next_ = static_cast<std::uint16_t>(next % capacity_);
    first_ = static_cast<std::uint16_t>((next_ + capacity_ - count) % capacity_);
}

std::uint16_t ArchiveRing::SlotOfNewest(int i) const {
    return static_cast<std::uint16_t>(((next_ - 1 - i) % capacity_ + capacity_) % capacity_);
}

std::uint8_t* ArchiveRing::Slot(int index) {
    return slots_.data() + static_cast<std::size_t>(index) * static_cast<std::size_t>(recordSize_);
}

const std::uint8_t* ArchiveRing::Slot(int index) const {
    return slots_.data() + static_cast<std::size_t>(index) * static_cast<std::size_t>(recordSize_);
}

void ArchiveRing::ReadPage(std::uint16_t start, int maxRecords, Page& page) const {
    page.Bytes.clear();
    page.Records = 0;
    int index = start;
    for (int i = 0; i < maxRecords; ++i) {
        const std::uint8_t* slot = Slot(index);
        page.Bytes.insert(page.Bytes.end(), slot, slot + recordSize_);
        ++page.Records;
        index = index == 0 ? Last() : index - 1;
    }
    page.Next = static_cast<std::uint16_t>(index);
}

void ArchiveRing::Append(const std::uint8_t* record) {
    std::memcpy(Slot(next_), record, static_cast<std::size_t>(recordSize_));
    next_ = static_cast<std::uint16_t>((next_ + 1) % capacity_);
    if (next_ == first_)
        first_ = static_cast<std::uint16_t>((first_ + 1) % capacity_);
}

void ArchiveRing::Clear() {
    std::fill(slots_.begin(), slots_.end(), 0xFF);
    first_ = next_ = 0;
}

} // namespace sim
