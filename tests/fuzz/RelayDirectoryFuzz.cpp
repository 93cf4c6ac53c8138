#include "ScriptedSocket.h"
#include "channels/RelayQuery.h"

#include <cstdlib>

// A relay server answering the directory query with whatever the input
// holds, piece by piece. A refused reply leaves the caller's list as it
// was; an accepted one adds no more entries than a directory may hold.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    fuzz::ScriptedSocket server;
    while (!input.Empty())
        server.Add(input.Piece());
    std::vector<channels::RelayEntry> entries(1);
    entries[0].fill(0x5A);
    const bool accepted = channels::ExchangeRelayDirectory(server, entries);
    if (entries.empty() || entries[0][0] != 0x5A)
        std::abort();
    if (!accepted && entries.size() != 1)
        std::abort();
    if (entries.size() > 1 + channels::RelayMaxEntries)
        std::abort();
    return 0;
}
