#include "TestClient.h"

#include "protocol/Crc16.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {

Bytes WithCrc(Bytes bytes) {
    const std::size_t n = bytes.size();
    bytes.resize(n + 2);
    Crc16Append(bytes.data(), n);
    return bytes;
}

Bytes Frame(std::initializer_list<std::uint8_t> bytes) {
    return WithCrc(Bytes(bytes));
}

TestClient::~TestClient() {
    Close();
}

void TestClient::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool TestClient::OpenTty(const std::string& path) {
    Close();
    hungUp_ = false;
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0)
        return false;
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
    return true;
}

bool TestClient::OpenTcp(const std::string& endpoint) {
    Close();
    hungUp_ = false;
    const auto colon = endpoint.rfind(':');
    if (colon == std::string::npos)
        return false;
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(endpoint.substr(colon + 1))));
    ::inet_pton(AF_INET, endpoint.substr(0, colon).c_str(), &address.sin_addr);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        Close();
        return false;
    }
    ::fcntl(fd_, F_SETFL, O_NONBLOCK);
    return true;
}

bool TestClient::Write(const Bytes& data) {
    std::size_t done = 0;
    for (int attempts = 0; done < data.size() && attempts < 1000; ++attempts) {
        const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        else
            ::usleep(1000);
    }
    return done == data.size();
}

Bytes TestClient::Read(std::chrono::milliseconds total, std::chrono::milliseconds interval) {
    Bytes out;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        int wait = static_cast<int>(interval.count());
        if (out.empty()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(start + total - now);
            if (left.count() <= 0)
                return out;
            wait = static_cast<int>(left.count());
        }
        pollfd p{fd_, POLLIN, 0};
        const int rc = ::poll(&p, 1, wait);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0)
            return out;
        std::uint8_t buffer[600];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            out.insert(out.end(), buffer, buffer + n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            hungUp_ = true;
            return out;
        }
    }
}

std::string TestClient::ReadUntil(const std::string& text, std::chrono::milliseconds total) {
    std::string all;
    const auto end = std::chrono::steady_clock::now() + total;
    while (all.find(text) == std::string::npos && !hungUp_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        const Bytes got = Read(left, std::chrono::milliseconds(5));
        all.append(got.begin(), got.end());
        if (got.empty() && !hungUp_)
            break;
    }
    return all;
}

} // namespace simtest
