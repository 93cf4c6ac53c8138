#include "network/LoopbackServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nettest {

Bytes MakeBytes(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

Bytes TextBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes Concat(const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

std::uint16_t BoundPort(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

} // namespace

int Peer::WaitReadable(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int result = poll(fds, 2, MillisecondsLeft(deadline));
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0 || (fds[1].revents & POLLIN))
            return -1;
        return result == 0 ? 0 : 1;
    }
}

bool Peer::Read(std::size_t count, Bytes& out, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    out.clear();
    while (out.size() < count) {
        if (WaitReadable(MillisecondsLeft(deadline)) != 1)
            return false;
        std::uint8_t buffer[4096];
        const std::size_t want = std::min(sizeof buffer, count - out.size());
        const ssize_t got = recv(fd_, buffer, want, 0);
        if (got <= 0)
            return false;
        out.insert(out.end(), buffer, buffer + got);
    }
    return true;
}

Bytes Peer::ReadSome(int waitMs) {
    Bytes out;
    if (WaitReadable(waitMs) == 1) {
        std::uint8_t buffer[4096];
        const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
        if (got > 0)
            out.assign(buffer, buffer + got);
    }
    return out;
}

Bytes Peer::ReadUntilClosed(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Bytes out;
    while (WaitReadable(MillisecondsLeft(deadline)) == 1) {
        std::uint8_t buffer[4096];
        const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        out.insert(out.end(), buffer, buffer + got);
    }
    return out;
}

bool Peer::Send(const Bytes& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void Peer::WaitForStop(int timeoutMs) {
    pollfd p{stopFd_, POLLIN, 0};
    poll(&p, 1, timeoutMs);
}

LoopbackServer::LoopbackServer(Session session, int receiveBuffer) : session_(std::move(session)) {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    if (listenFd_ < 0 || stopFd_ < 0)
        throw std::runtime_error("test server: no socket");
    if (receiveBuffer > 0) // inherited by the accepted sockets
        setsockopt(listenFd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    const sockaddr_in address = Loopback(0);
    if (bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd_, 8) != 0)
        throw std::runtime_error("test server: cannot listen");
    port_ = BoundPort(listenFd_);
    thread_ = std::thread([this] { Run(); });
}

void LoopbackServer::Stop() {
    if (!thread_.joinable())
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(stopFd_, &one, sizeof one);
    thread_.join();
    close(listenFd_);
    close(stopFd_);
}

void LoopbackServer::Run() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents & POLLIN)
            return;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        accepted_.fetch_add(1);
        Peer peer(fd, stopFd_);
        session_(peer);
        close(fd);
    }
}

ClosedPort::ClosedPort() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    const sockaddr_in address = Loopback(0);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("test: cannot hold a port");
    port_ = BoundPort(fd_);
}

ClosedPort::~ClosedPort() {
    close(fd_);
}

} // namespace nettest
