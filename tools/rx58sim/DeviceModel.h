#pragma once

#include <cstdint>
#include <vector>

// What the slave dispatcher asks of the device behind it. Every call returns
// 0 on success or the Modbus exception code to answer with. Addresses are
// wire addresses (register number mod 10000 - 1).

namespace sim {

// Exception codes the device answers with.
enum ExceptionCode : std::uint8_t {
    ecNone = 0,
    ecIllegalFunction = 1,
    ecIllegalAddress = 2,
    ecIllegalValue = 3,
    ecAccessDenied = 7,
};

// Payload of an archive-page request (function 0x41).
struct PageRequest {
    std::uint8_t Type = 0;
    std::uint8_t Marker = 1;
    std::uint16_t First = 0;
    std::uint8_t Wanted = 0;
};

// Records of one page in the order they are sent, and the index of the
// record to ask for next.
struct Page {
    std::uint8_t Type = 0;
    std::uint16_t Next = 0;
    int Records = 0;
    std::vector<std::uint8_t> Bytes;
};

inline constexpr int IdentificationBytes = 8; // "RX58" and four identification bytes

class DeviceModel {
public:
    virtual ~DeviceModel() = default;

    virtual void Identification(std::uint8_t out[IdentificationBytes]) = 0;
    // `out` has room for 2 * count bytes, filled in device byte order.
    virtual std::uint8_t ReadRegisters(bool input, std::uint16_t address, std::uint16_t count,
                                       std::uint8_t* out) = 0;
    virtual std::uint8_t WriteRegisters(std::uint16_t address, std::uint16_t count,
                                        const std::uint8_t* data) = 0;
    // At most `maxRecordBytes` bytes of records go into the page.
    virtual std::uint8_t ReadPage(const PageRequest& request, int maxRecordBytes, Page& page) = 0;
};

} // namespace sim
