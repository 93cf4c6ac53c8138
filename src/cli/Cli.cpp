#include "cli/Cli.h"

#include "cli/Commands.h"

namespace cli {
namespace {

using Runner = int (*)(const CommandLine&, CliIo&);

struct CommandRunner {
    Command Id;
    Runner Run;
};

const CommandRunner Runners[] = {
    {Command::Read, RunRead},
    {Command::Monitor, RunMonitor},
    {Command::SetTime, RunSetTime},
    {Command::ClearArchive, RunClearArchive},
    {Command::ReadCalibration, RunReadCalibration},
    {Command::WriteCalibration, RunWriteCalibration},
    {Command::WriteSetup, RunWriteSetup},
    {Command::Dump, RunDump},
    {Command::Demo, RunDemo},
};

} // namespace

int RunCli(std::span<const std::string> args, CliIo& io) {
    const ParseResult parsed = ParseCommandLine(args);
    const CommandLine& line = parsed.line;
    if (line.help) {
        io.out << HelpText(line.command);
        return ExitDone;
    }
    if (!parsed.error.empty()) {
        io.err << ProgramName << ": " << parsed.error << '\n';
        io.err << "Справка: " << ProgramName;
        if (line.command != Command::None)
            io.err << ' ' << CommandName(line.command);
        io.err << " --help\n";
        return ExitUsage;
    }
    for (const CommandRunner& runner : Runners)
        if (runner.Id == line.command) {
            try {
                return runner.Run(line, io);
            } catch (const std::exception& e) {
                io.err << ProgramName << ": " << e.what() << '\n';
                return ExitFailed;
            }
        }
    return ExitUsage;
}

} // namespace cli
