#include "channels/ComPortQueueIDChanel.h"

#include "channels/SerialActions.h"

#include <exception>
#include <memory>

TComPortQueueIDChanel::TComPortQueueIDChanel(platform::UiQueue& ui)
    : TComPortQueueIDChanel(ui, ComPortList()) {}

TComPortQueueIDChanel::TComPortQueueIDChanel(platform::UiQueue& ui, const comprt::ComList& ports)
    : TQueueIDThreadChanel(ui) {
    JoinActions(std::make_unique<channels::SerialActions>(Worker().Cancellation(), ports));
}

TComPortQueueIDChanel::TComPortQueueIDChanel(platform::UiQueue& ui,
                                             std::unique_ptr<channels::RequestActions> actions)
    : TQueueIDThreadChanel(ui) {
    JoinActions(std::move(actions));
}

TComPortQueueIDChanel::~TComPortQueueIDChanel() {
    Shutdown();
}

int TComPortQueueIDChanel::Open(const std::string& portName, std::uint32_t baudRate,
                                std::uint32_t readTotalTimeout, std::uint32_t readIntervalTimeout,
                                bool dtr, bool rts, bool fixedTimeouts) {
    if (GetState() != csDisconnected) {
        return -2;
    }
    channels::PortRequest fields;
    fields.SetPortName(portName);
    fields.BaudRate = baudRate;
    fields.ReadTotalTimeout = readTotalTimeout;
    fields.ReadIntervalTimeout = readIntervalTimeout;
    fields.Dtr = dtr;
    fields.Rts = rts;
    fields.FixedTimeouts = fixedTimeouts;
    try {
        QueuePortRequest(rkOpen, fields);
    } catch (const std::exception& failure) {
        Console(failure.what());
        return -1;
    }
    SetChanelState(csConnecting);
    return 1;
}

void TComPortQueueIDChanel::Disconnect() {
    // A close already on its way brings the state down; more of them would
    // only fill the queue of a caller that asks on every tick.
    if (!IsQueued(rkClose)) {
        Put(rkClose, qoAlways);
    }
}

void TComPortQueueIDChanel::PulseLine(bool sendFF) {
    channels::PortRequest fields;
    fields.SendFF = sendFF;
    QueuePortRequest(rkPulseLine, fields);
}

bool TComPortQueueIDChanel::QueuePortRequest(std::int32_t kind, const channels::PortRequest& fields,
                                             std::uint32_t options) {
    channels::StorePortRequest(NextItem().Request, fields);
    return Put(kind, options);
}
