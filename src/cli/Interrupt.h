#pragma once

namespace cli {

// Ctrl-C for the command-line tool. SIGINT is blocked in every thread and
// arrives through a signalfd, which the task driver reads on each tick of
// its loop: the task is stopped there, on the user-interface thread, and
// no worker's wait is ever cut short by the signal. Install once, first
// thing in main, before any thread starts (threads inherit the mask).
class InterruptSignal {
public:
    // False when the signal cannot be taken over; Ctrl-C then ends the
    // program the ordinary way.
    static bool Install();
    // True once SIGINT has arrived since Install (stays true).
    static bool Pending();
};

} // namespace cli
