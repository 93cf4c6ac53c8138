#pragma once

#include "device/RawRecords.h"
#include "editions/Edition.h"

#include <cstddef>
#include <cstdint>
#include <span>

// Validity test, typed field access and a record maker for raw archive
// records, all driven by the edition's archive layout.

// True when the first four bytes are neither all 0x00 nor all 0xFF and the
// check fields match: the period check for every record, the totals check
// too for a full (daily, monthly) record. A record shorter than the
// edition's size is invalid.
bool IsArchiveRecordValid(const Edition& edition, const std::uint8_t* record, std::size_t length,
                          bool full);
bool IsArchiveRecordValid(const Edition& edition, const ArchiveStruct& record);
bool IsArchiveRecordValid(const Edition& edition, const FullArchiveStruct& record);

namespace device {

using editions::ArchiveField;

// The fields the edition's record carries: absent fields (no Gmin/Gmax in
// the version-2 edition) and fields beyond `length` are not there.
bool HasArchiveField(const Edition& edition, ArchiveField field, std::size_t length);

// The field as a number (scaled values scaled, check fields as their
// 16-bit value); NaN when the record has no such field.
double GetArchiveField(const Edition& edition, const std::uint8_t* record, std::size_t length,
                       ArchiveField field);
// Writes the field in its encoding (F32 narrowed, scaled values rounded
// like Round100/Round1000, integers truncated to their width); false when
// the record has no such field.
bool SetArchiveField(const Edition& edition, std::uint8_t* record, std::size_t length,
                     ArchiveField field, double value);
// Sets the period check, and the totals check when the record is full.
void SealArchiveRecord(const Edition& edition, std::uint8_t* record, std::size_t length);

template <class Record>
double GetArchiveField(const Edition& edition, const Record& record, ArchiveField field) {
    return GetArchiveField(edition, record.data(), record.size(), field);
}
template <class Record>
bool SetArchiveField(const Edition& edition, Record& record, ArchiveField field, double value) {
    return SetArchiveField(edition, record.data(), record.size(), field, value);
}
template <class Record>
void SealArchiveRecord(const Edition& edition, Record& record) {
    SealArchiveRecord(edition, record.data(), record.size());
}

struct ArchiveValue {
    ArchiveField Field;
    double Value;
};

// A zero-filled record of the edition's size with the given values and
// correct check fields. Values for fields the edition lacks are ignored.
ArchiveStruct MakeArchiveRecord(const Edition& edition, std::span<const ArchiveValue> values);
FullArchiveStruct MakeFullArchiveRecord(const Edition& edition,
                                        std::span<const ArchiveValue> values);

} // namespace device
