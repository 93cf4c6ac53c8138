#pragma once

#include "platform/UiQueue.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// Message numbers keep the meaning they have for a hidden message window:
// WmUser a completed request, WmUser + 1 the activity lamps, WmUser + 2 a
// line event.
inline constexpr unsigned WmUser = 0x0400;

struct Message {
    unsigned Code = 0;
    std::uintptr_t WParam = 0;
    std::uintptr_t LParam = 0;
};

namespace detail {
struct MailboxState;
}

// Where a worker thread posts to a Mailbox. Copyable and thread-safe; an
// empty address, or the address of a closed mailbox, swallows every post.
class MailAddress {
public:
    MailAddress() = default;

    // Returns false when the message was dropped because the mailbox is
    // closed (or the address is empty). A mailbox closed after the post but
    // before delivery drops the message too.
    bool Post(const Message& message) const;
    bool Post(unsigned code, std::uintptr_t wParam = 0, std::uintptr_t lParam = 0) const {
        return Post(Message{code, wParam, lParam});
    }

    explicit operator bool() const { return static_cast<bool>(State); }

private:
    friend class Mailbox;
    explicit MailAddress(std::shared_ptr<detail::MailboxState> state) : State(std::move(state)) {}
    std::shared_ptr<detail::MailboxState> State;
};

// The receiving end, owned by an object that lives on the user-interface
// thread: messages posted to its address are handed to the handler there, in
// the order they were posted, until the mailbox is closed. Closing (or
// destroying) it guarantees that the handler is never called again, so no
// message can reach a dead object.
class Mailbox {
public:
    using Handler = std::function<void(const Message&)>;

    Mailbox(UiQueue& queue, Handler handler);
    ~Mailbox();
    Mailbox(const Mailbox&) = delete;
    Mailbox& operator=(const Mailbox&) = delete;

    MailAddress Address() const { return MailAddress(State); }
    // On the user-interface thread; may be called from the handler itself.
    void Close();
    bool IsOpen() const;

private:
    std::shared_ptr<detail::MailboxState> State;
};

} // namespace platform
