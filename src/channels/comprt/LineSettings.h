#pragma once

#include <cstdint>

namespace comprt {

// Puts a terminal into the line settings of every port the program opens
// itself: the given speed, 8 data bits, no parity, one stop bit, raw bytes,
// no flow control, no character replacement, receiver on, modem status
// lines ignored. Raises os_error on failure (EINVAL for a speed the system
// does not know).
void ApplyLineSettings(int fd, std::uint32_t baudRate);

// Asks the driver to deliver received bytes without batching them (USB
// adapters otherwise hold them back for up to 16 ms). Ignored where the
// driver does not allow it.
void RequestLowLatency(int fd);

// Outcome of a modem-control request.
enum class ModemControl { Done, NotSupported, LineLost };

// Raises (TIOCMBIS) or drops (TIOCMBIC) the lines in `bits` (TIOCM_DTR,
// TIOCM_RTS). Lines without modem control (pseudo-terminals) answer
// NotSupported; a vanished device LineLost. Other failures raise os_error.
ModemControl ChangeModemLines(int fd, int bits, bool raise);

// The modem status bits (TIOCMGET) into `bits`.
ModemControl ReadModemLines(int fd, int& bits);

// Errors that mean the device behind a descriptor has gone.
bool IsLineLost(int error);

} // namespace comprt
