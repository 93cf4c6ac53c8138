#pragma once

#include "channels/AtTerminal.h"
#include "channels/ModemDataLease.h"
#include "channels/ModemLineList.h"
#include "channels/TtapiCallState.h"
#include "platform/CancelToken.h"
#include "platform/Mailbox.h"

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace channels {

// Waits of the AT conversation.
namespace at_timing {
using std::chrono::milliseconds;
inline constexpr int WakeTries = 3;
inline constexpr milliseconds WakeReply{1000};
inline constexpr milliseconds CommandReply{3000};
// The modem is told to give up after 120 s without an answer (S7) and
// after 2 s without a dial tone (S6); this is the dialer's own limit.
inline constexpr milliseconds DialResult{122000};
inline constexpr milliseconds AbortReply{3000};
inline constexpr milliseconds DtrDrop{800};
// How long a hang-up waits for the data descriptor to come back.
inline constexpr milliseconds LeaseReturn{15000};
} // namespace at_timing

// What a call reports: a state, or a note on why it did not come about
// (told just before the call ends).
struct CallEvent {
    bool IsState = false;
    CallState State = CallState::Unknown;
    std::string Note;

    static CallEvent Of(CallState state) { return {true, state, {}}; }
    static CallEvent Noted(std::string note) {
        return {false, CallState::Unknown, std::move(note)};
    }
};

// One call over one modem line, held by its own thread from the opening of
// the line to its closing: wakes the modem, sends the init strings, dials,
// reports the call states, lends the connected line's data descriptor, and
// hangs up (escape and ATH, or DTR) once the lease is back. Everything the
// user-interface thread asks returns at once; the thread reports through
// the events mailbox (one message per event, taken with NextEvent) and,
// when it has ended, through the finished mailbox.
class CallSession {
public:
    // `fd` is the opened device; -1 makes the session open it itself once
    // `previous` (a call on the same line still hanging up) has ended.
    CallSession(ModemLineConfig line, int fd, std::shared_ptr<CallSession> previous);
    // Cuts the hang-up short and waits for the thread.
    ~CallSession();
    CallSession(const CallSession&) = delete;
    CallSession& operator=(const CallSession&) = delete;

    // Starts the thread; raises os_error when it cannot be made.
    void Start(platform::MailAddress events, platform::MailAddress finished);
    // Places the call. Once per session.
    void Call(std::string dialable);
    // Ends the call, or its setting up; the session ends after the hang-up.
    void HangUp();
    // Ends without talking to the modem any more: closing the line drops DTR.
    void Hurry();

    // User-interface thread: the oldest event not yet taken.
    std::optional<CallEvent> NextEvent();
    // User-interface thread: the connected call's data descriptor, once.
    DataLease TakeData();

    bool Finished() const;
    // Waits until the thread has ended (at once after Finished).
    void Join();
    const ModemLineConfig& Line() const { return Config; }

private:
    enum class Reply { Ok, Refused, Silent, Cancelled, Lost };
    enum class Outcome { Connected, Failed, Aborted };

    void Run();
    bool OpenLine();
    bool WaitForCall(std::string& dialable);
    Outcome SetUpCall(const std::string& dialable, bool& dialled);
    Outcome Dial(const std::string& dialable);
    void HoldCall();
    void AbortDialling();
    void HangUpModem();
    bool WaitForLease();

    Reply Command(const std::string& command, int tries, std::chrono::milliseconds wait,
                  const platform::CancelToken& cancel);
    void Emit(CallEvent event);
    // The call ends: the note on why (when there is one), then DISCONNECTED.
    void Fail(std::string note);
    // The same for a request the modem did not carry out.
    void FailRequest(std::string note);

    const ModemLineConfig Config;
    int OpenedFd;
    std::shared_ptr<CallSession> Previous;
    std::unique_ptr<AtTerminal> Terminal;

    platform::CancelToken CallAsked; // the number has come
    platform::CancelToken Wake;      // a hang-up (or a hurry) was asked for
    platform::CancelToken Rush;      // hurry: cut the hang-up short
    platform::CancelToken Ended;     // the thread has done its work
    std::shared_ptr<platform::CancelToken> LeaseBack = std::make_shared<platform::CancelToken>();

    mutable std::mutex Lock;
    std::optional<std::string> Dialable;
    bool HangUpAsked = false;
    std::deque<CallEvent> Events;
    DataLease Data;
    bool Done = false;

    platform::MailAddress EventsAddress;
    platform::MailAddress FinishedAddress;
    std::thread Thread;
};

} // namespace channels
