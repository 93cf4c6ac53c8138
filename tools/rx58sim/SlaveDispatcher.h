#pragma once

#include "rx58sim/DeviceModel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The Modbus RTU slave: checks a request frame, asks the device and builds
// the reply, or an exception reply where a real device gives one. Frames
// with a bad CRC, too short to be a request, or for another address are
// ignored, as a slave on a shared line ignores them.

namespace sim {

// The largest reply the device sends; an archive page fills at most this.
inline constexpr int MaxReplyBytes = 512;

struct SlaveOutcome {
    bool Answered = false;
    std::vector<std::uint8_t> Reply;
    // One line for the exchange log ("0x04 30001x62 -> 124 bytes").
    std::string Summary;
};

class SlaveDispatcher {
public:
    SlaveDispatcher(DeviceModel& device, std::uint8_t address)
        : device_(device), address_(address) {}

    std::uint8_t Address() const { return address_; }
    SlaveOutcome Handle(const std::uint8_t* frame, std::size_t size);

private:
    SlaveOutcome Identification(std::size_t size);
    SlaveOutcome ReadRegisters(const std::uint8_t* frame, std::size_t size);
    SlaveOutcome WriteRegisters(const std::uint8_t* frame, std::size_t size);
    SlaveOutcome ArchivePage(const std::uint8_t* frame, std::size_t size);
    SlaveOutcome Exception(std::uint8_t function, std::uint8_t code, std::string summary);
    SlaveOutcome Finish(std::vector<std::uint8_t> reply, std::string summary);

    DeviceModel& device_;
    std::uint8_t address_;
};

// An exception reply: address, function | 0x80, code, CRC.
std::vector<std::uint8_t> ExceptionReply(std::uint8_t address, std::uint8_t function,
                                         std::uint8_t code);

} // namespace sim
