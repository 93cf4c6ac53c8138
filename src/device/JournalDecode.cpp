#include "device/ByteCodec.h"
#include "device/JournalRecord.h"
#include "device/Rx58core.h"
#include "device/Sysutil.h"

using editions::JournalRule;
using namespace device::codec;

namespace RX58_namespace {
namespace {

constexpr const char* RefusedValueText = "xxxx";

// The text of one 4-byte value by its type (1..8); types 9 and 10 span
// both values and are handled by the caller.
void AppendByType(std::string& out, int type, const std::uint8_t* v) {
    switch (type) {
    case device::jvFlag:
        out += v[0] != 0 ? "Да" : "Нет";
        break;
    case device::jvU8:
        device::AppendInt(out, v[0]);
        break;
    case device::jvS8:
        device::AppendInt(out, static_cast<std::int8_t>(v[0]));
        break;
    case device::jvU16:
        device::AppendInt(out, Load<std::uint16_t>(v));
        break;
    case device::jvS16:
        device::AppendInt(out, Load<std::int16_t>(v));
        break;
    case device::jvU32:
        device::AppendInt(out, Load<std::uint32_t>(v));
        break;
    case device::jvS32:
        device::AppendInt(out, Load<std::int32_t>(v));
        break;
    case device::jvF32:
        device::AppendNumber(out, device::NumberFormat::General, Load<float>(v));
        break;
    default:
        break;
    }
}

void AppendDayMonth(std::string& out, const std::uint8_t* v) {
    device::AppendTwoDigits(out, v[1]);
    out += '/';
    device::AppendTwoDigits(out, v[0]);
}

void AppendScaled(std::string& out, double value, device::NumberFormat format, const char* unit) {
    device::AppendNumber(out, format, value);
    out += unit;
}

void AppendDaysHoursMinutes(std::string& out, std::uint32_t minutes) {
    device::AppendInt(out, minutes / 1440);
    out += "-сут ";
    device::AppendTwoDigits(out, minutes % 1440 / 60);
    out += ':';
    device::AppendTwoDigits(out, minutes % 60);
}

// The value texts by the record's value type, before any rule of its code.
void AppendValuesByType(std::string& oldText, std::string& newText, int type,
                        const std::uint8_t* oldValue, const std::uint8_t* newValue) {
    switch (type) {
    case device::jvDateTime: {
        double date, time;
        if (device::TryEncodeDate(2000 + oldValue[0], oldValue[1], oldValue[2], date) &&
            device::TryEncodeTime(oldValue[3], newValue[0], newValue[1], 0, time)) {
            device::AppendDateDdMmYy(oldText, date);
            oldText += ' ';
            device::AppendTimeHhNnSs(oldText, time);
        } else {
            oldText = device::InvalidTimeText;
        }
        break;
    }
    case device::jvCounter:
        device::AppendNumber(oldText, device::NumberFormat::Padded13_3,
                             static_cast<double>(Load<std::uint32_t>(oldValue)) +
                                 static_cast<double>(Load<float>(newValue)));
        device::AppendNumber(newText, device::NumberFormat::Padded13_3, 0.0);
        break;
    default:
        AppendByType(oldText, type, oldValue);
        AppendByType(newText, type, newValue);
        break;
    }
}

} // namespace

JournalDecodeStruct::JournalDecodeStruct(const Edition& edition) : edition_(&edition) {}

bool JournalDecodeStruct::Decode(const JournalStruct& record) {
    return Decode(record.data(), record.size());
}

bool JournalDecodeStruct::Decode(const std::uint8_t* r, std::size_t length) {
    DateTimeText.clear();
    ParamText.clear();
    OldValueText.clear();
    NewValueText.clear();
    Date = 0;
    Time = 0;
    if (r == nullptr || length < static_cast<std::size_t>(editions::JournalRecordBytes))
        return false;

    const bool dateValid = device::TryEncodeDate(2000 + r[editions::joYear], r[editions::joMonth],
                                                 r[editions::joDay], Date);
    const bool timeValid = device::TryEncodeTime(r[editions::joHour], r[editions::joMinute],
                                                 r[editions::joSecond], 0, Time);
    if (dateValid && timeValid) {
        device::AppendDateDdMmYy(DateTimeText, Date);
        DateTimeText += ' ';
        device::AppendTimeHhNnSs(DateTimeText, Time);
    } else if (IsBlankRecordHead(r)) {
        DateTimeText = r[0] == 0 ? device::SkippedPageText : device::ErasedPageText;
        ParamText = OldValueText = NewValueText = RefusedValueText;
        return false;
    } else {
        DateTimeText = device::InvalidTimeText;
    }

    const std::uint8_t* oldValue = r + editions::joOldValue;
    const std::uint8_t* newValue = r + editions::joNewValue;
    const auto word = Load<std::uint16_t>(r + editions::joCode);
    const int type = word >> 12;
    const unsigned code = word & 0x0FFF;

    const editions::JournalCode* entry = editions::FindJournalCode(edition_->JournalCodes, code);
    // These rules make both value texts themselves: texts by type would
    // only be thrown away.
    const bool ruleMakesTexts =
        entry && (entry->Rule == JournalRule::Season || entry->Rule == JournalRule::Hundredths ||
                  entry->Rule == JournalRule::Thousandths || entry->Rule == JournalRule::Ratio ||
                  entry->Rule == JournalRule::Minutes);
    if (!ruleMakesTexts)
        AppendValuesByType(OldValueText, NewValueText, type, oldValue, newValue);
    if (entry == nullptr) {
        ParamText = editions::UnknownJournalParameter;
        return true;
    }
    ParamText = entry->Text;
    const auto both = [&](auto&& make) {
        make(OldValueText, oldValue);
        make(NewValueText, newValue);
    };
    switch (entry->Rule) {
    case JournalRule::ByType:
        break;
    case JournalRule::Enum: {
        const auto list = edition_->Enums->Lists[entry->List];
        if (const char* text = editions::EnumText(list, oldValue[0]))
            OldValueText = text;
        if (const char* text = editions::EnumText(list, newValue[0]))
            NewValueText = text;
        break;
    }
    case JournalRule::Season:
        both(AppendDayMonth);
        break;
    case JournalRule::Hundredths:
        both([](std::string& out, const std::uint8_t* v) {
            AppendScaled(out, Load<std::int16_t>(v) * 0.01, device::NumberFormat::Fixed2, " (°C)");
        });
        break;
    case JournalRule::Thousandths:
        both([](std::string& out, const std::uint8_t* v) {
            AppendScaled(out, Load<std::uint16_t>(v) * 0.001, device::NumberFormat::Fixed3,
                         " (кгс/см2)");
        });
        break;
    case JournalRule::Ratio:
        both([](std::string& out, const std::uint8_t* v) {
            AppendScaled(out, Load<std::uint16_t>(v) * 0.001, device::NumberFormat::Fixed2, "");
        });
        break;
    case JournalRule::Suffix:
        OldValueText += entry->Suffix;
        NewValueText += entry->Suffix;
        break;
    case JournalRule::Minutes:
        AppendDaysHoursMinutes(OldValueText, Load<std::uint32_t>(oldValue));
        NewValueText = "00000:00";
        break;
    }
    return true;
}

void JournalDecodeStruct::Row(std::vector<std::string>& row) const {
    row.resize(4);
    row[0].assign(DateTimeText);
    row[1].assign(ParamText);
    row[2].assign(OldValueText);
    row[3].assign(NewValueText);
}

} // namespace RX58_namespace
