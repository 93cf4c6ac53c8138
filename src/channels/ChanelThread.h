#pragma once

#include "channels/ChanelTypes.h"
#include "channels/QueueThread.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class TChanelThread;

namespace channels {

// wParam of a WmUser + 1 message: which activity lamp to light.
inline constexpr std::uintptr_t LampReceive = 0;
inline constexpr std::uintptr_t LampTransmit = 1;

// The actions of one port object: the worker hands every request of a kind
// the set performs to it. The serial port's set performs the serial kinds;
// another port object (a network adapter, say) joins the worker with a set
// of its own, so the worker's dispatch needs no change for it.
class RequestActions {
public:
    virtual ~RequestActions() = default;
    virtual bool Performs(std::int32_t kind) const = 0;
    // On the worker thread. A failure is an exception carrying its text.
    virtual void Perform(std::int32_t kind, ChanelCommonStruct& request, TChanelThread& worker) = 0;
};

} // namespace channels

// The worker of a threaded channel: performs the queued requests through the
// port objects (action sets) it owns, which it destroys after the thread
// has ended.
class TChanelThread final : public QueueThread<ChanelCommonStruct> {
public:
    TChanelThread() = default;
    ~TChanelThread() override;

    // Adds a port object's actions; the worker owns them from now on. Safe at
    // any time on the user-interface thread; later sets do not take over the
    // kinds of earlier ones.
    void Join(std::unique_ptr<channels::RequestActions> actions);

    // Worker thread: a pause that ends early when the worker is stopped;
    // returns false then.
    bool Pause(std::chrono::milliseconds duration) const;
    // Worker thread: lights an activity lamp (LampReceive, LampTransmit).
    void PostLamp(std::uintptr_t lamp) const;

protected:
    // Hands the request to the first action set that performs its kind; a
    // kind that none performs fails with a text that names it.
    void ExecuteRequest(std::int32_t kind, ChanelCommonStruct& request) override;

private:
    channels::RequestActions* Find(std::int32_t kind) const;

    mutable std::mutex ActionsLock;
    std::vector<std::unique_ptr<channels::RequestActions>> Actions;
};
