#include "ModemTestSupport.h"

#include "protocol/Crc16.h"

#include <atomic>
#include <gtest/gtest.h>
#include <unistd.h>

namespace modemtest {

namespace {

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> frame) {
    const std::uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

std::string UniqueLink() {
    static std::atomic<int> counter{0};
    return ::testing::TempDir() + "rx58-modem-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter++);
}

} // namespace

SimulatedModem::SimulatedModem(int answerDelayMs) : LinkPath(UniqueLink()) {
    Device.Input = sim::RegisterBank(30001, 8);
    for (int i = 0; i < 16; ++i) {
        Device.Input.Bytes()[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x40 + i);
    }
    sim::LinkConfig config;
    config.Transport = sim::TransportKind::Pty;
    config.LinkPath = LinkPath;
    config.Address = DeviceAddress;
    config.Modem = true;
    config.ModemSettings.AnswerDelayMs = answerDelayMs;
    config.ModemSettings.GuardTimeMs = SimGuardTimeMs;
    config.Log = [this](const std::string& line) {
        std::lock_guard lock(LogLock);
        Log.push_back(line);
    };
    Server = std::make_unique<sim::LinkServer>(config, Device, DeviceLock, nullptr);
    Server->Start();
}

SimulatedModem::~SimulatedModem() {
    Server->Stop();
}

channels::ModemLineConfig SimulatedModem::Line(const std::string& name) const {
    channels::ModemLineConfig line;
    line.Name = name;
    line.Device = LinkPath;
    line.GuardTime = std::chrono::milliseconds(SimGuardTimeMs);
    return line;
}

void SimulatedModem::SetSilent(bool silent) {
    sim::FaultConfig faults;
    faults.Silent = silent;
    Server->SetFaults(faults);
}

bool SimulatedModem::Logged(const std::string& text) const {
    std::lock_guard lock(LogLock);
    for (const std::string& line : Log) {
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::vector<std::uint8_t> SimulatedModem::ReadRequest() {
    return WithCrc({DeviceAddress, 0x04, 0x00, 0x00, 0x00, 0x04});
}

std::vector<std::uint8_t> SimulatedModem::ExpectedReply() const {
    std::vector<std::uint8_t> reply{DeviceAddress, 0x04, 8};
    for (int i = 0; i < 8; ++i) {
        reply.push_back(static_cast<std::uint8_t>(0x40 + i));
    }
    return WithCrc(reply);
}

} // namespace modemtest
