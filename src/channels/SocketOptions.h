#pragma once

#include <cerrno>
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

} // namespace channels
