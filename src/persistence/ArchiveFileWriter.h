#pragma once

#include "device/Rx58Valve.h"
#include "editions/Edition.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>

namespace persistence {

// What one archive file holds, as the main window gathers it: the data
// set's identification and lists, the two records as the views hand them
// back, and the calibration values when the calibration view exists.
struct ArchiveFileContent {
    std::array<std::uint8_t, 4> Ident;
    const RX58CurrentParams& CurrentParams;
    const RX58SetupParams& SetupParams;
    // nullptr when there is no calibration view: the values are written as zero.
    const RX58Calibration* Calibration;
    std::span<const ArchiveStruct> HourArchive;
    std::span<const FullArchiveStruct> DayArchive;
    std::span<const FullArchiveStruct> MonthArchive;
    std::span<const JournalStruct> Journal;
};

// Everything of a data set, with the given calibration values (or none).
ArchiveFileContent ArchiveContentOf(const RX58Valve& data,
                                    const RX58Calibration* calibration = nullptr);

// Writes the archive file of `edition`: header, identification, current
// and setup images in device byte order, then every hourly, daily, monthly
// and journal record byte for byte. The file is built beside the target
// and replaces it only when complete and on disk, so a failed save leaves
// an existing file as it was. A list longer than a 16-bit count is refused
// before anything is written. Throws ArchiveFileError with the user's text.
void WriteArchiveFile(const std::filesystem::path& file, const Edition& edition,
                      const ArchiveFileContent& content);

} // namespace persistence
