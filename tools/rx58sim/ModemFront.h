#pragma once

#include "rx58sim/RtuFramer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A Hayes-compatible modem in front of the device: AT commands in command
// mode, a simulated call after ATD, and the device's line once CONNECT has
// been sent. "+++" framed by the guard time returns to command mode with
// the call kept; ATO goes back on line, ATH ends the call. Pure logic: the
// caller feeds bytes with their arrival time and carries out the output.

namespace sim {

enum class DialResult { Connect, Busy, NoAnswer, NoCarrier, NoDialtone };

// "connect", "busy", "no-answer", "no-carrier", "no-dialtone"; nullopt otherwise.
std::optional<DialResult> ParseDialResult(const std::string& text);

// The outcome of dialling `number` (its digits) when no result is forced:
// the one-digit numbers 3, 6, 7 and 8 (the numeric result codes of NO
// CARRIER, NO DIALTONE, BUSY and NO ANSWER) give those results, any other
// number is answered.
DialResult DialResultForNumber(const std::string& number);

struct ModemConfig {
    int AnswerDelayMs = 1000;
    int GuardTimeMs = 1000;
    int ConnectRate = 19200;
    std::optional<DialResult> ForcedResult;
};

struct ModemOutput {
    std::vector<std::uint8_t> ToLine;   // echo and result codes
    std::vector<std::uint8_t> ToDevice; // data bytes while on line
    bool HangUpLine = false;            // carrier lost: drop the line
    std::string Event;                  // for the exchange log; empty when none
};

class ModemFront {
public:
    enum class State { Command, Dialing, Online, CommandInCall };

    explicit ModemFront(const ModemConfig& config = {});

    void Feed(const std::uint8_t* data, std::size_t size, SteadyClock::time_point now,
              ModemOutput& out);
    // Runs the timers (answer delay, escape guard time) due at `now`.
    void Tick(SteadyClock::time_point now, ModemOutput& out);
    SteadyClock::time_point Deadline() const;

    // The remote end went away: NO CARRIER, and the line is hung up.
    void LoseCarrier(ModemOutput& out);
    // The terminal closed the line (DTR dropped): the call ends quietly and
    // the settings go back to their defaults.
    void TerminalGone();

    State GetState() const { return state_; }
    bool Online() const { return state_ == State::Online; }
    const std::string& LastDialled() const { return dialled_; }

private:
    enum Result {
        rcOk = 0,
        rcConnect = 1,
        rcNoCarrier = 3,
        rcError = 4,
        rcNoDialtone = 6,
        rcBusy = 7,
        rcNoAnswer = 8
    };

    void CommandByte(std::uint8_t byte, SteadyClock::time_point now, ModemOutput& out);
    void Execute(const std::string& line, SteadyClock::time_point now, ModemOutput& out);
    void OnlineByte(std::uint8_t byte, SteadyClock::time_point now, ModemOutput& out);
    void FlushPluses(ModemOutput& out);
    void Respond(Result result, ModemOutput& out);
    void Text(const std::string& text, ModemOutput& out);
    void Defaults();

    ModemConfig config_;
    State state_ = State::Command;
    bool echo_ = true;
    bool verbose_ = true;
    bool quiet_ = false;
    std::string line_;
    std::string dialled_;
    DialResult pending_ = DialResult::Connect;
    SteadyClock::time_point answerAt_{};
    SteadyClock::time_point lastData_{};
    int pluses_ = 0;
};

} // namespace sim
