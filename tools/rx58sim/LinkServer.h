#pragma once

#include "rx58sim/DeviceModel.h"
#include "rx58sim/FaultInjector.h"
#include "rx58sim/Line.h"
#include "rx58sim/ModemFront.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Serves one device on one line on its own thread: frames requests, lets
// the slave dispatcher answer them under the device's lock, applies the
// faults, paces the replies and, with the modem front, speaks AT first.

namespace sim {

enum class TransportKind { Pty, Serial, Tcp };

struct LinkConfig {
    TransportKind Transport = TransportKind::Pty;
    std::string LinkPath;   // pty: symlink kept pointing at the slave
    std::string SerialPath; // serial: the device to open
    int TcpPort = 0;        // tcp: 0 picks a free port
    int Baud = 0;           // > 0: replies paced at this rate
    std::uint8_t Address = 0;
    bool Modem = false;
    ModemConfig ModemSettings;
    // > 0: the carrier is lost this long after each call connected (with
    // the modem front) or after the peer's first request (without).
    int CarrierLossAfterMs = 0;
    FaultConfig Faults;
    // Called on the server thread with one line per exchange or event.
    std::function<void(const std::string&)> Log;
};

struct LinkStats {
    long Frames = 0;   // frames taken off the line
    long Answered = 0; // replies sent (faults may have changed them)
    long Ignored = 0;  // frames not for us, damaged, or left unanswered by a fault
    long HangUps = 0;
};

class LinkServer {
public:
    // `service` runs on the server thread, under `deviceLock`, once per
    // loop turn: the device's own timers.
    LinkServer(LinkConfig config, DeviceModel& device, std::mutex& deviceLock,
               std::function<void()> service);
    ~LinkServer();
    LinkServer(const LinkServer&) = delete;
    LinkServer& operator=(const LinkServer&) = delete;

    // Opens the line and starts the thread; throws std::runtime_error.
    void Start();
    // Stops the thread and closes the line; returns within a reply's time.
    void Stop();

    std::string Endpoint() const;
    void SetFaults(const FaultConfig& faults);
    FaultConfig Faults() const;
    // Carrier loss now: the modem says NO CARRIER and the line is hung up.
    void LoseCarrier() { loseCarrier_ = true; }
    LinkStats Stats() const;

private:
    class Loop;

    LinkConfig config_;
    DeviceModel& device_;
    std::mutex& deviceLock_;
    std::function<void()> service_;

    mutable std::mutex lock_; // faults, endpoint, stats
    FaultConfig faults_;
    long faultsGeneration_ = 0;
    std::string endpoint_;
    LinkStats stats_;
    std::atomic<bool> loseCarrier_{false};

    int stopFd_ = -1;
    std::thread thread_;
};

} // namespace sim
