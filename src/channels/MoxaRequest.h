#pragma once

#include "channels/ChanelTypes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace channels {

// The fields an adapter open request (rkMoxaOpen) carries in place of
// transmit data, laid over TxData.
struct MoxaRequest {
    static constexpr std::size_t MaxHostLength = 255;

    std::uint8_t PortNumber = 0;       // adapter port 1..16
    std::uint8_t Dtr = 0;              // raise DTR once open (else drop it)
    std::uint8_t Rts = 0;              // raise RTS once open (else drop it)
    std::uint8_t HostTooLong = 0;      // the host did not fit: the open must fail
    std::uint16_t DataPortBase = 0;    // TCP port of adapter port 1's data
    std::uint16_t CommandPortBase = 0; // TCP port of adapter port 1's commands
    std::uint32_t BaudRate = 0;
    std::uint32_t ReadTotalTimeout = 0;       // ms: every wait of both connections
    std::uint32_t ReadIntervalTimeout = 0;    // ms: gaps within a reply
    char AdapterHost[MaxHostLength + 1] = {}; // name or dotted address, zero-terminated

    // Stores the host; a longer one is not cut (that could name another
    // machine) but marked, so that the open fails.
    void SetAdapterHost(std::string_view host);
    std::string GetAdapterHost() const;
};
static_assert(sizeof(MoxaRequest) <= ChanelDataSize, "an adapter request fits the transmit area");

void StoreMoxaRequest(ChanelCommonStruct& request, const MoxaRequest& fields);
MoxaRequest LoadMoxaRequest(const ChanelCommonStruct& request);

} // namespace channels
