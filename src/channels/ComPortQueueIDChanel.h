#pragma once

#include "channels/PortRequest.h"
#include "channels/QueueIDThreadChanel.h"
#include "channels/comprt/ComPortList.h"

#include <cstdint>
#include <memory>
#include <string>

// The channel over a serial port. Open queues the opening and moves the
// channel to csConnecting; its completion brings csConnected or, with the
// reason on the console, csDisconnected. Frames then go with SendPacket and
// come back as OnRecvPacketEvent / OnLostPacketEvent; Disconnect queues the
// close, whose completion brings csDisconnected.
class TComPortQueueIDChanel : public TQueueIDThreadChanel {
public:
    explicit TComPortQueueIDChanel(platform::UiQueue& ui = platform::MainQueue());
    // Opens rkOpenByIndex entries from `ports`, which must outlive the channel.
    TComPortQueueIDChanel(platform::UiQueue& ui, const comprt::ComList& ports);
    ~TComPortQueueIDChanel() override;

    // Only in csDisconnected (else -2, nothing queued): queues the opening of
    // `portName` and returns 1. The tasks pass 19200, 1000, 20, DTR off,
    // RTS on, fixed time-outs off. Returns -1, with the reason on the
    // console, when the queue cannot take it.
    int Open(const std::string& portName, std::uint32_t baudRate, std::uint32_t readTotalTimeout,
             std::uint32_t readIntervalTimeout, bool dtr, bool rts, bool fixedTimeouts);
    // Queues the close, unless one is already queued.
    void Disconnect() override;
    // Queues a DTR/RTS pulse, with one 0xFF sent after it when sendFF is set.
    void PulseLine(bool sendFF) override;

protected:
    // For a channel that performs the serial kinds through actions of its
    // own (the modem channel wraps the serial ones).
    TComPortQueueIDChanel(platform::UiQueue& ui, std::unique_ptr<channels::RequestActions> actions);

    // Fills the slot at PutIndex with the fields and queues it as `kind`.
    bool QueuePortRequest(std::int32_t kind, const channels::PortRequest& fields,
                          std::uint32_t options = qoAlways);
};
