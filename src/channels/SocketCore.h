#pragma once

#include "channels/SocketNotifier.h"
#include "platform/CancelToken.h"
#include "platform/Mailbox.h"
#include "platform/UiQueue.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/socket.h>

// IPv4 sockets over POSIX. Failures are reported by the result and by
// LastError(), an errno value; nothing here throws.

// A non-blocking TCP or UDP socket. Given a user-interface queue, its network
// events arrive there as SocketMessage in a mailbox of the socket's own and
// go to the six handlers; without one the socket raises no events (the
// synchronous socket on a worker thread). Made, used and destroyed on one
// thread: the user-interface thread when events are wanted.
class TAsyncSocket {
public:
    // Receives the socket and the event's error code (0 when none).
    using EventHandler = std::function<void(TAsyncSocket&, int error)>;

    explicit TAsyncSocket(platform::UiQueue* ui = nullptr);
    virtual ~TAsyncSocket();
    TAsyncSocket(const TAsyncSocket&) = delete;
    TAsyncSocket& operator=(const TAsyncSocket&) = delete;

    // Makes the socket, non-blocking, bound to `localAddress` (dotted; an
    // empty text means any address) and `localPort` (0: any), and starts
    // its event notification. Fails if a socket exists already (EISCONN)
    // or the address is not a dotted IPv4 address (EINVAL).
    bool Create(std::uint16_t localPort = 0, const std::string& localAddress = {},
                int type = SOCK_STREAM, int protocol = 0);
    // Starts a connection to `host` (dotted address or a name to resolve;
    // EINVAL when it resolves to nothing). True when it completed or is
    // under way; the Connect event tells how it ended.
    virtual bool Connect(const std::string& host, std::uint16_t port);
    bool Listen(int backlog = SOMAXCONN);
    // Takes the next waiting connection into `into`, which must have no
    // socket; `into` raises its own events through its own queue.
    bool Accept(TAsyncSocket& into);
    // One attempt each: the count moved, 0 from Receive when the peer has
    // closed, or -1 (EAGAIN when the socket is full or empty).
    virtual int Send(const void* data, int length);
    virtual int Receive(void* buffer, int size);
    // Stops the notifications and closes the socket; events already
    // posted are dropped. Safe to call again.
    void Close();

    bool IsCreated() const { return fd_ >= 0; }
    int Handle() const { return fd_; }
    // Local port after Create (0 when there is no socket).
    std::uint16_t LocalPort() const;
    int LastError() const { return lastError_.load(); }

    EventHandler OnAccept;
    EventHandler OnClose;
    EventHandler OnConnect;
    EventHandler OnOutOfBand;
    EventHandler OnRead;
    EventHandler OnWrite;

protected:
    // Result of starting a connection.
    enum class ConnectStart { Failed, Done, Pending };
    ConnectStart StartConnect(const std::string& host, std::uint16_t port);
    // Keep the error and return the failure result: false, or -1.
    bool Fail(int error);
    int FailCount(int error);
    void SetLastError(int error) { lastError_.store(error); }
    void Rearm(channels::SocketEvent event);
    bool RequireSocket();

private:
    void Attach(int fd, int type, channels::SocketNotifier::Mode mode);
    void OnMessage(const platform::Message& message);
    void Dispatch(channels::SocketEvent event, int error);

    int fd_ = -1;
    int type_ = 0;
    std::atomic<int> lastError_{0};
    platform::UiQueue* ui_;
    std::unique_ptr<platform::Mailbox> window_;
    std::unique_ptr<channels::SocketNotifier> notifier_;
};

// A socket whose Connect, Send and Receive wait, with poll, for at most
// `Timeout` ms (connection, writability, first bytes of a reply) and
// `ChunkTimeout` ms for each further piece of a reply (0: the reply ends
// with its first piece). A wait also ends, with ECANCELED, when the cancel
// token it was given is cancelled.
class TSyncSocket : public TAsyncSocket {
public:
    TSyncSocket(int timeout, int chunkTimeout, const platform::CancelToken* cancel = nullptr,
                platform::UiQueue* ui = nullptr);

    // Waits up to Timeout for the connection; ETIMEDOUT when it does not
    // come, the connection's own error (ECONNREFUSED ...) when it fails.
    bool Connect(const std::string& host, std::uint16_t port) override;
    // Sends all `length` bytes, waiting up to Timeout for room before each
    // piece. Returns `length`, or -1 when the socket fails or stays full
    // for Timeout (ETIMEDOUT); a partial send is a failure too.
    int Send(const void* data, int length) override;
    // Collects up to `size` bytes (see the class comment). Returns the
    // count, or -1 when nothing arrived: ETIMEDOUT when nothing came in
    // Timeout, ENOTCONN when the peer closed first, or the socket's error.
    int Receive(void* buffer, int size) override;
    // One attempt without waiting, as TAsyncSocket::Receive does: for
    // dropping what is already waiting without waiting for a reply.
    virtual int ReceiveNow(void* buffer, int size) { return TAsyncSocket::Receive(buffer, size); }

    int Timeout() const { return timeout_; }
    int ChunkTimeout() const { return chunkTimeout_; }
    void SetTimeout(int ms) { timeout_ = ms < 0 ? 0 : ms; }
    void SetChunkTimeout(int ms) { chunkTimeout_ = ms < 0 ? 0 : ms; }
    // How the connection was last seen to close: -1 not seen, 0 closed by
    // the peer in order, otherwise the errno it broke with.
    int CloseError() const { return closeError_.load(); }
    // True while Connect, Send or Receive waits; a second call meanwhile
    // fails at once with EINPROGRESS.
    bool InBlockingWait() const { return inWait_.load(); }

private:
    class WaitGuard;
    // 1 ready, 0 timed out, -1 failed or cancelled (error kept).
    int WaitFor(short events, std::chrono::steady_clock::time_point deadline);

    const platform::CancelToken* cancel_;
    int timeout_;
    int chunkTimeout_;
    std::atomic<bool> inWait_{false};
    std::atomic<int> closeError_{-1};
};
