#include "FuzzInput.h"
#include "device/ArchiveRecord.h"
#include "device/JournalRecord.h"
#include "device/Rx58core.h"

#include <string>
#include <vector>

// Archive and journal records of any content and length through every
// decoder of the chosen edition and view kind: validity, field access, the
// cell texts of the period and the totals, the rows, the journal texts.
// The first byte chooses: bit 0 the edition, bits 1..3 the view kind (6 and
// 7 are kinds no view has).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::uint8_t choice = input.Byte();
    const Edition& edition = (choice & 1) ? EditionV2 : EditionV3;
    const int kind = (choice >> 1) & 7;
    // A copy of exactly the record's length, so that a read beyond it is
    // caught by the address sanitizer.
    const auto rest = input.Rest();
    const std::vector<std::uint8_t> record(rest.begin(), rest.end());
    const std::uint8_t* bytes = record.data();
    const std::size_t length = record.size();

    std::vector<std::string> row;
    const bool full = kind == device::akDaily || kind == device::akMonthly ||
                      kind == device::akDailyTotals || kind == device::akMonthlyTotals;
    IsArchiveRecordValid(edition, bytes, length, full);
    for (int field = 0; field < editions::afCount; ++field)
        device::GetArchiveField(edition, bytes, length, static_cast<editions::ArchiveField>(field));

    RX58_namespace::ArchiveDecodeStruct archive(edition);
    if (archive.Decode(bytes, length, kind))
        archive.Row(kind, row);
    if (archive.DecodeFull(bytes, length, kind))
        archive.Row(kind, row);
    device::ArchiveColumns(edition, kind);

    IsJournalRecordValid(bytes, length);
    RX58_namespace::JournalDecodeStruct journal(edition);
    if (journal.Decode(bytes, length))
        journal.Row(row);
    if (length >= JournalStruct::MaxBytes)
        device::ReadJournalEntry(JournalStruct(bytes, JournalStruct::MaxBytes));
    return 0;
}
