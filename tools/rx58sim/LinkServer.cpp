#include "rx58sim/LinkServer.h"

#include "protocol/Crc16.h"
#include "rx58sim/PacedWriter.h"
#include "rx58sim/RtuFramer.h"
#include "rx58sim/SlaveDispatcher.h"

#include <sys/eventfd.h>
#include <unistd.h>

namespace sim {

namespace {

// The loop never sleeps longer than this, so run-time requests (carrier
// loss, new faults) and the device's timers are served promptly.
constexpr auto MaxWait = std::chrono::milliseconds(20);
// An incomplete request of a known function waits this long for the rest.
constexpr auto IncompleteTimeout = std::chrono::milliseconds(50);

std::chrono::milliseconds WaitUntil(SteadyClock::time_point deadline, SteadyClock::time_point now) {
    if (deadline <= now)
        return std::chrono::milliseconds(0);
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    return std::min<std::chrono::milliseconds>(left, MaxWait);
}

} // namespace

class LinkServer::Loop {
public:
    Loop(LinkServer& owner, std::unique_ptr<Line> line)
        : owner_(owner), config_(owner.config_), line_(std::move(line)),
          framer_(RtuSilence(config_.Baud), IncompleteTimeout), modem_(config_.ModemSettings),
          dispatcher_(owner.device_, config_.Address) {}

    void Run() {
        for (;;) {
            auto now = SteadyClock::now();
            auto deadline = std::min(framer_.Deadline(), modem_.Deadline());
            if (lossAt_)
                deadline = std::min(deadline, *lossAt_);
            const LineEvent event = line_->Wait(WaitUntil(deadline, now), owner_.stopFd_);
            if (event == LineEvent::Stopped)
                return;
            RefreshFaults();
            now = SteadyClock::now();
            if (event == LineEvent::Data)
                ReadLine(now);
            else if (event == LineEvent::PeerGone)
                PeerGone("peer closed the line");
            if (owner_.loseCarrier_.exchange(false) || (lossAt_ && now >= *lossAt_))
                LoseCarrier();
            if (config_.Modem) {
                ModemOutput out;
                modem_.Tick(now, out);
                Carry(out, now);
            }
            for (auto& frame : framer_.Take(now))
                if (!Serve(frame))
                    return;
            {
                std::lock_guard lock(owner_.deviceLock_);
                if (owner_.service_)
                    owner_.service_();
            }
        }
    }

private:
    void Log(const std::string& text) {
        if (config_.Log)
            config_.Log(text);
    }

    void RefreshFaults() {
        std::lock_guard lock(owner_.lock_);
        if (generation_ != owner_.faultsGeneration_) {
            generation_ = owner_.faultsGeneration_;
            faults_.Configure(owner_.faults_);
        }
    }

    void Count(long LinkStats::*field) {
        std::lock_guard lock(owner_.lock_);
        ++(owner_.stats_.*field);
    }

    void ReadLine(SteadyClock::time_point now) {
        std::uint8_t buffer[512];
        const long n = line_->Read(buffer, sizeof buffer);
        if (n < 0) {
            PeerGone("peer closed the line");
            return;
        }
        if (n == 0)
            return;
        if (!config_.Modem) {
            if (!lossAt_ && config_.CarrierLossAfterMs > 0 && !carrierLost_)
                lossAt_ = now + std::chrono::milliseconds(config_.CarrierLossAfterMs);
            framer_.Feed(buffer, static_cast<std::size_t>(n), now);
            return;
        }
        ModemOutput out;
        const bool wasOnline = modem_.Online();
        modem_.Feed(buffer, static_cast<std::size_t>(n), now, out);
        if (wasOnline && !modem_.Online())
            framer_.Reset();
        Carry(out, now);
    }

    // Carries out what the modem front asked for.
    void Carry(ModemOutput& out, SteadyClock::time_point now) {
        const bool online = modem_.Online();
        if (!out.ToLine.empty())
            WritePaced(*line_, out.ToLine.data(), out.ToLine.size(), config_.Baud, owner_.stopFd_);
        if (!out.ToDevice.empty())
            framer_.Feed(out.ToDevice.data(), out.ToDevice.size(), now);
        if (!out.Event.empty())
            Log("modem: " + out.Event);
        if (online && !callUp_ && config_.CarrierLossAfterMs > 0)
            lossAt_ = now + std::chrono::milliseconds(config_.CarrierLossAfterMs);
        if (!online)
            lossAt_.reset();
        callUp_ = online;
        if (out.HangUpLine)
            HangUp(!out.ToLine.empty());
    }

    void LoseCarrier() {
        lossAt_.reset();
        carrierLost_ = true;
        if (config_.Modem) {
            ModemOutput out;
            modem_.LoseCarrier(out);
            Carry(out, SteadyClock::now());
        } else {
            Log("carrier lost");
            HangUp(false);
        }
    }

