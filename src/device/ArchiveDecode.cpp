#include "device/ArchiveRecord.h"
#include "device/Rx58core.h"
#include "device/Sysutil.h"

#include <cmath>

using editions::ArchiveCell;
using editions::CellKind;

namespace device {

std::span<const editions::ArchiveColumn> ArchiveColumns(const Edition& edition, int kind) {
    switch (kind) {
    case akHourly:
    case akDaily:
    case akMonthly:
        return edition.Cells->ArchiveColumns;
    case akDailyTotals:
    case akMonthlyTotals:
        return edition.Cells->TotalsColumns;
    default:
        return {};
    }
}

std::string NsBitCaption(const Edition& edition, int word, int bit) {
    std::string caption(1, BitName(bit));
    caption += '.';
    const auto& enums = *edition.Enums;
    if (word >= 0 && word < editions::NsWords && bit >= 0 && bit < enums.NsBits)
        caption += enums.NsTexts[word][bit];
    return caption;
}

} // namespace device

namespace RX58_namespace {
namespace {

bool IsArchiveKind(int kind) {
    return kind >= device::akHourly && kind <= device::akMonthlyTotals && kind != device::akJournal;
}

void CopyRow(std::span<const editions::ArchiveColumn> columns, const std::string* cells,
             std::vector<std::string>& row) {
    row.resize(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i)
        row[i].assign(cells[columns[i].Cell]);
}

} // namespace

ArchiveDecodeStruct::ArchiveDecodeStruct(const Edition& edition) : edition_(&edition) {}

bool ArchiveDecodeStruct::Decode(const ArchiveStruct& record, int kind) {
    return Decode(record.data(), record.size(), kind);
}

bool ArchiveDecodeStruct::Decode(const FullArchiveStruct& record, int kind) {
    return Decode(record.data(), record.size(), kind);
}

bool ArchiveDecodeStruct::DecodeFull(const FullArchiveStruct& record, int kind) {
    return DecodeFull(record.data(), record.size(), kind);
}

bool ArchiveDecodeStruct::Decode(const std::uint8_t* record, std::size_t length, int kind) {
    for (std::string& cell : CellTexts)
        cell.clear();
    Differences.fill(0);
    Date = 0;
    const auto& table = *edition_->Cells;
    if (record == nullptr || length < static_cast<std::size_t>(edition_->HourlyRecordBytes()) ||
        !IsArchiveKind(kind))
        return false;

    if (!device::TryEncodeDate(2000 + record[0], record[1], record[2], Date)) {
        const bool zeros = record[0] == 0 && record[1] == 0 && record[2] == 0 && record[3] == 0;
        CellTexts[0] = !IsBlankRecordHead(record) ? device::InvalidTimeText
                       : zeros                    ? device::SkippedPageText
                                                  : device::ErasedPageText;
        return false;
    }
    const double schemes = device::GetArchiveField(*edition_, record, length, editions::afSchemes);
    scheme1_ = static_cast<unsigned>(schemes) & 0x0F;
    scheme2_ = static_cast<unsigned>(schemes) >> 4;
    for (int i = 0; i < table.PeriodCells; ++i)
        FormatCell(table.Cells[static_cast<std::size_t>(i)], record, length, kind,
                   CellTexts[static_cast<std::size_t>(i)]);
    return true;
}

bool ArchiveDecodeStruct::DecodeFull(const std::uint8_t* record, std::size_t length, int kind) {
    if (!Decode(record, length, kind))
        return false;
    if (length < static_cast<std::size_t>(edition_->FullRecordBytes()))
        return true;
    const auto& table = *edition_->Cells;
    for (std::size_t i = static_cast<std::size_t>(table.PeriodCells); i < table.Cells.size(); ++i)
        FormatCell(table.Cells[i], record, length, kind, CellTexts[i]);
    return true;
}

void ArchiveDecodeStruct::FormatCell(const ArchiveCell& cell, const std::uint8_t* record,
                                     std::size_t length, int kind, std::string& out) {
    const auto& enums = *edition_->Enums;
    const auto value = [&](editions::ArchiveField f) {
        return device::GetArchiveField(*edition_, record, length, f);
    };
    switch (cell.Kind) {
    case CellKind::Date:
        if (kind == device::akMonthly || kind == device::akMonthlyTotals) {
            device::AppendDateMmYy(out, Date);
        } else {
            device::AppendDateDdMmYy(out, Date);
            if (kind == device::akHourly) {
                out += "  ";
                device::AppendTwoDigits(out, record[3] + 1);
                out += " ч";
            }
        }
        break;
    case CellKind::Number:
        device::AppendNumber(out, cell.Format, value(cell.Field));
        break;
    case CellKind::Difference: {
        // An unknown scheme code says nothing about the flows: no text.
        const bool first = cell.HeatSystem == 1;
        const unsigned code = first ? scheme1_ : scheme2_;
        const auto list = enums.Lists[first ? editions::enScheme1 : editions::enScheme2];
        const std::uint32_t withDifferences =
            first ? enums.Scheme1Differences : enums.Scheme2Differences;
        if (code >= list.size())
            break;
        const double d =
            (withDifferences >> code) & 1u ? value(cell.Field) - value(cell.Field2) : 0.0;
        Differences[cell.Slot] = d;
        device::AppendNumber(out, cell.Format, d);
        break;
    }
    case CellKind::Scheme: {
        const char* s1 = editions::EnumText(enums.Lists[editions::enScheme1], scheme1_);
        const char* s2 = editions::EnumText(enums.Lists[editions::enScheme2], scheme2_);
        out += s1 ? s1 : "???";
        out += " / ";
        out += s2 ? s2 : "???";
        break;
    }
    case CellKind::Bits:
        device::AppendBitString(out, static_cast<std::uint32_t>(value(cell.Field)), enums.NsBits);
        break;
    case CellKind::Minutes:
        device::AppendHoursMinutes(out, static_cast<long long>(value(cell.Field)));
        break;
    }
}

void ArchiveDecodeStruct::Row(int kind, std::vector<std::string>& row) const {
    CopyRow(device::ArchiveColumns(*edition_, kind), CellTexts.data(), row);
}

} // namespace RX58_namespace
