#pragma once

#include "editions/Edition.h"
#include "rx58sim/ArchiveRing.h"
#include "rx58sim/RegisterBank.h"
#include "rx58sim/SimClock.h"

// The device notes every changed setup or calibration value in its
// journal: parameter code, value type, old and new value.

namespace sim {

// `before` holds the registers firstReg..lastReg as they were (device
// order); `after` is the holding bank with the write applied.
void JournalSetupChanges(const Edition& edition, ArchiveRing& journal, const CivilTime& now,
                         const RegisterBank& after, const std::uint8_t* before,
                         std::uint16_t firstReg, std::uint16_t lastReg);

} // namespace sim
