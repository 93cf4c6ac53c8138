#pragma once

#include "channels/ComPortQueueIDChanel.h"
#include "channels/Ttapi.h"

#include <cstdint>
#include <memory>
#include <string>

namespace channels {
class ModemActions;
}

// The channel over a dial-up data call: Dial places the call through the
// telephony service, the call's states arrive on the user-interface thread
// (OnTapiState), and once the call is up the worker adopts its line
// (rkAttach) and frames travel as over a serial port. The call ends by
// Disconnect, by a line event (carrier lost, the line hung up) or by the
// far end; every way ends in csDisconnected.
class TTapiQueueIDChanel : public TComPortQueueIDChanel {
public:
    explicit TTapiQueueIDChanel(platform::UiQueue& ui = platform::MainQueue(),
                                TTapiVault& vault = TapiVault());
    ~TTapiQueueIDChanel() override;

    // Dials `phoneNumber` on the modem line named `modemName`; the adopted
    // line reads with the two time-outs (the tasks pass 3000 and 50 ms).
    // Returns 1 when dialling has begun (csConnecting), -1 when it could not
    // begin (the reason on the console and in LastDialError; no state event
    // follows), -3 when a call was being set up or was up: that call is
    // cancelled ("Отмена звонка", csDisconnected) and nothing is dialled.
    int Dial(const std::string& modemName, const std::string& phoneNumber,
             std::uint32_t attachReadTotal, std::uint32_t attachReadInterval);
    // Why the last Dial returned -1; empty after one that began.
    const std::string& LastDialError() const { return DialFailure; }

    // Ends the call: the running transfer ends at once, the line is closed
    // and handed back, the call is hung up ("Вызов завершен").
    void Disconnect() override;
    // The carrier went or the line hung up: the call is over.
    void OnLineEvent() override;
    // The connection's state: 0 the call ended, 1 dialling, 2 connected.
    void OnTapiState(int state);

    TTapiConnection* GetConnection() const { return Connection.get(); }

private:
    TTapiQueueIDChanel(platform::UiQueue& ui, TTapiVault& vault,
                       std::unique_ptr<channels::ModemActions> actions);
    // The worker owns the actions; the channel keeps a pointer to them.
    TTapiQueueIDChanel(platform::UiQueue& ui, TTapiVault& vault, channels::ModemActions* modem,
                       std::unique_ptr<channels::ModemActions>&& actions);

    // Cuts the line and queues its close unless one is queued; a full
    // queue is told to the console.
    void CloseLine();
    void DropConnection();

    TTapiVault& Vault;
    channels::ModemActions* Modem; // owned by the worker
    std::unique_ptr<TTapiConnection> Connection;
    std::uint32_t AttachReadTotal = 0;
    std::uint32_t AttachReadInterval = 0;
    std::string DialFailure;
};
