#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct Edition;

// The fixed 27-byte head of an archive file: the magic "RX58", a reserved
// byte, then the block lengths and record counts as unsigned 16-bit
// little-endian values, without padding. The blocks follow at offset 27.
namespace persistence {

inline constexpr std::size_t ArchiveHeaderBytes = 27;
inline constexpr std::array<char, 4> ArchiveMagic = {'R', 'X', '5', '8'};
// The identification block: the magic again and the four identification bytes.
inline constexpr std::uint16_t ArchiveIdentBytes = 8;
// The reader's buffer for the identification, current and setup blocks.
inline constexpr std::uint16_t ArchiveMaxBlockBytes = 512;
// Counts are 16-bit: no list longer than this can be described.
inline constexpr std::size_t ArchiveMaxRecords = 65535;

struct ArchiveFileHeader {
    std::array<char, 4> Magic = ArchiveMagic;
    std::uint8_t Reserved = 0;
    std::uint16_t IdentLength = 0;
    std::uint16_t CurrentLength = 0;
    std::uint16_t SetupLength = 0;
    std::uint16_t HourRecordLength = 0;
    std::uint16_t HourCount = 0;
    std::uint16_t DayRecordLength = 0;
    std::uint16_t DayCount = 0;
    std::uint16_t MonthRecordLength = 0;
    std::uint16_t MonthCount = 0;
    std::uint16_t JournalRecordLength = 0;
    std::uint16_t JournalCount = 0;

    bool operator==(const ArchiveFileHeader&) const = default;
};

// The header an edition writes, with the fixed lengths and zero counts.
ArchiveFileHeader ArchiveHeaderFor(const Edition& edition);

std::array<std::uint8_t, ArchiveHeaderBytes> EncodeArchiveHeader(const ArchiveFileHeader& header);
ArchiveFileHeader DecodeArchiveHeader(const std::uint8_t* bytes);

} // namespace persistence
