#pragma once

#include "channels/comprt/ComPortList.h"
#include "channels/comprt/KernelObject.h"
#include "channels/comprt/Thread.h"
#include "platform/CancelToken.h"
#include "platform/Mailbox.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace comprt {

// Read and write time-outs in milliseconds, as a serial driver keeps them.
// A read ends when its buffer is full, when ReadIntervalTimeout passes
// without a byte once one has come, or when ReadTotalTimeoutMultiplier *
// size + ReadTotalTimeoutConstant has passed in all; a zero disables that
// limit. Writes are limited the same way by the two Write fields.
struct CommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

// DTR and RTS right after opening: raised (enable) or dropped (disable).
enum LineControl { lcEnable, lcDisable };

// Line events a watcher reports (the bits of a notification's wParam).
inline constexpr std::uint32_t EV_CTS = 0x0008;
inline constexpr std::uint32_t EV_DSR = 0x0010;
inline constexpr std::uint32_t EV_RLSD = 0x0020; // carrier detect changed
inline constexpr std::uint32_t EV_RING = 0x0100;
inline constexpr std::uint32_t EV_HANGUP = 0x8000; // the line hung up; always reported

// A serial port over a terminal device. Its I/O runs on one thread (the
// channel's worker); an optional watcher thread reports line events of an
// adopted modem line. Every blocking wait also watches the cancel token
// given at construction and ends with "Операция прервана" when it fires.
//
// A device that vanishes (USB adapter pulled, line hung up) fails the
// operation under way with "Связь с COM-портом потеряна: ..." and every
// later one the same way until the port is opened again.
class ComPort : public Thread {
public:
    using ComList = comprt::ComList;

    // How often the watcher looks at the modem status lines.
    static constexpr std::chrono::milliseconds WatchInterval{50};

    explicit ComPort(const platform::CancelToken* cancel = nullptr);
    ~ComPort() override;

    // Closes any open port, then opens the named one (see DevicePath)
    // exclusively with the program's line settings, DTR and RTS as `lines`
    // says, and every time-out 0 but ReadTotalTimeoutConstant. A port that
    // cannot be opened raises "COM-порт не открыт: <path>: <reason>"; a
    // failure while setting it up closes it and raises os_error.
    void Open(const std::string& name, std::uint32_t baudRate, std::uint32_t readTotalTimeout,
              LineControl lines = lcEnable);
    // Adopts a descriptor opened by someone else; it is never closed here.
    // A negative one is ignored; one that is not a character device raises
    // "Неверный дескриптор порта". Line settings are left alone.
    void Attach(int fd);
    // Stops the watcher and closes the port (an adopted descriptor stays
    // open for its owner). Nothing happens on a closed port.
    void Close();

    bool IsOpen() const { return Fd >= 0; }
    bool IsAttached() const { return Attached; }
    int Handle() const { return Fd; }
    // False once a line has refused modem control (pseudo-terminals): the
    // DTR/RTS calls then do nothing.
    bool HasModemControl() const { return ModemControlAvailable; }

    // Reads up to size bytes; ends as CommTimeouts says. Returns the count,
    // 0 when nothing came in time.
    std::size_t Read(void* buffer, std::size_t size);
    // Writes every byte or raises (os_error ETIMEDOUT when the write time-out
    // runs out first).
    void Write(const void* buffer, std::size_t size);
    // Discards what is waiting in either direction.
    void Purge();
    CommTimeouts GetTimeouts() const;
    void SetTimeouts(const CommTimeouts& timeouts);
    void SetDtr();
    void ClrDtr();
    void SetRts();
    void ClrRts();

    // Starts the watcher (stopping a running one): it posts `message` to
    // `notify` with the events of `mask` that occur as wParam, and EV_HANGUP
    // when the line hangs up.
    void WatchEvents(std::uint32_t mask, platform::MailAddress notify, unsigned message);
    void StopWatching();

protected:
    void Run() override; // the watcher

private:
    enum class Wait { Ready, Timeout, Cancelled };

    void CheckOpen() const;
    void CheckUsable() const;
    void MarkLost();
    [[noreturn]] void RaiseLost();
    // Waits until the port is ready for `events` (or reports a hang-up),
    // the time runs out (-1: no limit) or the cancel token fires.
    Wait WaitFor(short events, int timeoutMs, short& revents) const;
    void ChangeLines(int bits, bool raise);
    void ForgetDescriptor();

    const platform::CancelToken* Cancel;
    KernelObject Owned; // the descriptor when the port opened it itself
    int Fd = -1;
    bool Attached = false;
    bool ModemControlAvailable = true;
    CommTimeouts Timeouts;

    // Set by the worker's I/O or by the watcher when the line has gone.
    mutable std::mutex PortLock;
    bool Lost = false;

    platform::CancelToken StopEvent;
    std::uint32_t WatchMask = 0;
    platform::MailAddress NotifyWindow;
    unsigned NotifyMessage = 0;
};

} // namespace comprt
