#include "ChanelTestSupport.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace channels::testing {

int ThreadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

int ThreadBaseline() {
    std::thread([] {}).join();
    // The joined thread can still be listed for a moment: count once two
    // readings a little apart agree.
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    int count = ThreadCount();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const int again = ThreadCount();
        if (again == count || std::chrono::steady_clock::now() >= deadline)
            return again;
        count = again;
    }
}

int SettledThreadCount(int expected) {
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    int count = ThreadCount();
    while (count != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        count = ThreadCount();
    }
    return count;
}

} // namespace channels::testing
