#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// A minimal master for the simulator's tests: opens a pseudo-terminal or a
// loopback socket, writes frames and reads what comes back the way the
// program's serial port does (a reply ends after a silence between bytes).

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

// A request frame with its CRC appended.
Bytes Frame(std::initializer_list<std::uint8_t> bytes);
Bytes WithCrc(Bytes bytes);

class TestClient {
public:
    TestClient() = default;
    ~TestClient();
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    // Raw pseudo-terminal or serial device; false when it cannot be opened.
    bool OpenTty(const std::string& path);
    // "127.0.0.1:port"
    bool OpenTcp(const std::string& endpoint);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    bool Write(const Bytes& data);
    bool Write(const std::string& text) { return Write(Bytes(text.begin(), text.end())); }
    // Reads until `interval` passes without a byte, or `total` has passed
    // without any; empty on time-out. Sets HungUp() when the line hangs up.
    Bytes Read(std::chrono::milliseconds total = std::chrono::milliseconds(3000),
               std::chrono::milliseconds interval = std::chrono::milliseconds(20));
    // Reads until `text` has arrived (or `total` passes); returns all read.
    std::string ReadUntil(const std::string& text,
                          std::chrono::milliseconds total = std::chrono::milliseconds(5000));
    Bytes Transact(const Bytes& request,
                   std::chrono::milliseconds total = std::chrono::milliseconds(3000)) {
        return Write(request) ? Read(total) : Bytes{};
    }
    bool HungUp() const { return hungUp_; }

private:
    int fd_ = -1;
    bool hungUp_ = false;
};

} // namespace simtest
