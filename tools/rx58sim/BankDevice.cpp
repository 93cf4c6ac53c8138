#include "rx58sim/BankDevice.h"

#include <algorithm>
#include <cstring>

namespace sim {

void BankDevice::Identification(std::uint8_t out[IdentificationBytes]) {
    std::memcpy(out, Ident.data(), Ident.size());
}

std::uint8_t BankDevice::ReadRegisters(bool input, std::uint16_t address, std::uint16_t count,
                                       std::uint8_t* out) {
    RegisterBank& bank = input ? Input : Holding;
    if (!bank.Covers(address, count))
        return ecIllegalAddress;
    Refresh(input);
    bank.Read(address, count, out);
    return ecNone;
}

bool BankDevice::IsWritable(std::uint16_t firstReg, std::uint16_t lastReg) const {
    for (std::uint32_t reg = firstReg; reg <= lastReg; ++reg) {
        const bool inRange =
            std::any_of(Writable.begin(), Writable.end(), [&](const RegisterRange& r) {
                return r.Contains(static_cast<std::uint16_t>(reg));
            });
        if (!inRange)
            return false;
    }
    return true;
}

std::uint8_t BankDevice::WriteRegisters(std::uint16_t address, std::uint16_t count,
                                        const std::uint8_t* data) {
    if (!Holding.Covers(address, count))
        return ecIllegalAddress;
    const std::uint16_t firstReg = Holding.RegisterOf(address);
    const auto lastReg = static_cast<std::uint16_t>(firstReg + count - 1);
    if (!IsWritable(firstReg, lastReg))
        return ecIllegalAddress;
    if (Locked)
        return ecAccessDenied;
    // Registers the write leaves alone must show the moment (the clock).
    Refresh(false);
    std::vector<std::uint8_t> before(2u * count);
    Holding.Read(address, count, before.data());
    Holding.Write(address, count, data);
    const std::uint8_t code = ApplyWrite(firstReg, lastReg, before.data());
    if (code != ecNone)
        Holding.Write(address, count, before.data());
    return code;
}

std::uint8_t BankDevice::ApplyWrite(std::uint16_t, std::uint16_t, const std::uint8_t*) {
    return ecNone;
}

std::uint8_t BankDevice::ReadPage(const PageRequest& request, int maxRecordBytes, Page& page) {
    if (request.Type >= ArchiveTypes || request.Marker != 1 || request.Wanted == 0)
        return ecIllegalValue;
    const ArchiveRing& ring = Rings[request.Type];
    if (ring.RecordSize() <= 0 || request.First > ring.Last())
        return ecIllegalValue;
    const int fit = maxRecordBytes / ring.RecordSize();
    page.Type = request.Type;
    ring.ReadPage(request.First, std::min<int>(fit, request.Wanted), page);
    return ecNone;
}

} // namespace sim
