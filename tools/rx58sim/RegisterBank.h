#pragma once

#include <cstdint>
#include <vector>

// A block of consecutive registers held in device byte order, exactly as
// they travel: reads and writes are byte copies.

namespace sim {

// An inclusive range of register numbers (40008..40077).
struct RegisterRange {
    std::uint16_t First;
    std::uint16_t Last;

    bool Contains(std::uint16_t reg) const { return reg >= First && reg <= Last; }
};

class RegisterBank {
public:
    RegisterBank() = default;
    RegisterBank(std::uint16_t firstRegister, int registers);

    std::uint16_t FirstRegister() const { return first_; }
    int Registers() const { return static_cast<int>(bytes_.size() / 2); }
    // The register number of a wire address in this bank's class (3xxxx or 4xxxx).
    std::uint16_t RegisterOf(std::uint16_t address) const;
    // True when every register of [address, address + count) is in the bank.
    bool Covers(std::uint16_t address, std::uint16_t count) const;

    void Read(std::uint16_t address, std::uint16_t count, std::uint8_t* out) const;
    void Write(std::uint16_t address, std::uint16_t count, const std::uint8_t* data);

    std::vector<std::uint8_t>& Bytes() { return bytes_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    // Byte offset of a register number inside the bank.
    int OffsetOf(std::uint16_t reg) const { return 2 * (reg - first_); }

private:
    std::uint16_t first_ = 0;
    std::vector<std::uint8_t> bytes_;
};

} // namespace sim
