#include "protocol/Crc16.h"

std::uint16_t Crc16(const std::uint8_t* data, std::size_t length) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i)
        crc = static_cast<std::uint16_t>(Crc16Table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8));
    return crc;
}

bool Crc16Matches(const std::uint8_t* frame, std::size_t length) {
    if (length < 2)
        return false;
    const std::uint16_t crc = Crc16(frame, length - 2);
    return frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8);
}

void Crc16Append(std::uint8_t* data, std::size_t length) {
    const std::uint16_t crc = Crc16(data, length);
    data[length] = static_cast<std::uint8_t>(crc & 0xFF);
    data[length + 1] = static_cast<std::uint8_t>(crc >> 8);
}
