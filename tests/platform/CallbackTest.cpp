#include "platform/Callback.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Base {
    virtual ~Base() = default;
    virtual void OnValue(int value) { Seen.push_back("base " + std::to_string(value)); }
    std::vector<std::string> Seen;
};

struct Derived : Base {
    void OnValue(int value) override { Seen.push_back("derived " + std::to_string(value)); }
};

TEST(Callback, EmptyIsNotCalled) {
    platform::Callback<void(int)> event;
    EXPECT_FALSE(event);
    event(1); // nothing happens
    event = nullptr;
    EXPECT_FALSE(event);
    Base* none = nullptr;
    event = {none, &Base::OnValue};
    EXPECT_FALSE(event) << "a method of no object is an empty handler";
}

TEST(Callback, MethodOfAnObjectDispatchesVirtually) {
    Derived object;
    platform::Callback<void(int)> event(&object, &Base::OnValue);
    ASSERT_TRUE(event);
    event(7);
    EXPECT_EQ(object.Seen, std::vector<std::string>{"derived 7"});
}

TEST(Callback, HandlerMayClearItsOwnEvent) {
    platform::Callback<void(int)> event;
    std::string trace = "captured text that keeps the lambda's storage on the heap";
    int calls = 0;
    event = [&event, &calls, trace](int) {
        event = nullptr; // destroys the stored function while it runs
        ++calls;
        EXPECT_FALSE(trace.empty());
    };
    event(1);
    event(2);
    EXPECT_EQ(calls, 1);
}

} // namespace
