#include "rx58sim/Simulator.h"

#include "device/Rx58datatypes.h"

namespace sim {

int RingSnapshot::Count() const {
    return device::RingDescriptor{Last, First, Next}.Count();
}

std::vector<std::vector<std::uint8_t>> RingSnapshot::NewestFirst() const {
    const device::RingDescriptor ring{Last, First, Next};
    std::vector<std::vector<std::uint8_t>> records;
    std::uint16_t slot = ring.Newest();
    for (int i = 0; i < ring.Count(); ++i, slot = ring.Before(slot)) {
        const auto begin = Slots.begin() + static_cast<std::ptrdiff_t>(slot) * RecordSize;
        records.emplace_back(begin, begin + RecordSize);
    }
    return records;
}

SimulatorConfig Simulator::Prepared(SimulatorConfig config) {
    config.Device.NetAddress = config.Link.Address;
    return config;
}

Simulator::Simulator(SimulatorConfig config)
    : config_(Prepared(std::move(config))), device_(config_.Device),
      link_(std::make_unique<LinkServer>(config_.Link, device_, deviceLock_,
                                         [this] { device_.Service(); })) {}

Simulator::~Simulator() {
    Stop();
}

void Simulator::Start() {
    if (running_)
        return;
    link_->Start();
    running_ = true;
}

void Simulator::Stop() {
    link_->Stop();
    running_ = false;
}

std::string Simulator::Endpoint() const {
    return link_->Endpoint();
}

DeviceSnapshot Simulator::Snapshot() {
    std::lock_guard lock(deviceLock_);
    DeviceSnapshot s;
    std::copy_n(device_.Ident.begin() + 4, 4, s.Identification.begin());
    s.CurrentImage = device_.CurrentImage();
    s.SetupImage = device_.SetupImage();
    s.Current = device_.CurrentRecord();
    s.Setup = device_.SetupRecord();
    s.Calibration = device_.Calibration();
    for (std::size_t type = 0; type < s.Rings.size(); ++type) {
        const ArchiveRing& ring = device_.Rings[type];
        s.Rings[type] = {ring.Last(), ring.First(), ring.Next(), ring.RecordSize(), ring.Bytes()};
    }
    s.Clock = device_.Clock().Now();
    s.ResetPending = device_.ResetPending();
    return s;
}

void Simulator::SetLocked(bool locked) {
    std::lock_guard lock(deviceLock_);
    device_.Locked = locked;
}

void Simulator::FreezeClock(bool frozen) {
    std::lock_guard lock(deviceLock_);
    device_.Clock().Freeze(frozen);
}

void Simulator::SetClock(const CivilTime& time) {
    std::lock_guard lock(deviceLock_);
    device_.Clock().Set(time);
}

} // namespace sim
