#include "rx58sim/ArchiveFiller.h"

#include "device/ArchiveRecord.h"
#include "device/JournalRecord.h"
#include "rx58sim/DeviceValues.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace sim {

namespace {

using device::ArchiveValue;
using editions::ArchiveField;

// Where erased, unwritten and damaged records go among the present ones
// (counted from the newest): three interleaved series, so none collide.
enum class Mark { None, Erased, Blank, Damaged };

Mark MarkOf(int i, const FillPlan& plan) {
    const int series = i % 3;
    const int k = i / 3;
    if (series == 1 && k < plan.Erased)
        return Mark::Erased;
    if (series == 2 && k < plan.Blank)
        return Mark::Blank;
    if (series == 0 && i > 0 && k - 1 < plan.Damaged)
        return Mark::Damaged;
    return Mark::None;
}

void PutRecord(ArchiveRing& ring, int newest, const std::uint8_t* bytes, std::size_t size,
               Mark mark) {
    std::uint8_t* slot = ring.Slot(ring.SlotOfNewest(newest));
    std::memcpy(slot, bytes,
                std::min<std::size_t>(size, static_cast<std::size_t>(ring.RecordSize())));
    switch (mark) {
    case Mark::Erased:
        std::memset(slot, 0xFF, static_cast<std::size_t>(ring.RecordSize()));
        break;
    case Mark::Blank:
        std::memset(slot, 0x00, static_cast<std::size_t>(ring.RecordSize()));
        break;
    case Mark::Damaged:
        slot[10] ^= 0x40; // a value changed after its check was computed
        break;
    case Mark::None:
        break;
    }
}

// The period values of `hours` hours of running; `k` varies them a little.
std::vector<ArchiveValue> PeriodValues(const CivilTime& start, double hours, int k) {
    const double swing = 1 + 0.08 * std::sin(k * 0.7);
    std::vector<ArchiveValue> v{
        {editions::afYear, static_cast<double>(start.Year - 2000)},
        {editions::afMonth, static_cast<double>(start.Month)},
        {editions::afDay, static_cast<double>(start.Day)},
        {editions::afHour, static_cast<double>(start.Hour)},
        {editions::afQ1, MeanRates.Q1 * hours * swing},
        {editions::afQ2, MeanRates.Q2 * hours * swing},
        {editions::aft1, 80 + 2 * std::sin(k * 0.3)},
        {editions::aft2, 50 + std::sin(k * 0.3)},
        {editions::aft3, 60},
        {editions::aft4, 40 + 0.5 * std::cos(k * 0.2)},
        {editions::afP1, 6.2},
        {editions::afP2, 4.1},
        {editions::afP3, 5.0},
        {editions::afP4, 3.1},
        {editions::aftCold, 5},
        {editions::afPCold, 2.5},
        {editions::afSchemes, 2 | 5 << 4},
        {editions::afNS1, k % 11 == 5 ? 4.0 : 0.0},
        {editions::afNS5, 0x0008},
    };
    const ArchiveField masses[] = {editions::afM1, editions::afM2, editions::afM3, editions::afM4};
    for (int i = 0; i < 4; ++i)
        v.push_back({masses[i], MeanRates.M[i] * hours * swing});
    const ArchiveField volumes[] = {editions::afV1, editions::afV2, editions::afV3, editions::afV4,
                                    editions::afV5};
    const ArchiveField gmin[] = {editions::afGmin1, editions::afGmin2, editions::afGmin3,
                                 editions::afGmin4, editions::afGmin5};
    const ArchiveField gmax[] = {editions::afGmax1, editions::afGmax2, editions::afGmax3,
                                 editions::afGmax4, editions::afGmax5};
    for (int i = 0; i < 5; ++i) {
        v.push_back({volumes[i], MeanRates.V[i] * hours * swing});
        v.push_back({gmin[i], MeanRates.V[i] * 0.85});
        v.push_back({gmax[i], MeanRates.V[i] * 1.15});
    }
    const double minutes = hours * 60;
    v.push_back({editions::afT1_1, minutes});
    v.push_back({editions::afT1_4, k % 7 == 3 ? 5.0 : 0.0});
    v.push_back({editions::afT2_1, minutes});
    v.push_back({editions::afTworkV5, minutes});
    return v;
}

// Totals at the end of a period `hoursAgo` hours before now.
void AddTotals(std::vector<ArchiveValue>& v, double hoursAgo) {
    const double hours = std::max(0.0, HoursBeforeStart - hoursAgo);
    v.push_back({editions::afTotalQ1, MeanRates.Q1 * hours});
    v.push_back({editions::afTotalQ2, MeanRates.Q2 * hours});
    const ArchiveField masses[] = {editions::afTotalM1, editions::afTotalM2, editions::afTotalM3,
                                   editions::afTotalM4};
    for (int i = 0; i < 4; ++i)
        v.push_back({masses[i], MeanRates.M[i] * hours});
    const ArchiveField volumes[] = {editions::afTotalV1, editions::afTotalV2, editions::afTotalV3,
                                    editions::afTotalV4, editions::afTotalV5};
    for (int i = 0; i < 5; ++i)
        v.push_back({volumes[i], MeanRates.V[i] * hours});
    v.push_back({editions::afTotalT1_1, hours * 60});
    v.push_back({editions::afTotalT2_1, hours * 60});
    v.push_back({editions::afTotalTworkV5, hours * 60});
}

void FillHourly(const Edition& edition, const FillPlan& plan, const CivilTime& now,
                ArchiveRing& ring, int count) {
    const std::int64_t thisHour = CivilSeconds({now.Year, now.Month, now.Day, now.Hour, 0, 0});
    for (int i = 0; i < count; ++i) {
        const auto values = PeriodValues(CivilFromSeconds(thisHour - 3600LL * (i + 1)), 1, i);
        const ArchiveStruct record = device::MakeArchiveRecord(edition, values);
        PutRecord(ring, i, record.data(), record.size(), MarkOf(i, plan));
    }
}

void FillDaily(const Edition& edition, const FillPlan& plan, const CivilTime& now,
               ArchiveRing& ring, int count) {
    const std::int64_t today = CivilSeconds({now.Year, now.Month, now.Day, 0, 0, 0});
    const double hoursToday = static_cast<double>(CivilSeconds(now) - today) / 3600;
    for (int i = 0; i < count; ++i) {
        auto values = PeriodValues(CivilFromSeconds(today - 86400LL * (i + 1)), 24, i);
        AddTotals(values, hoursToday + 24.0 * i);
        const FullArchiveStruct record = device::MakeFullArchiveRecord(edition, values);
        PutRecord(ring, i, record.data(), record.size(), MarkOf(i, plan));
    }
}

void FillMonthly(const Edition& edition, const FillPlan& plan, const CivilTime& now,
                 ArchiveRing& ring, int count) {
    const std::int64_t nowSeconds = CivilSeconds(now);
    for (int i = 0; i < count; ++i) {
        const CivilTime start = AddMonths(now, -(i + 1));
        const CivilTime end = AddMonths(now, -i);
        const double hours = static_cast<double>(CivilSeconds(end) - CivilSeconds(start)) / 3600;
        auto values = PeriodValues(start, hours, i);
        AddTotals(values, static_cast<double>(nowSeconds - CivilSeconds(end)) / 3600);
        const FullArchiveStruct record = device::MakeFullArchiveRecord(edition, values);
        PutRecord(ring, i, record.data(), record.size(), MarkOf(i, plan));
    }
}

// A journal event: the parameter code in each edition (0: the version-2
// edition has no such parameter), the value type and the two values.
struct EventKind {
    std::uint16_t CodeV3;
    std::uint16_t CodeV2;
    std::uint8_t Type;
    double Old;
    double New;
};

constexpr EventKind Events[] = {
    {1, 1, device::jvNone, 0, 0},
    {2, 2, device::jvNone, 0, 0},
    {4, 4, device::jvDateTime, 0, 0},
    {5, 5, device::jvU8, 0, 1},
    {17, 17, device::jvU8, 25, 1},
    {18, 18, device::jvU8, 1, 0},
    {19, 19, device::jvU16, 4 + 15 * 256, 5 + 1 * 256},
    {21, 21, device::jvU8, 0, 2},
    {22, 22, device::jvU8, 0, 5},
    {23, 23, device::jvFlag, 0, 1},
    {24, 24, device::jvU8, 0, 1},
    {25, 25, device::jvU8, 0, 1},
    {29, 29, device::jvS16, 300, 250},
    {31, 31, device::jvS16, 1500, 1200},
    {37, 0, device::jvS16, 15000, 9500},
    {41, 33, device::jvU8, 3, 4},
    {45, 37, device::jvU8, 0, 1},
    {49, 41, device::jvU16, 6000, 6200},
    {56, 0, device::jvU16, 500, 400},
    {64, 46, device::jvU8, 0, 1},
    {68, 50, device::jvU8, 1, 2},
    {73, 0, device::jvU8, 0, 1},
    {81, 55, device::jvU16, 2500, 3000},
    {82, 56, device::jvU16, 52000, 52010},
    {86, 60, device::jvS16, 12, -8},
    {90, 64, device::jvU16, 16384, 16390},
    {94, 68, device::jvF32, 0.01, 0.1},
    {99, 73, device::jvF32, 0.2, 0.25},
    {104, 78, device::jvF32, 0.5, 0.6},
    {114, 0, device::jvF32, 0.2, 0.25},
    {256, 256, device::jvCounter, 1234.5, 0},
    {258, 258, device::jvCounter, 5678.25, 0},
    {262, 262, device::jvF32, 100.5, 0},
    {267, 267, device::jvU32, 3000, 0},
    {279, 279, device::jvU32, 1441, 0},
    {3, 3, device::jvNone, 0, 0},
    {6, 6, device::jvS8, -2, 3},
    {16, 16, device::jvNone, 0, 0},
    {500, 500, device::jvS32, -100000, 250000},
};

JournalStruct MakeEvent(const Edition& edition, const EventKind& kind, const CivilTime& when) {
    device::JournalEntry e = JournalEntryAt(when);
    e.Code = edition.ProtocolVersion == 2 ? kind.CodeV2 : kind.CodeV3;
    e.Type = kind.Type;
    if (kind.Type == device::jvDateTime) {
        device::SetJournalDateTime(e, when.Year, when.Month, when.Day, when.Hour, when.Minute,
                                   when.Second);
    } else if (kind.Type == device::jvCounter) {
        device::SetJournalCounter(e, kind.Old);
    } else {
        e.OldValue = device::EncodeJournalValue(kind.Type, kind.Old);
        e.NewValue = device::EncodeJournalValue(kind.Type, kind.New);
    }
    return device::MakeJournalRecord(e);
}

void FillJournal(const Edition& edition, const FillPlan& plan, const CivilTime& now,
                 ArchiveRing& ring, int count) {
    std::vector<const EventKind*> kinds;
    for (const EventKind& kind : Events)
        if ((edition.ProtocolVersion == 2 ? kind.CodeV2 : kind.CodeV3) != 0)
            kinds.push_back(&kind);
    const std::int64_t nowSeconds = CivilSeconds(now);
    for (int i = 0; i < count; ++i) {
        const CivilTime when = CivilFromSeconds(nowSeconds - 5LL * 3600 * (i + 1) - 420LL * i);
        const JournalStruct record =
            MakeEvent(edition, *kinds[static_cast<std::size_t>(i) % kinds.size()], when);
        const Mark mark = MarkOf(i, plan);
        // A journal record has no check field to damage.
        PutRecord(ring, i, record.data(), record.size(), mark == Mark::Damaged ? Mark::None : mark);
    }
}

void AppendEvent(ArchiveRing& journal, const device::JournalEntry& entry) {
    const JournalStruct record = device::MakeJournalRecord(entry);
    journal.Append(record.data());
}

} // namespace

