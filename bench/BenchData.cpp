#include "BenchData.h"

#include "rx58sim/ArchiveFiller.h"
#include "rx58sim/SimDevice.h"

#include <array>
#include <limits>
#include <stdexcept>

namespace bench {

namespace {

template <class Record>
void TakeRing(const sim::ArchiveRing& ring, std::vector<Record>& list) {
    list.clear();
    list.reserve(static_cast<std::size_t>(ring.Count()));
    for (int i = 0; i < ring.Count(); ++i)
        list.emplace_back(ring.Slot(ring.SlotOfNewest(i)),
                          static_cast<std::size_t>(ring.RecordSize()));
}

int RingCapacity(std::size_t count) {
    // Ring indices are 16-bit and a ring keeps one slot free.
    if (count >= std::numeric_limits<std::uint16_t>::max() + 1u)
        throw std::invalid_argument("a ring holds at most 65535 records");
    return static_cast<int>(count) + 1;
}

} // namespace

RX58Valve DeviceData(const Edition& edition, std::size_t hours, std::size_t days,
                     std::size_t months, std::size_t events) {
    sim::FillPlan plan;
    plan.Rings = {{{RingCapacity(hours), static_cast<int>(hours)},
                   {RingCapacity(days), static_cast<int>(days)},
                   {RingCapacity(months), static_cast<int>(months)},
                   {RingCapacity(events), static_cast<int>(events)}}};
    const sim::CivilTime now{2024, 3, 5, 14, 7, 9};
    std::array<sim::ArchiveRing, 4> rings;
    sim::FillArchives(edition, plan, now, rings);

    sim::DeviceConfig config;
    config.DeviceEdition = &edition;
    config.Archives.Rings = {{{2, 0}, {2, 0}, {2, 0}, {2, 0}}};
    config.StartClock = now;
    config.FrozenClock = true;
    const sim::SimDevice device(config);

    RX58Valve data;
    data.Ident = {0x01, 0x07, edition.ProtocolVersion, 0x2A};
    data.CurrentParams = device.CurrentRecord();
    data.SetupParams = device.SetupRecord();
    TakeRing(rings[0], data.HourArchive);
    TakeRing(rings[1], data.DayArchive);
    TakeRing(rings[2], data.MonthArchive);
    TakeRing(rings[3], data.Journal);
    return data;
}

} // namespace bench
