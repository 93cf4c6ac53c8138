#pragma once

#include "device/Rx58Valve.h"
#include "editions/Edition.h"

#include <filesystem>

namespace persistence {

// Told of each block as soon as it is read, so that views can show it
// while the rest is still being read. Every method has an empty default.
class ArchiveFileListener {
public:
    virtual ~ArchiveFileListener() = default;
    virtual void CurrentParamsRead(const RX58CurrentParams&) {}
    virtual void SetupParamsRead(const RX58SetupParams&) {}
    virtual void CalibrationRead(const RX58Calibration&) {}
    virtual void HourArchiveRead(const RX58Archive&) {}
    virtual void DayArchiveRead(const RX58FullArchive&) {}
    virtual void MonthArchiveRead(const RX58FullArchive&) {}
    virtual void JournalRead(const RX58Journal&) {}
};

// Reads an archive file of `edition` into `data`, step by step: each step
// changes `data` as it goes, and a failed check throws ArchiveFileError
// with its text and ends the reading there, leaving what the earlier steps
// did (a file cut inside the monthly records leaves the hourly and daily
// lists read and the monthly list holding the records before the cut).
// The listener hears of a block only once it is complete. Lengths and
// counts in the header are checked against the edition and the file before
// anything is read into a buffer; bytes after the journal are ignored.
void ReadArchiveFile(const std::filesystem::path& file, const Edition& edition, RX58Valve& data,
                     ArchiveFileListener* listener = nullptr);

} // namespace persistence
