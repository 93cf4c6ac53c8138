#include "channels/SocketCore.h"

#include "channels/SocketOptions.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

using channels::SocketEvent;
using channels::SocketNotifier;
using Clock = std::chrono::steady_clock;

namespace {

// Dotted address text (the forms inet_aton takes, 255.255.255.255 included).
bool ParseDotted(const std::string& text, in_addr& address) {
    return !text.empty() && inet_aton(text.c_str(), &address) != 0;
}

// A dotted address, else the first IPv4 address the name resolves to.
bool ResolveHost(const std::string& host, in_addr& address) {
    if (ParseDotted(host, address))
        return true;
    if (host.empty())
        return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return false;
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

sockaddr_in MakeAddress(in_addr host, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr = host;
    address.sin_port = htons(port);
    return address;
}

// Waits for `events` on `fd` until `deadline`, or until `cancelFd` (when
// not -1) becomes readable. 1 ready, 0 timed out, -1 on a poll failure
// (errno set) or cancellation (errno ECANCELED).
int WaitReady(int fd, short events, Clock::time_point deadline, int cancelFd) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        const int ms = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        pollfd p[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
        const int result = poll(p, cancelFd >= 0 ? 2 : 1, ms);
        if (result > 0 && (p[1].revents & POLLIN)) {
            errno = ECANCELED;
            return -1;
        }
        if (result > 0)
            return 1;
        if (result == 0)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}

Clock::time_point After(int ms) {
    return Clock::now() + std::chrono::milliseconds(ms);
}

} // namespace

// ---------------------------------------------------------------------------
// TAsyncSocket

TAsyncSocket::TAsyncSocket(platform::UiQueue* ui) : ui_(ui) {}

TAsyncSocket::~TAsyncSocket() {
    Close();
}

bool TAsyncSocket::Fail(int error) {
    SetLastError(error);
    return false;
}

int TAsyncSocket::FailCount(int error) {
    SetLastError(error);
    return -1;
}

bool TAsyncSocket::RequireSocket() {
    return fd_ >= 0 || Fail(ENOTSOCK);
}

bool TAsyncSocket::Create(std::uint16_t localPort, const std::string& localAddress, int type,
                          int protocol) {
    if (fd_ >= 0)
        return Fail(EISCONN);
    in_addr local{};
    local.s_addr = htonl(INADDR_ANY);
    if (!localAddress.empty() && !ParseDotted(localAddress, local))
        return Fail(EINVAL);
    const int fd = socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    if (fd < 0)
        return Fail(errno);
    if (type == SOCK_STREAM) {
        // Requests and replies are small frames: send each at once.
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    const sockaddr_in address = MakeAddress(local, localPort);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        close(fd);
        return Fail(error);
    }
    try {
        Attach(fd, type,
               type == SOCK_STREAM ? SocketNotifier::Mode::Idle : SocketNotifier::Mode::Connected);
    } catch (const std::system_error& e) {
        close(fd);
        return Fail(e.code().value());
    }
    return true;
}

void TAsyncSocket::Attach(int fd, int type, SocketNotifier::Mode mode) {
    if (ui_) {
        auto window = std::make_unique<platform::Mailbox>(
            *ui_, [this](const platform::Message& message) { OnMessage(message); });
        notifier_ = std::make_unique<SocketNotifier>(fd, mode, window->Address());
        window_ = std::move(window);
    }
    fd_ = fd;
    type_ = type;
}

void TAsyncSocket::OnMessage(const platform::Message& message) {
    if (message.Code == channels::SocketMessage &&
        message.WParam <= static_cast<std::uintptr_t>(SocketEvent::Write))
        Dispatch(static_cast<SocketEvent>(message.WParam), static_cast<int>(message.LParam));
}

void TAsyncSocket::Dispatch(SocketEvent event, int error) {
    // In the order of SocketEvent.
    static constexpr EventHandler TAsyncSocket::*handlers[] = {
        &TAsyncSocket::OnAccept,    &TAsyncSocket::OnClose, &TAsyncSocket::OnConnect,
        &TAsyncSocket::OnOutOfBand, &TAsyncSocket::OnRead,  &TAsyncSocket::OnWrite};
    const EventHandler& handler = this->*handlers[static_cast<int>(event)];
    if (handler) {
        // A copy, so that a handler may replace itself or close the socket.
        const EventHandler call = handler;
        call(*this, error);
    }
}

void TAsyncSocket::Rearm(SocketEvent event) {
    if (notifier_)
        notifier_->Rearm(event);
}

TAsyncSocket::ConnectStart TAsyncSocket::StartConnect(const std::string& host, std::uint16_t port) {
    if (!RequireSocket())
        return ConnectStart::Failed;
    in_addr remote{};
    if (!ResolveHost(host, remote)) {
        Fail(EINVAL);
        return ConnectStart::Failed;
    }
    const sockaddr_in address = MakeAddress(remote, port);
    const bool done =
        connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (!done && errno != EINPROGRESS) {
        Fail(errno);
        return ConnectStart::Failed;
    }
    // Only now: an unconnected stream socket polls as writable and hung up,
    // which would pass for a finished connection.
    if (notifier_ && type_ == SOCK_STREAM)
        notifier_->SetMode(SocketNotifier::Mode::Connecting);
    return done ? ConnectStart::Done : ConnectStart::Pending;
}

bool TAsyncSocket::Connect(const std::string& host, std::uint16_t port) {
    return StartConnect(host, port) != ConnectStart::Failed;
}

bool TAsyncSocket::Listen(int backlog) {
    if (!RequireSocket())
        return false;
    if (listen(fd_, backlog) != 0)
        return Fail(errno);
    if (notifier_)
        notifier_->SetMode(SocketNotifier::Mode::Listening);
    return true;
}

bool TAsyncSocket::Accept(TAsyncSocket& into) {
    if (!RequireSocket())
        return false;
    if (into.IsCreated())
        return Fail(EISCONN);
    const int fd = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    const int error = errno;
    Rearm(SocketEvent::Accept);
    if (fd < 0)
        return Fail(error);
    try {
        into.Attach(fd, type_, SocketNotifier::Mode::Connected);
    } catch (const std::system_error& e) {
        close(fd);
        return Fail(e.code().value());
    }
    return true;
}

int TAsyncSocket::Send(const void* data, int length) {
    if (!RequireSocket())
        return -1;
    if (length < 0 || (data == nullptr && length > 0))
        return FailCount(EINVAL);
    const ssize_t sent = send(fd_, data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
    if (sent >= 0)
        return static_cast<int>(sent);
    const int error = errno;
    if (error == EAGAIN || error == EWOULDBLOCK)
        Rearm(SocketEvent::Write);
    return FailCount(error);
}

int TAsyncSocket::Receive(void* buffer, int size) {
    if (!RequireSocket())
        return -1;
    if (size < 0 || (buffer == nullptr && size > 0))
        return FailCount(EINVAL);
    const ssize_t got = recv(fd_, buffer, static_cast<std::size_t>(size), 0);
    const int error = errno;
    Rearm(SocketEvent::Read);
    if (got >= 0)
        return static_cast<int>(got);
    return FailCount(error);
}

void TAsyncSocket::Close() {
    notifier_.reset(); // the watcher must be gone before the descriptor is
    window_.reset();   // events already posted are dropped
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

std::uint16_t TAsyncSocket::LocalPort() const {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (fd_ < 0 || getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return 0;
    return ntohs(address.sin_port);
}

// ---------------------------------------------------------------------------
// TSyncSocket

// Marks a blocking wait for its lifetime; a second one meanwhile is refused.
class TSyncSocket::WaitGuard {
public:
    explicit WaitGuard(TSyncSocket& socket)
        : socket_(socket), owned_(!socket.inWait_.exchange(true)) {}
    ~WaitGuard() {
        if (owned_)
            socket_.inWait_.store(false);
    }
    WaitGuard(const WaitGuard&) = delete;
    WaitGuard& operator=(const WaitGuard&) = delete;
    // False (with EINPROGRESS kept) when another wait is under way.
    bool Acquired() {
        if (!owned_)
            socket_.SetLastError(EINPROGRESS);
        return owned_;
    }

private:
    TSyncSocket& socket_;
    bool owned_;
};

TSyncSocket::TSyncSocket(int timeout, int chunkTimeout, const platform::CancelToken* cancel,
                         platform::UiQueue* ui)
    : TAsyncSocket(ui), cancel_(cancel), timeout_(timeout < 0 ? 0 : timeout),
      chunkTimeout_(chunkTimeout < 0 ? 0 : chunkTimeout) {}

int TSyncSocket::WaitFor(short events, Clock::time_point deadline) {
    const int ready = WaitReady(Handle(), events, deadline, cancel_ ? cancel_->Fd() : -1);
    if (ready < 0)
        SetLastError(errno);
    return ready;
}

bool TSyncSocket::Connect(const std::string& host, std::uint16_t port) {
    WaitGuard guard(*this);
    if (!guard.Acquired())
        return false;
    const ConnectStart start = StartConnect(host, port);
    if (start == ConnectStart::Failed)
        return false;
    if (start == ConnectStart::Pending) {
        const int ready = WaitFor(POLLOUT, After(timeout_));
        if (ready == 0)
            return Fail(ETIMEDOUT);
        if (ready < 0)
            return false;
    }
    const int error = channels::ConnectResult(Handle());
    return error == 0 || Fail(error);
}

int TSyncSocket::Send(const void* data, int length) {
    WaitGuard guard(*this);
    if (!guard.Acquired() || !RequireSocket())
        return -1;
    if (length < 0 || (data == nullptr && length > 0))
        return FailCount(EINVAL);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    int total = 0;
    while (total < length) {
        // The whole wait for room is bounded: a peer that never reads ends
        // the send after Timeout instead of holding the worker forever.
        const int ready = WaitFor(POLLOUT, After(timeout_));
        if (ready == 0)
            return FailCount(ETIMEDOUT);
        if (ready < 0)
            return -1;
        const ssize_t sent =
            send(Handle(), bytes + total, static_cast<std::size_t>(length - total), MSG_NOSIGNAL);
        if (sent > 0) {
            total += static_cast<int>(sent);
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;
        const int error = sent < 0 ? errno : EPIPE;
        if (error == EPIPE || error == ECONNRESET)
            closeError_.store(error);
        return FailCount(error);
    }
    return total;
}

int TSyncSocket::Receive(void* buffer, int size) {
    WaitGuard guard(*this);
    if (!guard.Acquired() || !RequireSocket())
        return -1;
    if (size < 0 || (buffer == nullptr && size > 0))
        return FailCount(EINVAL);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    int total = 0;
    auto deadline = After(timeout_);
    while (total < size) {
        const int ready = WaitFor(POLLIN, deadline);
        if (ready <= 0) {
            if (total > 0)
                break; // the silence after a piece ends the reply
            return ready == 0 ? FailCount(ETIMEDOUT) : -1;
        }
        const ssize_t got =
            recv(Handle(), bytes + total, static_cast<std::size_t>(size - total), 0);
        const int error = errno;
        Rearm(SocketEvent::Read);
        if (got > 0) {
            total += static_cast<int>(got);
            if (chunkTimeout_ == 0)
                break;
            deadline = After(chunkTimeout_);
            continue;
        }
        if (got < 0 && (error == EAGAIN || error == EWOULDBLOCK || error == EINTR))
            continue; // same deadline: a false wake-up cannot stretch the wait
        closeError_.store(got == 0 ? 0 : error);
        if (total > 0)
            break;
        return FailCount(got == 0 ? ENOTCONN : error);
    }
    return total;
}
