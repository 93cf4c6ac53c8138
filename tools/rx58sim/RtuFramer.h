#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

// Cuts the byte stream of a Modbus RTU line into request frames. A request
// of a function with a known length ends as soon as that many bytes with a
// matching CRC have arrived, so back-to-back requests are served without
// waiting; anything else ends at the inter-frame silence. An incomplete
// request of a known function is given more time than the silence, because
// USB adapters and sockets deliver bytes in bursts.

namespace sim {

using SteadyClock = std::chrono::steady_clock;

// Length of the request frame that starts `data`: > 0 when known, 0 when
// more bytes are needed to tell, -1 for a function of unknown length.
int RequestFrameLength(const std::uint8_t* data, std::size_t size);

// The RTU inter-frame silence of 3.5 characters (11 bits each) at `baud`;
// 1.75 ms above 19200 bit/s and when the line has no rate.
SteadyClock::duration RtuSilence(int baud);

class RtuFramer {
public:
    RtuFramer(SteadyClock::duration silence, SteadyClock::duration incompleteTimeout);

    void Feed(const std::uint8_t* data, std::size_t size, SteadyClock::time_point now);
    // Frames that are complete at `now`, oldest first. A frame cut by
    // silence may be damaged: the dispatcher checks its CRC.
    std::vector<std::vector<std::uint8_t>> Take(SteadyClock::time_point now);
    // When Take will next have something to say; max() when idle.
    SteadyClock::time_point Deadline() const;
    void Reset();
    bool Empty() const { return buffer_.empty(); }

private:
    // Longer than any RTU frame: a buffer this full holds only noise.
    static constexpr std::size_t MaxBuffered = 300;

    SteadyClock::duration silence_;
    SteadyClock::duration incompleteTimeout_;
    std::vector<std::uint8_t> buffer_;
    SteadyClock::time_point lastByte_{};
};

} // namespace sim
