#pragma once

#include "platform/Mailbox.h"

#include <mutex>
#include <thread>

// Network events of a socket delivered on the user-interface thread, one
// at a time and re-enabled the way window-message notification works: a
// read event comes once and again only after the owner has received, a
// write event once the connection is up and again only after a send found
// the socket full, an accept event again only after an accept.

namespace channels {

enum class SocketEvent { Accept, Close, Connect, OutOfBand, Read, Write };

// The message a socket event arrives as: wParam the SocketEvent, lParam the
// error code (0, or the errno value the connection failed or closed with).
inline constexpr unsigned SocketMessage = platform::WmUser + 100;

class SocketNotifier {
public:
    // What the socket is doing, which decides the events watched.
    enum class Mode { Idle, Connecting, Connected, Listening };

    // Starts the watcher thread over `fd`, which the owner keeps open until
    // this object is destroyed; events go to `notify` as SocketMessage.
    // Throws std::system_error if no thread or wake-up descriptor can be made.
    SocketNotifier(int fd, Mode mode, platform::MailAddress notify);
    // Stops the watcher. Events already posted stay with the mailbox, which
    // its owner closes to drop them.
    ~SocketNotifier();
    SocketNotifier(const SocketNotifier&) = delete;
    SocketNotifier& operator=(const SocketNotifier&) = delete;

    void SetMode(Mode mode);
    // The owner consumed what the event announced: watch for it again.
    void Rearm(SocketEvent event);

private:
    struct Armed {
        bool read = true;
        bool write = false;
        bool outOfBand = true;
        bool accept = true;
        bool closed = false;
        bool parked = false;
    };

    void Run();
    short WatchedEvents();
    bool Handle(short revents);
    void Post(SocketEvent event, int error);
    void Wake();

    int fd_;
    int wakeFd_;
    platform::MailAddress notify_;
    std::mutex mutex_;
    Mode mode_;
    Armed armed_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace channels
