#pragma once

namespace cli {

// Ctrl-C for the command-line tool: the signal handler only writes one byte
// into a pipe; the task driver asks Pending() on every tick of its loop and
// stops the task there, on the user-interface thread. Install once, early
// in main, before any thread starts.
class InterruptPipe {
public:
    // Installs the SIGINT handler; false when the pipe cannot be made.
    static bool Install();
    // True once SIGINT has arrived since Install (stays true).
    static bool Pending();
};

} // namespace cli
