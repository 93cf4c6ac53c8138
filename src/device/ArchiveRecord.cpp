#include "device/ArchiveRecord.h"

#include "device/ByteCodec.h"
#include "device/Rx58datatypes.h"
#include "protocol/Crc16.h"

#include <limits>

using editions::ArchiveEncoding;
using editions::ArchiveFieldSpec;
using editions::CrcSpan;
using namespace device::codec;

namespace {

int EncodingBytes(ArchiveEncoding e) {
    switch (e) {
    case ArchiveEncoding::Absent:
        return 0;
    case ArchiveEncoding::U8:
        return 1;
    case ArchiveEncoding::U32:
    case ArchiveEncoding::F32:
        return 4;
    default:
        return 2;
    }
}

bool CheckMatches(const std::uint8_t* record, const CrcSpan& span) {
    const std::uint16_t crc =
        Crc16(record + span.Begin, static_cast<std::size_t>(span.CheckOffset - span.Begin));
    return record[span.CheckOffset] == (crc & 0xFF) && record[span.CheckOffset + 1] == (crc >> 8);
}

void SetCheck(std::uint8_t* record, const CrcSpan& span) {
    const std::uint16_t crc =
        Crc16(record + span.Begin, static_cast<std::size_t>(span.CheckOffset - span.Begin));
    record[span.CheckOffset] = static_cast<std::uint8_t>(crc & 0xFF);
    record[span.CheckOffset + 1] = static_cast<std::uint8_t>(crc >> 8);
}

template <class Record>
Record MakeRecord(const Edition& edition, std::size_t length,
                  std::span<const device::ArchiveValue> values) {
    Record record(length);
    for (const auto& v : values)
        device::SetArchiveField(edition, record, v.Field, v.Value);
    device::SealArchiveRecord(edition, record);
    return record;
}

} // namespace

bool IsArchiveRecordValid(const Edition& edition, const std::uint8_t* record, std::size_t length,
                          bool full) {
    const auto& layout = *edition.Archive;
    const auto needed = static_cast<std::size_t>(full ? layout.FullBytes : layout.HourlyBytes);
    if (record == nullptr || length < needed || IsBlankRecordHead(record))
        return false;
    return CheckMatches(record, layout.PeriodCheck) &&
           (!full || CheckMatches(record, layout.TotalsCheck));
}

bool IsArchiveRecordValid(const Edition& edition, const ArchiveStruct& record) {
    return IsArchiveRecordValid(edition, record.data(), record.size(), false);
}

bool IsArchiveRecordValid(const Edition& edition, const FullArchiveStruct& record) {
    return IsArchiveRecordValid(edition, record.data(), record.size(), true);
}

namespace device {

bool HasArchiveField(const Edition& edition, ArchiveField field, std::size_t length) {
    if (field >= editions::afCount)
        return false;
    const ArchiveFieldSpec& spec = edition.Archive->Fields[field];
    return spec.Enc != ArchiveEncoding::Absent &&
           static_cast<std::size_t>(spec.Offset + EncodingBytes(spec.Enc)) <= length;
}

double GetArchiveField(const Edition& edition, const std::uint8_t* record, std::size_t length,
                       ArchiveField field) {
    if (!HasArchiveField(edition, field, length))
        return std::numeric_limits<double>::quiet_NaN();
    const ArchiveFieldSpec& spec = edition.Archive->Fields[field];
    const std::uint8_t* p = record + spec.Offset;
    switch (spec.Enc) {
    case ArchiveEncoding::U8:
        return *p;
    case ArchiveEncoding::U16:
    case ArchiveEncoding::Crc16:
        return Load<std::uint16_t>(p);
    case ArchiveEncoding::U32:
        return Load<std::uint32_t>(p);
    case ArchiveEncoding::S16_100:
        return Load<std::int16_t>(p) * 0.01;
    case ArchiveEncoding::U16_1000:
        return Load<std::uint16_t>(p) * 0.001;
    case ArchiveEncoding::F32:
        return Load<float>(p);
    case ArchiveEncoding::Absent:
        break;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

bool SetArchiveField(const Edition& edition, std::uint8_t* record, std::size_t length,
                     ArchiveField field, double value) {
    if (!HasArchiveField(edition, field, length))
        return false;
    const ArchiveFieldSpec& spec = edition.Archive->Fields[field];
    std::uint8_t* p = record + spec.Offset;
    switch (spec.Enc) {
    case ArchiveEncoding::U8:
        *p = static_cast<std::uint8_t>(WrapToU32(value));
        break;
    case ArchiveEncoding::U16:
    case ArchiveEncoding::Crc16:
        Store(p, static_cast<std::uint16_t>(WrapToU32(value)));
        break;
    case ArchiveEncoding::U32:
        Store(p, WrapToU32(value));
        break;
    case ArchiveEncoding::S16_100:
        Store(p, Round100(value));
        break;
    case ArchiveEncoding::U16_1000:
        Store(p, Round1000(value));
        break;
    case ArchiveEncoding::F32:
        Store(p, NarrowToFloat(value));
        break;
    case ArchiveEncoding::Absent:
        return false;
    }
    return true;
}

void SealArchiveRecord(const Edition& edition, std::uint8_t* record, std::size_t length) {
    const auto& layout = *edition.Archive;
    if (length >= static_cast<std::size_t>(layout.HourlyBytes))
        SetCheck(record, layout.PeriodCheck);
    if (length >= static_cast<std::size_t>(layout.FullBytes))
        SetCheck(record, layout.TotalsCheck);
}

ArchiveStruct MakeArchiveRecord(const Edition& edition, std::span<const ArchiveValue> values) {
    return MakeRecord<ArchiveStruct>(edition, static_cast<std::size_t>(edition.HourlyRecordBytes()),
                                     values);
}

FullArchiveStruct MakeFullArchiveRecord(const Edition& edition,
                                        std::span<const ArchiveValue> values) {
    return MakeRecord<FullArchiveStruct>(
        edition, static_cast<std::size_t>(edition.FullRecordBytes()), values);
}

} // namespace device
