#pragma once

#include "device/Rx58Records.h"
#include "editions/Edition.h"
#include "rx58sim/ArchiveFiller.h"
#include "rx58sim/BankDevice.h"
#include "rx58sim/SimClock.h"

#include <chrono>
#include <optional>

// The calculator itself, of either edition: its images are built with the
// project's encoders from typed values at the moment they are read, its
// archives are rings of records made by the record maker, and writes act
// as on the device: the clock runs on from a written time, the setup and
// calibration registers keep what was written, and a 1 written to the
// archive-reset register clears counters and archives after a delay.

namespace sim {

struct DeviceConfig {
    const Edition* DeviceEdition = &EditionV3;
    std::uint8_t NetAddress = 0;
    std::uint16_t SerialNumber = 1234;
    FillPlan Archives{{{{1536, 72}, {384, 45}, {48, 14}, {1024, 150}}}};
    bool Locked = false;
    int ResetDelayMs = 30000;
    std::optional<CivilTime> StartClock; // the host's local time when absent
    bool FrozenClock = false;
};

class SimDevice : public BankDevice {
public:
    explicit SimDevice(const DeviceConfig& config);

    const Edition& DeviceEdition() const { return edition_; }
    SimClock& Clock() { return clock_; }
    const SimClock& Clock() const { return clock_; }
    // Runs the device's timers: a pending archive reset falls due.
    void Service();
    bool ResetPending() const { return resetAt_.has_value(); }

    // The images as a read would return them now, in device order.
    std::vector<std::uint8_t> CurrentImage();
    std::vector<std::uint8_t> SetupImage();
    RX58CurrentParams CurrentRecord() const;
    RX58SetupParams SetupRecord() const;
    RX58Calibration Calibration() const;

protected:
    void Refresh(bool input) override;
    std::uint8_t ApplyWrite(std::uint16_t firstReg, std::uint16_t lastReg,
                            const std::uint8_t* before) override;

private:
    void ClearArchives();
    double HoursRunning() const;
    // The setup image in host order (a copy).
    std::vector<std::uint8_t> HostSetup() const;

    const Edition& edition_;
    DeviceConfig config_;
    SimClock clock_;
    // Clock seconds at which the counters stood at zero.
    std::int64_t countersZeroAt_;
    std::optional<std::chrono::steady_clock::time_point> resetAt_;
};

} // namespace sim
