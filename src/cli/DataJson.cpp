#include "cli/DataJson.h"

#include "device/Rx58core.h"
#include "device/Sysutil.h"
#include "editions/RegisterMaps.h"

#include <cstdio>
#include <cstring>

namespace cli {
namespace {

using editions::Encoding;
using editions::FieldType;
using editions::RegisterField;

template <class T>
T Load(const void* record, std::uint16_t offset) {
    T value;
    std::memcpy(&value, static_cast<const std::uint8_t*>(record) + offset, sizeof value);
    return value;
}

std::string DateText(double value) {
    const device::DateParts d = device::DecodeDate(value);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.Year, d.Month, d.Day);
    return text;
}

std::string TimeText(double value) {
    const device::TimeParts t = device::DecodeTime(value);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.Hour, t.Minute, t.Second);
    return text;
}

std::string SeasonText(double value) {
    const device::DateParts d = device::DecodeDate(value);
    char text[8];
    std::snprintf(text, sizeof text, "%02d-%02d", d.Month, d.Day);
    return text;
}

Json FieldJson(const RegisterField& f, const void* record) {
    switch (f.Type) {
    case FieldType::Double:
        return Load<double>(record, f.RecordOffset);
    case FieldType::U32:
        return Load<std::uint32_t>(record, f.RecordOffset);
    case FieldType::I32:
        return Load<std::int32_t>(record, f.RecordOffset);
    case FieldType::U16:
        return Load<std::uint16_t>(record, f.RecordOffset);
    case FieldType::I16:
        return Load<std::int16_t>(record, f.RecordOffset);
    case FieldType::U8:
        return Load<std::uint8_t>(record, f.RecordOffset);
    case FieldType::Bool:
        return Load<bool>(record, f.RecordOffset);
    }
    return nullptr;
}

} // namespace

const ViewList ViewLists[6] = {
    {"hourly", "Часовой архив", device::akHourly},
    {"daily", "Суточный архив", device::akDaily},
    {"dailyTotals", "Итоговый суточный архив", device::akDailyTotals},
    {"monthly", "Месячный архив", device::akMonthly},
    {"monthlyTotals", "Итоговый месячный архив", device::akMonthlyTotals},
    {"journal", "Журнал", device::akJournal},
};

Json RecordJson(editions::RegisterMap map, const void* record) {
    Json json = Json::object();
    for (const RegisterField& f : map) {
        if (f.Enc == Encoding::DateTime) {
            json[f.Name] = DateText(Load<double>(record, f.RecordOffset));
            json[f.Name2] = TimeText(Load<double>(record, f.RecordOffset2));
        } else if (f.Enc == Encoding::Season) {
            json[f.Name] = SeasonText(Load<double>(record, f.RecordOffset));
        } else {
            json[f.Name] = FieldJson(f, record);
        }
    }
    return json;
}

Json CalibrationJson(const RX58Calibration& calibration) {
    return RecordJson(editions::register_maps_detail::Calibration, &calibration);
}

std::vector<std::string> ViewCaptions(const Edition& edition, int kind) {
    std::vector<std::string> captions;
    if (kind == device::akJournal) {
        for (const char* caption : editions::JournalColumns)
            captions.emplace_back(caption);
        return captions;
    }
    for (const editions::ArchiveColumn& column : device::ArchiveColumns(edition, kind))
        captions.emplace_back(column.Caption);
    return captions;
}

std::vector<std::vector<std::string>> ViewRows(const Edition& edition, const RX58Valve& data,
                                               int kind) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    if (kind == device::akJournal) {
        RX58_namespace::JournalDecodeStruct decoder(edition);
        for (const JournalStruct& record : data.Journal)
            if (decoder.Decode(record)) {
                decoder.Row(row);
                rows.push_back(row);
            }
        return rows;
    }
    RX58_namespace::ArchiveDecodeStruct decoder(edition);
    if (kind == device::akHourly) {
        for (const ArchiveStruct& record : data.HourArchive)
            if (decoder.Decode(record, kind)) {
                decoder.Row(kind, row);
                rows.push_back(row);
            }
        return rows;
    }
    const bool daily = kind == device::akDaily || kind == device::akDailyTotals;
    for (const FullArchiveStruct& record : daily ? data.DayArchive : data.MonthArchive)
        if (decoder.DecodeFull(record, kind)) {
            decoder.Row(kind, row);
            rows.push_back(row);
        }
    return rows;
}

Json DataSetJson(const Edition& edition, const RX58Valve& data,
                 const RX58Calibration& calibration) {
    Json json = Json::object();
    json["edition"] = edition.ProtocolVersion;
    json["identification"] = Json::array();
    for (std::uint8_t b : data.Ident)
        json["identification"].push_back(b);
    json["current"] = RecordJson(edition.CurrentMap, &data.CurrentParams);
    json["setup"] = RecordJson(edition.SetupMap, &data.SetupParams);
    json["calibration"] = CalibrationJson(calibration);
    for (const ViewList& list : ViewLists)
        json[list.Key] = ViewRows(edition, data, list.Kind);
    return json;
}

std::string DumpJson(const Json& json, int indent) {
    return json.dump(indent, ' ', false, Json::error_handler_t::replace);
}

} // namespace cli
