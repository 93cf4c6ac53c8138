#include "tasks/Rx58Task.h"

#include "protocol/Crc16.h"
#include "protocol/Modbus.h"
#include "tasks/TaskTexts.h"

#include <exception>

using namespace tasks;

RX58Task::RX58Task(const TaskContext& context, bool start)
    : Context(context), State(start ? tsRunning : tsStopped) {}

RX58Task::~RX58Task() {
    DestroyChanel();
}

void RX58Task::Stop() {
    if (State == tsRunning) {
        State = tsStopped;
        StoppedOnce = true;
    }
}

void RX58Task::Start() {
    // A task made without the start flag starts here; a stopped one never
    // runs again (its handlers are gone from the channel).
    if (State == tsStopped && !StoppedOnce)
        State = tsRunning;
}

bool RX58Task::IsChanged() {
    const bool changed = Changed;
    Changed = false;
    return changed;
}

int RX58Task::GetProgress() {
    return Progress;
}

void RX58Task::Tick() {
    // A failure of the channel (a full queue, say) must never reach the
    // timer that drives the task.
    try {
        if (State == tsRunning)
            TickRunning();
        else if (State == tsStopped)
            TickStopped();
    } catch (const std::exception& e) {
        if (State == tsRunning)
            Fail(e.what());
    } catch (...) {
        if (State == tsRunning)
            Fail("Внутренняя ошибка задачи");
    }
}

void RX58Task::TickRunning() {
    if (!Waiting) {
        const StepResult result = DoStep(Step);
        Changed = true;
        TimeoutTicks = 0;
        if (State != tsRunning)
            return; // the step ended the task
        switch (result) {
        case srWaitEvent:
            Waiting = true;
            break;
        case srNext:
            NextStep();
            break;
        case srWaitReply:
            TimeoutTicks = GetTimeout(Step);
            Waiting = true;
            break;
        case srRestart:
            SetStep(Step, true);
            break;
        }
        return;
    }
    if (TimeoutTicks != 0 && --TimeoutTicks == 0)
        Retry(texts::RetriesExhausted);
}

void RX58Task::TickStopped() {
    Step = 0;
    if (!Chanel || Chanel->GetState() == csDisconnected)
        return;
    if (StopCloseQueued && Chanel->GetQueueCount() > 0)
        return; // our close is still waiting its turn
    DetachHandlers();
    StopCloseQueued = true;
    CloseChanel();
}

void RX58Task::SetStep(int step, bool resetRetries) {
    Step = step;
    if (resetRetries)
        RetriesLeft = GetRetryCount(step);
    Waiting = false;
    Progress = step * 100 / GetStepCount();
}

void RX58Task::NextStep() {
    if (Step < GetStepCount())
        SetStep(Step + 1, true);
    else
        Finish("");
}

void RX58Task::Retry(const std::string& text) {
    if (RetriesLeft > 0) {
        --RetriesLeft;
        SetStep(Step, false);
    } else {
        Fail(text);
    }
}

void RX58Task::Fail(const std::string& text) {
    Step = 0;
    State = tsFailed;
    Progress = 0;
    Changed = true;
    Waiting = false;
    TimeoutTicks = 0;
    if (!text.empty())
        StatusText = text;
}

void RX58Task::Finish(const std::string& text) {
    Step = 0;
    State = tsDone;
    Progress = 100;
    Changed = true;
    Waiting = false;
    TimeoutTicks = 0;
    if (!text.empty())
        StatusText = text;
}

int RX58Task::GetRetryCount(int) const {
    return 3;
}

StepResult RX58Task::DoStep(int) {
    return srNext;
}

int RX58Task::GetTimeout(int) const {
    return Setup.CurrentChanel == 0 ? ComPortTimeoutTicks : ModemTimeoutTicks;
}

bool RX58Task::CheckReply(const std::uint8_t* data, std::uint16_t length, std::int32_t id) {
    if (length < 4 || id != Step)
        return false;
    if (!Crc16Matches(data, length)) {
        Retry(texts::CrcError);
        return false;
    }
    if (data[1] & 0x80) {
        Fail(ModbusErrorText(data[2]));
        return false;
    }
    return true;
}

void RX58Task::OnRecvPacket(const std::uint8_t*, std::uint16_t, std::int32_t) {}

void RX58Task::OnLostPacket(std::int32_t id) {
    if (State == tsRunning && id == Step)
        Retry(texts::NoReply);
}

void RX58Task::OnChanelState(ChanelState state) {
    if (State != tsRunning)
        return;
    switch (state) {
    case csConnected:
        StatusText = texts::Connected;
        Changed = true;
        NextStep();
        break;
    case csConnecting:
        StatusText = texts::Connecting;
        Changed = true;
        break;
    case csDisconnected:
        if (Step == 1)
            Fail(texts::NotConnected);
        else if (Step == GetStepCount())
            Finish("");
        else
            Fail(texts::ConnectionLost);
        break;
    }
}

bool RX58Task::CreateChanel() {
    StartFailure.clear();
    Setup = RX58ChanelSetup{};
    if (!Setup.Load(Context.store))
        return false;
    if (Context.adjustSetup)
        Context.adjustSetup(Setup);
    DestroyChanel();

    platform::UiQueue& ui = Context.ui ? *Context.ui : platform::MainQueue();
    ChanelPlan plan =
        Context.makeChanel ? Context.makeChanel(Setup, ui) : DefaultChanelFactory(Setup, ui);
    if (!plan.Chanel)
        return false;
    Chanel = std::move(plan.Chanel);
    AttachHandlers(*Chanel);
    if (plan.Start)
        StartFailure = plan.Start(*Chanel);
    return Chanel != nullptr;
}

StepResult RX58Task::DoConnectStep() {
    if (!CreateChanel()) {
        Fail(texts::ChanelCreateError);
        return srWaitEvent;
    }
    // A connection attempt that could not even begin raises no state event:
    // waiting for one would wait forever.
    if (!StartFailure.empty() && State == tsRunning)
        Fail(StartFailure);
    return srWaitEvent;
}

void RX58Task::CloseChanel() {
    if (Chanel)
        Chanel->Disconnect();
}

void RX58Task::DestroyChanel() {
    Chanel.reset();
}

void RX58Task::AttachHandlers(TQueueIDChanel& chanel) {
    chanel.OnChanelStateEvent = {this, &RX58Task::OnChanelState};
    chanel.OnRecvPacketEvent = {this, &RX58Task::OnRecvPacket};
    chanel.OnLostPacketEvent = {this, &RX58Task::OnLostPacket};
}

void RX58Task::DetachHandlers() {
    if (!Chanel)
        return;
    Chanel->OnChanelStateEvent = nullptr;
    Chanel->OnRecvPacketEvent = nullptr;
    Chanel->OnLostPacketEvent = nullptr;
}

void RX58Task::SendFrame(int length) {
    if (Chanel)
        Chanel->SendPacket(Frame, length, Step, false);
}
