#pragma once

#include <cstdint>

namespace channels {

// The states of a call as the telephony service reports them; the values
// are the service's own state bits.
enum class CallState : std::uint32_t {
    Idle = 0x0001,
    Offering = 0x0002,
    Accepted = 0x0004,
    Dialtone = 0x0008,
    Dialing = 0x0010,
    Ringback = 0x0020,
    Busy = 0x0040,
    SpecialInfo = 0x0080,
    Connected = 0x0100,
    Proceeding = 0x0200,
    OnHold = 0x0400,
    Disconnected = 0x4000,
    Unknown = 0x8000,
};

// The text a call state shows on the console; "" for a state without one.
const char* CallStateText(CallState state);

} // namespace channels