device::JournalEntry JournalEntryAt(const CivilTime& t) {
    device::JournalEntry e;
    e.Year = static_cast<std::uint8_t>(t.Year % 100);
    e.Month = static_cast<std::uint8_t>(t.Month);
    e.Day = static_cast<std::uint8_t>(t.Day);
    e.Hour = static_cast<std::uint8_t>(t.Hour);
    e.Minute = static_cast<std::uint8_t>(t.Minute);
    e.Second = static_cast<std::uint8_t>(t.Second);
    return e;
}

void FillArchives(const Edition& edition, const FillPlan& plan, const CivilTime& now,
                  std::array<ArchiveRing, 4>& rings) {
    const int sizes[4] = {edition.HourlyRecordBytes(), edition.FullRecordBytes(),
                          edition.FullRecordBytes(), JournalStruct::MaxBytes};
    for (int type = 0; type < 4; ++type) {
        const RingPlan& ringPlan = plan.Rings[static_cast<std::size_t>(type)];
        ArchiveRing ring(sizes[type], std::max(2, ringPlan.Capacity));
        const int count = std::clamp(ringPlan.Count, 0, ring.Capacity() - 1);
        // A wrapped ring ends a third of the way up, its oldest records at the top.
        const int next = plan.Wrapped && count > 1 ? count / 3 : count;
        ring.Place(count, static_cast<std::uint16_t>(next));
        rings[static_cast<std::size_t>(type)] = std::move(ring);
    }
    FillHourly(edition, plan, now, rings[0], rings[0].Count());
    FillDaily(edition, plan, now, rings[1], rings[1].Count());
    FillMonthly(edition, plan, now, rings[2], rings[2].Count());
    FillJournal(edition, plan, now, rings[3], rings[3].Count());
}

void AppendClockEvent(ArchiveRing& journal, const CivilTime& t) {
    device::JournalEntry e = JournalEntryAt(t);
    e.Code = 4;
    e.Type = device::jvDateTime;
    device::SetJournalDateTime(e, t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second);
    AppendEvent(journal, e);
}

void AppendResetEvent(ArchiveRing& journal, const CivilTime& when) {
    device::JournalEntry e = JournalEntryAt(when);
    e.Code = 16;
    AppendEvent(journal, e);
}

} // namespace sim
