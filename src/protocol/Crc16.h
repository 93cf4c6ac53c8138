#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The Modbus RTU checksum: polynomial 0x8005 in reflected form, initial
// value 0xFFFF, no final exclusive-or, stored in a frame low byte first.

namespace crc16_detail {
constexpr std::array<std::uint16_t, 256> MakeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
        table[i] = crc;
    }
    return table;
}
} // namespace crc16_detail

// Entry i is the reflected CRC of the single byte i, built at compile time.
inline constexpr std::array<std::uint16_t, 256> Crc16Table = crc16_detail::MakeTable();

std::uint16_t Crc16(const std::uint8_t* data, std::size_t length);

// True when the last two bytes hold the CRC of everything before them.
bool Crc16Matches(const std::uint8_t* frame, std::size_t length);

// Appends the CRC of data[0..length) at data[length], low byte first.
void Crc16Append(std::uint8_t* data, std::size_t length);
