#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace channels::testing {

using Bytes = std::vector<std::uint8_t>;

// One piece of a reply: written after the delay.
struct ReplyPiece {
    std::chrono::milliseconds Delay{0};
    Bytes Data;
};

// A device on the master side of a pseudo-terminal. It collects each
// request frame (bytes until a short silence), remembers it, and answers
// with what the responder returns for it: nothing (a silent device), or
// pieces written with pauses between them. The slave side's path is what a
// channel opens. The device keeps a slave descriptor of its own open, so
// that the master never sees a hang-up while no channel has the port open.
class FakeDevice {
public:
    using Responder = std::function<std::vector<ReplyPiece>(const Bytes& request)>;

    // Echoes every request at once.
    FakeDevice();
    explicit FakeDevice(Responder responder);
    ~FakeDevice();
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    const std::string& SlavePath() const { return Slave; }

    std::vector<Bytes> Requests() const;
    // Waits (bounded) until at least `count` requests have come.
    bool WaitForRequests(std::size_t count) const;
    // Waits (bounded) until every reply piece decided so far has been written.
    bool WaitForRepliesWritten() const;

    // The device disappears: the master side is closed, as when a USB
    // adapter is pulled. With `onNextRequest`, that happens when the next
    // request has arrived, instead of answering it.
    void Vanish(bool onNextRequest = false);
    // Waits (bounded) until the device has gone.
    bool WaitUntilGone() const;

    // Descriptors of this process that refer to the slave side, the device's
    // own included.
    int SlaveDescriptorCount() const;

private:
    void Serve();
    void CloseMaster();

    Responder Respond;
    int Master = -1;
    int HeldSlave = -1;
    int StopFd = -1;
    std::string Slave;
    mutable std::mutex Mutex;
    mutable std::condition_variable Changed;
    std::vector<Bytes> Seen;
    std::size_t PiecesPending = 0;
    bool VanishOnRequest = false;
    bool Gone = false;
    bool MasterClosed = false; // written under Mutex, except at destruction
    std::thread Server;
};

} // namespace channels::testing
