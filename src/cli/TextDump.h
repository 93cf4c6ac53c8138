#pragma once

#include "cli/DataJson.h"

#include <ostream>

// The human-readable forms of a data set: the same content as its JSON
// (every field, every row), laid out as named sections and tables.

namespace cli {

// "name = value" lines of a record's JSON object, each indented.
void WriteFields(std::ostream& out, const Json& record, const char* indent = "  ");

// Everything: identification, the three records, every list with its
// column captions. `data` is the data set the JSON was made from.
void WriteTextDump(std::ostream& out, const Edition& edition, const Json& json);

// A short account: identification, clock, a few current values, how many
// rows each list has and its newest row.
void WriteSummary(std::ostream& out, const Edition& edition, const Json& json);

} // namespace cli
