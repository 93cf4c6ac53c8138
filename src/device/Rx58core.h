#pragma once

#include "device/RawRecords.h"
#include "editions/Edition.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Decoders that turn raw archive and journal records into the texts of
// their views' rows. One decoder is made per pass and reused for every
// record: its strings keep their capacity, so a pass allocates only while
// the first rows grow them.

namespace device {

// Kinds of archive view (and of the record decoding they ask for).
enum ArchiveKind : int {
    akHourly = 0,
    akDaily = 1,
    akMonthly = 2,
    akJournal = 3,
    akDailyTotals = 4,
    akMonthlyTotals = 5,
};

// The columns of a view kind in their order, each naming the decoder cell
// it shows; the journal kind and unknown kinds have none (the journal's
// four columns are editions::JournalColumns).
std::span<const editions::ArchiveColumn> ArchiveColumns(const Edition& edition, int kind);

// Caption of abnormal-situation check box `bit` of word `word` (0..4):
// "1.Неисправность ПТ1", or the bit name and the full stop alone ("9.")
// for a bit without text.
std::string NsBitCaption(const Edition& edition, int word, int bit);

// Texts of a journal row when a record is refused.
inline constexpr const char* SkippedPageText = "Пропущ.страница";
inline constexpr const char* ErasedPageText = "Стертая страница";
inline constexpr const char* InvalidTimeText = "Некоректное время";

} // namespace device

namespace RX58_namespace {

class ArchiveDecodeStruct {
public:
    explicit ArchiveDecodeStruct(const Edition& edition);

    // The record's date (no hour) as a date-time value.
    double Date = 0;
    // Cells 0..84 (0..66 in the version-2 edition): CellCount() of them are used.
    std::array<std::string, editions::MaxArchiveCells> CellTexts;
    // The differences last computed: period dM1, dM2, dV1, dV2, then the
    // same four of the totals. A heat system whose scheme measures no
    // return flow, or whose code is out of range, gets 0.
    std::array<double, editions::ArchiveDifferenceSlots> Differences{};

    // Fills Date and the period cells (every other cell becomes empty);
    // false, with only cell 0 set, when the date bytes do not form a valid
    // date, and false with no text when the record is shorter than the
    // edition's hourly record or the kind is not an archive kind.
    bool Decode(const std::uint8_t* record, std::size_t length, int kind);
    bool Decode(const ArchiveStruct& record, int kind);
    bool Decode(const FullArchiveStruct& record, int kind);
    // Decode, and when it succeeds the totals cells and differences too.
    bool DecodeFull(const std::uint8_t* record, std::size_t length, int kind);
    bool DecodeFull(const FullArchiveStruct& record, int kind);

    int CellCount() const { return static_cast<int>(edition_->Cells->Cells.size()); }
    const Edition& GetEdition() const { return *edition_; }

    // The texts of the last record in the column order of view `kind`;
    // `row` is resized and its strings reused.
    void Row(int kind, std::vector<std::string>& row) const;

private:
    void FormatCell(const editions::ArchiveCell& cell, const std::uint8_t* record,
                    std::size_t length, int kind, std::string& out);

    const Edition* edition_;
    unsigned scheme1_ = 0;
    unsigned scheme2_ = 0;
};

class JournalDecodeStruct {
public:
    explicit JournalDecodeStruct(const Edition& edition);

    double Date = 0; // the record's date
    double Time = 0; // its time of day
    std::string DateTimeText;
    std::string ParamText;
    std::string OldValueText;
    std::string NewValueText;

    // False only for a record whose first four bytes are all 0x00 or all
    // 0xFF (or one shorter than 16 bytes); invalid dates, unknown types and
    // unknown codes still decode.
    bool Decode(const std::uint8_t* record, std::size_t length);
    bool Decode(const JournalStruct& record);

    // The four texts in column order; `row` is resized and its strings reused.
    void Row(std::vector<std::string>& row) const;

private:
    const Edition* edition_;
};

} // namespace RX58_namespace
