#include "rx58sim/SlaveDispatcher.h"

#include "protocol/Crc16.h"
#include "protocol/Modbus.h"

#include <cstdio>

namespace sim {

namespace {

std::uint16_t BigEndian(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

std::string Format(const char* format, auto... args) {
    char text[160];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

} // namespace

std::vector<std::uint8_t> ExceptionReply(std::uint8_t address, std::uint8_t function,
                                         std::uint8_t code) {
    std::vector<std::uint8_t> reply{address, static_cast<std::uint8_t>(function | 0x80), code, 0,
                                    0};
    Crc16Append(reply.data(), 3);
    return reply;
}

SlaveOutcome SlaveDispatcher::Handle(const std::uint8_t* frame, std::size_t size) {
    if (size < 4)
        return {false, {}, Format("ignored: %zu-byte fragment", size)};
    if (!Crc16Matches(frame, size))
        return {false, {}, Format("ignored: bad CRC in %zu bytes", size)};
    if (frame[0] != address_)
        return {false, {}, Format("ignored: frame for address %u", frame[0])};
    switch (frame[1]) {
    case mfReportSlaveId:
        return Identification(size);
    case mfReadHolding:
    case mfReadInput:
        return ReadRegisters(frame, size);
    case mfWriteMultiple:
        return WriteRegisters(frame, size);
    case mfReadArchivePage:
        return ArchivePage(frame, size);
    default:
        return Exception(frame[1], ecIllegalFunction, Format("0x%02X", frame[1]));
    }
}

SlaveOutcome SlaveDispatcher::Finish(std::vector<std::uint8_t> reply, std::string summary) {
    reply.resize(reply.size() + 2);
    Crc16Append(reply.data(), reply.size() - 2);
    return {true, std::move(reply), std::move(summary)};
}

SlaveOutcome SlaveDispatcher::Exception(std::uint8_t function, std::uint8_t code,
                                        std::string summary) {
    return {true, ExceptionReply(address_, function, code),
            Format("%s -> exception %u", summary.c_str(), code)};
}

SlaveOutcome SlaveDispatcher::Identification(std::size_t size) {
    if (size != 4)
        return Exception(mfReportSlaveId, ecIllegalValue, "0x11");
    std::vector<std::uint8_t> reply{address_, mfReportSlaveId, IdentificationBytes};
    reply.resize(3 + IdentificationBytes);
    device_.Identification(reply.data() + 3);
    const std::string summary = Format("0x11 identification -> version %u", reply[9]);
    return Finish(std::move(reply), summary);
}

SlaveOutcome SlaveDispatcher::ReadRegisters(const std::uint8_t* frame, std::size_t size) {
    const std::uint8_t function = frame[1];
    const bool input = function == mfReadInput;
    const std::uint16_t address = BigEndian(frame + 2);
    const std::uint16_t count = BigEndian(frame + 4);
    const std::string what =
        Format("0x%02X %u x%u", function, (input ? 30001u : 40001u) + address, count);
    if (size != 8 || count == 0 || count > 125)
        return Exception(function, ecIllegalValue, what);
    std::vector<std::uint8_t> reply{address_, function, static_cast<std::uint8_t>(2 * count)};
    reply.resize(3 + 2u * count);
    const std::uint8_t code = device_.ReadRegisters(input, address, count, reply.data() + 3);
    if (code != ecNone)
        return Exception(function, code, what);
    return Finish(std::move(reply), Format("%s -> %u bytes", what.c_str(), 2u * count));
}

SlaveOutcome SlaveDispatcher::WriteRegisters(const std::uint8_t* frame, std::size_t size) {
    const std::uint16_t address = size >= 6 ? BigEndian(frame + 2) : 0;
    const std::uint16_t count = size >= 6 ? BigEndian(frame + 4) : 0;
    const std::string what = Format("0x10 %u x%u", 40001u + address, count);
    if (size < 9 || count == 0 || count > ModbusMaxWriteRegisters || frame[6] != 2 * count ||
        size != 9u + frame[6])
        return Exception(mfWriteMultiple, ecIllegalValue, what);
    const std::uint8_t code = device_.WriteRegisters(address, count, frame + 7);
    if (code != ecNone)
        return Exception(mfWriteMultiple, code, what);
    return Finish({address_, mfWriteMultiple, frame[2], frame[3], frame[4], frame[5]},
                  what + " -> written");
}

SlaveOutcome SlaveDispatcher::ArchivePage(const std::uint8_t* frame, std::size_t size) {
    if (size != 4u + ArchivePagePayloadLength)
        return Exception(mfReadArchivePage, ecIllegalValue, "0x41");
    PageRequest request;
    request.Type = frame[2];
    request.Marker = frame[3];
    request.First = static_cast<std::uint16_t>(frame[4] | frame[5] << 8);
    request.Wanted = frame[6];
    const std::string what =
        Format("0x41 type %u from %u x%u", request.Type, request.First, request.Wanted);
    // Header (address, function, type, marker, next, count) and CRC.
    constexpr int overhead = 7 + 2;
    Page page;
    const std::uint8_t code = device_.ReadPage(request, MaxReplyBytes - overhead, page);
    if (code != ecNone)
        return Exception(mfReadArchivePage, code, what);
    std::vector<std::uint8_t> reply{address_,
                                    mfReadArchivePage,
                                    page.Type,
                                    1,
                                    static_cast<std::uint8_t>(page.Next & 0xFF),
                                    static_cast<std::uint8_t>(page.Next >> 8),
                                    static_cast<std::uint8_t>(page.Records)};
    reply.insert(reply.end(), page.Bytes.begin(), page.Bytes.end());
    return Finish(std::move(reply),
                  Format("%s -> %d records, next %u", what.c_str(), page.Records, page.Next));
}

} // namespace sim
