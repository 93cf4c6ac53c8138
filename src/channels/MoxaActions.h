#pragma once

#include "channels/ChanelThread.h"
#include "channels/MoxaRequest.h"
#include "channels/Moxaport.h"
#include "channels/SocketLibrary.h"

#include <cstdint>
#include <functional>

// What the channel worker does for the adapter's request kinds. Each
// action runs on the worker thread and reports a failure by throwing a
// std::runtime_error with the text the channel passes on.

namespace channels {

inline constexpr const char* MoxaReadErrorText = "Ошибка при чтении";
inline constexpr const char* MoxaNoAnswerText = "Нет ответа";

// Lights an activity lamp (LampReceive, LampTransmit).
using MoxaLampSignal = std::function<void(std::uintptr_t lamp)>;

// Opens the adapter port, sets its speed and lines. On failure the port is
// left closed, so no half-set connection outlives the failed open.
void MoxaOpenAction(TMoxaPort& port, const MoxaRequest& fields);
void MoxaCloseAction(TMoxaPort& port);
// Writes TxData and reads one reply of at most 512 bytes into RxData,
// setting RxLength. Bytes left over from an earlier reply are dropped
// first, as the serial channel purges its port.
void MoxaTransferAction(TMoxaPort& port, ChanelCommonStruct& request, const MoxaLampSignal& lamp);

// The worker's actions on the channel's adapter port: rkMoxaOpen,
// rkMoxaClose, rkMoxaTransfer and rkMoxaTransferQuiet. Owns the port, which
// it closes when destroyed, and keeps the socket library started meanwhile.
class MoxaActions final : public RequestActions {
public:
    // Waits on the port end early when `cancel` is cancelled.
    explicit MoxaActions(const platform::CancelToken* cancel = nullptr) : AdapterPort(cancel) {}

    bool Performs(std::int32_t kind) const override;
    void Perform(std::int32_t kind, ChanelCommonStruct& request, TChanelThread& worker) override;

    TMoxaPort& Port() { return AdapterPort; }

private:
    SocketLibraryScope Library; // made before the port, gone after it
    TMoxaPort AdapterPort;
};

} // namespace channels
