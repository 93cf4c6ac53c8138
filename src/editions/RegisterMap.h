#pragma once

#include <cstdint>
#include <span>

// A register map says, for every field of a typed record, where its
// registers sit in the image (byte offset, host order) and how they encode
// the value. Decoders, encoders, views and the report walk the same tables.

namespace editions {

// How a value is carried by its registers.
enum class Encoding : std::uint8_t {
    S16_100,  // 16-bit signed, value x 0.01
    U16_100,  // 16-bit unsigned, value x 0.01
    S16_1000, // 16-bit signed, value x 0.001
    U16_1000, // 16-bit unsigned, value x 0.001
    U16,      // 16-bit unsigned integer
    S16,      // 16-bit signed integer
    LoByte,   // unsigned code in the low byte; the high byte is written as 0
    SByte,    // signed 8-bit value in the low byte
    Bool,     // non-zero reads as true; written as 1 or 0
    F32,      // IEEE single precision, two registers
    U32,      // unsigned 32-bit, two registers
    Counter,  // signed 32-bit integer part, then an F32 fraction (4 registers)
    DateTime, // year - 2000, month, day, hour, minute, second (6 registers)
    Season,   // month, day (2 registers)
};

// How the field is held in the record.
enum class FieldType : std::uint8_t { Double, U32, I32, U16, I16, U8, Bool };

struct RegisterField {
    const char* Name;
    std::uint16_t ImageOffset; // byte offset of the first register in the image
    Encoding Enc;
    FieldType Type;
    std::uint16_t RecordOffset;  // offsetof the field in its record
    std::uint16_t RecordOffset2; // DateTime only: the time-of-day field
    const char* Name2 = nullptr; // DateTime only: the time-of-day field's name
};

using RegisterMap = std::span<const RegisterField>;

// Bytes of the image that an encoding occupies.
constexpr int EncodingBytes(Encoding e) {
    switch (e) {
    case Encoding::F32:
    case Encoding::U32:
    case Encoding::Season:
        return 4;
    case Encoding::Counter:
        return 8;
    case Encoding::DateTime:
        return 12;
    default:
        return 2;
    }
}

} // namespace editions
