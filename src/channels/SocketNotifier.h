#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Network events of a socket delivered on the user-interface thread, one
// at a time and re-enabled the way window-message notification works: a
// read event comes once and again only after the owner has received, a
// write event once the connection is up and again only after a send found
// the socket full, an accept event again only after an accept.

namespace channels {

enum class SocketEvent { Accept, Close, Connect, OutOfBand, Read, Write };

// Hands a piece of work to the user-interface thread; must be callable from
// any thread and run the work there in the order it was given.
using UiPoster = std::function<void(std::function<void()>)>;

class SocketNotifier {
public:
    // Called on the user-interface thread with the event and its error
    // code (0, or the errno value the connection failed or closed with).
    using Deliver = std::function<void(SocketEvent, int error)>;

    // What the socket is doing, which decides the events watched.
    enum class Mode { Idle, Connecting, Connected, Listening };

    // Starts the watcher thread over `fd`, which the owner keeps open until
    // this object is destroyed. Throws std::system_error if no thread or
    // wake-up descriptor can be made.
    SocketNotifier(int fd, Mode mode, UiPoster poster, Deliver deliver);
    // Stops the watcher; events already posted but not yet run are dropped.
    // Destroy on the thread the events are delivered on.
    ~SocketNotifier();
    SocketNotifier(const SocketNotifier&) = delete;
    SocketNotifier& operator=(const SocketNotifier&) = delete;

    void SetMode(Mode mode);
    // The owner consumed what the event announced: watch for it again.
    void Rearm(SocketEvent event);

private:
    struct Target; // shared with posted work, outlives this object
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
    UiPoster poster_;
    std::shared_ptr<Target> target_;
    std::mutex mutex_;
    Mode mode_;
    Armed armed_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace channels
