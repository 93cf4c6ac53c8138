#include "rx58sim/FdLine.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {

// A loopback TCP listener serving one connection at a time: the connected
// client is the peer, hang-up closes its connection.
class TcpLine final : public FdLine {
public:
    explicit TcpLine(int port) {
        socket_ = true;
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (listen_ < 0)
            throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
        const int yes = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        socklen_t length = sizeof address;
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listen_, 4) != 0 ||
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            const std::string reason =
                "TCP port " + std::to_string(port) + ": " + std::strerror(errno);
            ::close(listen_);
            throw std::runtime_error(reason);
        }
        port_ = ntohs(address.sin_port);
    }
    ~TcpLine() override { ::close(listen_); }

    LineEvent Wait(std::chrono::milliseconds timeout, int stopFd) override {
        if (fd_ < 0) {
            const int ready = WaitFd(listen_, POLLIN, stopFd, timeout);
            if (ready < 0)
                return LineEvent::Stopped;
            if (ready & POLLIN) {
                fd_ = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd_ >= 0) {
                    const int yes = 1;
                    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
                }
            }
            return LineEvent::Timeout;
        }
        const int ready = WaitFd(fd_, POLLIN, stopFd, timeout);
        if (ready < 0)
            return LineEvent::Stopped;
        if (ready & (POLLIN | POLLHUP | POLLERR))
            return LineEvent::Data; // a read of 0 then tells that the peer left
        return LineEvent::Timeout;
    }

    long Read(std::uint8_t* buffer, std::size_t size) override {
        const long n = FdLine::Read(buffer, size);
        if (n < 0)
            CloseFd();
        return n;
    }

    void HangUp() override { CloseFd(); }
    bool HasPeer() const override { return fd_ >= 0; }
    std::string Endpoint() const override { return "127.0.0.1:" + std::to_string(port_); }

private:
    int listen_ = -1;
    int port_ = 0;
};

} // namespace

std::unique_ptr<Line> OpenTcpLine(int port) {
    return std::make_unique<TcpLine>(port);
}

} // namespace sim
