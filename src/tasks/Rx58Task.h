#pragma once

#include "channels/ChanelObject.h"
#include "persistence/RX58ChanelSetup.h"
#include "tasks/TaskContext.h"

#include <cstdint>
#include <memory>
#include <string>

enum TaskState : std::uint32_t { tsStopped = 0, tsRunning = 1, tsDone = 2, tsFailed = 3 };

enum TaskKind : int {
    tkNone = 0,
    tkReadAll = 1,
    tkMonitoring = 2,
    tkWriteAllParams = 3,
    tkWriteCurrentTime = 4,
    tkClearArchive = 5,
    tkReadCalibration = 6,
    tkWriteCalibration = 7,
};

// What DoStep asks the engine to do next.
enum StepResult : int { srWaitEvent = 0, srNext = 1, srWaitReply = 2, srRestart = 3 };

// The step machine every conversation with the device runs on. A driver
// calls Tick every 100 ms on the user-interface thread; a step sends at most
// one request (its id is the step number), the reply or the channel's events
// move the task on, and it ends done or failed with a status text. Nothing
// here raises to the driver: a failure inside a running task ends it with
// its text, inside a stopped one it is dropped.
class RX58Task {
public:
    RX58Task(const tasks::TaskContext& context, bool start);
    virtual ~RX58Task();
    RX58Task(const RX58Task&) = delete;
    RX58Task& operator=(const RX58Task&) = delete;

    virtual void Stop();
    virtual void Tick();
    virtual int GetProgress();
    virtual std::string GetStatusText() const { return StatusText; }
    virtual std::uint32_t GetState() const { return State; }
    virtual int GetKind() const { return tkNone; }

    bool IsChanged();
    int GetStep() const { return Step; }
    void Start();

    // The channel, for drivers and tests that watch it; null before step 1.
    TQueueIDChanel* GetChanel() const { return Chanel.get(); }
    const Edition& GetEdition() const { return *Context.edition; }

    // Reply time-outs in ticks.
    static constexpr int ComPortTimeoutTicks = 20;
    static constexpr int ModemTimeoutTicks = 40;
    static constexpr int FrameCapacity = 265;

protected:
    virtual void OnChanelState(ChanelState state);
    virtual void OnRecvPacket(const std::uint8_t* data, std::uint16_t length, std::int32_t id);
    virtual void OnLostPacket(std::int32_t id);
    virtual bool CreateChanel();
    virtual void CloseChanel();
    virtual void DestroyChanel();
    virtual bool CheckReply(const std::uint8_t* data, std::uint16_t length, std::int32_t id);
    virtual void SetStep(int step, bool resetRetries);
    virtual void NextStep();
    virtual void Fail(const std::string& text);
    virtual void Finish(const std::string& text);
    virtual void Retry(const std::string& text);
    virtual int GetRetryCount(int step) const;
    virtual int GetStepCount() const { return 1; }
    virtual StepResult DoStep(int step);
    virtual int GetTimeout(int step) const;

    // Step 1 of every task: make and start the channel, or fail.
    StepResult DoConnectStep();
    // Sends Frame[0..length) with the current step as id.
    void SendFrame(int length);
    std::uint8_t Address() const { return static_cast<std::uint8_t>(Setup.NetAddress); }

    const tasks::TaskContext Context;
    std::unique_ptr<TQueueIDChanel> Chanel;
    std::uint32_t State;
    std::int32_t Step = 0;
    std::int32_t Progress = 0;
    bool Changed = false;
    bool Waiting = false;
    std::int32_t RetriesLeft = 0;
    std::int32_t TimeoutTicks = 0;
    std::string StatusText;
    RX58ChanelSetup Setup{};
    std::uint8_t Frame[FrameCapacity] = {};

private:
    void TickRunning();
    void TickStopped();
    void AttachHandlers(TQueueIDChanel& chanel);
    void DetachHandlers();

    // Why the last channel could not start connecting (a dial that could
    // not begin); empty when it began.
    std::string StartFailure;
    // A stopped task asks its channel to close once, and again only when
    // that request has been performed and the channel is still not
    // disconnected, so closes never pile up in the channel's queue.
    bool StopCloseQueued = false;
    bool StoppedOnce = false;
};
