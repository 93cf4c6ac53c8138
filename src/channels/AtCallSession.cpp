#include "channels/AtCallSession.h"

#include "channels/AtResultCode.h"
#include "channels/TtapiTexts.h"
#include "platform/OsError.h"

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace channels {

namespace {

using namespace at_timing;
using Clock = AtTerminal::Clock;
using Io = AtTerminal::Io;

// Echo off, results in words, DCD follows the carrier, DTR low hangs up.
constexpr const char* BaseSetup = "ATE0V1Q0&C1&D2";
// No answer within 120 s and no dial tone within 2 s end the attempt. A
// modem that does not know the registers still dials: the dialer keeps
// its own limit.
constexpr const char* CallTimers = "ATS6=2S7=120";
constexpr const char* Escape = "+++";

std::string Formatted(const char* format, const std::string& argument) {
    char text[512];
    std::snprintf(text, sizeof text, format, argument.c_str());
    return text;
}

std::string AsCommand(const std::string& init) {
    if (init.size() >= 2 && (init[0] == 'A' || init[0] == 'a') &&
        (init[1] == 'T' || init[1] == 't')) {
        return init;
    }
    return "AT" + init;
}

enum class Awaited { Fired, Cancelled, Timeout };

// Waits until `awaited` fires, `cancel` fires or the time runs out (-1
// waits without a limit).
Awaited WaitToken(const platform::CancelToken& awaited, const platform::CancelToken& cancel,
                  int limitMs) {
    pollfd items[2] = {{awaited.Fd(), POLLIN, 0}, {cancel.Fd(), POLLIN, 0}};
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int ready =
            ::poll(items, 2, limitMs < 0 ? -1 : static_cast<int>(std::max<long long>(left, 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (items[0].revents & POLLIN) {
            return Awaited::Fired;
        }
        return ready > 0 ? Awaited::Cancelled : Awaited::Timeout;
    }
}

} // namespace

CallSession::CallSession(ModemLineConfig line, int fd, std::shared_ptr<CallSession> previous)
    : Config(std::move(line)), OpenedFd(fd), Previous(std::move(previous)) {}

CallSession::~CallSession() {
    Hurry();
    Join();
    if (OpenedFd >= 0) {
        ::close(OpenedFd); // the thread never started
    }
}

void CallSession::Start(platform::MailAddress events, platform::MailAddress finished) {
    EventsAddress = std::move(events);
    FinishedAddress = std::move(finished);
    try {
        Thread = std::thread([this] { Run(); });
    } catch (const std::system_error& failure) {
        throw os_error(failure.code().value());
    }
}

void CallSession::Call(std::string dialable) {
    {
        std::lock_guard lock(Lock);
        if (Dialable || HangUpAsked) {
            return;
        }
        Dialable = std::move(dialable);
    }
    CallAsked.Cancel();
}

void CallSession::HangUp() {
    {
        std::lock_guard lock(Lock);
        HangUpAsked = true;
    }
    Wake.Cancel();
}

void CallSession::Hurry() {
    Rush.Cancel();
    HangUp();
}

std::optional<CallEvent> CallSession::NextEvent() {
    std::lock_guard lock(Lock);
    if (Events.empty()) {
        return std::nullopt;
    }
    CallEvent event = std::move(Events.front());
    Events.pop_front();
    return event;
}

DataLease CallSession::TakeData() {
    std::lock_guard lock(Lock);
    return std::move(Data);
}

bool CallSession::Finished() const {
    std::lock_guard lock(Lock);
    return Done;
}

void CallSession::Join() {
    if (Thread.joinable()) {
        Thread.join();
    }
}

void CallSession::Emit(CallEvent event) {
    {
        std::lock_guard lock(Lock);
        Events.push_back(std::move(event));
    }
    EventsAddress.Post(platform::WmUser);
}

void CallSession::Fail(std::string note) {
    if (!note.empty()) {
        Emit(CallEvent::Noted(std::move(note)));
    }
    Emit(CallEvent::Of(CallState::Disconnected));
}

void CallSession::FailRequest(std::string note) {
    Emit(CallEvent::Noted(text::TapiCallFailed));
    Fail(std::move(note));
}

void CallSession::Run() {
    if (OpenLine()) {
        std::string dialable;
        if (WaitForCall(dialable)) {
            bool dialled = false;
            switch (SetUpCall(dialable, dialled)) {
            case Outcome::Connected:
                HoldCall();
                break;
            case Outcome::Aborted:
                if (dialled) {
                    AbortDialling();
                }
                break;
            case Outcome::Failed:
                break;
            }
        }
    }
    Terminal.reset(); // closing drops DTR (HUPCL)
    {
        std::lock_guard lock(Lock);
        Data.Release();
        Done = true;
    }
    Ended.Cancel();
    FinishedAddress.Post(platform::WmUser);
}

bool CallSession::OpenLine() {
    int fd = OpenedFd;
    OpenedFd = -1;
    if (fd < 0) {
        if (Previous) {
            Emit(CallEvent::Noted(text::LineBusyWaiting));
            if (WaitToken(Previous->Ended, Wake, -1) != Awaited::Fired) {
                return false;
            }
            Previous.reset();
        }
        try {
            fd = AtTerminal::OpenDevice(Config.Device);
        } catch (const std::exception& failure) {
            Emit(CallEvent::Noted(failure.what()));
            Fail(text::LineOpenFailed);
            return false;
        }
    }
    Previous.reset();
    Terminal = std::make_unique<AtTerminal>(fd);
    return true;
}

bool CallSession::WaitForCall(std::string& dialable) {
    if (WaitToken(CallAsked, Wake, -1) != Awaited::Fired) {
        return false;
    }
    std::lock_guard lock(Lock);
    dialable = Dialable.value_or("");
    return !HangUpAsked;
}

CallSession::Reply CallSession::Command(const std::string& command, int tries,
                                        std::chrono::milliseconds wait,
                                        const platform::CancelToken& cancel) {
    for (int attempt = 0; attempt < tries; ++attempt) {
        switch (Terminal->Write(command + "\r", cancel)) {
        case Io::Done:
            break;
        case Io::Cancelled:
            return Reply::Cancelled;
        case Io::Timeout:
            continue;
        case Io::Lost:
            return Reply::Lost;
        }
        const Clock::time_point deadline = Clock::now() + wait;
        for (;;) {
            std::string line;
            const Io read = Terminal->ReadLine(line, deadline, cancel);
            if (read == Io::Cancelled) {
                return Reply::Cancelled;
            }
            if (read == Io::Lost) {
                return Reply::Lost;
            }
            if (read == Io::Timeout) {
                break;
            }
            const AtResult result = ParseResultCode(line);
            if (result == AtResult::Ok) {
                return Reply::Ok;
            }
            if (result == AtResult::Error) {
                return Reply::Refused;
            }
            // Echo, information texts and stray results are not the answer.
        }
    }
    return Reply::Silent;
}

CallSession::Outcome CallSession::SetUpCall(const std::string& dialable, bool& dialled) {
    struct Step {
        std::string Command;
        int Tries;
        std::chrono::milliseconds Wait;
        bool MayRefuse;
    };
    std::vector<Step> steps = {{"AT", WakeTries, WakeReply, false}};
    if (!Config.Init.empty()) {
        steps.push_back({AsCommand(Config.Init), 1, CommandReply, false});
    }
    steps.push_back({BaseSetup, 1, CommandReply, false});
    steps.push_back({CallTimers, 1, CommandReply, true});

    Terminal->FlushInput();
    for (const Step& step : steps) {
        switch (Command(step.Command, step.Tries, step.Wait, Wake)) {
        case Reply::Ok:
            break;
        case Reply::Refused:
            if (step.MayRefuse) {
                break;
            }
            FailRequest(Formatted(text::ModemRefused, step.Command));
            return Outcome::Failed;
        case Reply::Silent:
            FailRequest(text::ModemSilent);
            return Outcome::Failed;
        case Reply::Cancelled:
            return Outcome::Aborted;
        case Reply::Lost:
            Fail(text::ModemLineLost);
            return Outcome::Failed;
        }
    }
    dialled = true;
    return Dial(dialable);
}

CallSession::Outcome CallSession::Dial(const std::string& dialable) {
    switch (Terminal->Write("ATD" + dialable + "\r", Wake)) {
    case Io::Done:
        break;
    case Io::Cancelled:
        return Outcome::Aborted;
    case Io::Timeout:
        FailRequest(text::ModemSilent);
        return Outcome::Failed;
    case Io::Lost:
        Fail(text::ModemLineLost);
        return Outcome::Failed;
    }
    Emit(CallEvent::Of(CallState::Dialing));
    Emit(CallEvent::Of(CallState::Proceeding));
    const Clock::time_point deadline = Clock::now() + DialResult;
    for (;;) {
        std::string line;
        switch (Terminal->ReadLine(line, deadline, Wake)) {
        case Io::Done:
            break;
        case Io::Cancelled:
            return Outcome::Aborted;
        case Io::Timeout:
            AbortDialling();
            Fail(text::NoAnswer);
            return Outcome::Failed;
        case Io::Lost:
            Fail(text::ModemLineLost);
            return Outcome::Failed;
        }
        const DialOutcome outcome = OutcomeOfDialling(ParseResultCode(line));
        if (outcome.Report != CallState::Unknown) {
            Emit(CallEvent::Of(outcome.Report));
        }
        if (!outcome.Final) {
            continue;
        }
        if (outcome.Connected) {
            return Outcome::Connected;
        }
        Fail(outcome.Note ? outcome.Note : "");
        return Outcome::Failed;
    }
}

void CallSession::HoldCall() {
    // From now on a lost carrier hangs the line up, so that whoever waits
    // on it learns at once.
    if (Terminal->Carrier().value_or(false)) {
        Terminal->SetLocal(false);
    }
    const int data = ::fcntl(Terminal->Fd(), F_DUPFD_CLOEXEC, 0);
    if (data < 0) {
        FailRequest(platform::ErrnoText(errno));
        Terminal->SetLocal(true);
        HangUpModem();
        return;
    }
    {
        std::lock_guard lock(Lock);
        Data = DataLease(data, LeaseBack);
    }
    Emit(CallEvent::Of(CallState::Connected));
    if (Terminal->WatchCall(Wake) == Io::Lost) {
        Emit(CallEvent::Of(CallState::Disconnected));
        return; // nothing to hang up: the line has gone
    }
    if (!WaitForLease()) {
        return;
    }
    Terminal->SetLocal(true);
    HangUpModem();
}

bool CallSession::WaitForLease() {
    {
        std::lock_guard lock(Lock);
        Data.Release(); // not taken: nobody uses the line
    }
    // A lease kept too long does not keep the call up for ever.
    return WaitToken(*LeaseBack, Rush, static_cast<int>(LeaseReturn.count())) != Awaited::Cancelled;
}

void CallSession::AbortDialling() {
    if (Rush.IsCancelled()) {
        return;
    }
    // Any character ends a call being set up; the modem answers NO CARRIER.
    if (Terminal->Write("\r", Rush) != Io::Done) {
        return;
    }
    const Clock::time_point deadline = Clock::now() + AbortReply;
    std::string line;
    while (Terminal->ReadLine(line, deadline, Rush) == Io::Done) {
        if (ParseResultCode(line) != AtResult::None) {
            break;
        }
    }
}

void CallSession::HangUpModem() {
    if (Rush.IsCancelled()) {
        return;
    }
    if (Terminal->HasModemControl()) {
        Terminal->SetDtr(false);
        const bool waited = Rush.SleepFor(DtrDrop);
        const std::optional<bool> carrier = Terminal->Carrier();
        Terminal->SetDtr(true);
        if (!waited || carrier == false) {
            return;
        }
    }
    // In-band: silence, "+++", silence, and the modem is back in command
    // mode with the call still up; ATH ends it.
    Terminal->FlushInput();
    const auto guard = Config.GuardTime + std::chrono::milliseconds(100);
    if (!Rush.SleepFor(guard) || Terminal->Write(Escape, Rush) != Io::Done) {
        return;
    }
    const Clock::time_point deadline = Clock::now() + guard + std::chrono::milliseconds(2000);
    std::string line;
    for (;;) {
        if (Terminal->ReadLine(line, deadline, Rush) != Io::Done) {
            return;
        }
        const AtResult result = ParseResultCode(line);
        if (result == AtResult::Ok) {
            break;
        }
        if (result == AtResult::NoCarrier) {
            return; // the call had ended already
        }
    }
    Command("ATH", 1, CommandReply, Rush);
}

} // namespace channels
