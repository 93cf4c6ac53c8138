#include "channels/SocketLibrary.h"

#include <atomic>

namespace channels {

namespace {
std::atomic<int> startCount{0};
}

void SocketLibraryStart() {
    startCount.fetch_add(1);
}

void SocketLibraryStop() {
    // A stop without a start is ignored rather than driving the count negative.
    int count = startCount.load();
    while (count > 0 && !startCount.compare_exchange_weak(count, count - 1)) {
    }
}

bool SocketLibraryStarted() {
    return startCount.load() > 0;
}

} // namespace channels
