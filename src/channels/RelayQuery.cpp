#include "channels/RelayQuery.h"

#include "channels/SocketCore.h"

#include <cstring>

namespace channels {

namespace {

constexpr std::uint8_t greetingRequest[] = {0x00};
constexpr char greetingName[] = "GPRSSRV";
constexpr int greetingSize = 12;
constexpr std::uint8_t countRequest[] = {0x01, 0x01};
constexpr std::uint8_t listRequest[] = {0x02, 0x01};
constexpr int countReplySize = 6;
// Entries are collected this many at a time, so memory grows with what
// has arrived, never with what a count field claims.
constexpr int entriesPerPiece = 64;

template <std::size_t N>
bool SendAll(TSyncSocket& socket, const std::uint8_t (&request)[N]) {
    return socket.Send(request, N) == static_cast<int>(N);
}

// Exactly `size` bytes in one Receive, as each reply is expected whole.
bool ReceiveExactly(TSyncSocket& socket, std::uint8_t* buffer, int size) {
    return socket.Receive(buffer, size) == size;
}

std::uint32_t LittleEndian32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Sends `request` and reads the 6-byte reply whose first byte repeats the
// request's; the count in bytes 2 to 5 goes to `count`.
template <std::size_t N>
bool AskCount(TSyncSocket& socket, const std::uint8_t (&request)[N], std::uint32_t& count) {
    std::uint8_t reply[countReplySize];
    if (!SendAll(socket, request) || !ReceiveExactly(socket, reply, countReplySize) ||
        reply[0] != request[0])
        return false;
    count = LittleEndian32(reply + 2);
    return true;
}

// Receives `count` entries, repeating Receive until all have arrived.
bool ReceiveEntries(TSyncSocket& socket, std::uint32_t count, std::vector<RelayEntry>& out) {
    std::uint8_t piece[entriesPerPiece * RelayEntrySize];
    std::uint32_t left = count;
    while (left > 0) {
        const std::uint32_t now = left < entriesPerPiece ? left : entriesPerPiece;
        const int wanted = static_cast<int>(now) * RelayEntrySize;
        int filled = 0;
        while (filled < wanted) {
            const int got = socket.Receive(piece + filled, wanted - filled);
            if (got <= 0)
                return false;
            filled += got;
        }
        for (std::uint32_t i = 0; i < now; ++i) {
            RelayEntry entry;
            std::memcpy(entry.data(), piece + i * RelayEntrySize, RelayEntrySize);
            out.push_back(entry);
        }
        left -= now;
    }
    return true;
}

} // namespace

bool QueryRelayDirectory(const std::string& host, std::uint16_t port,
                         std::vector<RelayEntry>& entries) {
    TSyncSocket socket(RelayTimeout, RelayChunkTimeout);
    if (!socket.Create(0, "0", SOCK_STREAM, 0) || !socket.Connect(host, port))
        return false;
    return ExchangeRelayDirectory(socket, entries);
}

bool ExchangeRelayDirectory(TSyncSocket& socket, std::vector<RelayEntry>& entries) {
    std::uint8_t greeting[greetingSize];
    if (!SendAll(socket, greetingRequest) || !ReceiveExactly(socket, greeting, greetingSize) ||
        greeting[0] != 0x00 || std::memcmp(greeting + 1, greetingName, 7) != 0)
        return false;

    std::uint32_t count = 0;
    if (!AskCount(socket, countRequest, count))
        return false;
    if (count == 0)
        return true;

    if (!AskCount(socket, listRequest, count) || count > RelayMaxEntries)
        return false;
    std::vector<RelayEntry> received;
    if (!ReceiveEntries(socket, count, received))
        return false;
    entries.insert(entries.end(), received.begin(), received.end());
    return true;
}

} // namespace channels
