#include "channels/ChanelTestSupport.h"
#include "channels/FakeDevice.h"
#include "persistence/TempFolder.h"
#include "platform/EventLoop.h"
#include "tasks/RX58ReadAllParamsTask.h"
#include "tasks/TaskTexts.h"

#include <gtest/gtest.h>

// Tasks over the real serial channel and a pseudo-terminal, driven by a
// 100 ms timer on an event loop as the program drives them.
namespace {

using channels::testing::Bytes;
using channels::testing::ReplyPiece;

class SerialTaskTest : public ::testing::Test {
protected:
    SerialTaskTest() { context.ui = &loop; }

    void UsePort(const std::string& path) {
        context.store = persistence::SettingsStore(folder / "RX58Manager.reg");
        RX58ChanelSetup setup;
        setup.Load(context.store);
        setup.ComPortName = path;
        ASSERT_TRUE(setup.Save(context.store));
    }

    // Ticks the task every 100 ms until the predicate holds (bounded).
    bool Drive(RX58Task& task, const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        const auto timer = loop.StartTimer(std::chrono::milliseconds(100), [&] { task.Tick(); });
        const bool reached = loop.RunUntil(done, limit);
        loop.StopTimer(timer);
        return reached;
    }

    int threadsBefore = channels::testing::ThreadBaseline();
    platform::EventLoop loop;
    platform::MainQueueScope mainQueue{loop};
    TempFolder folder;
    tasks::TaskContext context;
    RX58Valve data;
};

// A cancel while a transfer waits on a silent device: no exception leaves
// the timer, the channel closes once its read has ended, no thread is left.
TEST_F(SerialTaskTest, StopDuringASilentTransferClosesCleanly) {
    {
        channels::testing::FakeDevice device(
            [](const Bytes&) { return std::vector<ReplyPiece>{}; });
        UsePort(device.SlavePath());
        RX58ReadAllParamsTask task(context, &data, true);
        ASSERT_TRUE(Drive(task, [&] { return !device.Requests().empty(); }));
        task.Stop();
        ASSERT_NO_THROW(Drive(task, [&] {
            return task.GetChanel() && task.GetChanel()->GetState() == csDisconnected;
        }));
        EXPECT_EQ(task.GetChanel()->GetState(), csDisconnected);
        EXPECT_EQ(task.GetState(), tsStopped);
        // A few more ticks neither send nor raise.
        ASSERT_NO_THROW(loop.RunFor(std::chrono::milliseconds(300)));
        EXPECT_EQ(device.Requests().size(), 1u);
    }
    EXPECT_EQ(channels::testing::SettledThreadCount(threadsBefore), threadsBefore);
}

TEST_F(SerialTaskTest, SilentDeviceEndsWithNoReply) {
    channels::testing::FakeDevice device([](const Bytes&) { return std::vector<ReplyPiece>{}; });
    UsePort(device.SlavePath());
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(Drive(task, [&] { return task.GetState() >= tsDone; }));
    EXPECT_EQ(task.GetState(), tsFailed);
    EXPECT_EQ(task.GetStatusText(), tasks::texts::NoReply);
    EXPECT_EQ(device.Requests().size(), 4u) << "one request and three repetitions";
}

TEST_F(SerialTaskTest, MissingPortFailsToConnect) {
    UsePort((folder / "no-such-port").string());
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(Drive(task, [&] { return task.GetState() >= tsDone; }));
    EXPECT_EQ(task.GetStatusText(), tasks::texts::NotConnected);
}

// The serial device is pulled out while the task waits for a reply: the
// task ends within its time-outs with a clear text.
TEST_F(SerialTaskTest, VanishedDeviceEndsTheTask) {
    {
        channels::testing::FakeDevice device(
            [](const Bytes&) { return std::vector<ReplyPiece>{}; });
        UsePort(device.SlavePath());
        device.Vanish(true);
        RX58ReadAllParamsTask task(context, &data, true);
        ASSERT_TRUE(Drive(task, [&] { return task.GetState() >= tsDone; }));
        EXPECT_EQ(task.GetState(), tsFailed);
        EXPECT_EQ(task.GetStatusText(), tasks::texts::NoReply);
    }
    EXPECT_EQ(channels::testing::SettledThreadCount(threadsBefore), threadsBefore);
}

} // namespace
