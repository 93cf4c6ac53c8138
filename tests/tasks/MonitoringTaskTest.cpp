#include "FakeDevice.h"
#include "TaskFixture.h"
#include "tasks/RX58MonitoringTask.h"
#include "tasks/TaskTexts.h"

namespace tasks::testing {
namespace {

class MonitoringTest : public TaskFixture, public ::testing::WithParamInterface<const Edition*> {
protected:
    MonitoringTest() : device(*GetParam()) {
        context.edition = GetParam();
        answer = [this](const Bytes& request) -> Bytes {
            if (silent && silent(request))
                return {};
            return device.Answer(request);
        };
        RX58ChanelSetup setup;
        setup.Load(context.store);
        setup.MonitoringInterval = 2;
        setup.Save(context.store);
    }
    int Count(std::uint8_t function) const {
        int n = 0;
        for (const auto& s : chanel->SentFrames)
            n += s.Frame[1] == function;
        return n;
    }

    FakeDevice device;
    RX58Valve data;
    std::function<bool(const Bytes&)> silent;
};

TEST_P(MonitoringTest, CyclesWithThePauseAndIdentifiesOnce) {
    RX58MonitoringTask task(context, &data, true);
    const int pause = task.PauseStep();
    EXPECT_EQ(pause, GetParam()->ProtocolVersion == 3 ? 7 : 6);
    // Up to the first pause.
    for (int i = 0; i < 100 && task.GetStep() != pause; ++i)
        Ticks(task, 1);
    ASSERT_EQ(task.GetStep(), pause);
    Ticks(task, 1); // performs the pause step
    EXPECT_EQ(task.GetStatusText(), texts::Waiting);
    EXPECT_EQ(task.GetProgress(), 100);
    const std::size_t sentBefore = chanel->SentFrames.size();
    Ticks(task, 19);
    EXPECT_EQ(chanel->SentFrames.size(), sentBefore) << "still pausing after 19 ticks";
    Ticks(task, 1);
    ASSERT_EQ(chanel->SentFrames.size(), sentBefore + 1) << "the 20th tick asks again";
    EXPECT_EQ(chanel->SentFrames.back().Id, 3);

    // A few more cycles: the identification is never asked again.
    for (int i = 0; i < 200; ++i)
        Ticks(task, 1);
    EXPECT_EQ(Count(0x11), 1);
    EXPECT_GE(Count(0x04), 2 * 3);
    EXPECT_EQ(task.GetState(), tsRunning);
}

TEST_P(MonitoringTest, CancelDuringThePauseSendsNothingMoreAndCloses) {
    RX58MonitoringTask task(context, &data, true);
    for (int i = 0; i < 100 && !(task.GetStep() == task.PauseStep() && chanel->Closes == 0 &&
                                 task.GetStatusText() == texts::Waiting);
         ++i)
        Ticks(task, 1);
    ASSERT_EQ(task.GetStatusText(), texts::Waiting);
    const std::size_t sent = chanel->SentFrames.size();
    task.Stop();
    Ticks(task, 50);
    EXPECT_EQ(chanel->SentFrames.size(), sent);
    EXPECT_EQ(chanel->Closes, 1);
    EXPECT_EQ(chanel->GetState(), csDisconnected);
}

TEST_P(MonitoringTest, SilenceInASetupReadFailsAndKeepsTheCurrentRecord) {
    silent = [](const Bytes& request) { return request[1] == 0x03; };
    device.SetArchive(0, {99, 7, 3}, {});
    RX58MonitoringTask task(context, &data, true);
    ASSERT_TRUE(RunToEnd(task));
    EXPECT_EQ(task.GetState(), tsFailed);
    EXPECT_EQ(task.GetStatusText(), texts::NoReply);
    EXPECT_EQ(Count(0x03), 4) << "four attempts";
    EXPECT_EQ(data.Ident[2], GetParam()->ProtocolVersion);
}

TEST_P(MonitoringTest, DisconnectDuringThePauseEndsDone) {
    RX58MonitoringTask task(context, &data, true);
    for (int i = 0; i < 100 && task.GetStatusText() != texts::Waiting; ++i)
        Ticks(task, 1);
    chanel->SetChanelState(csDisconnected);
    EXPECT_EQ(task.GetState(), tsDone);
    EXPECT_EQ(task.GetStatusText(), texts::Waiting);
}

INSTANTIATE_TEST_SUITE_P(Editions, MonitoringTest, ::testing::Values(&EditionV3, &EditionV2),
                         [](const auto& info) { return std::string("V") + info.param->Name; });

} // namespace
} // namespace tasks::testing
