#include "channels/TapiQueueIDChanel.h"

#include "channels/AtDialString.h"
#include "channels/ChanelTexts.h"
#include "channels/ModemActions.h"
#include "channels/TtapiTexts.h"

#include <exception>

TTapiQueueIDChanel::TTapiQueueIDChanel(platform::UiQueue& ui, TTapiVault& vault)
    : TTapiQueueIDChanel(ui, vault, std::make_unique<channels::ModemActions>()) {}

TTapiQueueIDChanel::TTapiQueueIDChanel(platform::UiQueue& ui, TTapiVault& vault,
                                       std::unique_ptr<channels::ModemActions> actions)
    : TTapiQueueIDChanel(ui, vault, actions.get(), std::move(actions)) {}

TTapiQueueIDChanel::TTapiQueueIDChanel(platform::UiQueue& ui, TTapiVault& vault,
                                       channels::ModemActions* modem,
                                       std::unique_ptr<channels::ModemActions>&& actions)
    : TComPortQueueIDChanel(ui, std::move(actions)), Vault(vault), Modem(modem) {}

TTapiQueueIDChanel::~TTapiQueueIDChanel() {
    // The worker's waits on the line end at once, so the close that the
    // destruction queues is performed without delay.
    Modem->Cut();
    Shutdown();
    DropConnection();
}

int TTapiQueueIDChanel::Dial(const std::string& modemName, const std::string& phoneNumber,
                             std::uint32_t attachReadTotal, std::uint32_t attachReadInterval) {
    DialFailure.clear();
    if (Connection) {
        if (Connection->IsLineOpen()) {
            CloseLine();
            DropConnection();
            SetChanelState(csDisconnected);
            Console(channels::text::CallCancelled);
            return -3;
        }
        DropConnection(); // a call that has ended: nothing to cancel
    }
    AttachReadTotal = attachReadTotal;
    AttachReadInterval = attachReadInterval;

    std::string failure;
    if (Vault.IsEmpty()) {
        failure = channels::text::TapiNotReady;
    } else if (modemName.empty()) {
        failure = channels::text::NoModem;
    } else if (phoneNumber.empty()) {
        failure = channels::text::NoPhoneNumber;
    } else if (const auto dial = channels::TranslateAddress(phoneNumber); !dial.Ok) {
        failure = dial.Error; // refused before any line is opened for it
    } else {
        Connection = std::make_unique<TTapiConnection>(Vault.Get());
        Connection->OnConsole = [this](const std::string& text) { Console(text); };
        Connection->OnState = [this](int state) { OnTapiState(state); };
        if (!Connection->OpenLine(Vault.Get()->FindDevice(modemName))) {
            failure = channels::text::LineOpenFailed;
        } else if (!Connection->MakeCall(phoneNumber)) {
            failure = Connection->LastError();
        } else {
            SetChanelState(csConnecting);
            return 1;
        }
    }
    DialFailure = failure;
    Console(failure);
    Disconnect();
    return -1;
}

void TTapiQueueIDChanel::Disconnect() {
    CloseLine();
    if (Connection) {
        DropConnection();
        SetChanelState(csDisconnected);
        Console(channels::text::CallEnded);
    }
}

void TTapiQueueIDChanel::OnLineEvent() {
    Disconnect();
}

void TTapiQueueIDChanel::OnTapiState(int state) {
    switch (state) {
    case 0:
        CloseLine();
        break;
    case 1:
        SetChanelState(csConnecting);
        break;
    case 2: {
        channels::DataLease lease =
            Connection ? Connection->TakeDataHandle() : channels::DataLease();
        channels::PortRequest fields;
        fields.CommHandle = lease.Fd();
        fields.ReadTotalTimeout = AttachReadTotal;
        fields.ReadIntervalTimeout = AttachReadInterval;
        Modem->Offer(std::move(lease));
        try {
            QueuePortRequest(rkAttach, fields);
        } catch (const std::exception& failure) {
            Modem->Withdraw();
            Console(failure.what());
        }
        break;
    }
    default:
        break;
    }
}

void TTapiQueueIDChanel::CloseLine() {
    Modem->Cut();
    try {
        TComPortQueueIDChanel::Disconnect();
    } catch (const std::exception& failure) {
        Console(failure.what());
    }
}

void TTapiQueueIDChanel::DropConnection() {
    if (Connection) {
        Connection->OnConsole = nullptr;
        Connection->OnState = nullptr;
        Connection.reset(); // hangs up
    }
}
