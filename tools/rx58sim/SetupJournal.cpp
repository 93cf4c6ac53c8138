#include "rx58sim/SetupJournal.h"

#include "device/JournalRecord.h"
#include "rx58sim/ArchiveFiller.h"

#include <bit>
#include <span>

namespace sim {

namespace {

// A run of parameters that sit in consecutive registers and carry
// consecutive journal codes.
struct ParameterRun {
    std::uint16_t FirstReg;
    std::uint16_t LastReg;
    std::uint16_t FirstCode;
    std::uint8_t RegistersEach; // 2 for a season (month, day) or an F32
    std::uint8_t Type;
};

using device::jvF32;
using device::jvFlag;
using device::jvS16;
using device::jvU16;
using device::jvU8;

constexpr ParameterRun RunsV3[] = {
    {40011, 40012, 17, 1, jvU8},   {40013, 40016, 19, 2, jvU16}, {40017, 40018, 21, 1, jvU8},
    {40019, 40019, 23, 1, jvFlag}, {40020, 40024, 24, 1, jvU8},  {40025, 40036, 29, 1, jvS16},
    {40037, 40044, 41, 1, jvU8},   {40045, 40059, 49, 1, jvU16}, {40060, 40072, 64, 1, jvU8},
    {40077, 40081, 81, 1, jvU16},  {40082, 40085, 86, 1, jvS16}, {40086, 40089, 90, 1, jvU16},
    {40095, 40142, 94, 2, jvF32},
};

constexpr ParameterRun RunsV2[] = {
    {40011, 40012, 17, 1, jvU8},   {40013, 40016, 19, 2, jvU16}, {40017, 40018, 21, 1, jvU8},
    {40019, 40019, 23, 1, jvFlag}, {40020, 40024, 24, 1, jvU8},  {40025, 40028, 29, 1, jvS16},
    {40029, 40036, 33, 1, jvU8},   {40037, 40041, 41, 1, jvU16}, {40042, 40050, 46, 1, jvU8},
    {40051, 40055, 55, 1, jvU16},  {40056, 40059, 60, 1, jvS16}, {40060, 40063, 64, 1, jvU16},
    {40065, 40104, 68, 2, jvF32},
};

std::uint16_t Word(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

// The value of one parameter from its registers in device order.
double ValueOf(const ParameterRun& run, const std::uint8_t* p) {
    switch (run.Type) {
    case jvF32:
        return std::bit_cast<float>(static_cast<std::uint32_t>(Word(p)) << 16 | Word(p + 2));
    case jvS16:
        return static_cast<std::int16_t>(Word(p));
    case jvU16:
        // A season: month in byte 0 of the value, day in byte 1.
        return run.RegistersEach == 2 ? (Word(p) & 0xFF) | (Word(p + 2) & 0xFF) << 8 : Word(p);
    default:
        return Word(p) & 0xFF;
    }
}

} // namespace

void JournalSetupChanges(const Edition& edition, ArchiveRing& journal, const CivilTime& now,
                         const RegisterBank& after, const std::uint8_t* before,
                         std::uint16_t firstReg, std::uint16_t lastReg) {
    const std::span<const ParameterRun> runs = edition.ProtocolVersion == 2
                                                   ? std::span<const ParameterRun>(RunsV2)
                                                   : std::span<const ParameterRun>(RunsV3);
    for (const ParameterRun& run : runs) {
        for (int reg = run.FirstReg; reg + run.RegistersEach - 1 <= run.LastReg;
             reg += run.RegistersEach) {
            // Only parameters the write covered whole.
            if (reg < firstReg || reg + run.RegistersEach - 1 > lastReg)
                continue;
            const std::uint8_t* old = before + 2 * (reg - firstReg);
            const std::uint8_t* fresh =
                after.Bytes().data() + after.OffsetOf(static_cast<std::uint16_t>(reg));
            const double oldValue = ValueOf(run, old);
            const double newValue = ValueOf(run, fresh);
            if (oldValue == newValue || (oldValue != oldValue && newValue != newValue))
                continue;
            device::JournalEntry e = JournalEntryAt(now);
            e.Code = static_cast<std::uint16_t>(run.FirstCode +
                                                (reg - run.FirstReg) / run.RegistersEach);
            e.Type = run.Type;
            e.OldValue = device::EncodeJournalValue(run.Type, oldValue);
            e.NewValue = device::EncodeJournalValue(run.Type, newValue);
            const JournalStruct record = device::MakeJournalRecord(e);
            journal.Append(record.data());
        }
    }
}

} // namespace sim
