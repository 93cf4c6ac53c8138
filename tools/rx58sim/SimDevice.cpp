#include "rx58sim/SimDevice.h"

#include "device/Rx58datatypes.h"
#include "rx58sim/DeviceValues.h"
#include "rx58sim/SetupJournal.h"

#include <algorithm>

namespace sim {

namespace {

// Registers 40001..40006 hold the clock, 40007 the archive-reset order.
constexpr std::uint16_t ClockFirst = 40001;
constexpr std::uint16_t ClockLast = 40006;
constexpr std::uint16_t ResetRegister = 40007;
constexpr int CalibrationRegisters = 12;

// What a write may touch, by edition: the clock and the reset order, the
// two ranges the setup write sends, and the calibration values.
std::vector<RegisterRange> WritableRanges(const Edition& edition) {
    const auto calibrationFirst =
        static_cast<std::uint16_t>(edition.Setup.FirstRegister + edition.CalibrationOffset / 2);
    const RegisterRange calibration{
        calibrationFirst, static_cast<std::uint16_t>(calibrationFirst + CalibrationRegisters - 1)};
    if (edition.ProtocolVersion == 2)
        return {{40001, 40051}, calibration, {40065, 40104}};
    return {{40001, 40077}, calibration, {40095, 40142}};
}

std::uint16_t GetRegister(const RegisterBank& bank, std::uint16_t reg) {
    const int at = bank.OffsetOf(reg);
    return static_cast<std::uint16_t>(bank.Bytes()[static_cast<std::size_t>(at)] << 8 |
                                      bank.Bytes()[static_cast<std::size_t>(at) + 1]);
}

void PutRegister(RegisterBank& bank, std::uint16_t reg, std::uint16_t value) {
    const auto at = static_cast<std::size_t>(bank.OffsetOf(reg));
    bank.Bytes()[at] = static_cast<std::uint8_t>(value >> 8);
    bank.Bytes()[at + 1] = static_cast<std::uint8_t>(value);
}

bool Overlaps(std::uint16_t first, std::uint16_t last, std::uint16_t a, std::uint16_t b) {
    return first <= b && last >= a;
}

} // namespace

SimDevice::SimDevice(const DeviceConfig& config)
    : edition_(*config.DeviceEdition), config_(config),
      clock_(config.StartClock.value_or(HostLocalTime())) {
    clock_.Freeze(config.FrozenClock);
    countersZeroAt_ = clock_.Seconds() - static_cast<std::int64_t>(HoursBeforeStart * 3600);
    Ident = {'R', 'X', '5', '8', 0x01, 0x00, edition_.ProtocolVersion, 0x00};
    Input = RegisterBank(edition_.Current.FirstRegister, edition_.Current.Registers);
    Holding = RegisterBank(edition_.Setup.FirstRegister, edition_.Setup.Registers);
    Writable = WritableRanges(edition_);
    Locked = config.Locked;
    FillArchives(edition_, config.Archives, clock_.Now(), Rings);

    std::vector<std::uint8_t> image(static_cast<std::size_t>(edition_.Setup.BufferBytes), 0);
    EncodeSetupParams(edition_, DefaultSetup(config.NetAddress, config.SerialNumber, clock_.Now()),
                      image.data());
    EncodeCalibration(edition_, DefaultCalibration(), image.data());
    SwapSetupImage(edition_, image.data());
    std::copy_n(image.begin(), Holding.Bytes().size(), Holding.Bytes().begin());
}

double SimDevice::HoursRunning() const {
    return static_cast<double>(std::max<std::int64_t>(0, clock_.Seconds() - countersZeroAt_)) /
           3600;
}

void SimDevice::Refresh(bool input) {
    const CivilTime now = clock_.Now();
    if (!input) {
        // The clock registers always read the running clock.
        const int values[6] = {now.Year % 100, now.Month,  now.Day,
                               now.Hour,       now.Minute, now.Second};
        for (int i = 0; i < 6; ++i)
            PutRegister(Holding, static_cast<std::uint16_t>(ClockFirst + i),
                        static_cast<std::uint16_t>(values[i]));
        PutRegister(Holding, ResetRegister, resetAt_ ? 1 : 0);
        return;
    }
    std::vector<std::uint8_t> image(static_cast<std::size_t>(edition_.Current.BufferBytes), 0);
    EncodeCurrentParams(edition_, CurrentValues(now, HoursRunning()), image.data());
    for (int type = 0; type < ArchiveTypes; ++type) {
        const ArchiveRing& ring = Rings[static_cast<std::size_t>(type)];
        device::WriteRing(image.data(), type, {ring.Last(), ring.First(), ring.Next()});
    }
    SwapCurrentImage(edition_, image.data());
    std::copy_n(image.begin(), Input.Bytes().size(), Input.Bytes().begin());
}

std::uint8_t SimDevice::ApplyWrite(std::uint16_t firstReg, std::uint16_t lastReg,
                                   const std::uint8_t* before) {
    if (Overlaps(firstReg, lastReg, ResetRegister, ResetRegister)) {
        const std::uint16_t order = GetRegister(Holding, ResetRegister);
        if (order > 1)
            return ecIllegalValue;
        if (order == 0)
            resetAt_.reset();
        else if (!resetAt_)
            resetAt_ = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(std::max(0, config_.ResetDelayMs));
    }
    if (Overlaps(firstReg, lastReg, ClockFirst, ClockLast)) {
        // A part of the clock written: the registers not written read the
        // running clock, as they would have on a read just before.
        CivilTime t;
        t.Year = 2000 + GetRegister(Holding, ClockFirst);
        t.Month = GetRegister(Holding, ClockFirst + 1);
        t.Day = GetRegister(Holding, ClockFirst + 2);
        t.Hour = GetRegister(Holding, ClockFirst + 3);
        t.Minute = GetRegister(Holding, ClockFirst + 4);
        t.Second = GetRegister(Holding, ClockFirst + 5);
        if (GetRegister(Holding, ClockFirst) > 99 || !IsValidCivil(t))
            return ecIllegalValue;
        clock_.Set(t);
        AppendClockEvent(Rings[atJournal], t);
    }
    JournalSetupChanges(edition_, Rings[atJournal], clock_.Now(), Holding, before, firstReg,
                        lastReg);
    return ecNone;
}

void SimDevice::Service() {
    if (!resetAt_ || std::chrono::steady_clock::now() < *resetAt_)
        return;
    resetAt_.reset();
    ClearArchives();
}

void SimDevice::ClearArchives() {
    for (int type : {atHourly, atDaily, atMonthly})
        Rings[static_cast<std::size_t>(type)].Clear();
    countersZeroAt_ = clock_.Seconds();
    AppendResetEvent(Rings[atJournal], clock_.Now());
}

std::vector<std::uint8_t> SimDevice::CurrentImage() {
    Refresh(true);
    return Input.Bytes();
}

std::vector<std::uint8_t> SimDevice::SetupImage() {
    Refresh(false);
    return Holding.Bytes();
}

RX58CurrentParams SimDevice::CurrentRecord() const {
    return CurrentValues(clock_.Now(), HoursRunning());
}

std::vector<std::uint8_t> SimDevice::HostSetup() const {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(edition_.Setup.BufferBytes), 0);
    std::copy(Holding.Bytes().begin(), Holding.Bytes().end(), image.begin());
    SwapSetupImage(edition_, image.data());
    return image;
}

RX58SetupParams SimDevice::SetupRecord() const {
    RX58SetupParams setup{};
    DecodeSetupParams(edition_, HostSetup().data(), setup);
    const CivilTime now = clock_.Now();
    setup.CurrentDate = DateValue(now);
    setup.CurrentTime = TimeValue(now);
    setup.ArchiveResetPending = resetAt_.has_value();
    return setup;
}

RX58Calibration SimDevice::Calibration() const {
    RX58Calibration calibration{};
    DecodeCalibration(edition_, HostSetup().data(), calibration);
    return calibration;
}

} // namespace sim
