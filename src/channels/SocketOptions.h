#pragma once

#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>

namespace channels {

// The error a socket has pending (how its connection failed or broke),
// 0 when none; reading it clears it.
inline int PendingSocketError(int fd) {
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        return errno;
    return error;
}

// True when a TCP socket ended up connected to itself: connecting to a
// free local port can pick that very port as the socket's own and "succeed"
// with nobody at the other end.
inline bool IsSelfConnected(int fd) {
    int type = 0;
    socklen_t typeSize = sizeof type;
    sockaddr_in local{}, peer{};
    socklen_t localSize = sizeof local, peerSize = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeSize) == 0 && type == SOCK_STREAM &&
           getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) == 0 &&
           getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0 &&
           local.sin_family == AF_INET && local.sin_port == peer.sin_port &&
           local.sin_addr.s_addr == peer.sin_addr.s_addr;
}

// How a finished connection attempt ended: 0, or why it failed (a
// connection to itself counts as refused).
inline int ConnectResult(int fd) {
    const int error = PendingSocketError(fd);
    if (error != 0)
        return error;
    return IsSelfConnected(fd) ? ECONNREFUSED : 0;
}

} // namespace channels
