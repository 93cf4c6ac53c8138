#pragma once

#include "cli/DeviceSession.h"

#include <span>
#include <string>

namespace cli {

// One run of rx58cli: `args` are the words after the program name. Parses
// them, runs the subcommand and returns the exit status (0 done, 1 the
// device or a file failed, 2 a bad command line, 130 interrupted).
int RunCli(std::span<const std::string> args, CliIo& io);

} // namespace cli
