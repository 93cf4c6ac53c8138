#include "TaskFixture.h"
#include "tasks/RX58MonitoringTask.h"
#include "tasks/ServiceTasks.h"
#include "tasks/TaskTexts.h"

namespace tasks::testing {
namespace {

// The clear-archive task: connect, identification, one write, close.
class EngineTest : public TaskFixture {
protected:
    EngineTest() {
        answer = [this](const Bytes& request) -> Bytes {
            ++requests;
            if (request[1] == 0x11)
                return IdentReply(3);
            if (request[1] == 0x10)
                return writeReply ? writeReply(request) : WriteReply(request);
            return {};
        };
    }
    std::function<Bytes(const Bytes&)> writeReply;
    int requests = 0;
};

TEST_F(EngineTest, RunsThroughEveryStepToDone) {
    RX58ClearArchiveTask task(context, true);
    ASSERT_TRUE(RunToEnd(task));
    EXPECT_EQ(task.GetState(), tsDone);
    EXPECT_EQ(task.GetStatusText(), texts::ClearArchiveDone);
    EXPECT_EQ(task.GetProgress(), 100);
    EXPECT_EQ(task.GetStep(), 0);
    ASSERT_EQ(chanel->SentFrames.size(), 2u);
    EXPECT_EQ(chanel->SentFrames[0].Id, 2);
    EXPECT_EQ(chanel->SentFrames[1].Id, 3);
    EXPECT_EQ(chanel->Closes, 1);
}

TEST_F(EngineTest, RepliesForOtherStepsAndShortRepliesAreIgnored) {
    RX58ClearArchiveTask task(context, true);
    answer = nullptr;
    chanel = nullptr;
    ASSERT_TRUE(RunToRequest(task, 2));
    const Bytes ident = IdentReply(3);
    chanel->OnRecvPacketEvent(ident.data(), static_cast<std::uint16_t>(ident.size()), 1);
    EXPECT_EQ(task.GetStep(), 2) << "a reply to an earlier step moves nothing";
    const Bytes shortReply = WithCrc({0, 0x11});
    for (std::uint16_t n = 0; n <= 3; ++n)
        chanel->OnRecvPacketEvent(shortReply.data(), n, 2);
    EXPECT_EQ(task.GetState(), tsRunning);
    EXPECT_EQ(task.GetStep(), 2);
    chanel->OnRecvPacketEvent(ident.data(), static_cast<std::uint16_t>(ident.size()), 2);
    EXPECT_EQ(task.GetStep(), 3);
}

TEST_F(EngineTest, ExceptionEndsAtOnceWithItsText) {
    writeReply = [](const Bytes&) { return ExceptionReply(0x10, 7); };
    RX58ClearArchiveTask task(context, true);
    ASSERT_TRUE(RunToEnd(task));
    EXPECT_EQ(task.GetState(), tsFailed);
    EXPECT_EQ(task.GetStatusText(), "Доступ к регистру закрыт");
    EXPECT_EQ(requests, 2) << "an exception is never retried";
    EXPECT_EQ(task.GetProgress(), 0);
}

TEST_F(EngineTest, RepeatedFailuresExhaustTheRetries) {
    struct Case {
        const char* name;
        std::function<Bytes(const Bytes&)> reply;
        bool loseEmpty;
        const char* text;
        int minTicks; // ticks the four attempts take at least (a time-out each)
    };
    const Case cases[] = {
        {"silent, no loss report", [](const Bytes&) { return Bytes{}; }, false,
         texts::RetriesExhausted, 4 * RX58Task::ComPortTimeoutTicks},
        {"lost every time", [](const Bytes&) { return Bytes{}; }, true, texts::NoReply, 0},
        {"bad CRC",
         [](const Bytes& r) {
             auto b = WriteReply(r);
             b.back() ^= 1;
             return b;
         },
         true, texts::CrcError, 0},
    };
    for (const auto& c : cases) {
        requests = 0;
        writeReply = c.reply;
        chanel = nullptr;
        RX58ClearArchiveTask task(context, true);
        loseEmptyReplies = c.loseEmpty;
        ASSERT_TRUE(RunToRequest(task, 3)) << c.name;
        int ticks = 0;
        while (task.GetState() == tsRunning && ticks < 1000) {
            Ticks(task, 1);
            ++ticks;
        }
        EXPECT_EQ(task.GetState(), tsFailed) << c.name;
        EXPECT_EQ(task.GetStatusText(), c.text) << c.name;
        EXPECT_EQ(requests, 1 + 4) << c.name << ": identification + four attempts";
        EXPECT_GE(ticks, c.minTicks) << c.name;
    }
}

TEST_F(EngineTest, DisconnectEvents) {
    struct Case {
        const char* name;
        int atStep;
        TaskState state;
        const char* text;
    };
    const Case cases[] = {
        {"while connecting", 1, tsFailed, texts::NotConnected},
        {"in a request step", 3, tsFailed, texts::ConnectionLost},
    };
    for (const auto& c : cases) {
        connectOnStart = c.atStep != 1;
        chanel = nullptr;
        answer = c.atStep == 3 ? FakeChanel::Responder([](const Bytes& r) {
            return r[1] == 0x11 ? IdentReply(3) : Bytes{};
        })
                               : nullptr;
        RX58ClearArchiveTask task(context, true);
        for (int i = 0; i < 100 && task.GetStep() != c.atStep; ++i)
            Ticks(task, 1);
        ASSERT_EQ(task.GetStep(), c.atStep) << c.name;
        Ticks(task, 1);
        chanel->SetChanelState(csDisconnected);
        EXPECT_EQ(task.GetState(), static_cast<std::uint32_t>(c.state)) << c.name;
        EXPECT_EQ(task.GetStatusText(), c.text) << c.name;
    }
}

TEST_F(EngineTest, DisconnectInTheLastStepKeepsItsText) {
    RX58ClearArchiveTask task(context, true);
    ASSERT_TRUE(RunToEnd(task));
    EXPECT_EQ(task.GetState(), tsDone);
    EXPECT_EQ(task.GetStatusText(), "Сброс архива будет выполнен через 30 секунд");
}

TEST_F(EngineTest, ProgressFollowsTheStep) {
    answer = [](const Bytes& r) { return r[1] == 0x11 ? IdentReply(3) : Bytes{}; };
    RX58Valve data;
    RX58MonitoringTask task(context, &data, true);
    ASSERT_TRUE(RunToRequest(task, 3));
    EXPECT_EQ(task.GetProgress(), 42) << "step 3 of 7";
}

TEST_F(EngineTest, NoChanelMeansFailure) {
    refuseChanel = true;
    RX58ClearArchiveTask task(context, true);
    ASSERT_TRUE(RunToEnd(task, 10));
    EXPECT_EQ(task.GetStatusText(), texts::ChanelCreateError);
}

TEST_F(EngineTest, AConnectionThatCannotBeginFailsAtOnceWithItsReason) {
    startFailure = "Нет номера телефона";
    RX58ClearArchiveTask task(context, true);
    ASSERT_TRUE(RunToEnd(task, 10)) << "no state event will ever come";
    EXPECT_EQ(task.GetState(), tsFailed);
    EXPECT_EQ(task.GetStatusText(), "Нет номера телефона");
}

TEST_F(EngineTest, EachChanelOpenLoadsTheStoredSettings) {
    RX58ChanelSetup stored;
    stored.Load(context.store);
    stored.ComPortName = "/dev/ttyUSB7";
    stored.NetAddress = 17;
    ASSERT_TRUE(stored.Save(context.store));
    context.adjustSetup = [](RX58ChanelSetup& s) { s.MonitoringInterval = 99; };
    answer = [](const Bytes& r) { return r[1] == 0x11 ? IdentReply(3, 17) : WriteReply(r); };
    RX58ClearArchiveTask task(context, true);
    ASSERT_TRUE(RunToEnd(task));
    EXPECT_EQ(madeWith.ComPortName, "/dev/ttyUSB7");
    EXPECT_EQ(madeWith.MonitoringInterval, 99);
    ASSERT_FALSE(chanel->SentFrames.empty());
    for (const auto& sent : chanel->SentFrames)
        EXPECT_EQ(sent.Frame[0], 17) << "every request goes to the stored address";
}

// After Stop the task detaches from its channel and asks it to close on
// every tick until it is disconnected - but never piles up closes while
// one is still waiting in the channel's queue.
TEST_F(EngineTest, StopClosesOnceWhileTheCloseIsPending) {
    answer = [](const Bytes& r) { return r[1] == 0x11 ? IdentReply(3) : Bytes{}; };
    RX58ClearArchiveTask task(context, true);
    ASSERT_TRUE(RunToRequest(task, 3));
    chanel->CloseAtOnce = false;
    chanel->HeldRequests = 1; // the silent transfer is still on the worker
    task.Stop();
    Ticks(task, 10);
    EXPECT_EQ(chanel->Closes, 1);
    EXPECT_FALSE(chanel->OnRecvPacketEvent) << "a late reply reaches nobody";
    EXPECT_FALSE(chanel->OnChanelStateEvent);
    EXPECT_EQ(task.GetStep(), 0);

    chanel->HeldRequests = 0; // performed, yet still connected: ask again
    Ticks(task, 1);
    EXPECT_EQ(chanel->Closes, 2);
    chanel->SetChanelState(csDisconnected);
    Ticks(task, 5);
    EXPECT_EQ(chanel->Closes, 2);
    EXPECT_EQ(task.GetState(), tsStopped);
    task.Start();
    EXPECT_EQ(task.GetState(), tsStopped) << "a stopped task never runs again";
}

TEST_F(EngineTest, StopBeforeTheFirstTickClosesNothing) {
    RX58ClearArchiveTask task(context, true);
    task.Stop();
    Ticks(task, 5);
    EXPECT_EQ(chanelsMade, 0);
}

TEST_F(EngineTest, ChanelExceptionsNeverLeaveTick) {
    {
        RX58ClearArchiveTask task(context, true);
        ASSERT_TRUE(RunToRequest(task, 2));
        ASSERT_EQ(task.GetStep(), 3);
        chanel->ThrowOnSend = true;
        EXPECT_NO_THROW(Ticks(task, 3));
        EXPECT_EQ(task.GetState(), tsFailed) << "a running task fails with the text";
        EXPECT_EQ(task.GetStatusText(), "Queue overflow");
    }
    {
        answer = [](const Bytes& r) { return r[1] == 0x11 ? IdentReply(3) : Bytes{}; };
        chanel = nullptr; // went with the first task
        RX58ClearArchiveTask task(context, true);
        ASSERT_TRUE(RunToRequest(task, 3));
        chanel->ThrowOnDisconnect = true;
        task.Stop();
        EXPECT_NO_THROW(Ticks(task, 3));
        EXPECT_EQ(task.GetState(), tsStopped) << "inside a stopped task it is dropped";
    }
}

TEST_F(EngineTest, StartOnlyStartsATaskMadeStopped) {
    RX58ClearArchiveTask task(context, false);
    Ticks(task, 3);
    EXPECT_EQ(chanelsMade, 0);
    task.Start();
    ASSERT_TRUE(RunToEnd(task));
    EXPECT_EQ(task.GetState(), tsDone);
}

} // namespace
} // namespace tasks::testing
