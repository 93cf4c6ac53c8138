#pragma once

#include "device/Rx58Records.h"
#include "rx58sim/LinkServer.h"
#include "rx58sim/SimDevice.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The in-process simulator: one calculator on one line, served on its own
// thread. Tests, benchmarks and the demo start it, talk to Endpoint() as to
// a real device, and compare what they read with Snapshot().
//
//     sim::SimulatorConfig config;
//     config.Device.DeviceEdition = &EditionV2;
//     sim::Simulator simulator(config);
//     simulator.Start();                  // throws std::runtime_error
//     open(simulator.Endpoint() ...)      // the pty slave (or link, or 127.0.0.1:port)
//     simulator.SetFaults(faults);        // at any time
//     simulator.Stop();                   // or the destructor; no thread is left

namespace sim {

struct SimulatorConfig {
    DeviceConfig Device;
    // Link.Address is the slave address; Device.NetAddress follows it.
    LinkConfig Link;
};

// One ring as the device holds it: the descriptor and every slot in index
// order (slot i at bytes i * RecordSize).
struct RingSnapshot {
    std::uint16_t Last = 0;
    std::uint16_t First = 0;
    std::uint16_t Next = 0;
    int RecordSize = 0;
    std::vector<std::uint8_t> Slots;

    int Count() const;
    // The present records, newest first: the order a page walk yields them.
    std::vector<std::vector<std::uint8_t>> NewestFirst() const;
};

struct DeviceSnapshot {
    std::array<std::uint8_t, 4> Identification{};
    // The images a read would return now, in device byte order: the
    // edition's registers, 2 bytes each.
    std::vector<std::uint8_t> CurrentImage;
    std::vector<std::uint8_t> SetupImage;
    RX58CurrentParams Current{};
    RX58SetupParams Setup{};
    RX58Calibration Calibration{};
    // Hourly, daily, monthly, journal.
    std::array<RingSnapshot, 4> Rings;
    CivilTime Clock;
    bool ResetPending = false;
};

class Simulator {
public:
    explicit Simulator(SimulatorConfig config);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    void Start();
    void Stop();
    bool Running() const { return running_; }

    const Edition& DeviceEdition() const { return device_.DeviceEdition(); }
    // The path or address a client opens; a pty without a link gets a new
    // path after every hang-up.
    std::string Endpoint() const;
    DeviceSnapshot Snapshot();

    void SetFaults(const FaultConfig& faults) { link_->SetFaults(faults); }
    FaultConfig Faults() const { return link_->Faults(); }
    void LoseCarrier() { link_->LoseCarrier(); }
    void SetLocked(bool locked);
    void FreezeClock(bool frozen);
    void SetClock(const CivilTime& time);
    LinkStats Stats() const { return link_->Stats(); }

private:
    static SimulatorConfig Prepared(SimulatorConfig config);

    SimulatorConfig config_;
    std::mutex deviceLock_;
    SimDevice device_;
    std::unique_ptr<LinkServer> link_;
    bool running_ = false;
};

} // namespace sim
