#pragma once

// Start and stop of the socket library. POSIX sockets need no start-up, but
// the adapter client keeps the rule that nothing works before the library
// is started, so a forgotten start shows up as "Ошибка инициализации SOCKET"
// instead of working by accident on one platform and not on another.
// Starts are counted: the library stays started until every start has been
// matched by a stop.

namespace channels {

void SocketLibraryStart();
void SocketLibraryStop();
bool SocketLibraryStarted();

// Holds one start for its lifetime.
class SocketLibraryScope {
public:
    SocketLibraryScope() { SocketLibraryStart(); }
    ~SocketLibraryScope() { SocketLibraryStop(); }
    SocketLibraryScope(const SocketLibraryScope&) = delete;
    SocketLibraryScope& operator=(const SocketLibraryScope&) = delete;
};

} // namespace channels
