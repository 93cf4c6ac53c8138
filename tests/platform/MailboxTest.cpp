#include "platform/Mailbox.h"

#include "platform/EventLoop.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
constexpr auto Patience = 10s;

TEST(Mailbox, DeliversInOrderWithItsWords) {
    platform::EventLoop loop;
    std::vector<platform::Message> got;
    platform::Mailbox box(loop, [&](const platform::Message& m) { got.push_back(m); });
    const platform::MailAddress address = box.Address();
    std::thread worker([address] {
        for (unsigned i = 0; i < 50; ++i) {
            address.Post(platform::WmUser + i % 3, i, 1000 + i);
        }
    });
    worker.join();
    ASSERT_TRUE(loop.RunUntil([&] { return got.size() == 50; }, Patience));
    for (unsigned i = 0; i < 50; ++i) {
        EXPECT_EQ(got[i].Code, platform::WmUser + i % 3);
        EXPECT_EQ(got[i].WParam, i);
        EXPECT_EQ(got[i].LParam, 1000 + i);
    }
}

TEST(Mailbox, MessagesForAClosedMailboxAreDropped) {
    platform::EventLoop loop;
    int delivered = 0;
    auto box =
        std::make_unique<platform::Mailbox>(loop, [&](const platform::Message&) { ++delivered; });
    const platform::MailAddress address = box->Address();
    EXPECT_TRUE(address.Post(platform::WmUser)); // queued, not yet delivered
    box.reset();                                 // the owner goes away first
    EXPECT_FALSE(address.Post(platform::WmUser));
    loop.RunFor(10ms);
    EXPECT_EQ(delivered, 0);
    EXPECT_FALSE(platform::MailAddress().Post(platform::WmUser));
}

TEST(Mailbox, HandlerMayCloseItsOwnMailbox) {
    platform::EventLoop loop;
    int delivered = 0;
    std::unique_ptr<platform::Mailbox> box;
    box = std::make_unique<platform::Mailbox>(loop, [&](const platform::Message&) {
        ++delivered;
        box.reset(); // the owner deletes itself from its own handler
    });
    const platform::MailAddress address = box->Address();
    address.Post(platform::WmUser);
    address.Post(platform::WmUser);
    loop.RunFor(10ms);
    EXPECT_EQ(delivered, 1);
}

} // namespace
