#pragma once

#include "channels/ChanelThread.h"
#include "channels/ModemDataLease.h"
#include "channels/SerialActions.h"
#include "platform/CancelToken.h"

#include <atomic>
#include <deque>
#include <mutex>

namespace channels {

// The modem channel's worker actions: the serial ones, over a connected
// call's line that the channel lends them. The line's data descriptor
// comes as a lease, offered before its rkAttach is queued and given back
// by the rkClose that follows, so the call's hang-up waits for it. A cut
// (the call is being hung up) ends every wait on the line at once, so a
// transfer never sits out its time-out on a line that is going away; a
// reply that is the modem's "NO CARRIER" ends the call as a line event.
class ModemActions final : public RequestActions {
public:
    ModemActions();
    ~ModemActions() override;

    bool Performs(std::int32_t kind) const override;
    void Perform(std::int32_t kind, ChanelCommonStruct& request, TChanelThread& worker) override;

    // User-interface thread: the lease of the next rkAttach (leases are
    // taken in the order they are offered).
    void Offer(DataLease lease);
    // User-interface thread: takes back the lease offered last, whose
    // rkAttach could not be queued.
    void Withdraw();
    // Any thread: the call is going away; waits on its line end now.
    void Cut();

private:
    struct Offered {
        DataLease Lease;
        unsigned CutsBefore;
    };

    void Attach(ChanelCommonStruct& request, TChanelThread& worker);
    void Transfer(std::int32_t kind, ChanelCommonStruct& request, TChanelThread& worker);
    void Close(ChanelCommonStruct& request, TChanelThread& worker);

    // Declared before the port that watches it, and the lease before the
    // port that uses it, so both outlive the port.
    platform::CancelToken LineCut;
    std::atomic<unsigned> Cuts{0};
    std::mutex Lock;
    std::deque<Offered> Offers;
    DataLease Current; // worker thread only
    SerialActions Serial;
};

} // namespace channels
