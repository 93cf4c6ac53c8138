#pragma once

#include "cli/CommandLine.h"
#include "cli/DeviceSession.h"
#include "device/Rx58Valve.h"

#include <filesystem>

namespace cli {

// The subcommands; each returns the program's exit status and writes its
// messages to `io`.
int RunRead(const CommandLine& line, CliIo& io);
int RunMonitor(const CommandLine& line, CliIo& io);
int RunSetTime(const CommandLine& line, CliIo& io);
int RunClearArchive(const CommandLine& line, CliIo& io);
int RunReadCalibration(const CommandLine& line, CliIo& io);
int RunWriteCalibration(const CommandLine& line, CliIo& io);
int RunWriteSetup(const CommandLine& line, CliIo& io);
int RunDump(const CommandLine& line, CliIo& io);
int RunDemo(const CommandLine& line, CliIo& io);

// What a full read gives: the data set and the calibration values that came
// with the setup registers.
struct DeviceReading {
    RX58Valve Data;
    RX58Calibration Calibration{};
};

// Runs the read-all task in `session`; the exit status of its end (0 done).
int ReadDevice(DeviceSession& session, const ReadSelection& selection, DeviceReading& reading,
               CliIo& io);
// Saves a reading as an archive file; 0, or 1 with the writer's message.
int SaveReading(const std::filesystem::path& file, const Edition& edition,
                const DeviceReading& reading, CliIo& io);
// Reads an archive file; 0, or 1 with the reader's message.
int LoadArchive(const std::filesystem::path& file, const Edition& edition, DeviceReading& reading,
                CliIo& io);

} // namespace cli
