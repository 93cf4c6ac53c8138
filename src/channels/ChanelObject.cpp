#include "channels/ChanelObject.h"

TChanelObject::TChanelObject(platform::UiQueue& ui)
    : Queue(ui), LampTimer(ui, channels::LampTimerInterval, [this] { OnLampTimer(); }) {}

TChanelObject::~TChanelObject() = default;

void TChanelObject::Disconnect() {
    SetChanelState(csDisconnected);
}

bool TChanelObject::SendPacket(const std::uint8_t*, int, std::int32_t, bool) {
    return false;
}

void TChanelObject::PulseLine(bool) {}

void TChanelObject::TimerTick() {}

void TChanelObject::SetChanelState(ChanelState state) {
    if (state == State) {
        return;
    }
    State = state;
    OnChanelStateEvent(state);
}

void TChanelObject::Console(const std::string& text) {
    ConsoleFunction(text);
}

void TChanelObject::FlashLamps(bool receive, bool transmit) {
    const auto flash = [](channels::LampControl* control, std::int32_t& countdown) {
        if (control) {
            control->SetColor(channels::clYellow);
        }
        countdown = channels::LampFlashTicks;
    };
    if (receive) {
        flash(RxControl, RxCountdown);
    }
    if (transmit) {
        flash(TxControl, TxCountdown);
    }
}

void TChanelObject::OnLampTimer() {
    const auto settle = [](channels::LampControl* control, std::int32_t& countdown) {
        if (countdown != 0 && --countdown == 0 && control) {
            control->SetColor(channels::clGreen);
        }
    };
    settle(RxControl, RxCountdown);
    settle(TxControl, TxCountdown);
    TimerTick();
}
