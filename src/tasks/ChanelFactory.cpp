#include "channels/ComPortQueueIDChanel.h"
#include "channels/TapiQueueIDChanel.h"
#include "tasks/TaskContext.h"

#include <memory>

namespace tasks {

namespace {

// The serial line of the device: 19200 bit/s, a reply ends after 20 ms of
// silence or 1 s in all; DTR low, RTS high.
constexpr std::uint32_t ComPortBaudRate = 19200;
constexpr std::uint32_t ComPortReadTotalMs = 1000;
constexpr std::uint32_t ComPortReadIntervalMs = 20;

ChanelPlan ComPortPlan(const RX58ChanelSetup& setup, platform::UiQueue& ui) {
    ChanelPlan plan;
    plan.Chanel = std::make_unique<TComPortQueueIDChanel>(ui);
    plan.Start = [port = setup.ComPortName](TQueueIDChanel& chanel) {
        // Success and failure of the opening arrive as state events.
        static_cast<TComPortQueueIDChanel&>(chanel).Open(port, ComPortBaudRate, ComPortReadTotalMs,
                                                         ComPortReadIntervalMs, false, true, false);
        return std::string();
    };
    return plan;
}

// The adopted line of a modem call: a reply may take 3 s and ends after
// 50 ms of silence.
constexpr std::uint32_t ModemReadTotalMs = 3000;
constexpr std::uint32_t ModemReadIntervalMs = 50;

ChanelPlan ModemPlan(const RX58ChanelSetup& setup, platform::UiQueue& ui) {
    ChanelPlan plan;
    plan.Chanel = std::make_unique<TTapiQueueIDChanel>(ui);
    plan.Start = [modem = setup.ModemName, phone = setup.PhoneNumber](TQueueIDChanel& chanel) {
        auto& tapi = static_cast<TTapiQueueIDChanel&>(chanel);
        // A dial that could not begin says why; everything after it arrives
        // as state events.
        if (tapi.Dial(modem, phone, ModemReadTotalMs, ModemReadIntervalMs) == -1) {
            return tapi.LastDialError();
        }
        return std::string();
    };
    return plan;
}

} // namespace

ChanelPlan DefaultChanelFactory(const RX58ChanelSetup& setup, platform::UiQueue& ui) {
    switch (setup.CurrentChanel) {
    case 0:
        return ComPortPlan(setup, ui);
    case 1:
        return ModemPlan(setup, ui);
    default:
        return {};
    }
}

} // namespace tasks
