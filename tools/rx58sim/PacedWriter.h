#pragma once

#include "rx58sim/Line.h"

// Writes bytes at the pace of a serial line: with `baud` > 0 every byte is
// released when it would have fully arrived over an 8N1 line (10 bits), so
// a reply of n bytes takes n * 10 / baud seconds, as on a real device.

namespace sim {

// The time one 8N1 character takes at `baud`.
std::chrono::nanoseconds CharacterTime(int baud);

bool WritePaced(Line& line, const std::uint8_t* data, std::size_t size, int baud, int stopFd);

} // namespace sim
