#pragma once

#include "editions/ArchiveCells.h"
#include "editions/ArchiveLayout.h"
#include "editions/Enumerations.h"
#include "editions/JournalCodes.h"
#include "editions/RegisterMaps.h"
#include "protocol/Modbus.h"

#include <cstdint>

// Everything that sets the two editions apart, as plain data. Each program
// picks one descriptor in main(); the core takes it as a parameter, so both
// editions can be exercised side by side in one process.

// A register image as it travels: its first register, how many registers
// the device sends, how long the buffer that holds it is (the archive file
// stores the whole buffer), and the layout that converts its byte order.
struct ImageSpec {
    std::uint16_t FirstRegister;
    int Registers;
    int BufferBytes;
    const LayoutEntry* Layout;
    int LayoutEntries;

    constexpr int RegisterBytes() const { return 2 * Registers; }
};

struct Edition {
    // Protocol version carried in identification byte 2 (frame byte 9).
    std::uint8_t ProtocolVersion;
    const char* Name;

    ImageSpec Current;
    ImageSpec Setup;
    // Bytes of the setup image that the setup write sends (its register part).
    int SetupWriteBytes;

    // Where the record fields live in the two images (host order).
    editions::RegisterMap CurrentMap;
    editions::RegisterMap SetupMap;
    // The twelve calibration registers start here in the setup image.
    int CalibrationOffset;

    // Raw archive records: sizes, check spans and field offsets.
    const editions::ArchiveLayout* Archive;

    // Texts: enumerations, reaction lists, abnormal-situation bits.
    const editions::EnumerationSet* Enums;
    // Cells of a decoded archive record and the views' columns.
    const editions::ArchiveCellTable* Cells;
    // Parameter codes of the journal.
    editions::JournalCodeTable JournalCodes;

    constexpr int HourlyRecordBytes() const { return Archive->HourlyBytes; }
    constexpr int FullRecordBytes() const { return Archive->FullBytes; }
};

// Identification reply of function 0x11: "RX58" in data bytes 0..3 (frame
// bytes 3..6), then four identification bytes (frame bytes 7..10).
inline constexpr char IdentSignature[4] = {'R', 'X', '5', '8'};
inline constexpr int IdentSignatureOffset = 3;
inline constexpr int IdentBytesOffset = 7;
inline constexpr int IdentBytesCount = 4;
inline constexpr int IdentVersionIndex = 2; // within the four identification bytes

namespace edition_detail {
inline constexpr LayoutEntry CurrentLayoutV3[] = {{lkWord, 62}, {lkLong, 59}};
inline constexpr LayoutEntry SetupLayoutV3[] = {{lkWord, 94}, {lkLong, 24}};
inline constexpr LayoutEntry CurrentLayoutV2[] = {{lkWord, 42}, {lkLong, 47}};
// The 32-bit entry asks for 40 values; the 104-register budget ends the
// conversion after 20 of them.
inline constexpr LayoutEntry SetupLayoutV2[] = {{lkWord, 64}, {lkLong, 40}};
} // namespace edition_detail

inline constexpr Edition EditionV3{
    .ProtocolVersion = 3,
    .Name = "3",
    .Current = {30001, 180, 360, edition_detail::CurrentLayoutV3, 2},
    .Setup = {40001, 142, 284, edition_detail::SetupLayoutV3, 2},
    .SetupWriteBytes = 284,
    .CurrentMap = editions::register_maps_detail::CurrentV3,
    .SetupMap = editions::register_maps_detail::SetupV3,
    .CalibrationOffset = 154,
    .Archive = &editions::ArchiveLayoutV3,
    .Enums = &editions::EnumerationsV3,
    .Cells = &editions::ArchiveCellsV3,
    .JournalCodes = editions::JournalCodesV3,
};

inline constexpr Edition EditionV2{
    .ProtocolVersion = 2,
    .Name = "2",
    .Current = {30001, 136, 300, edition_detail::CurrentLayoutV2, 2},
    .Setup = {40001, 104, 254, edition_detail::SetupLayoutV2, 2},
    .SetupWriteBytes = 208,
    .CurrentMap = editions::register_maps_detail::CurrentV2,
    .SetupMap = editions::register_maps_detail::SetupV2,
    .CalibrationOffset = 102,
    .Archive = &editions::ArchiveLayoutV2,
    .Enums = &editions::EnumerationsV2,
    .Cells = &editions::ArchiveCellsV2,
    .JournalCodes = editions::JournalCodesV2,
};

// The descriptor of a protocol version, or nullptr for any other number.
constexpr const Edition* EditionForVersion(int version) {
    return version == 3 ? &EditionV3 : version == 2 ? &EditionV2 : nullptr;
}

// Puts an image of the given kind into the other byte order in place.
inline void SwapImageOf(const ImageSpec& spec, std::uint8_t* image) {
    SwapImage(image, spec.Registers, spec.Layout, spec.LayoutEntries);
}
