#pragma once

#include "channels/ChanelObject.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace channels::testing {

using namespace std::chrono_literals;

// Waits in tests are bounded generously: they normally take milliseconds.
inline constexpr auto Patience = std::chrono::seconds(10);

// Threads of this process right now (/proc/self/task).
int ThreadCount();
// The same, after a thread has been made and joined once, so that runtime
// helpers that start with the first thread (a sanitizer's) are counted.
int ThreadBaseline();
// The thread count once it has reached `expected`, or what it is when
// Patience runs out: a joined thread can stay listed for a moment after
// the join returns, a leaked one stays for good.
int SettledThreadCount(int expected);

// What a channel told its owner, in order, as one line each.
struct EventLog {
    std::vector<std::string> Lines;
    std::vector<ChanelState> States;
    std::vector<std::string> Console;
    std::vector<std::int32_t> Lost;
    std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>> Received;

    // Connects every event of the channel to this log.
    template <class Chanel>
    void Listen(Chanel& chanel) {
        chanel.OnChanelStateEvent = [this](ChanelState s) {
            States.push_back(s);
            Lines.push_back("state " + std::to_string(s));
        };
        chanel.ConsoleFunction = [this](const std::string& text) {
            Console.push_back(text);
            Lines.push_back("console " + text);
        };
        chanel.OnRecvPacketEvent = [this](const std::uint8_t* data, std::uint16_t length,
                                          std::int32_t id) {
            Received.emplace_back(id, std::vector<std::uint8_t>(data, data + length));
            Lines.push_back("recv " + std::to_string(id));
        };
        chanel.OnLostPacketEvent = [this](std::int32_t id) {
            Lost.push_back(id);
            Lines.push_back("lost " + std::to_string(id));
        };
    }
    std::size_t Count() const { return Lines.size(); }
};

// A lamp that remembers its colours.
struct RecordingLamp : LampControl {
    void SetColor(LampColor color) override { Colors.push_back(color); }
    std::vector<LampColor> Colors;
};

} // namespace channels::testing
