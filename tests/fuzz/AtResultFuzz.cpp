#include "FuzzInput.h"
#include "channels/AtResultCode.h"
#include "channels/AtTerminal.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

// Whatever a modem sends, through the dialer's line reader (a pipe stands in
// for the terminal device) and the result-code parser, and what each result
// means for a call being set up.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int ends[2];
    if (size > 60000 || ::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
        return 0; // a pipe holds 64 KiB: the runner's -max_len stays far below
    const bool written = size == 0 || ::write(ends[1], data, size) == static_cast<ssize_t>(size);
    ::close(ends[1]);
    if (!written) {
        ::close(ends[0]);
        return 0;
    }
    static const platform::CancelToken never;
    channels::AtTerminal terminal(ends[0]);
    const auto deadline = channels::AtTerminal::Clock::now() + std::chrono::seconds(5);
    std::string line;
    // Bounded: every line takes at least one byte of the input.
    for (std::size_t lines = 0; lines <= size; ++lines) {
        if (terminal.ReadLine(line, deadline, never) != channels::AtTerminal::Io::Done)
            break;
        if (line.empty() || line.find_first_of("\r\n") != std::string::npos)
            std::abort(); // lines come without their ends and are never empty
        const channels::DialOutcome outcome =
            channels::OutcomeOfDialling(channels::ParseResultCode(line));
        if (outcome.Connected && !outcome.Final)
            std::abort();
    }
    return 0;
}
