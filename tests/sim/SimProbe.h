#pragma once

#include "TestClient.h"

#include <cstdint>
#include <optional>
#include <vector>

// Requests built with the project's own frame builders, and their replies
// checked and unpacked, for the tests that talk to a whole simulator.

namespace simtest {

struct Answer {
    Bytes Frame;        // the whole reply, empty on time-out
    int Exception = -1; // the exception code of an exception reply
    bool CrcOk = false;
    Bytes Data() const; // a register reply's data bytes (after the byte count)
};

class SimProbe {
public:
    SimProbe(TestClient& client, std::uint8_t address) : client_(client), address_(address) {}

    Answer Ident();
    Answer Read(std::uint16_t reg, std::uint16_t count);
    Answer Write(std::uint16_t reg, const Bytes& deviceOrderData);
    Answer Page(std::uint8_t type, std::uint16_t first, std::uint32_t wanted);
    // Walks a ring as the read task does: from `start`, `total` records,
    // following each page's next index. Records newest first; nullopt when a
    // page is missing or malformed.
    std::optional<std::vector<Bytes>> WalkRing(std::uint8_t type, std::uint16_t start, int total,
                                               int recordSize);

private:
    Answer Exchange(const std::uint8_t* frame, int length);

    TestClient& client_;
    std::uint8_t address_;
};

// Big-endian 16-bit value of a register image at register index i.
std::uint16_t RegisterAt(const Bytes& image, int i);
Bytes Registers(std::initializer_list<std::uint16_t> values);

} // namespace simtest
