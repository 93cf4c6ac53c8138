#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// A TCP server on 127.0.0.1 (any free port) for the network tests. It takes
// connections one after another and runs the session on each; every wait
// inside a session is bounded and ends early when the server stops.

namespace nettest {

using Bytes = std::vector<std::uint8_t>;
Bytes MakeBytes(std::initializer_list<int> values);
Bytes TextBytes(const std::string& text);
Bytes Concat(const Bytes& a, const Bytes& b);

// Long enough for any wait that normally takes milliseconds.
inline constexpr int LongWaitMs = 10000;

class Peer {
public:
    Peer(int fd, int stopFd) : fd_(fd), stopFd_(stopFd) {}

    // Exactly `count` bytes into `out`; false on close, stop or time-out.
    bool Read(std::size_t count, Bytes& out, int timeoutMs = LongWaitMs);
    // What arrives within `waitMs` (at least one piece if any comes).
    Bytes ReadSome(int waitMs);
    // Everything until the client closes, the server stops or time-out.
    Bytes ReadUntilClosed(int timeoutMs = LongWaitMs);
    bool Send(const Bytes& data);
    // Holds the connection silent until the server stops (bounded).
    void WaitForStop(int timeoutMs = LongWaitMs);
    int Handle() const { return fd_; }

private:
    // 1 readable, 0 time-out, -1 server stopping or failure.
    int WaitReadable(int timeoutMs);

    int fd_;
    int stopFd_;
};

class LoopbackServer {
public:
    using Session = std::function<void(Peer&)>;

    // `receiveBuffer` > 0 shrinks the accepted sockets' receive buffers.
    explicit LoopbackServer(Session session, int receiveBuffer = 0);
    ~LoopbackServer() { Stop(); }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t Port() const { return port_; }
    // Ends the current session's waits and joins the thread; idempotent.
    // What the sessions recorded may be read after it.
    void Stop();
    int Accepted() const { return accepted_.load(); }

private:
    void Run();

    Session session_;
    int listenFd_ = -1;
    int stopFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens: held bound (not listening)
// while the object lives, so no other socket can take it and a connection
// to it is refused.
class ClosedPort {
public:
    ClosedPort();
    ~ClosedPort();
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;
    std::uint16_t Port() const { return port_; }

private:
    int fd_;
    std::uint16_t port_;
};

} // namespace nettest
