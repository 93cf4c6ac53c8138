#pragma once

#include "platform/CancelToken.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace channels {

// The dialer's side of a modem line: a terminal device in raw 8N1 at
// 19200 bit/s, read as lines of text and written as commands. Every wait
// also watches a cancel token. Lines without modem control
// (pseudo-terminals answer the status requests with ENOTTY or EINVAL) work
// without DTR and carrier detect; the calls on them do nothing.
class AtTerminal {
public:
    using Clock = std::chrono::steady_clock;

    enum class Io { Done, Timeout, Cancelled, Lost };

    // Opens the device for the terminal; raises std::runtime_error naming
    // the device and the system's reason when it cannot be opened or is not
    // a terminal.
    // The line starts with modem status ignored (CLOCAL), so that opening
    // and commands work without a carrier, and with HUPCL, so that closing
    // it drops DTR and with it any call.
    static int OpenDevice(const std::string& path);

    // Takes the descriptor over; it is closed with the terminal.
    explicit AtTerminal(int fd);
    ~AtTerminal();
    AtTerminal(const AtTerminal&) = delete;
    AtTerminal& operator=(const AtTerminal&) = delete;

    int Fd() const { return Descriptor; }
    bool HasModemControl() const { return ModemControl; }

    // Writes every byte within the time; Lost when the line has gone.
    Io Write(std::string_view text, const platform::CancelToken& cancel,
             std::chrono::milliseconds limit = std::chrono::seconds(2));
    // The next line that is not empty, without its end; lines end at CR or LF.
    Io ReadLine(std::string& line, Clock::time_point deadline, const platform::CancelToken& cancel);
    // Drops what has come in and not been read.
    void FlushInput();

    // Carrier detect; nothing on a line without modem control or on a lost one.
    std::optional<bool> Carrier();
    void SetDtr(bool raise);
    // CLOCAL on: modem status ignored; off: losing the carrier hangs the line up.
    void SetLocal(bool local);

    // Waits while the call is up: Lost when the line hangs up or the carrier
    // drops, Cancelled when the token fires.
    Io WatchCall(const platform::CancelToken& cancel);

    // The speed between the computer and the modem.
    static constexpr std::uint32_t LineSpeed = 19200;

private:
    static constexpr std::size_t MaxPending = 512;
    static constexpr std::chrono::milliseconds CarrierPoll{100};

    // Waits for `events` on the line or the token until the deadline.
    Io WaitFor(short events, Clock::time_point deadline, const platform::CancelToken& cancel);
    bool TakeLine(std::string& line);

    int Descriptor;
    bool ModemControl = false;
    std::string Pending;
};

} // namespace channels
