#include "persistence/ArchiveFileHeader.h"

#include "editions/Edition.h"

#include <algorithm>

namespace persistence {
namespace {

struct HeaderField {
    std::size_t Offset;
    std::uint16_t ArchiveFileHeader::*Member;
};

constexpr HeaderField HeaderFields[] = {
    {5, &ArchiveFileHeader::IdentLength},   {7, &ArchiveFileHeader::CurrentLength},
    {9, &ArchiveFileHeader::SetupLength},   {11, &ArchiveFileHeader::HourRecordLength},
    {13, &ArchiveFileHeader::HourCount},    {15, &ArchiveFileHeader::DayRecordLength},
    {17, &ArchiveFileHeader::DayCount},     {19, &ArchiveFileHeader::MonthRecordLength},
    {21, &ArchiveFileHeader::MonthCount},   {23, &ArchiveFileHeader::JournalRecordLength},
    {25, &ArchiveFileHeader::JournalCount},
};
constexpr std::size_t ReservedOffset = 4;

} // namespace

ArchiveFileHeader ArchiveHeaderFor(const Edition& edition) {
    ArchiveFileHeader header;
    header.IdentLength = ArchiveIdentBytes;
    header.CurrentLength = static_cast<std::uint16_t>(edition.Current.BufferBytes);
    header.SetupLength = static_cast<std::uint16_t>(edition.Setup.BufferBytes);
    header.HourRecordLength = static_cast<std::uint16_t>(edition.HourlyRecordBytes());
    header.DayRecordLength = static_cast<std::uint16_t>(edition.FullRecordBytes());
    header.MonthRecordLength = static_cast<std::uint16_t>(edition.FullRecordBytes());
    header.JournalRecordLength = static_cast<std::uint16_t>(editions::JournalRecordBytes);
    return header;
}

std::array<std::uint8_t, ArchiveHeaderBytes> EncodeArchiveHeader(const ArchiveFileHeader& header) {
    std::array<std::uint8_t, ArchiveHeaderBytes> bytes{};
    std::copy(header.Magic.begin(), header.Magic.end(), bytes.begin());
    bytes[ReservedOffset] = header.Reserved;
    for (const HeaderField& f : HeaderFields) {
        const std::uint16_t value = header.*f.Member;
        bytes[f.Offset] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[f.Offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    return bytes;
}

ArchiveFileHeader DecodeArchiveHeader(const std::uint8_t* bytes) {
    ArchiveFileHeader header;
    std::copy_n(bytes, header.Magic.size(), header.Magic.begin());
    header.Reserved = bytes[ReservedOffset];
    for (const HeaderField& f : HeaderFields)
        header.*f.Member = static_cast<std::uint16_t>(bytes[f.Offset] | (bytes[f.Offset + 1] << 8));
    return header;
}

} // namespace persistence
