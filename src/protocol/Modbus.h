#pragma once

#include <cstddef>
#include <cstdint>

// Modbus RTU request frames, exception texts and the byte-order conversion
// of register images. Stateless: callers own every buffer.

enum ModbusFunction : std::uint8_t {
    mfReadHolding = 0x03,
    mfReadInput = 0x04,
    mfWriteMultiple = 0x10,
    mfReportSlaveId = 0x11,
    mfReadArchivePage = 0x41,
};

// Archive types of the device-specific page function 0x41.
enum ArchiveType : std::uint8_t { atHourly = 0, atDaily = 1, atMonthly = 2, atJournal = 3 };

// Largest write the standard allows in one 0x10 frame (255-byte frame).
inline constexpr int ModbusMaxWriteRegisters = 123;

// Register numbers follow the classic numbering: 3xxxx are input registers
// (function 0x04), anything else holding registers (0x03 / 0x10).
constexpr bool ModbusIsInputRegister(std::uint16_t reg) { return reg / 10000 == 3; }
constexpr std::uint16_t ModbusWireAddress(std::uint16_t reg) {
    return static_cast<std::uint16_t>(reg % 10000 - 1);
}

// Every builder takes the buffer, its capacity in `length` (replaced by the
// frame's length) and the device address. A buffer that is too small gets
// nothing written, `length` tells how much is needed, and false comes back.
bool ModbusReportSlaveId(std::uint8_t* frame, int& length, std::uint8_t address);
bool ModbusReadRegisters(std::uint8_t* frame, int& length, std::uint8_t address,
                         std::uint16_t reg, std::uint16_t count);
// `data` is already in device byte order. More than 123 registers is refused.
bool ModbusWriteRegisters(std::uint8_t* frame, int& length, std::uint8_t address,
                          const std::uint8_t* data, std::uint16_t reg, std::uint16_t count);
bool ModbusUserFunction(std::uint8_t* frame, int& length, std::uint8_t address,
                        std::uint8_t function, const std::uint8_t* payload, int payloadLength);

// Payload of an archive-page request (function 0x41): type, 1, first index
// little-endian, and the records still wanted capped at 255.
inline constexpr int ArchivePagePayloadLength = 5;
void ArchivePagePayload(std::uint8_t payload[ArchivePagePayloadLength], std::uint8_t archiveType,
                        std::uint16_t firstIndex, std::uint32_t recordsWanted);

// Text of a Modbus exception code; unlisted codes give "Неизвестная ошибка".
const char* ModbusErrorText(int code);

// ---------------------------------------------------------------------------
// Byte order of register images.

enum LayoutKind : std::uint32_t { lkWord = 0, lkLong = 1, lkRaw = 2 };

#pragma pack(push, 1)
struct LayoutEntry {
    std::uint32_t Kind;
    std::uint16_t Count;
};
#pragma pack(pop)
static_assert(sizeof(LayoutEntry) == 6, "layout entries are packed into 6 bytes");

std::uint16_t SwapWord(std::uint16_t value);
// Turns a 32-bit value held as two big-endian registers (high first) into a
// little-endian one in place, and back.
void SwapLong(std::uint8_t* fourBytes);

// Converts an image in place between device and host byte order; its own
// inverse. Stops at an unknown kind, when the register budget is used up
// (a 32-bit element needs two registers of it), or when the entries run out.
void SwapImage(std::uint8_t* image, int registerBudget, const LayoutEntry* layout, int entries);
