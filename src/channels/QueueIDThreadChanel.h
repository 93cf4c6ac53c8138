#pragma once

#include "channels/ChanelObject.h"
#include "channels/ChanelThread.h"
#include "platform/Mailbox.h"

#include <cstdint>
#include <memory>

// A channel whose requests are performed by a worker thread of its own: the
// request queue, the worker and the mailbox that brings the worker's
// messages back to the user-interface thread as events.
//
// Destruction first calls Disconnect (if the channel is not disconnected)
// with every event emptied, closes the mailbox, and then waits until the
// worker has performed every request still queued; waits inside those
// requests are cut short. A derived channel that overrides Disconnect calls
// Shutdown() first in its own destructor, so that its override is the one
// called.
class TQueueIDThreadChanel : public TQueueIDChanel {
public:
    explicit TQueueIDThreadChanel(platform::UiQueue& ui = platform::MainQueue());
    ~TQueueIDThreadChanel() override;

    // Does nothing here: a concrete channel queues its close.
    void Disconnect() override;
    // Queues a transfer of at most 512 bytes when connected. With more than
    // 4 requests pending the transfer is dropped quietly (and true returned):
    // the caller's time-out covers it. False when not connected or the
    // frame does not fit.
    bool SendPacket(const std::uint8_t* data, int length, std::int32_t id, bool quiet) override;
    int GetQueueCount() const override;
    // A line event from the port's watcher (WmUser + 2).
    virtual void OnLineEvent();
    // The kind SendPacket queues a transfer as: rkTransfer or rkTransferQuiet
    // here; a channel whose port object has transfer kinds of its own names
    // them.
    virtual std::int32_t TransferKind(bool quiet) const;

protected:
    using Item = QueueItem<ChanelCommonStruct>;

    // The slot the next Put offers; fill its Request, then Put.
    Item& NextItem() { return Thread.NextItem(); }
    // Offers the slot at PutIndex to the worker (see QueueThread::Put).
    bool Put(std::int32_t command, std::uint32_t options) { return Thread.Put(command, options); }
    // Whether a request of the kind is queued and its completion not handled.
    bool IsQueued(std::int32_t kind) const { return Thread.IsQueued(kind); }
    // Adds a port object's actions to the worker.
    void JoinActions(std::unique_ptr<channels::RequestActions> actions);
    TChanelThread& Worker() { return Thread; }

    // The destruction sequence; runs once.
    void Shutdown();

private:
    void OnMessage(const platform::Message& message);
    void OnCompletion(bool success);

    TChanelThread Thread;
    platform::Mailbox Window;
    // Expires when the channel is destroyed, so that a completion whose
    // handler deleted the channel touches nothing afterwards.
    std::shared_ptr<char> Life = std::make_shared<char>();
    bool ShutDown = false;
};
