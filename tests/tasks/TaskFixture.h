#pragma once

#include "FakeChanel.h"
#include "persistence/TempFolder.h"
#include "platform/EventLoop.h"
#include "tasks/Rx58Task.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace tasks::testing {

// Tasks over a FakeChanel, with a private settings store and a private
// event loop. Ticks are driven by hand; completions are delivered after
// each tick, as the channel's queue would deliver them.
class TaskFixture : public ::testing::Test {
protected:
    TaskFixture() {
        context.ui = &loop;
        context.store = persistence::SettingsStore(folder / "RX58Manager.reg");
        context.makeChanel = [this](const RX58ChanelSetup& setup, platform::UiQueue& ui) {
            madeWith = setup;
            ++chanelsMade;
            if (refuseChanel)
                return ChanelPlan{};
            auto made = std::make_unique<FakeChanel>(ui);
            chanel = made.get();
            chanel->Answer = answer;
            chanel->LoseEmptyReplies = loseEmptyReplies;
            return ChanelPlan{std::move(made), [this](TQueueIDChanel& c) {
                                  if (!startFailure.empty())
                                      return startFailure;
                                  auto& fake = static_cast<FakeChanel&>(c);
                                  fake.SetChanelState(csConnecting);
                                  if (connectOnStart)
                                      fake.Connect();
                                  return std::string();
                              }};
        };
    }

    void Ticks(RX58Task& task, int count) {
        for (int i = 0; i < count; ++i) {
            task.Tick();
            if (chanel && task.GetChanel() == chanel)
                chanel->Deliver();
        }
    }

    // Ticks until the task ends; false when it has not ended within the bound.
    bool RunToEnd(RX58Task& task, int maxTicks = 100000) {
        for (int i = 0; i < maxTicks; ++i) {
            if (task.GetState() >= tsDone)
                return true;
            Ticks(task, 1);
        }
        return task.GetState() >= tsDone;
    }

    // Ticks until the given step has sent a request.
    bool RunToRequest(RX58Task& task, int step, int maxTicks = 1000) {
        for (int i = 0; i < maxTicks; ++i) {
            if (chanel && !chanel->SentFrames.empty() && chanel->SentFrames.back().Id == step)
                return true;
            if (task.GetState() >= tsDone)
                return false;
            Ticks(task, 1);
        }
        return false;
    }

    platform::EventLoop loop;
    platform::MainQueueScope mainQueue{loop};
    TempFolder folder;
    TaskContext context;
    FakeChanel::Responder answer;
    FakeChanel* chanel = nullptr;
    RX58ChanelSetup madeWith{};
    int chanelsMade = 0;
    bool refuseChanel = false;
    bool connectOnStart = true;
    bool loseEmptyReplies = true;
    std::string startFailure;
};

} // namespace tasks::testing
