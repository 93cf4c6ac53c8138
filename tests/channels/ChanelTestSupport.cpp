#include "ChanelTestSupport.h"

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
    return ThreadCount();
}

} // namespace channels::testing
