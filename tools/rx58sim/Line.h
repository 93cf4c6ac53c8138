#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The simulator's end of the line the client talks over: a pseudo-terminal,
// an existing serial device, or a loopback TCP socket. One peer at a time.
// Every wait also watches `stopFd` (readable = stop requested), so the
// simulator stops promptly whatever it is doing.

namespace sim {

enum class LineEvent { Timeout, Data, PeerGone, Stopped };

class Line {
public:
    virtual ~Line() = default;

    // Waits up to `timeout` for bytes from the peer.
    virtual LineEvent Wait(std::chrono::milliseconds timeout, int stopFd) = 0;
    // Reads what has arrived; 0 when nothing, -1 when the peer went away.
    virtual long Read(std::uint8_t* buffer, std::size_t size) = 0;
    // Writes every byte; false when the peer is gone, stopped or stuck.
    virtual bool Write(const std::uint8_t* data, std::size_t size, int stopFd) = 0;
    // Drops the peer as a hang-up would (carrier loss).
    virtual void HangUp() = 0;
    virtual bool HasPeer() const = 0;
    // What a client opens: the pseudo-terminal path (or its link), the
    // serial device, or "127.0.0.1:port".
    virtual std::string Endpoint() const = 0;
};

// Each throws std::runtime_error with the reason when the line cannot be made.
std::unique_ptr<Line> OpenPtyLine(const std::string& linkPath);
std::unique_ptr<Line> OpenSerialLine(const std::string& path, int baud);
// Port 0 picks a free one; Endpoint() tells which.
std::unique_ptr<Line> OpenTcpLine(int port);

// Sleeps for `duration` unless a stop is requested; false when stopped.
bool SleepUnlessStopped(int stopFd, std::chrono::nanoseconds duration);
// Waits until `fd` is ready for `events` or a stop is requested. Returns
// the fd's revents, 0 on time-out, -1 when stopped.
int WaitFd(int fd, short events, int stopFd, std::chrono::nanoseconds timeout);

} // namespace sim
