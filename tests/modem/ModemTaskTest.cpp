#include "ChanelTestSupport.h"
#include "ModemTestSupport.h"
#include "TempFolder.h"
#include "channels/TapiQueueIDChanel.h"
#include "channels/TtapiTexts.h"
#include "persistence/RX58ChanelSetup.h"
#include "platform/EventLoop.h"
#include "platform/Timer.h"
#include "tasks/RX58ReadAllParamsTask.h"
#include "tasks/TaskTexts.h"

#include <gtest/gtest.h>

namespace modemtest {
namespace {

using channels::testing::ThreadBaseline;
using channels::testing::ThreadCount;

constexpr const char* ModemName = "Модем стенда";

// The read-all task on the program's own channel factory, with a private
// settings store that selects the modem, and the program's telephony
// service on the test's loop.
class ModemTask : public ::testing::Test {
protected:
    ModemTask() {
        context.ui = &loop;
        context.store = persistence::SettingsStore(folder / "RX58Manager.reg");
    }
    ~ModemTask() override { TapiVault().Clear(); }

    void Store(const std::string& phone) {
        RX58ChanelSetup setup;
        setup.CurrentChanel = 1;
        setup.NetAddress = DeviceAddress;
        setup.ModemName = ModemName;
        setup.PhoneNumber = phone;
        ASSERT_TRUE(setup.Save(context.store));
    }
    void StartService() {
        ASSERT_TRUE(TapiVault().Make([&] {
            return std::make_unique<TTapi>(
                loop, std::vector<channels::ModemLineConfig>{modem.Line(ModemName)});
        }));
    }
    // Ticks the task every 100 ms, as the main window does, until it ends.
    bool RunToEnd(RX58Task& task, std::chrono::seconds limit) {
        platform::Timer ticks(loop, std::chrono::milliseconds(100), [&] { task.Tick(); });
        return loop.RunUntil([&] { return task.GetState() >= tsDone; }, limit);
    }

    int baseline = ThreadBaseline();
    platform::EventLoop loop;
    TempFolder folder;
    tasks::TaskContext context;
    SimulatedModem modem;
    RX58Valve data;
};

TEST_F(ModemTask, AnEmptyPhoneNumberFailsTheTaskAtOnceWithItsReason) {
    Store("");
    StartService();
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(RunToEnd(task, std::chrono::seconds(10)));
    EXPECT_EQ(task.GetState(), tsFailed);
    EXPECT_EQ(task.GetStatusText(), channels::text::NoPhoneNumber);
    ASSERT_NE(task.GetChanel(), nullptr);
    EXPECT_EQ(task.GetChanel()->GetState(), csDisconnected);
    EXPECT_EQ(TapiVault().Get()->ActiveCalls(), 0) << "no line was opened";
}

TEST_F(ModemTask, WithoutTheTelephonyServiceTheTaskFailsSayingSo) {
    Store(AnsweredNumber);
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(RunToEnd(task, std::chrono::seconds(10)));
    EXPECT_EQ(task.GetState(), tsFailed);
    EXPECT_EQ(task.GetStatusText(), channels::text::TapiNotReady);
}

TEST_F(ModemTask, ABusyNumberFailsTheTaskAsNotConnected) {
    Store(BusyNumber);
    StartService();
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(RunToEnd(task, std::chrono::seconds(20)));
    EXPECT_EQ(task.GetState(), tsFailed);
    EXPECT_EQ(task.GetStatusText(), tasks::texts::NotConnected);
}

} // namespace
} // namespace modemtest
