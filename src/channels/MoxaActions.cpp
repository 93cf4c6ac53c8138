#include "channels/MoxaActions.h"

#include <stdexcept>

namespace channels {

void MoxaOpenAction(TMoxaPort& port, const MoxaOpenParams& params) {
    try {
        MoxaCheck(port.Open(params.AdapterHost, params.PortNumber, params.ReadTotalTimeout,
                            params.ReadIntervalTimeout, params.DataPortBase,
                            params.CommandPortBase));
        MoxaCheck(port.SetBaudRate(params.BaudRate));
        MoxaCheck(port.SetLines(params.Dtr != 0, params.Rts != 0));
    } catch (...) {
        port.Close();
        throw;
    }
}

void MoxaCloseAction(TMoxaPort& port) {
    port.Close();
}

std::uint16_t MoxaTransferAction(TMoxaPort& port, const std::uint8_t* tx, std::uint16_t txLength,
                                 std::uint8_t* rx, std::uint16_t rxCapacity,
                                 const MoxaLampSignal& lamp) {
    if (lamp)
        lamp(MoxaLamp::Transmit);
    MoxaCheck(port.Purge());
    MoxaCheck(port.Write(tx, txLength));
    const int got = port.Read(rx, rxCapacity);
    if (got < 0)
        throw std::runtime_error(MoxaReadErrorText);
    if (got == 0)
        throw std::runtime_error(MoxaNoAnswerText);
    if (lamp)
        lamp(MoxaLamp::Receive);
    return static_cast<std::uint16_t>(got);
}

} // namespace channels
