#include "rx58sim/RegisterBank.h"

#include "protocol/Modbus.h"

#include <cstring>

namespace sim {

RegisterBank::RegisterBank(std::uint16_t firstRegister, int registers)
    : first_(firstRegister), bytes_(2 * static_cast<std::size_t>(registers), 0) {}

std::uint16_t RegisterBank::RegisterOf(std::uint16_t address) const {
    return static_cast<std::uint16_t>(first_ - ModbusWireAddress(first_) + address);
}

bool RegisterBank::Covers(std::uint16_t address, std::uint16_t count) const {
    const int start = static_cast<int>(address) - ModbusWireAddress(first_);
    return count > 0 && start >= 0 && start + count <= Registers();
}

void RegisterBank::Read(std::uint16_t address, std::uint16_t count, std::uint8_t* out) const {
    std::memcpy(out, bytes_.data() + OffsetOf(RegisterOf(address)), 2u * count);
}

void RegisterBank::Write(std::uint16_t address, std::uint16_t count, const std::uint8_t* data) {
    std::memcpy(bytes_.data() + OffsetOf(RegisterOf(address)), data, 2u * count);
}

} // namespace sim
