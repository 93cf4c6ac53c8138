#include "rx58sim/PacedWriter.h"

namespace sim {

std::chrono::nanoseconds CharacterTime(int baud) {
    return baud > 0 ? std::chrono::nanoseconds(10'000'000'000LL / baud)
                    : std::chrono::nanoseconds(0);
}

bool WritePaced(Line& line, const std::uint8_t* data, std::size_t size, int baud, int stopFd) {
    if (baud <= 0)
        return line.Write(data, size, stopFd);
    const auto start = std::chrono::steady_clock::now();
    const auto perByte = CharacterTime(baud);
    std::size_t sent = 0;
    while (sent < size) {
        // Release every byte that has had time to cross the line by now; the
        // schedule is absolute, so sleeping late never slows the rate.
        const auto elapsed = std::chrono::steady_clock::now() - start;
        const auto due = std::min<std::size_t>(size, static_cast<std::size_t>(elapsed / perByte));
        if (due > sent) {
            if (!line.Write(data + sent, due - sent, stopFd))
                return false;
            sent = due;
            continue;
        }
        const auto wait =
            start + perByte * static_cast<long>(sent + 1) - std::chrono::steady_clock::now();
        if (!SleepUnlessStopped(stopFd, wait))
            return false;
    }
    return true;
}

} // namespace sim
