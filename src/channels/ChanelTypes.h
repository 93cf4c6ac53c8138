#pragma once

#include <cstdint>
#include <string>

// Connection state of a channel.
enum ChanelState : std::int32_t { csDisconnected = 0, csConnecting = 1, csConnected = 2 };

// What a queued request asks the worker to do.
enum RequestKind : std::int32_t {
    rkOpenByIndex = 0,
    rkOpen = 1,
    rkClose = 2,
    rkAttach = 3,
    rkTransfer = 4,
    rkTransferQuiet = 5,
    rkPulseLine = 6,
    rkMoxaOpen = 7,
    rkMoxaClose = 8,
    rkMoxaTransfer = 9,
    rkMoxaTransferQuiet = 10,
};
inline constexpr int RequestKindCount = 11;

// Admission options of a queued request (only the third byte is used).
enum QueueOption : std::uint32_t {
    qoAlways = 0x10000,
    qoExclusive = 0x20000,
    qoDropIfBusy = 0x40000,
};

// Size of the transmit and of the receive area of one request.
inline constexpr int ChanelDataSize = 512;

// One request as it travels to the worker and back. Requests that open a
// port lay their own fields over TxData (channels/PortRequest.h).
struct ChanelCommonStruct {
    std::int32_t Id = 0;        // the caller's id; the tasks use the step number
    std::uint16_t TxLength = 0; // request bytes in TxData
    std::uint16_t RxLength = 0; // reply bytes in RxData, set by the worker
    std::uint8_t TxData[ChanelDataSize] = {};
    std::uint8_t RxData[ChanelDataSize] = {};
};

// One slot of the request ring.
template <class Record>
struct QueueItem {
    std::int32_t Command = 0;  // RequestKind
    std::uint32_t Options = 0; // QueueOption bits
    Record Request{};
    std::string ErrorText; // set by the worker when the request fails
};
