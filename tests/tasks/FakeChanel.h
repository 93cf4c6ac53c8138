#pragma once

#include "channels/ChanelObject.h"
#include "protocol/Crc16.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>
#include <vector>

namespace tasks::testing {

using Bytes = std::vector<std::uint8_t>;

// A channel without a thread: it records what a task sends and hands back
// what a responder answers, but only when the test delivers it, between
// ticks - as a real channel's completions arrive from the queue.
class FakeChanel final : public TQueueIDChanel {
public:
    struct Sent {
        Bytes Frame;
        std::int32_t Id;
    };
    // Returns the reply to a request; an empty reply means "lost".
    using Responder = std::function<Bytes(const Bytes& request)>;

    explicit FakeChanel(platform::UiQueue& ui) : TQueueIDChanel(ui) {}

    bool SendPacket(const std::uint8_t* data, int length, std::int32_t id, bool) override {
        if (ThrowOnSend)
            throw std::runtime_error("Queue overflow");
        if (GetState() != csConnected)
            return false;
        Bytes frame(data, data + length);
        SentFrames.push_back({frame, id});
        if (Answer) {
            Bytes reply = Answer(frame);
            if (!reply.empty() || LoseEmptyReplies)
                Pending.push_back({std::move(reply), id});
        }
        return true;
    }

    void Disconnect() override {
        ++Closes;
        if (ThrowOnDisconnect)
            throw std::runtime_error("Queue overflow");
        if (CloseAtOnce)
            PendingStates.push_back(csDisconnected);
    }

    int GetQueueCount() const override {
        return static_cast<int>(Pending.size() + PendingStates.size()) + HeldRequests;
    }

    // Delivers every queued completion, in order.
    void Deliver() {
        while (!PendingStates.empty() || !Pending.empty()) {
            if (!PendingStates.empty()) {
                const ChanelState s = PendingStates.front();
                PendingStates.pop_front();
                SetChanelState(s);
                continue;
            }
            Sent done = std::move(Pending.front());
            Pending.pop_front();
            if (done.Frame.empty())
                OnLostPacketEvent(done.Id);
            else
                OnRecvPacketEvent(done.Frame.data(), static_cast<std::uint16_t>(done.Frame.size()),
                                  done.Id);
        }
    }

    void Connect() { PendingStates.push_back(csConnected); }

    Responder Answer;
    bool LoseEmptyReplies = true;
    bool CloseAtOnce = true;
    bool ThrowOnSend = false;
    bool ThrowOnDisconnect = false;
    int HeldRequests = 0; // pretends requests are still queued
    int Closes = 0;
    std::vector<Sent> SentFrames;

private:
    std::deque<Sent> Pending;
    std::deque<ChanelState> PendingStates;
};

inline Bytes WithCrc(Bytes frame) {
    const std::uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

inline Bytes IdentReply(std::uint8_t version, std::uint8_t address = 0) {
    return WithCrc({address, 0x11, 8, 'R', 'X', '5', '8', 1, 2, version, 4});
}

inline Bytes ExceptionReply(std::uint8_t function, std::uint8_t code) {
    return WithCrc({0, static_cast<std::uint8_t>(function | 0x80), code});
}

inline Bytes RegisterReply(std::uint8_t function, const std::uint8_t* data, int bytes) {
    Bytes frame{0, function, static_cast<std::uint8_t>(bytes)};
    frame.insert(frame.end(), data, data + bytes);
    return WithCrc(frame);
}

inline Bytes WriteReply(const Bytes& request) {
    return WithCrc({request[0], 0x10, request[2], request[3], request[4], request[5]});
}

inline std::uint16_t RequestRegister(const Bytes& request) {
    const int address = (request[2] << 8) | request[3];
    return static_cast<std::uint16_t>(address + 1 + (request[1] == 0x04 ? 30000 : 40000));
}
inline int RequestCount(const Bytes& request) {
    return (request[4] << 8) | request[5];
}

} // namespace tasks::testing
