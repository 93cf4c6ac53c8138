#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The directory of a GPRS relay server: the server greets with "GPRSSRV"
// and reports a list of fixed-size entries, kept as received.

class TSyncSocket;

namespace channels {

inline constexpr int RelayEntrySize = 27;
using RelayEntry = std::array<std::uint8_t, RelayEntrySize>;

// Waits of the query: for the connection and the first bytes of each
// reply, and for each further piece of a reply.
inline constexpr int RelayTimeout = 2000;
inline constexpr int RelayChunkTimeout = 10;
// More entries than this is not a directory but a hostile or broken
// server; the query refuses it instead of reading without end.
inline constexpr std::uint32_t RelayMaxEntries = 100000;

// Connects to the relay at `host`:`port` and appends its entries, in
// order, to `entries`. False on any socket failure, short or unexpected
// reply; `entries` is then left as it was.
bool QueryRelayDirectory(const std::string& host, std::uint16_t port,
                         std::vector<RelayEntry>& entries);

// The same exchange over a connection already made: greeting, count and
// list, each reply checked before it is trusted.
bool ExchangeRelayDirectory(TSyncSocket& socket, std::vector<RelayEntry>& entries);

} // namespace channels
