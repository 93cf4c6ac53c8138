#pragma once

#include "channels/ComPortQueueIDChanel.h"
#include "protocol/Crc16.h"
#include "tasks/RX58MonitoringTask.h"
#include "tasks/RX58ReadAllParamsTask.h"

#include <chrono>
#include <cstdint>
#include <vector>

// The real serial channel and the real tasks with a meter on them: when each
// request left, when its reply was handed to the task, and the bytes of
// both. Nothing of what they do is changed.

namespace bench {

using Clock = std::chrono::steady_clock;

struct Exchange {
    Clock::time_point Sent;
    Clock::time_point Replied; // Sent when no reply came
    int RequestBytes = 0;
    int ReplyBytes = 0;
    std::uint8_t Function = 0;
    std::uint8_t ArchiveType = 0; // page requests only
    bool Answered = false;
};

struct ExchangeLog {
    std::vector<Exchange> Exchanges;
    int Lost = 0;    // no reply at all
    int Damaged = 0; // a reply whose CRC did not match (cut short, say): the task asks again
};

class MeteredChanel : public TComPortQueueIDChanel {
public:
    MeteredChanel(platform::UiQueue& ui, ExchangeLog& log) : TComPortQueueIDChanel(ui), log_(log) {}

    bool SendPacket(const std::uint8_t* data, int length, std::int32_t id, bool quiet) override;

private:
    ExchangeLog& log_;
};

// A task factory context: every channel the task makes is a MeteredChanel.
void MeterChanels(tasks::TaskContext& context, ExchangeLog& log);

// Notes the arrival of each reply before the task handles it.
template <class Task>
class Metered : public Task {
public:
    Metered(const tasks::TaskContext& context, RX58Valve* data, ExchangeLog& log)
        : Task(context, data, true), log_(log) {}

protected:
    void OnRecvPacket(const std::uint8_t* data, std::uint16_t length, std::int32_t id) override {
        if (!log_.Exchanges.empty() && !log_.Exchanges.back().Answered) {
            Exchange& last = log_.Exchanges.back();
            last.Replied = Clock::now();
            last.ReplyBytes = length;
            last.Answered = true;
        }
        if (!Crc16Matches(data, length))
            ++log_.Damaged;
        Task::OnRecvPacket(data, length, id);
    }
    void OnLostPacket(std::int32_t id) override {
        ++log_.Lost;
        Task::OnLostPacket(id);
    }

private:
    ExchangeLog& log_;
};

} // namespace bench
