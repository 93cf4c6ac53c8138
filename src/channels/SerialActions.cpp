#include "channels/SerialActions.h"

#include "channels/ChanelTexts.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace channels {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds PulseHigh{800};
constexpr milliseconds PulseLow{100};
constexpr milliseconds PulseAfterByte{600};

} // namespace

SerialActions::SerialActions(const platform::CancelToken& cancel, const comprt::ComList& ports)
    : Ports(ports), SerialPort(&cancel) {}

bool SerialActions::Performs(std::int32_t kind) const {
    return kind >= rkOpenByIndex && kind <= rkPulseLine;
}

void SerialActions::Perform(std::int32_t kind, ChanelCommonStruct& request, TChanelThread& worker) {
    switch (kind) {
    case rkOpenByIndex:
        OpenByIndex(request, worker);
        break;
    case rkOpen:
        OpenByName(request, worker);
        break;
    case rkClose:
        SerialPort.Close();
        break;
    case rkAttach:
        Attach(request, worker);
        break;
    case rkTransfer:
    case rkTransferQuiet:
        Transfer(request, worker);
        break;
    case rkPulseLine:
        PulseLine(request, worker);
        break;
    default:
        break;
    }
}

void SerialActions::OpenByName(ChanelCommonStruct& request, TChanelThread& worker) {
    const PortRequest fields = LoadPortRequest(request);
    if (fields.NameTooLong) {
        throw std::runtime_error(std::string(text::PortNotOpen) + ": слишком длинное имя порта");
    }
    SerialPort.Open(fields.GetPortName(), fields.BaudRate, fields.ReadTotalTimeout);
    SetUpOpened(fields, worker);
}

void SerialActions::OpenByIndex(ChanelCommonStruct& request, TChanelThread& worker) {
    const PortRequest fields = LoadPortRequest(request);
    if (fields.PortNumber == 0) {
        SerialPort.Close();
        throw std::runtime_error(text::PortNotOpen);
    }
    if (fields.PortNumber > Ports.Count()) {
        throw std::runtime_error(std::string(text::PortNotOpen) + ": в списке нет порта номер " +
                                 std::to_string(fields.PortNumber));
    }
    SerialPort.Open(Ports.Names()[fields.PortNumber - 1], fields.BaudRate, 0, comprt::lcDisable);
    SetUpOpened(fields, worker);
}

void SerialActions::SetUpOpened(const PortRequest& fields, TChanelThread& worker) {
    if (fields.FixedTimeouts) {
        SetReadTimeouts(FixedReadTotalTimeout, FixedReadIntervalTimeout);
        return;
    }
    SetReadTimeouts(fields.ReadTotalTimeout, fields.ReadIntervalTimeout);
    if (fields.Dtr) {
        SerialPort.SetDtr();
    } else {
        SerialPort.ClrDtr();
    }
    if (fields.Rts) {
        SerialPort.SetRts();
    } else {
        SerialPort.ClrRts();
    }
    worker.Pause(PauseAfterOpen);
}

void SerialActions::Attach(ChanelCommonStruct& request, TChanelThread& worker) {
    const PortRequest fields = LoadPortRequest(request);
    SerialPort.Attach(fields.CommHandle);
    SetReadTimeouts(fields.ReadTotalTimeout, fields.ReadIntervalTimeout);
    SerialPort.WatchEvents(comprt::EV_RLSD, worker.Notify(), platform::WmUser + 2);
    worker.Pause(PauseAfterOpen);
}

void SerialActions::SetReadTimeouts(std::uint32_t total, std::uint32_t interval) {
    comprt::CommTimeouts timeouts = SerialPort.GetTimeouts();
    timeouts.ReadTotalTimeoutConstant = total;
    timeouts.ReadIntervalTimeout = interval;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    SerialPort.SetTimeouts(timeouts);
}

void SerialActions::Transfer(ChanelCommonStruct& request, TChanelThread& worker) {
    request.RxLength = 0;
    SerialPort.Purge();
    worker.PostLamp(LampTransmit);
    const std::size_t length = std::min<std::size_t>(request.TxLength, ChanelDataSize);
    SerialPort.Write(request.TxData, length);
    // One millisecond per byte sent lets the frame leave a half-duplex line.
    worker.Pause(milliseconds(length));
    const std::size_t got = SerialPort.Read(request.RxData, ChanelDataSize);
    if (got == 0) {
        throw std::runtime_error(text::DeviceSilent);
    }
    request.RxLength = static_cast<std::uint16_t>(got);
    worker.PostLamp(LampReceive);
    worker.Pause(PauseAfterReply);
}

void SerialActions::PulseLine(ChanelCommonStruct& request, TChanelThread& worker) {
    const PortRequest fields = LoadPortRequest(request);
    SerialPort.SetDtr();
    SerialPort.SetRts();
    worker.Pause(PulseHigh);
    SerialPort.ClrRts();
    worker.Pause(PulseLow);
    if (fields.SendFF) {
        const std::uint8_t ff = 0xFF;
        SerialPort.Write(&ff, 1);
    }
    worker.Pause(PulseAfterByte);
}

} // namespace channels
