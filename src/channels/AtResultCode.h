#pragma once

#include "channels/TtapiCallState.h"

#include <string_view>

namespace channels {

// What a line from a Hayes modem says, when it is a result code.
enum class AtResult {
    None, // not a result code: echo, an information text, a progress report
    Ok,
    Connect,
    Ring,
    NoCarrier,
    Error,
    NoDialtone,
    Busy,
    NoAnswer,
    Ringing,
    Delayed,
    Blacklisted,
};

// Reads a result code in words ("CONNECT 19200/ARQ") or as a number (V0);
// case and surrounding blanks do not matter.
AtResult ParseResultCode(std::string_view line);

// What a result that comes while a call is being set up means for it.
struct DialOutcome {
    bool Final = false;                    // the attempt is over
    bool Connected = false;                // and the call is up
    CallState Report = CallState::Unknown; // state to report first; Unknown: none
    const char* Note = nullptr;            // why the call did not come about; may be null
};

// None for a line that does not affect the call (Ring, None).
DialOutcome OutcomeOfDialling(AtResult result);

} // namespace channels
