#pragma once

#include "device/Rx58Valve.h"
#include "editions/Edition.h"
#include "editions/RegisterMap.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// A data set as JSON, driven by the register maps: one key per record
// field, named as the field; dates as "YYYY-MM-DD", times as "hh:mm:ss",
// season starts as "MM-DD", doubles at full precision, integers as
// integers, flags as booleans. The archive lists and the journal are the
// rows of texts their views show, in the views' column order.

namespace cli {

using Json = nlohmann::ordered_json;

// Every field `map` names, read from `record` (the record the map describes).
Json RecordJson(editions::RegisterMap map, const void* record);

Json CalibrationJson(const RX58Calibration& calibration);

// One list of a data set as its view shows it.
struct ViewList {
    const char* Key;   // the JSON key
    const char* Title; // the tab's caption
    int Kind;          // device::ArchiveKind
};
extern const ViewList ViewLists[6];

// The captions of a view kind's columns, in order.
std::vector<std::string> ViewCaptions(const Edition& edition, int kind);
// The rows of a view kind, one per record that decodes.
std::vector<std::vector<std::string>> ViewRows(const Edition& edition, const RX58Valve& data,
                                               int kind);

// The whole data set, keys in this order: edition, identification,
// current, setup, calibration, hourly, daily, dailyTotals, monthly,
// monthlyTotals, journal.
Json DataSetJson(const Edition& edition, const RX58Valve& data, const RX58Calibration& calibration);

// Texts that are not valid UTF-8 are shown with replacement characters
// rather than refused.
std::string DumpJson(const Json& json, int indent = 2);

} // namespace cli
