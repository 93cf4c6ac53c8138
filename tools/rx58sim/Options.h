#pragma once

#include "rx58sim/Simulator.h"

#include <string>
#include <vector>

// The command line of the rx58sim executable, turned into a simulator
// configuration. Every option is checked; a bad one gives a message.

namespace sim {

struct ParsedOptions {
    SimulatorConfig Config;
    bool Verbose = false;
    bool Help = false;
    std::string Error; // empty when the command line is good
};

ParsedOptions ParseOptions(const std::vector<std::string>& args);
const char* UsageText();

} // namespace sim
