#include "device/JournalRecord.h"

#include "device/ByteCodec.h"

#include <cmath>
#include <cstring>

using namespace editions;

bool IsJournalRecordValid(const std::uint8_t* record, std::size_t length) {
    if (record == nullptr || length < static_cast<std::size_t>(JournalRecordBytes))
        return false;
    return !IsBlankRecordHead(record);
}

bool IsJournalRecordValid(const JournalStruct& record) {
    return IsJournalRecordValid(record.data(), record.size());
}

namespace device {
namespace {

JournalValueBytes BytesOf(std::uint32_t v) {
    JournalValueBytes b;
    std::memcpy(b.data(), &v, 4);
    return b;
}

} // namespace

JournalValueBytes EncodeJournalValue(int type, double value) {
    switch (type) {
    case jvFlag:
        return BytesOf(value != 0 ? 1u : 0u);
    case jvU8:
    case jvS8:
        return BytesOf(codec::WrapToU32(value) & 0xFFu);
    case jvU16:
    case jvS16:
        return BytesOf(codec::WrapToU32(value) & 0xFFFFu);
    case jvU32:
    case jvS32:
        return BytesOf(codec::WrapToU32(value));
    case jvF32: {
        const float f = codec::NarrowToFloat(value);
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return BytesOf(bits);
    }
    default:
        return {};
    }
}

void SetJournalDateTime(JournalEntry& entry, int year, int month, int day, int hour, int minute,
                        int second) {
    entry.OldValue = {static_cast<std::uint8_t>(year - 2000), static_cast<std::uint8_t>(month),
                      static_cast<std::uint8_t>(day), static_cast<std::uint8_t>(hour)};
    entry.NewValue = {static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second), 0, 0};
}

void SetJournalCounter(JournalEntry& entry, double reading) {
    const double whole = std::isfinite(reading) ? std::fmax(std::trunc(reading), 0.0) : 0.0;
    const std::uint32_t integer =
        whole >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(whole);
    entry.OldValue = BytesOf(integer);
    entry.NewValue = EncodeJournalValue(jvF32, reading - integer);
}

JournalStruct MakeJournalRecord(const JournalEntry& e) {
    JournalStruct r(static_cast<std::size_t>(JournalRecordBytes));
    std::uint8_t* p = r.data();
    p[joYear] = e.Year;
    p[joMonth] = e.Month;
    p[joDay] = e.Day;
    p[joHour] = e.Hour;
    p[joMinute] = e.Minute;
    p[joSecond] = e.Second;
    const auto word = static_cast<std::uint16_t>((e.Code & 0x0FFF) | ((e.Type & 0x0F) << 12));
    p[joCode] = static_cast<std::uint8_t>(word & 0xFF);
    p[joCode + 1] = static_cast<std::uint8_t>(word >> 8);
    std::memcpy(p + joOldValue, e.OldValue.data(), 4);
    std::memcpy(p + joNewValue, e.NewValue.data(), 4);
    return r;
}

JournalEntry ReadJournalEntry(const JournalStruct& record) {
    JournalEntry e;
    if (record.size() < static_cast<std::size_t>(JournalRecordBytes))
        return e;
    const std::uint8_t* p = record.data();
    e.Year = p[joYear];
    e.Month = p[joMonth];
    e.Day = p[joDay];
    e.Hour = p[joHour];
    e.Minute = p[joMinute];
    e.Second = p[joSecond];
    const auto word = static_cast<std::uint16_t>(p[joCode] | (p[joCode + 1] << 8));
    e.Code = word & 0x0FFF;
    e.Type = static_cast<std::uint8_t>(word >> 12);
    std::memcpy(e.OldValue.data(), p + joOldValue, 4);
    std::memcpy(e.NewValue.data(), p + joNewValue, 4);
    return e;
}

} // namespace device
