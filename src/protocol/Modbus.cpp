#include "protocol/Modbus.h"

#include "protocol/Crc16.h"

#include <algorithm>
#include <cstring>

namespace {

// Shared steps 1-2 of every builder: report the needed length, and refuse
// when the caller's buffer cannot hold it.
bool Reserve(int& length, int needed) {
    const bool fits = length >= needed;
    length = needed;
    return fits;
}

void PutBigEndian(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 8);
    p[1] = static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

bool ModbusReportSlaveId(std::uint8_t* frame, int& length, std::uint8_t address) {
    if (!Reserve(length, 4))
        return false;
    frame[0] = address;
    frame[1] = mfReportSlaveId;
    Crc16Append(frame, 2);
    return true;
}

bool ModbusReadRegisters(std::uint8_t* frame, int& length, std::uint8_t address,
                         std::uint16_t reg, std::uint16_t count) {
    if (!Reserve(length, 8))
        return false;
    frame[0] = address;
    frame[1] = ModbusIsInputRegister(reg) ? mfReadInput : mfReadHolding;
    PutBigEndian(frame + 2, ModbusWireAddress(reg));
    PutBigEndian(frame + 4, count);
    Crc16Append(frame, 6);
    return true;
}

bool ModbusWriteRegisters(std::uint8_t* frame, int& length, std::uint8_t address,
                          const std::uint8_t* data, std::uint16_t reg, std::uint16_t count) {
    const int needed = 2 * count + 9;
    if (!Reserve(length, needed))
        return false;
    if (needed > 255)
        return false;
    frame[0] = address;
    frame[1] = mfWriteMultiple;
    PutBigEndian(frame + 2, ModbusWireAddress(reg));
    PutBigEndian(frame + 4, count);
    frame[6] = static_cast<std::uint8_t>(2 * count);
    if (count > 0)
        std::memcpy(frame + 7, data, 2u * count);
    Crc16Append(frame, 7 + 2u * count);
    return true;
}

bool ModbusUserFunction(std::uint8_t* frame, int& length, std::uint8_t address,
                        std::uint8_t function, const std::uint8_t* payload, int payloadLength) {
    if (payloadLength < 0 || !Reserve(length, payloadLength + 4))
        return false;
    frame[0] = address;
    frame[1] = function;
    if (payloadLength > 0)
        std::memcpy(frame + 2, payload, static_cast<std::size_t>(payloadLength));
    Crc16Append(frame, 2 + static_cast<std::size_t>(payloadLength));
    return true;
}

void ArchivePagePayload(std::uint8_t payload[ArchivePagePayloadLength], std::uint8_t archiveType,
                        std::uint16_t firstIndex, std::uint32_t recordsWanted) {
    payload[0] = archiveType;
    payload[1] = 1;
    payload[2] = static_cast<std::uint8_t>(firstIndex & 0xFF);
    payload[3] = static_cast<std::uint8_t>(firstIndex >> 8);
    payload[4] = static_cast<std::uint8_t>(std::min<std::uint32_t>(recordsWanted, 255));
}

const char* ModbusErrorText(int code) {
    switch (code) {
    case 0:
        return "Общая ошибка(без конкретизации причины)";
    case 1:
        return "Недопустимый(неподдерживаемый) номер функции";
    case 2:
        return "Недопустимый(неверный) номер регистра";
    case 3:
        return "Недопустимое значение в поле данных";
    case 4:
        return "Внутренняя ошибка прибора";
    case 6:
        return "Устройство занято";
    case 7:
        return "Доступ к регистру закрыт";
    default:
        return "Неизвестная ошибка";
    }
}

std::uint16_t SwapWord(std::uint16_t value) {
    return static_cast<std::uint16_t>((value << 8) | (value >> 8));
}

void SwapLong(std::uint8_t* p) {
    std::swap(p[0], p[3]);
    std::swap(p[1], p[2]);
}

void SwapImage(std::uint8_t* image, int registerBudget, const LayoutEntry* layout, int entries) {
    // Walks the caller's table without modifying it: only the current
    // entry's remaining count is needed.
    int entry = 0;
    int remaining = entries > 0 ? layout[0].Count : 0;
    std::uint8_t* p = image;
    int budget = registerBudget;
    while (entry < entries && budget > 0) {
        if (remaining == 0) {
            if (++entry < entries)
                remaining = layout[entry].Count;
            continue;
        }
        switch (layout[entry].Kind) {
        case lkWord:
            std::swap(p[0], p[1]);
            p += 2;
            budget -= 1;
            break;
        case lkLong:
            // A 32-bit value that does not fit the budget would reach past
            // the image: stop instead.
            if (budget < 2)
                return;
            SwapLong(p);
            p += 4;
            budget -= 2;
            break;
        case lkRaw:
            p += 2;
            budget -= 1;
            break;
        default:
            return;
        }
        --remaining;
    }
}
