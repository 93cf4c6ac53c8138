#pragma once

#include "rx58sim/Line.h"

// Shared reading and writing of a line that is one non-blocking descriptor.

namespace sim {

class FdLine : public Line {
public:
    ~FdLine() override;
    long Read(std::uint8_t* buffer, std::size_t size) override;
    bool Write(const std::uint8_t* data, std::size_t size, int stopFd) override;

protected:
    // How long a write may wait for a peer that does not read.
    static constexpr std::chrono::seconds WriteStall{2};

    void CloseFd();
    int fd_ = -1;
    // A socket is written with send(), so a vanished peer is an error
    // rather than a SIGPIPE that would end the process the simulator runs in.
    bool socket_ = false;
};

} // namespace sim
