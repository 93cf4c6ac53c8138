#include "channels/MoxaActions.h"

#include "channels/ChanelTexts.h"

#include <cerrno>
#include <stdexcept>

namespace channels {

namespace {

// A failure cut short by the channel's shutdown says so; any other
// negative code raises its own text.
bool Cancelled(const TMoxaPort& port) {
    return port.LastSocketError() == ECANCELED;
}

int Check(const TMoxaPort& port, int code) {
    if (code < 0 && Cancelled(port))
        throw std::runtime_error(text::Cancelled);
    return MoxaCheck(code);
}

} // namespace

void MoxaOpenAction(TMoxaPort& port, const MoxaRequest& fields) {
    try {
        if (fields.HostTooLong)
            MoxaCheck(mrBadParameter);
        Check(port, port.Open(fields.GetAdapterHost(), fields.PortNumber,
                              static_cast<int>(fields.ReadTotalTimeout),
                              static_cast<int>(fields.ReadIntervalTimeout), fields.DataPortBase,
                              fields.CommandPortBase));
        Check(port, port.SetBaudRate(fields.BaudRate));
        Check(port, port.SetLines(fields.Dtr != 0, fields.Rts != 0));
    } catch (...) {
        port.Close();
        throw;
    }
}

void MoxaCloseAction(TMoxaPort& port) {
    port.Close();
}

void MoxaTransferAction(TMoxaPort& port, ChanelCommonStruct& request, const MoxaLampSignal& lamp) {
    request.RxLength = 0;
    if (lamp)
        lamp(LampTransmit);
    Check(port, port.Purge());
    const int length = request.TxLength <= ChanelDataSize ? request.TxLength : ChanelDataSize;
    Check(port, port.Write(request.TxData, length));
    const int got = port.Read(request.RxData, ChanelDataSize);
    if (got < 0)
        throw std::runtime_error(Cancelled(port) ? text::Cancelled : MoxaReadErrorText);
    if (got == 0)
        throw std::runtime_error(MoxaNoAnswerText);
    request.RxLength = static_cast<std::uint16_t>(got);
    if (lamp)
        lamp(LampReceive);
}

bool MoxaActions::Performs(std::int32_t kind) const {
    return kind >= rkMoxaOpen && kind <= rkMoxaTransferQuiet;
}

void MoxaActions::Perform(std::int32_t kind, ChanelCommonStruct& request, TChanelThread& worker) {
    switch (kind) {
    case rkMoxaOpen:
        MoxaOpenAction(AdapterPort, LoadMoxaRequest(request));
        break;
    case rkMoxaClose:
        MoxaCloseAction(AdapterPort);
        break;
    case rkMoxaTransfer:
    case rkMoxaTransferQuiet:
        MoxaTransferAction(AdapterPort, request,
                           [&worker](std::uintptr_t lamp) { worker.PostLamp(lamp); });
        break;
    default:
        break;
    }
}

} // namespace channels
