#include "platform/Mailbox.h"

#include <atomic>
#include <utility>

namespace platform {

namespace detail {
struct MailboxState {
    MailboxState(UiQueue& queue, Mailbox::Handler handler)
        : Queue(queue), Deliver(std::move(handler)) {}
    UiQueue& Queue;
    // Written on the user-interface thread only; read there on delivery
    // (authoritative) and by posting threads to skip needless posts.
    std::atomic<bool> Open{true};
    // Never reassigned after construction, so a delivery may run while the
    // handler closes its own mailbox.
    const Mailbox::Handler Deliver;
};
} // namespace detail

bool MailAddress::Post(const Message& message) const {
    if (!State || !State->Open.load(std::memory_order_acquire)) {
        return false;
    }
    State->Queue.Post([state = State, message] {
        if (state->Open.load(std::memory_order_acquire) && state->Deliver) {
            state->Deliver(message);
        }
    });
    return true;
}

Mailbox::Mailbox(UiQueue& queue, Handler handler)
    : State(std::make_shared<detail::MailboxState>(queue, std::move(handler))) {}

Mailbox::~Mailbox() {
    Close();
}

void Mailbox::Close() {
    State->Open.store(false, std::memory_order_release);
}

bool Mailbox::IsOpen() const {
    return State->Open.load(std::memory_order_acquire);
}

} // namespace platform
