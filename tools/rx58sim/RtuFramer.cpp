#include "rx58sim/RtuFramer.h"

#include "protocol/Crc16.h"

#include <algorithm>

namespace sim {

int RequestFrameLength(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    switch (data[1]) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
        return 8;
    case 0x11:
        return 4;
    case 0x41:
        return 9;
    case 0x0F:
    case 0x10:
        return size < 7 ? 0 : 9 + data[6];
    default:
        return -1;
    }
}

SteadyClock::duration RtuSilence(int baud) {
    using namespace std::chrono;
    if (baud <= 0 || baud > 19200)
        return microseconds(1750);
    return microseconds(35LL * 11 * 1000000 / 10 / baud);
}

RtuFramer::RtuFramer(SteadyClock::duration silence, SteadyClock::duration incompleteTimeout)
    : silence_(silence), incompleteTimeout_(std::max(silence, incompleteTimeout)) {}

void RtuFramer::Feed(const std::uint8_t* data, std::size_t size, SteadyClock::time_point now) {
    if (size == 0)
        return;
    buffer_.insert(buffer_.end(), data, data + size);
    lastByte_ = now;
    if (buffer_.size() > MaxBuffered)
        buffer_.clear();
}

std::vector<std::vector<std::uint8_t>> RtuFramer::Take(SteadyClock::time_point now) {
    std::vector<std::vector<std::uint8_t>> frames;
    while (!buffer_.empty()) {
        const int length = RequestFrameLength(buffer_.data(), buffer_.size());
        const auto quiet = now - lastByte_;
        if (length > 0 && buffer_.size() >= static_cast<std::size_t>(length) &&
            Crc16Matches(buffer_.data(), static_cast<std::size_t>(length))) {
            frames.emplace_back(buffer_.begin(), buffer_.begin() + length);
            buffer_.erase(buffer_.begin(), buffer_.begin() + length);
            continue;
        }
        const bool incomplete =
            length == 0 || (length > 0 && buffer_.size() < static_cast<std::size_t>(length));
        if (quiet >= (incomplete ? incompleteTimeout_ : silence_)) {
            frames.push_back(std::move(buffer_));
            buffer_.clear();
        }
        break;
    }
    return frames;
}

SteadyClock::time_point RtuFramer::Deadline() const {
    if (buffer_.empty())
        return SteadyClock::time_point::max();
    const int length = RequestFrameLength(buffer_.data(), buffer_.size());
    const bool incomplete =
        length == 0 || (length > 0 && buffer_.size() < static_cast<std::size_t>(length));
    return lastByte_ + (incomplete ? incompleteTimeout_ : silence_);
}

void RtuFramer::Reset() {
    buffer_.clear();
}

} // namespace sim
