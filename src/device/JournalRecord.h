#pragma once

#include "device/RawRecords.h"
#include "device/Sysutil.h"
#include "editions/ArchiveLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Journal records: validity test, field access and a record maker. The
// layout is the same in both editions (editions::JournalOffset).

// True when the first four bytes are neither all 0x00 nor all 0xFF (journal
// records carry no check). Shorter than 16 bytes: false.
bool IsJournalRecordValid(const std::uint8_t* record, std::size_t length);
bool IsJournalRecordValid(const JournalStruct& record);

namespace device {

// Value types of the old and new values (the high four bits of byte 7).
enum JournalValueType : std::uint8_t {
    jvNone = 0,
    jvFlag = 1,
    jvU8 = 2,
    jvS8 = 3,
    jvU16 = 4,
    jvS16 = 5,
    jvU32 = 6,
    jvS32 = 7,
    jvF32 = 8,
    jvDateTime = 9, // one date and time over both values
    jvCounter = 10, // one counter reading over both values
};

using JournalValueBytes = std::array<std::uint8_t, 4>;

struct JournalEntry {
    std::uint8_t Year = 0; // year - 2000
    std::uint8_t Month = 0;
    std::uint8_t Day = 0;
    std::uint8_t Hour = 0;
    std::uint8_t Minute = 0;
    std::uint8_t Second = 0;
    std::uint16_t Code = 0; // parameter code, 12 bits
    std::uint8_t Type = 0;  // JournalValueType, 4 bits
    JournalValueBytes OldValue{};
    JournalValueBytes NewValue{};
};

// The 4 bytes of one value of types 1..8 (other types give zeros); integers
// are truncated to their width, F32 narrowed.
JournalValueBytes EncodeJournalValue(int type, double value);
// Type 9: the date-time spread over both values (year - 2000 first).
void SetJournalDateTime(JournalEntry& entry, int year, int month, int day, int hour, int minute,
                        int second);
// Type 10: integer part (unsigned 32-bit) in the old value, F32 fraction in the new.
void SetJournalCounter(JournalEntry& entry, double reading);

JournalStruct MakeJournalRecord(const JournalEntry& entry);
JournalEntry ReadJournalEntry(const JournalStruct& record);

} // namespace device
