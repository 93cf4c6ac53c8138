#include "platform/UiQueue.h"

#include <atomic>
#include <stdexcept>

namespace platform {

namespace {
std::atomic<UiQueue*> Installed{nullptr};
}

UiQueue& MainQueue() {
    UiQueue* queue = Installed.load(std::memory_order_acquire);
    if (!queue) {
        throw std::logic_error("no user-interface queue is installed");
    }
    return *queue;
}

MainQueueScope::MainQueueScope(UiQueue& queue)
    : Previous(Installed.exchange(&queue, std::memory_order_acq_rel)) {}

MainQueueScope::~MainQueueScope() {
    Installed.store(Previous, std::memory_order_release);
}

} // namespace platform
