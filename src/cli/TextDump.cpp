#include "cli/TextDump.h"

#include <fmt/format.h>

namespace cli {
namespace {

// Most device values are 32-bit floats: a reader wants 50.37, not the
// double 50.370000000000005 that the JSON keeps at full precision. A value
// that is no float is shown in full.
std::string NumberText(double value) {
    const auto single = static_cast<float>(value);
    if (static_cast<double>(single) == value)
        return fmt::format("{}", single);
    return fmt::format("{}", value);
}

std::string ValueText(const Json& value) {
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_number_float())
        return NumberText(value.get<double>());
    return DumpJson(value, -1);
}

std::string Joined(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i)
            line += " | ";
        line += cells[i];
    }
    return line;
}

void WriteHead(std::ostream& out, const Json& json) {
    out << "Редакция: " << ValueText(json["edition"]) << '\n';
    out << "Идентификация:";
    for (const Json& b : json["identification"])
        out << ' ' << ValueText(b);
    out << '\n';
}

// A list with its captions; at most `rowLimit` rows of at most
// `columnLimit` columns.
void WriteList(std::ostream& out, const Edition& edition, const Json& json, const ViewList& list,
               std::size_t rowLimit, std::size_t columnLimit) {
    const Json& rows = json[list.Key];
    out << '\n' << list.Title << " (записей: " << rows.size() << ")\n";
    if (rows.empty())
        return;
    const auto cut = [columnLimit](std::vector<std::string> cells) {
        if (cells.size() > columnLimit) {
            cells.resize(columnLimit);
            cells.emplace_back("...");
        }
        return cells;
    };
    out << "  " << Joined(cut(ViewCaptions(edition, list.Kind))) << '\n';
    std::size_t shown = 0;
    for (const Json& row : rows) {
        if (shown++ == rowLimit)
            break;
        out << "  " << Joined(cut(row.get<std::vector<std::string>>())) << '\n';
    }
}

constexpr std::size_t Everything = static_cast<std::size_t>(-1);

} // namespace

void WriteFields(std::ostream& out, const Json& record, const char* indent) {
    for (const auto& [name, value] : record.items())
        out << indent << name << " = " << ValueText(value) << '\n';
}

void WriteTextDump(std::ostream& out, const Edition& edition, const Json& json) {
    WriteHead(out, json);
    out << "\nТекущие параметры\n";
    WriteFields(out, json["current"]);
    out << "\nНастроечные параметры\n";
    WriteFields(out, json["setup"]);
    out << "\nКалибровочные параметры\n";
    WriteFields(out, json["calibration"]);
    for (const ViewList& list : ViewLists)
        WriteList(out, edition, json, list, Everything, Everything);
}

void WriteSummary(std::ostream& out, const Edition& edition, const Json& json) {
    WriteHead(out, json);
    const Json& current = json["current"];
    const Json& setup = json["setup"];
    out << "Заводской номер: " << ValueText(setup["SerialNum"]) << '\n';
    out << "Часы прибора: " << ValueText(current["Date"]) << ' ' << ValueText(current["Time"])
        << '\n';
    out << "Текущие параметры:";
    for (const char* name : {"Q1", "M1", "V1", "t1", "t2", "P1"})
        if (current.contains(name))
            out << ' ' << name << '=' << ValueText(current[name]);
    out << '\n';
    for (const ViewList& list : ViewLists)
        WriteList(out, edition, json, list, 1, 8);
}

} // namespace cli
