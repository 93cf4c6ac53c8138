#pragma once

#include "editions/Edition.h"

#include <cstdint>

// The registers every device task asks for, per edition: which blocks a
// reading fetches and where they land in the images, and which image bytes
// the writes send.

namespace editions {

// One register block: its first register, how many registers, and the byte
// offset of its data in the task's image.
struct RegisterBlock {
    std::uint16_t Register;
    std::uint16_t Count;
    int ImageOffset;

    constexpr int Bytes() const { return 2 * Count; }
};

struct TaskPlan {
    // Reads of the current-parameter image, in order; after the last one the
    // image is complete.
    RegisterBlock CurrentReads[2];
    int CurrentReadCount;
    // Reads of the setup-parameter image, in order.
    RegisterBlock SetupReads[2];
    int SetupReadCount;
    // The setup write: leaves out the clock, the archive-reset register and
    // the calibration values.
    RegisterBlock SetupWrites[2];
    int SetupWriteCount;
    RegisterBlock Calibration;
    RegisterBlock Clock;
    RegisterBlock ArchiveReset;
};

inline constexpr TaskPlan TaskPlanV3{
    .CurrentReads = {{30001, 62, 0}, {30063, 118, 124}},
    .CurrentReadCount = 2,
    .SetupReads = {{40001, 94, 0}, {40095, 48, 188}},
    .SetupReadCount = 2,
    .SetupWrites = {{40008, 70, 14}, {40095, 48, 188}},
    .SetupWriteCount = 2,
    .Calibration = {40078, 12, 154},
    .Clock = {40001, 6, 0},
    .ArchiveReset = {40007, 1, 12},
};

inline constexpr TaskPlan TaskPlanV2{
    .CurrentReads = {{30001, 86, 0}, {30087, 50, 172}},
    .CurrentReadCount = 2,
    .SetupReads = {{40001, 104, 0}, {0, 0, 0}},
    .SetupReadCount = 1,
    .SetupWrites = {{40008, 44, 14}, {40065, 40, 128}},
    .SetupWriteCount = 2,
    .Calibration = {40052, 12, 102},
    .Clock = {40001, 6, 0},
    .ArchiveReset = {40007, 1, 12},
};

constexpr const TaskPlan& TaskPlanOf(const Edition& edition) {
    return edition.ProtocolVersion == 2 ? TaskPlanV2 : TaskPlanV3;
}

} // namespace editions