    void HangUp(bool linger) {
        // A pseudo-terminal discards what its slave has not read yet when
        // the master closes: give the last words (NO CARRIER) time to go.
        if (linger && !SleepUnlessStopped(owner_.stopFd_, std::chrono::milliseconds(100)))
            return;
        framer_.Reset();
        modem_.TerminalGone();
        try {
            line_->HangUp();
        } catch (const std::exception& e) {
            Log(std::string("cannot reopen the line: ") + e.what());
        }
        std::lock_guard lock(owner_.lock_);
        owner_.endpoint_ = line_->Endpoint();
        ++owner_.stats_.HangUps;
    }

    void PeerGone(const char* why) {
        framer_.Reset();
        modem_.TerminalGone();
        callUp_ = false;
        lossAt_.reset();
        carrierLost_ = false;
        Log(why);
    }

    // Answers one frame; false when a stop came while writing.
    bool Serve(const std::vector<std::uint8_t>& frame) {
        Count(&LinkStats::Frames);
        if (config_.Modem && !modem_.Online())
            return true;
        const bool forUs = frame.size() >= 4 && frame[0] == config_.Address &&
                           Crc16Matches(frame.data(), frame.size());
        SlaveOutcome outcome;
        std::vector<std::uint8_t> preempted;
        if (forUs && faults_.Preempt(frame, preempted)) {
            outcome.Answered = !preempted.empty();
            outcome.Reply = std::move(preempted);
            outcome.Summary = outcome.Answered ? "request answered by the exception fault"
                                               : "request left unanswered (silent)";
        } else {
            std::lock_guard lock(owner_.deviceLock_);
            outcome = dispatcher_.Handle(frame.data(), frame.size());
        }
        if (!outcome.Answered) {
            Count(&LinkStats::Ignored);
            Log(outcome.Summary);
            return true;
        }
        Transmission tx = faults_.Apply(frame, std::move(outcome.Reply));
        Log(outcome.Summary + tx.Notes);
        if (tx.Pieces.empty()) {
            Count(&LinkStats::Ignored);
            return true;
        }
        for (std::size_t i = 0; i < tx.Pieces.size(); ++i) {
            if (i > 0 && !SleepUnlessStopped(owner_.stopFd_, std::chrono::milliseconds(tx.GapMs)))
                return false;
            if (!WritePaced(*line_, tx.Pieces[i].data(), tx.Pieces[i].size(), config_.Baud,
                            owner_.stopFd_))
                break;
        }
        Count(&LinkStats::Answered);
        return true;
    }

    LinkServer& owner_;
    const LinkConfig& config_;
    std::unique_ptr<Line> line_;
    RtuFramer framer_;
    ModemFront modem_;
    SlaveDispatcher dispatcher_;
    FaultInjector faults_;
    long generation_ = -1;
    std::optional<SteadyClock::time_point> lossAt_;
    bool carrierLost_ = false; // without the modem: once per peer
    bool callUp_ = false;      // with the modem: on line at the last look
};

LinkServer::LinkServer(LinkConfig config, DeviceModel& device, std::mutex& deviceLock,
                       std::function<void()> service)
    : config_(std::move(config)), device_(device), deviceLock_(deviceLock),
      service_(std::move(service)), faults_(config_.Faults) {}

LinkServer::~LinkServer() {
    Stop();
}

void LinkServer::Start() {
    if (thread_.joinable())
        return;
    std::unique_ptr<Line> line;
    switch (config_.Transport) {
    case TransportKind::Pty:
        line = OpenPtyLine(config_.LinkPath);
        break;
    case TransportKind::Serial:
        line = OpenSerialLine(config_.SerialPath, config_.Baud);
        break;
    case TransportKind::Tcp:
        line = OpenTcpLine(config_.TcpPort);
        break;
    }
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0)
        throw std::runtime_error("eventfd failed");
    endpoint_ = line->Endpoint();
    auto loop = std::make_shared<Loop>(*this, std::move(line));
    thread_ = std::thread([loop] { loop->Run(); });
}

void LinkServer::Stop() {
    if (!thread_.joinable())
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopFd_, &one, sizeof one);
    thread_.join();
    ::close(stopFd_);
    stopFd_ = -1;
}

std::string LinkServer::Endpoint() const {
    std::lock_guard lock(lock_);
    return endpoint_;
}

void LinkServer::SetFaults(const FaultConfig& faults) {
    std::lock_guard lock(lock_);
    faults_ = faults;
    ++faultsGeneration_;
}

FaultConfig LinkServer::Faults() const {
    std::lock_guard lock(lock_);
    return faults_;
}

LinkStats LinkServer::Stats() const {
    std::lock_guard lock(lock_);
    return stats_;
}

} // namespace sim
