#pragma once

#include "channels/ChanelTypes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace channels {

// The fields an open, attach or line-pulse request carries in place of
// transmit data, laid over TxData.
struct PortRequest {
    static constexpr std::size_t MaxNameLength = 243;

    std::uint8_t PortNumber = 0;    // rkOpenByIndex: entry of the port list from 1; 0 closes
    std::uint8_t SendFF = 0;        // rkPulseLine: send one 0xFF after the pulse
    std::uint8_t Dtr = 0;           // raise DTR after opening (else drop it)
    std::uint8_t Rts = 0;           // raise RTS after opening (else drop it)
    std::uint8_t FixedTimeouts = 0; // use 6000/100 ms and leave DTR/RTS alone
    std::uint8_t NameTooLong = 0;   // the name did not fit: the open must fail
    std::int32_t CommHandle = -1;   // rkAttach: the descriptor to adopt
    std::uint32_t BaudRate = 0;
    std::uint32_t ReadTotalTimeout = 0;    // ms
    std::uint32_t ReadIntervalTimeout = 0; // ms
    char PortName[MaxNameLength + 1] = {}; // rkOpen: zero-terminated

    // Stores the name; a name longer than 243 bytes is not cut (that could
    // name another device) but marked, so that the open fails.
    void SetPortName(std::string_view name);
    std::string GetPortName() const;
};
static_assert(sizeof(PortRequest) <= ChanelDataSize, "a port request fits the transmit area");

void StorePortRequest(ChanelCommonStruct& request, const PortRequest& fields);
PortRequest LoadPortRequest(const ChanelCommonStruct& request);

} // namespace channels
