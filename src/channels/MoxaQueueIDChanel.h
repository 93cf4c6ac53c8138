#pragma once

#include "channels/MoxaRequest.h"
#include "channels/QueueIDThreadChanel.h"

// The channel over a port of a network serial adapter. Open queues the
// opening (rkMoxaOpen) and moves the channel to csConnecting; its
// completion brings csConnected or, with the reason on the console,
// csDisconnected. Frames then go with SendPacket as rkMoxaTransfer and come
// back as OnRecvPacketEvent / OnLostPacketEvent; Disconnect queues
// rkMoxaClose, whose completion brings csDisconnected.
class TMoxaQueueIDChanel : public TQueueIDThreadChanel {
public:
    explicit TMoxaQueueIDChanel(platform::UiQueue& ui = platform::MainQueue());
    ~TMoxaQueueIDChanel() override;

    // Only in csDisconnected (else -2, nothing queued): queues the opening
    // and returns 1. Returns -1, with the reason on the console, when the
    // queue cannot take it.
    int Open(const channels::MoxaRequest& fields);
    // Queues the close, unless one is already queued.
    void Disconnect() override;
    std::int32_t TransferKind(bool quiet) const override;
};
