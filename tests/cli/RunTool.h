#pragma once

#include "cli/Cli.h"

#include <sstream>
#include <string>
#include <vector>

// The tool's own run function with its output caught, as the shell would
// see it: the exit status, stdout and stderr (not a terminal).
namespace clitest {

using Words = std::vector<std::string>;

struct Outcome {
    int Status;
    std::string Out;
    std::string Err;
};

inline Outcome RunTool(const Words& words) {
    std::ostringstream out, err;
    cli::CliIo io{out, err, false, {}};
    const int status = cli::RunCli(words, io);
    return {status, out.str(), err.str()};
}

} // namespace clitest
