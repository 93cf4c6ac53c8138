#include "cli/Cli.h"
#include "cli/Interrupt.h"

#include <csignal>
#include <iostream>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread inherits the blocked
    // signal; a closed pipe to a reader ends a write, not the program.
    cli::InterruptSignal::Install();
    std::signal(SIGPIPE, SIG_IGN);

    const std::vector<std::string> args(argv + 1, argv + argc);
    cli::CliIo io{std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1,
                  [] { return cli::InterruptSignal::Pending(); },
                  argc > 0 ? argv[0] : cli::ProgramName};
    const int status = cli::RunCli(args, io);
    std::cout.flush();
    return status;
}
