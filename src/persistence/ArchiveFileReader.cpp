#include "persistence/ArchiveFileReader.h"

#include "device/Rx58datatypes.h"
#include "persistence/ArchiveFileError.h"
#include "persistence/ArchiveFileHeader.h"
#include "persistence/FileReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace persistence {
namespace {

using Block = std::array<std::uint8_t, ArchiveMaxBlockBytes>;

// Reads a block of `length` bytes into a zeroed buffer: a block shorter
// than the image it carries leaves the rest zero.
void ReadBlock(FileReader& in, std::uint16_t length, ArchiveFault tooLong, ArchiveFault shortRead,
               Block& block) {
    if (length > ArchiveMaxBlockBytes)
        throw ArchiveFileError(tooLong);
    block.fill(0);
    if (in.Read(block.data(), length) < length)
        throw ArchiveFileError(shortRead);
}

// Appends `count` records of `length` bytes. The list is reserved once for
// what the file can really hold, so a lying count costs no memory.
template <class Record>
void ReadRecords(FileReader& in, std::size_t count, std::size_t length, std::vector<Record>& list,
                 ArchiveFault shortRead) {
    if (length > Record::MaxBytes)
        throw ArchiveFileError(shortRead);
    const std::uint64_t present = length == 0 ? count : in.Remaining() / length;
    list.reserve(list.size() + static_cast<std::size_t>(std::min<std::uint64_t>(count, present)));
    std::uint8_t buffer[Record::MaxBytes];
    for (std::size_t i = 0; i < count; ++i) {
        if (in.Read(buffer, length) < length)
            throw ArchiveFileError(shortRead);
        list.emplace_back(buffer, length);
    }
}

} // namespace

void ReadArchiveFile(const std::filesystem::path& file, const Edition& edition, RX58Valve& data,
                     ArchiveFileListener* listener) {
    ArchiveFileListener silent;
    ArchiveFileListener& tell = listener ? *listener : silent;

    FileReader in;
    if (!in.Open(file))
        throw ArchiveFileError(ArchiveFault::OpenFailed,
                               std::string(ArchiveFaultText(ArchiveFault::OpenFailed)) + " «" +
                                   file.string() + "»: " + FileSystemErrorText(in.Error()));

    std::uint8_t head[ArchiveHeaderBytes];
    if (in.Read(head, sizeof head) < sizeof head)
        throw ArchiveFileError(ArchiveFault::HeaderRead);
    const ArchiveFileHeader header = DecodeArchiveHeader(head);
    if (header.Magic != ArchiveMagic)
        throw ArchiveFileError(ArchiveFault::WrongFormat);

    Block block;
    ReadBlock(in, header.IdentLength, ArchiveFault::IdentTooLong, ArchiveFault::IdentRead, block);
    if (!std::equal(ArchiveMagic.begin(), ArchiveMagic.end(), block.begin()))
        throw ArchiveFileError(ArchiveFault::UnknownDevice);
    std::copy_n(block.begin() + ArchiveMagic.size(), data.Ident.size(), data.Ident.begin());
    if (data.ProtocolVersion() != edition.ProtocolVersion)
        throw ArchiveFileError(ArchiveFault::UnknownVersion);

    ReadBlock(in, header.CurrentLength, ArchiveFault::CurrentTooLong, ArchiveFault::CurrentRead,
              block);
    SwapCurrentImage(edition, block.data());
    DecodeCurrentParams(edition, block.data(), data.CurrentParams);
    tell.CurrentParamsRead(data.CurrentParams);

    ReadBlock(in, header.SetupLength, ArchiveFault::SetupTooLong, ArchiveFault::SetupRead, block);
    SwapSetupImage(edition, block.data());
    DecodeSetupParams(edition, block.data(), data.SetupParams);
    tell.SetupParamsRead(data.SetupParams);
    RX58Calibration calibration{};
    DecodeCalibration(edition, block.data(), calibration);
    tell.CalibrationRead(calibration);

    data.HourArchive.clear();
    data.DayArchive.clear();
    data.MonthArchive.clear();
    const auto hourBytes = static_cast<std::size_t>(edition.HourlyRecordBytes());
    const auto fullBytes = static_cast<std::size_t>(edition.FullRecordBytes());
    if (header.HourRecordLength != hourBytes)
        throw ArchiveFileError(ArchiveFault::ArchiveLength);
    ReadRecords(in, header.HourCount, hourBytes, data.HourArchive, ArchiveFault::ArchiveRead);
    tell.HourArchiveRead(data.HourArchive);
    // The daily and monthly record lengths are taken from the edition, as
    // files have always been read.
    ReadRecords(in, header.DayCount, fullBytes, data.DayArchive, ArchiveFault::ArchiveRead);
    tell.DayArchiveRead(data.DayArchive);
    ReadRecords(in, header.MonthCount, fullBytes, data.MonthArchive, ArchiveFault::ArchiveRead);
    tell.MonthArchiveRead(data.MonthArchive);

    data.Journal.clear();
    const auto journalBytes = static_cast<std::size_t>(editions::JournalRecordBytes);
    if (header.JournalRecordLength != journalBytes)
        throw ArchiveFileError(ArchiveFault::JournalLength);
    ReadRecords(in, header.JournalCount, journalBytes, data.Journal, ArchiveFault::JournalRead);
    tell.JournalRead(data.Journal);
}

} // namespace persistence
