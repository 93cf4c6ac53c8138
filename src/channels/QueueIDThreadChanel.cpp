#include "channels/QueueIDThreadChanel.h"

#include <cstring>

namespace {

// How the completion of each request kind reaches the owner.
enum class Completion { Open, Close, Transfer, QuietTransfer, Nothing };

constexpr Completion CompletionOf[RequestKindCount] = {
    Completion::Open,          // rkOpenByIndex
    Completion::Open,          // rkOpen
    Completion::Close,         // rkClose
    Completion::Open,          // rkAttach
    Completion::Transfer,      // rkTransfer
    Completion::QuietTransfer, // rkTransferQuiet
    Completion::Nothing,       // rkPulseLine
    Completion::Open,          // rkMoxaOpen
    Completion::Close,         // rkMoxaClose
    Completion::Transfer,      // rkMoxaTransfer
    Completion::QuietTransfer, // rkMoxaTransferQuiet
};

// Transfers offered while more requests than this are pending are dropped.
constexpr int BusyThreshold = 4;

} // namespace

TQueueIDThreadChanel::TQueueIDThreadChanel(platform::UiQueue& ui)
    : TQueueIDChanel(ui), Window(ui, [this](const platform::Message& m) { OnMessage(m); }) {
    Thread.Start(Window.Address());
}

TQueueIDThreadChanel::~TQueueIDThreadChanel() {
    Shutdown();
}

void TQueueIDThreadChanel::Shutdown() {
    if (ShutDown) {
        return;
    }
    ShutDown = true;
    RxControl = nullptr;
    TxControl = nullptr;
    OnChanelStateEvent = nullptr;
    ConsoleFunction = nullptr;
    if (GetState() != csDisconnected) {
        try {
            Disconnect();
        } catch (...) {
            // A full queue cannot take the close; the port objects close
            // their ports when they are destroyed.
        }
    }
    Window.Close();
    StopLampTimer();
    Thread.Stop();
}

void TQueueIDThreadChanel::Disconnect() {}

bool TQueueIDThreadChanel::SendPacket(const std::uint8_t* data, int length, std::int32_t id,
                                      bool quiet) {
    if (GetState() != csConnected || length < 0 || length > ChanelDataSize ||
        (length > 0 && !data)) {
        return false;
    }
    Item& item = NextItem();
    if (length > 0) {
        std::memcpy(item.Request.TxData, data, static_cast<std::size_t>(length));
    }
    item.Request.TxLength = static_cast<std::uint16_t>(length);
    item.Request.Id = id;
    Put(TransferKind(quiet), GetQueueCount() > BusyThreshold ? qoDropIfBusy : qoAlways);
    return true;
}

int TQueueIDThreadChanel::GetQueueCount() const {
    return Thread.Pending();
}

void TQueueIDThreadChanel::OnLineEvent() {}

std::int32_t TQueueIDThreadChanel::TransferKind(bool quiet) const {
    return quiet ? rkTransferQuiet : rkTransfer;
}

void TQueueIDThreadChanel::JoinActions(std::unique_ptr<channels::RequestActions> actions) {
    Thread.Join(std::move(actions));
}

void TQueueIDThreadChanel::OnMessage(const platform::Message& message) {
    switch (message.Code) {
    case platform::WmUser:
        OnCompletion(message.WParam == 1);
        break;
    case platform::WmUser + 1:
        if (message.WParam == channels::LampReceive || message.WParam == channels::LampTransmit) {
            FlashLamps(message.WParam == channels::LampReceive,
                       message.WParam == channels::LampTransmit);
        }
        break;
    case platform::WmUser + 2:
        OnLineEvent();
        break;
    default:
        break;
    }
}

void TQueueIDThreadChanel::OnCompletion(bool success) {
    const std::weak_ptr<char> alive = Life;
    Item& item = Thread.DoneItem();
    if (item.Command >= 0 && item.Command < RequestKindCount) {
        switch (CompletionOf[item.Command]) {
        case Completion::Open:
            if (!success) {
                Console(item.ErrorText);
            }
            if (alive.expired()) {
                return;
            }
            SetChanelState(success ? csConnected : csDisconnected);
            break;
        case Completion::Close:
            if (!success) {
                Console(item.ErrorText);
            }
            if (alive.expired()) {
                return;
            }
            SetChanelState(csDisconnected);
            break;
        case Completion::Transfer:
        case Completion::QuietTransfer:
            if (success) {
                OnRecvPacketEvent(item.Request.RxData, item.Request.RxLength, item.Request.Id);
                break;
            }
            if (CompletionOf[item.Command] == Completion::Transfer) {
                Console(item.ErrorText);
            }
            if (alive.expired()) {
                return;
            }
            OnLostPacketEvent(item.Request.Id);
            break;
        case Completion::Nothing:
            break;
        }
    }
    if (!alive.expired()) {
        Thread.CompleteDone();
    }
}
