#pragma once

#include "channels/ChanelThread.h"
#include "channels/PortRequest.h"
#include "channels/comprt/ComPort.h"

#include <chrono>

namespace channels {

// Pauses that pace a half-duplex line.
inline constexpr std::chrono::milliseconds PauseAfterOpen{300};
inline constexpr std::chrono::milliseconds PauseAfterReply{20};
// Fixed time-outs of an open with FixedTimeouts set.
inline constexpr std::uint32_t FixedReadTotalTimeout = 6000;
inline constexpr std::uint32_t FixedReadIntervalTimeout = 100;

// The worker's actions on the channel's serial port: rkOpenByIndex,
// rkOpen, rkClose, rkAttach, rkTransfer, rkTransferQuiet and rkPulseLine.
// Owns the port, which it closes when destroyed.
class SerialActions final : public RequestActions {
public:
    SerialActions(const platform::CancelToken& cancel, const comprt::ComList& ports);

    bool Performs(std::int32_t kind) const override;
    void Perform(std::int32_t kind, ChanelCommonStruct& request, TChanelThread& worker) override;

    comprt::ComPort& Port() { return SerialPort; }

private:
    void OpenByIndex(ChanelCommonStruct& request, TChanelThread& worker);
    void OpenByName(ChanelCommonStruct& request, TChanelThread& worker);
    // Time-outs, DTR/RTS and the pause that follow the opening itself.
    void SetUpOpened(const PortRequest& fields, TChanelThread& worker);
    void Attach(ChanelCommonStruct& request, TChanelThread& worker);
    void Transfer(ChanelCommonStruct& request, TChanelThread& worker);
    void PulseLine(ChanelCommonStruct& request, TChanelThread& worker);
    void SetReadTimeouts(std::uint32_t total, std::uint32_t interval);

    const comprt::ComList& Ports;
    comprt::ComPort SerialPort;
};

} // namespace channels
