#include "persistence/ArchiveFileWriter.h"

#include "device/Rx58datatypes.h"
#include "persistence/ArchiveFileError.h"
#include "persistence/ArchiveFileHeader.h"
#include "persistence/AtomicFile.h"

#include <algorithm>
#include <string>
#include <system_error>

namespace persistence {
namespace {

std::string Quoted(const std::filesystem::path& file) {
    return "«" + file.string() + "»";
}

// Refuses a list whose length the header cannot carry, naming the list.
void CheckCount(std::size_t count, const char* listName) {
    if (count <= ArchiveMaxRecords)
        return;
    throw ArchiveFileError(ArchiveFault::TooManyRecords,
                           std::string(ArchiveFaultText(ArchiveFault::TooManyRecords)) + ": " +
                               listName + " " + std::to_string(count) +
                               " записей, в файл помещается не более " +
                               std::to_string(ArchiveMaxRecords) + ". Файл не записан.");
}

class BlockWriter {
public:
    explicit BlockWriter(const std::filesystem::path& file) : file_(file) {
        std::error_code ec;
        existed_ = std::filesystem::exists(file, ec);
        if (!out_.Open(file))
            throw ArchiveFileError(ArchiveFault::CreateFailed,
                                   std::string(ArchiveFaultText(ArchiveFault::CreateFailed)) + " " +
                                       Quoted(file) + ": " + FileSystemErrorText(out_.Error()));
    }

    void Write(const void* data, std::size_t size) {
        if (!out_.Write(data, size))
            Fail();
    }

    // Each record at the file's record length, whatever it holds beyond.
    template <class Record>
    void WriteRecords(std::span<const Record> records, std::size_t length) {
        const std::size_t stored = std::min(length, Record::MaxBytes);
        static constexpr std::uint8_t Zeros[Record::MaxBytes] = {};
        for (const Record& r : records) {
            Write(r.data(), stored);
            if (length > stored)
                Write(Zeros, length - stored);
        }
    }

    void Commit() {
        if (!out_.Commit())
            Fail();
    }

private:
    [[noreturn]] void Fail() {
        const int error = out_.Error();
        out_.Discard();
        throw ArchiveFileError(ArchiveFault::WriteFailed,
                               std::string(ArchiveFaultText(ArchiveFault::WriteFailed)) + " " +
                                   Quoted(file_) + ": " + FileSystemErrorText(error) +
                                   (existed_ ? ". Прежний файл остался без изменений." : "."));
    }

    std::filesystem::path file_;
    bool existed_ = false;
    AtomicFileWriter out_;
};

} // namespace

ArchiveFileContent ArchiveContentOf(const RX58Valve& data, const RX58Calibration* calibration) {
    return ArchiveFileContent{data.Ident,        data.CurrentParams, data.SetupParams,
                              calibration,       data.HourArchive,   data.DayArchive,
                              data.MonthArchive, data.Journal};
}

void WriteArchiveFile(const std::filesystem::path& file, const Edition& edition,
                      const ArchiveFileContent& content) {
    CheckCount(content.HourArchive.size(), "в часовом архиве");
    CheckCount(content.DayArchive.size(), "в суточном архиве");
    CheckCount(content.MonthArchive.size(), "в месячном архиве");
    CheckCount(content.Journal.size(), "в журнале");

    ArchiveFileHeader header = ArchiveHeaderFor(edition);
    header.HourCount = static_cast<std::uint16_t>(content.HourArchive.size());
    header.DayCount = static_cast<std::uint16_t>(content.DayArchive.size());
    header.MonthCount = static_cast<std::uint16_t>(content.MonthArchive.size());
    header.JournalCount = static_cast<std::uint16_t>(content.Journal.size());

    BlockWriter out(file);
    const auto head = EncodeArchiveHeader(header);
    out.Write(head.data(), head.size());

    std::array<std::uint8_t, ArchiveIdentBytes> ident{};
    std::copy(ArchiveMagic.begin(), ArchiveMagic.end(), ident.begin());
    std::copy(content.Ident.begin(), content.Ident.end(), ident.begin() + ArchiveMagic.size());
    out.Write(ident.data(), ident.size());

    std::array<std::uint8_t, ArchiveMaxBlockBytes> block{};
    EncodeCurrentParams(edition, content.CurrentParams, block.data());
    SwapCurrentImage(edition, block.data());
    out.Write(block.data(), header.CurrentLength);

    block.fill(0);
    if (content.Calibration)
        EncodeCalibration(edition, *content.Calibration, block.data());
    EncodeSetupParams(edition, content.SetupParams, block.data());
    SwapSetupImage(edition, block.data());
    out.Write(block.data(), header.SetupLength);

    out.WriteRecords(content.HourArchive, header.HourRecordLength);
    out.WriteRecords(content.DayArchive, header.DayRecordLength);
    out.WriteRecords(content.MonthArchive, header.MonthRecordLength);
    out.WriteRecords(content.Journal, header.JournalRecordLength);
    out.Commit();
}

} // namespace persistence
