#include "SimProbe.h"

#include "protocol/Crc16.h"
#include "protocol/Modbus.h"

namespace simtest {

Bytes Answer::Data() const {
    if (Frame.size() < 5 || Exception >= 0)
        return {};
    return Bytes(Frame.begin() + 3, Frame.end() - 2);
}

Answer SimProbe::Exchange(const std::uint8_t* frame, int length) {
    Answer answer;
    answer.Frame = client_.Transact(Bytes(frame, frame + length));
    answer.CrcOk =
        answer.Frame.size() >= 4 && Crc16Matches(answer.Frame.data(), answer.Frame.size());
    if (answer.CrcOk && answer.Frame.size() == 5 && (answer.Frame[1] & 0x80))
        answer.Exception = answer.Frame[2];
    return answer;
}

Answer SimProbe::Ident() {
    std::uint8_t frame[265];
    int length = sizeof frame;
    ModbusReportSlaveId(frame, length, address_);
    return Exchange(frame, length);
}

Answer SimProbe::Read(std::uint16_t reg, std::uint16_t count) {
    std::uint8_t frame[265];
    int length = sizeof frame;
    ModbusReadRegisters(frame, length, address_, reg, count);
    return Exchange(frame, length);
}

Answer SimProbe::Write(std::uint16_t reg, const Bytes& data) {
    std::uint8_t frame[265];
    int length = sizeof frame;
    ModbusWriteRegisters(frame, length, address_, data.data(), reg,
                         static_cast<std::uint16_t>(data.size() / 2));
    return Exchange(frame, length);
}

Answer SimProbe::Page(std::uint8_t type, std::uint16_t first, std::uint32_t wanted) {
    std::uint8_t payload[ArchivePagePayloadLength];
    ArchivePagePayload(payload, type, first, wanted);
    std::uint8_t frame[265];
    int length = sizeof frame;
    ModbusUserFunction(frame, length, address_, mfReadArchivePage, payload,
                       ArchivePagePayloadLength);
    return Exchange(frame, length);
}

std::optional<std::vector<Bytes>> SimProbe::WalkRing(std::uint8_t type, std::uint16_t start,
                                                     int total, int recordSize) {
    std::vector<Bytes> records;
    int remaining = total;
    for (int pages = 0; remaining > 0 && pages < 70000; ++pages) {
        const Answer page = Page(type, start, static_cast<std::uint32_t>(remaining));
        if (!page.CrcOk || page.Exception >= 0 || page.Frame.size() < 9 || page.Frame.size() > 512)
            return std::nullopt;
        const int n = page.Frame[6];
        if (n == 0 || n > remaining ||
            page.Frame.size() != 9u + static_cast<std::size_t>(n * recordSize))
            return std::nullopt;
        for (int i = 0; i < n; ++i) {
            const auto begin = page.Frame.begin() + 7 + i * recordSize;
            records.emplace_back(begin, begin + recordSize);
        }
        remaining -= n;
        start = static_cast<std::uint16_t>(page.Frame[4] | page.Frame[5] << 8);
    }
    return records;
}

std::uint16_t RegisterAt(const Bytes& image, int i) {
    return static_cast<std::uint16_t>(image[static_cast<std::size_t>(2 * i)] << 8 |
                                      image[static_cast<std::size_t>(2 * i + 1)]);
}

Bytes Registers(std::initializer_list<std::uint16_t> values) {
    Bytes bytes;
    for (std::uint16_t v : values) {
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
        bytes.push_back(static_cast<std::uint8_t>(v));
    }
    return bytes;
}

} // namespace simtest
