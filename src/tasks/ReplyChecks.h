#pragma once

#include "editions/Edition.h"

#include <cstdint>

// Checks of reply contents shared by the tasks. A reply is never read past
// its end, whatever its own count fields say.

namespace tasks {

// Identification reply of function 0x11: the "RX58" signature and the
// edition's protocol version. Copies the four identification bytes to
// `ident` (when given) once the signature matched. Returns the failure text,
// or nullptr when the device is one of ours.
const char* CheckIdentification(const Edition& edition, const std::uint8_t* reply,
                                std::uint16_t length, std::uint8_t* ident);

// Data of a register-read reply that must carry exactly `bytes` data bytes:
// the byte count must say so and the reply must be long enough to hold them
// and the CRC. Null otherwise.
const std::uint8_t* RegisterReplyData(const std::uint8_t* reply, std::uint16_t length, int bytes);

} // namespace tasks
