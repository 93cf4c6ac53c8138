#include "channels/ComPortQueueIDChanel.h"
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
        static_cast<TComPortQueueIDChanel&>(chanel).Open(
            port, ComPortBaudRate, ComPortReadTotalMs, ComPortReadIntervalMs, false, true, false);
        return std::string();
    };
    return plan;
}

} // namespace

ChanelPlan DefaultChanelFactory(const RX58ChanelSetup& setup, platform::UiQueue& ui) {
    switch (setup.CurrentChanel) {
    case 0:
        return ComPortPlan(setup, ui);
    default:
        return {};
    }
}

} // namespace tasks
