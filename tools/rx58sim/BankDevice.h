#pragma once

#include "rx58sim/ArchiveRing.h"
#include "rx58sim/DeviceModel.h"
#include "rx58sim/RegisterBank.h"

#include <array>
#include <vector>

// A device made of register banks and archive rings: input registers,
// holding registers with their writable ranges, four rings (hourly, daily,
// monthly, journal) and the identification. It answers every request from
// those images; a derived device refreshes them and reacts to writes.

namespace sim {

inline constexpr int ArchiveTypes = 4;

class BankDevice : public DeviceModel {
public:
    void Identification(std::uint8_t out[IdentificationBytes]) override;
    std::uint8_t ReadRegisters(bool input, std::uint16_t address, std::uint16_t count,
                               std::uint8_t* out) override;
    std::uint8_t WriteRegisters(std::uint16_t address, std::uint16_t count,
                                const std::uint8_t* data) override;
    std::uint8_t ReadPage(const PageRequest& request, int maxRecordBytes, Page& page) override;

    std::array<std::uint8_t, IdentificationBytes> Ident{'R', 'X', '5', '8', 0, 0, 0, 0};
    RegisterBank Input;
    RegisterBank Holding;
    std::vector<RegisterRange> Writable;
    std::array<ArchiveRing, ArchiveTypes> Rings;
    // Writes are refused with "access denied".
    bool Locked = false;

protected:
    // Called before registers are read, so they show the moment.
    virtual void Refresh(bool /*input*/) {}
    // Called with the holding bank already holding the written registers
    // (register numbers, inclusive) and `before` their previous bytes;
    // returns an exception code to undo the write and answer with it.
    virtual std::uint8_t ApplyWrite(std::uint16_t firstReg, std::uint16_t lastReg,
                                    const std::uint8_t* before);

private:
    bool IsWritable(std::uint16_t firstReg, std::uint16_t lastReg) const;
};

} // namespace sim
