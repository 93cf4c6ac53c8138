#pragma once

#include "device/JournalRecord.h"
#include "editions/Edition.h"
#include "rx58sim/ArchiveRing.h"
#include "rx58sim/SimClock.h"

#include <array>

// Fills the device's rings with a history that ends just before now: an
// hourly record for every past hour, a daily one for every past day, a
// monthly one for every past month, and journal events of many parameters
// and value types, all made by the project's record maker so their check
// fields are right. On request some records are erased (0xFF), left
// unwritten (0x00) or damaged (a check field that does not match).

namespace sim {

struct RingPlan {
    int Capacity = 0;
    int Count = 0;
};

struct FillPlan {
    std::array<RingPlan, 4> Rings{};
    // Rings that have gone round: the records end past the top, First > Next.
    bool Wrapped = false;
    int Erased = 0;
    int Blank = 0;
    int Damaged = 0;
};

void FillArchives(const Edition& edition, const FillPlan& plan, const CivilTime& now,
                  std::array<ArchiveRing, 4>& rings);

// A journal entry stamped with `when`, no code or values yet.
device::JournalEntry JournalEntryAt(const CivilTime& when);

// Journal records the device writes itself: a clock change (code 4, the new
// time) and an archive reset (code 16).
void AppendClockEvent(ArchiveRing& journal, const CivilTime& newTime);
void AppendResetEvent(ArchiveRing& journal, const CivilTime& when);

} // namespace sim
