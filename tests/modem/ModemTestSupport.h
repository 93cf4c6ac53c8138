#pragma once

#include "channels/ModemLineList.h"
#include "rx58sim/BankDevice.h"
#include "rx58sim/LinkServer.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace modemtest {

using namespace std::chrono_literals;

// Waits in tests are bounded generously: they normally take milliseconds.
inline constexpr auto Patience = std::chrono::seconds(10);

inline constexpr std::uint8_t DeviceAddress = 5;
// Numbers the simulated modem answers so (its numeric result codes).
inline constexpr const char* AnsweredNumber = "8 (495) 123-45-67";
inline constexpr const char* BusyNumber = "7";
inline constexpr const char* NoAnswerNumber = "8";
inline constexpr const char* NoCarrierNumber = "3";
inline constexpr const char* NoDialtoneNumber = "6";

// A Hayes modem in front of a small device, on a pseudo-terminal whose
// link stays at Path() across hang-ups.
class SimulatedModem {
public:
    explicit SimulatedModem(int answerDelayMs = 100);
    ~SimulatedModem();

    const std::string& Path() const { return LinkPath; }
    // The line of the dialer for this modem.
    channels::ModemLineConfig Line(const std::string& name = "Модем стенда") const;
    void LoseCarrier() { Server->LoseCarrier(); }
    void SetSilent(bool silent);
    bool Logged(const std::string& text) const;
    sim::LinkStats Stats() const { return Server->Stats(); }
    // A Modbus request for the first four input registers, and its reply.
    static std::vector<std::uint8_t> ReadRequest();
    std::vector<std::uint8_t> ExpectedReply() const;

private:
    sim::BankDevice Device;
    std::mutex DeviceLock;
    std::string LinkPath;
    mutable std::mutex LogLock;
    std::vector<std::string> Log;
    std::unique_ptr<sim::LinkServer> Server;
};

// The guard time of the simulated modem; the dialer waits a little longer.
inline constexpr int SimGuardTimeMs = 150;

} // namespace modemtest
