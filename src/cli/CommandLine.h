#pragma once

#include "editions/Edition.h"
#include "editions/RegisterMap.h"
#include "persistence/RX58ChanelSetup.h"
#include "persistence/ReadSettings.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What one command line of rx58cli asks for, and the parser that turns the
// words into it. The options and subcommands are tables; the help texts
// are made from the same tables, so they cannot drift apart.

namespace cli {

enum class Command {
    None,
    Read,
    Monitor,
    SetTime,
    ClearArchive,
    ReadCalibration,
    WriteCalibration,
    WriteSetup,
    Dump,
    Demo,
};

// Connection settings given for one run: they replace the stored ones
// after every load and are never stored.
struct ConnectionOverride {
    std::optional<std::string> Port;
    std::optional<int> Address;
    std::optional<std::string> Modem;
    std::optional<std::string> Phone;
    std::optional<int> Interval; // monitoring pause, seconds

    void ApplyTo(RX58ChanelSetup& setup) const;
};

// The archives a read fetches: all of them unless the command line leaves
// some out, whatever the stored read-data options say.
struct ReadSelection {
    bool Hourly = true;
    bool Daily = true;
    bool Monthly = true;
    bool Journal = true;

    void ApplyTo(ReadSettings& settings) const;
};

struct CalibrationAssignment {
    const editions::RegisterField* Field;
    int Value;
};

struct CommandLine {
    const Edition* edition = &EditionV3;
    Command command = Command::None;
    bool help = false;
    ConnectionOverride connection;
    // The folder of the settings store; the user's store when absent.
    std::optional<std::filesystem::path> configDir;
    std::filesystem::path output; // read: the file; demo: the folder (may be empty)
    ReadSelection read;
    int count = 0; // monitor: cycles to print, 0 until interrupted
    bool yes = false;
    std::vector<CalibrationAssignment> calibration;
    std::filesystem::path from; // write-setup
    std::filesystem::path file; // dump
    bool json = false;
};

struct ParseResult {
    CommandLine line;
    // Empty when the line is good (or asks for help); otherwise why not.
    std::string error;
};

// `args` are the words after the program name.
ParseResult ParseCommandLine(std::span<const std::string> args);

// The help of a subcommand, or of the program for Command::None.
std::string HelpText(Command command);
const char* CommandName(Command command);
// Whether the subcommand talks to a device (and takes the connection options).
bool IsDeviceCommand(Command command);

// The calibration value of that name, or null.
const editions::RegisterField* FindCalibrationField(const std::string& name);

inline constexpr const char* ProgramName = "rx58cli";

} // namespace cli
