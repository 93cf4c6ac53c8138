#pragma once

#include "channels/Moxaport.h"

#include <cstdint>
#include <functional>
#include <string>

// What the channel worker does for the adapter's request kinds. Each
// action runs on the worker thread and reports a failure by throwing a
// std::runtime_error with the text the channel passes on.

namespace channels {

struct MoxaOpenParams {
    std::uint8_t PortNumber = 0;
    std::string AdapterHost;
    int ReadTotalTimeout = 0;
    int ReadIntervalTimeout = 0;
    std::uint16_t DataPortBase = 0;
    std::uint16_t CommandPortBase = 0;
    std::uint32_t BaudRate = 0;
    std::uint8_t Dtr = 0;
    std::uint8_t Rts = 0;
};

// Which activity lamp a transfer lights: the channel's own numbering.
enum class MoxaLamp { Receive = 0, Transmit = 1 };
using MoxaLampSignal = std::function<void(MoxaLamp)>;

// Opens the adapter port, sets its speed and lines. On failure the port is
// left closed, so no half-set connection outlives the failed open.
void MoxaOpenAction(TMoxaPort& port, const MoxaOpenParams& params);
void MoxaCloseAction(TMoxaPort& port);
// Writes the request and reads one reply into `rx` (at most `rxCapacity`
// bytes); returns the reply's length. Bytes left over from an earlier
// reply are dropped first, as the serial channel purges its port.
std::uint16_t MoxaTransferAction(TMoxaPort& port, const std::uint8_t* tx, std::uint16_t txLength,
                                 std::uint8_t* rx, std::uint16_t rxCapacity,
                                 const MoxaLampSignal& lamp);

inline constexpr const char* MoxaReadErrorText = "Ошибка при чтении";
inline constexpr const char* MoxaNoAnswerText = "Нет ответа";

} // namespace channels
