#pragma once

#include "FuzzInput.h"
#include "channels/SocketCore.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

namespace fuzz {

// A connection whose far end says what the input says: each reply piece
// is what one waiting receive collects (a long piece is handed out over
// several receives, as the bytes stay queued), an empty piece is a
// time-out, and when the pieces run out the peer has closed. Sends are
// taken whole. No descriptor is ever made.
class ScriptedSocket final : public TSyncSocket {
public:
    ScriptedSocket() : TSyncSocket(1000, 10) {}

    void Add(std::span<const std::uint8_t> piece) {
        pieces_.emplace_back(piece.begin(), piece.end());
    }

    bool Connect(const std::string&, std::uint16_t) override { return true; }
    int Send(const void*, int length) override { return length; }
    int Receive(void* buffer, int size) override {
        if (pieces_.empty())
            return FailCount(ENOTCONN);
        if (pieces_.front().empty()) {
            pieces_.pop_front();
            return FailCount(ETIMEDOUT);
        }
        return Take(buffer, size);
    }
    // Only the rest of a piece already begun is waiting.
    int ReceiveNow(void* buffer, int size) override {
        if (!begun_ || pieces_.empty())
            return FailCount(EAGAIN);
        return Take(buffer, size);
    }

private:
    int Take(void* buffer, int size) {
        if (size <= 0)
            return 0;
        std::vector<std::uint8_t>& piece = pieces_.front();
        const std::size_t n = std::min(piece.size(), static_cast<std::size_t>(size));
        std::memcpy(buffer, piece.data(), n);
        piece.erase(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
        begun_ = !piece.empty();
        if (!begun_)
            pieces_.pop_front();
        return static_cast<int>(n);
    }

    std::deque<std::vector<std::uint8_t>> pieces_;
    bool begun_ = false;
};

} // namespace fuzz
