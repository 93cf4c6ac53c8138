#pragma once

#include "channels/ChanelTypes.h"
#include "platform/Callback.h"
#include "platform/Timer.h"
#include "platform/UiQueue.h"

#include <cstdint>
#include <string>

namespace channels {

// Colours of an activity lamp: green at rest, yellow while it flashes.
enum LampColor { clGreen, clYellow };

// Something that shows an activity lamp; a window implements it. The core
// only paints it.
class LampControl {
public:
    virtual ~LampControl() = default;
    virtual void SetColor(LampColor color) = 0;
};

using StateEvent = platform::Callback<void(ChanelState state)>;
using ConsoleSink = platform::Callback<void(const std::string& text)>;
using RecvPacketEvent =
    platform::Callback<void(const std::uint8_t* data, std::uint16_t length, std::int32_t id)>;
using LostPacketEvent = platform::Callback<void(std::int32_t id)>;
using ErrorPacketEvent = platform::Callback<void(std::int32_t id)>;

// Ticks of the lamp timer that a flash lasts.
inline constexpr std::int32_t LampFlashTicks = 2;
inline constexpr std::chrono::milliseconds LampTimerInterval{50};

} // namespace channels

// The base of every channel: its connection state and the state event, the
// diagnostic console sink and the two activity lamps. Made, used and
// destroyed on the user-interface thread; every event is raised there.
class TChanelObject {
public:
    explicit TChanelObject(platform::UiQueue& ui = platform::MainQueue());
    virtual ~TChanelObject();
    TChanelObject(const TChanelObject&) = delete;
    TChanelObject& operator=(const TChanelObject&) = delete;

    ChanelState GetState() const { return State; }

    // Published properties: assign freely, an empty one is not called.
    channels::StateEvent OnChanelStateEvent;
    channels::ConsoleSink ConsoleFunction;
    channels::LampControl* RxControl = nullptr;
    channels::LampControl* TxControl = nullptr;

    virtual void Disconnect();
    // Hands a request frame to the device; false when it cannot be sent.
    virtual bool SendPacket(const std::uint8_t* data, int length, std::int32_t id, bool quiet);
    virtual void PulseLine(bool sendFF);
    // Called after every lamp timer tick.
    virtual void TimerTick();

    // Stores a new state and raises the state event, but only on a change.
    void SetChanelState(ChanelState state);
    void Console(const std::string& text);
    void FlashLamps(bool receive, bool transmit);

protected:
    platform::UiQueue& Ui() const { return Queue; }
    void StopLampTimer() { LampTimer.Stop(); }

private:
    void OnLampTimer();

    platform::UiQueue& Queue;
    ChanelState State = csDisconnected;
    std::int32_t RxCountdown = 0;
    std::int32_t TxCountdown = 0;
    platform::Timer LampTimer;
};

// A channel that carries frames with an id: adds the packet events.
class TQueueIDChanel : public TChanelObject {
public:
    using TChanelObject::TChanelObject;

    channels::RecvPacketEvent OnRecvPacketEvent;
    channels::LostPacketEvent OnLostPacketEvent;
    channels::ErrorPacketEvent OnErrorPacketEvent; // kept for handlers; never raised

    // Requests queued whose completion has not been handled; -1 without a queue.
    virtual int GetQueueCount() const { return -1; }
};
