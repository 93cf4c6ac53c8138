#include "channels/MoxaQueueIDChanel.h"

#include "channels/MoxaActions.h"

#include <exception>
#include <memory>

TMoxaQueueIDChanel::TMoxaQueueIDChanel(platform::UiQueue& ui) : TQueueIDThreadChanel(ui) {
    JoinActions(std::make_unique<channels::MoxaActions>(&Worker().Cancellation()));
}

TMoxaQueueIDChanel::~TMoxaQueueIDChanel() {
    Shutdown();
}

int TMoxaQueueIDChanel::Open(const channels::MoxaRequest& fields) {
    if (GetState() != csDisconnected) {
        return -2;
    }
    try {
        channels::StoreMoxaRequest(NextItem().Request, fields);
        Put(rkMoxaOpen, qoAlways);
    } catch (const std::exception& failure) {
        Console(failure.what());
        return -1;
    }
    SetChanelState(csConnecting);
    return 1;
}

void TMoxaQueueIDChanel::Disconnect() {
    // A close already on its way brings the state down; more of them would
    // only fill the queue of a caller that asks on every tick.
    if (!IsQueued(rkMoxaClose)) {
        Put(rkMoxaClose, qoAlways);
    }
}

std::int32_t TMoxaQueueIDChanel::TransferKind(bool quiet) const {
    return quiet ? rkMoxaTransferQuiet : rkMoxaTransfer;
}
