#pragma once

#include "channels/ChanelTexts.h"
#include "channels/QueueIDThreadChanel.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace channels::testing {

// A request whose first transmit byte is this fails on the worker.
inline constexpr std::uint8_t FailMark = 0xEE;
// A line pulse whose first transmit byte is this pauses for an hour, unless
// the worker is stopped.
inline constexpr std::uint8_t LongPauseMark = 0xAA;

// Worker actions for the serial kinds without a port: opens and closes
// succeed, a transfer echoes its frame. While Hold is set a transfer waits (cancellably) on the
// worker.
class ScriptedActions final : public RequestActions {
public:
    struct Script {
        std::mutex Mutex;
        std::condition_variable Changed;
        bool Hold = false;
        int TransfersEntered = 0;
        int WaitsCancelled = 0;
        std::vector<std::int32_t> Performed;

        void SetHold(bool hold) {
            std::lock_guard lock(Mutex);
            Hold = hold;
            Changed.notify_all();
        }
        // Test thread: waits (bounded) until the worker is inside a transfer.
        bool WaitForTransfers(int count) {
            std::unique_lock lock(Mutex);
            return Changed.wait_for(lock, std::chrono::seconds(10),
                                    [&] { return TransfersEntered >= count; });
        }
        std::vector<std::int32_t> PerformedKinds() {
            std::lock_guard lock(Mutex);
            return Performed;
        }
    };

    explicit ScriptedActions(Script& script) : Shared(script) {}

    bool Performs(std::int32_t kind) const override { return kind >= 0 && kind <= rkPulseLine; }

    void Perform(std::int32_t kind, ChanelCommonStruct& request, TChanelThread& worker) override {
        {
            std::lock_guard lock(Shared.Mutex);
            Shared.Performed.push_back(kind);
        }
        const bool fail = request.TxData[0] == FailMark;
        if (kind == rkTransfer || kind == rkTransferQuiet) {
            worker.PostLamp(LampTransmit);
            WaitWhileHeld(worker);
            if (fail) {
                throw std::runtime_error(text::DeviceSilent);
            }
            std::memcpy(request.RxData, request.TxData, request.TxLength);
            request.RxLength = request.TxLength;
            worker.PostLamp(LampReceive);
            return;
        }
        if (kind == rkPulseLine && request.TxData[0] == LongPauseMark) {
            worker.Pause(std::chrono::hours(1));
        }
        if (fail) {
            throw std::runtime_error("scripted failure");
        }
    }

private:
    void WaitWhileHeld(TChanelThread& worker) {
        std::unique_lock lock(Shared.Mutex);
        ++Shared.TransfersEntered;
        Shared.Changed.notify_all();
        while (Shared.Hold) {
            if (worker.Cancellation().IsCancelled()) {
                ++Shared.WaitsCancelled;
                return;
            }
            Shared.Changed.wait_for(lock, std::chrono::milliseconds(5));
        }
    }

    Script& Shared;
};

// A threaded channel over the scripted actions; its queue is open to tests.
class ScriptedChanel final : public TQueueIDThreadChanel {
public:
    ScriptedChanel(platform::UiQueue& ui, ScriptedActions::Script& script)
        : TQueueIDThreadChanel(ui) {
        JoinActions(std::make_unique<ScriptedActions>(script));
    }
    ~ScriptedChanel() override { Shutdown(); }

    using TQueueIDThreadChanel::NextItem;
    using TQueueIDThreadChanel::Put;

    // Queues kind with the given first transmit byte.
    bool Queue(std::int32_t kind, std::uint32_t options, std::uint8_t mark = 0) {
        NextItem().Request.TxData[0] = mark;
        NextItem().Request.TxLength = 1;
        return Put(kind, options);
    }

    void Disconnect() override { Put(rkClose, qoAlways); }
    void TimerTick() override { ++Ticks; }
    int Ticks = 0;
};

} // namespace channels::testing
