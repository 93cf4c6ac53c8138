#include "ChanelTestSupport.h"
#include "ModemTestSupport.h"
#include "TempFolder.h"
#include "channels/TapiQueueIDChanel.h"
#include "channels/TtapiTexts.h"
#include "persistence/RX58ChanelSetup.h"
#include "platform/EventLoop.h"
#include "rx58sim/Simulator.h"
#include "tasks/RX58ReadAllParamsTask.h"
#include "tasks/TaskTexts.h"

#include <gtest/gtest.h>
#include <mutex>
#include <unistd.h>

// The read-all task on the program's own channel factory, dialling the
// simulated calculator through its modem front, with a private settings
// store that selects the modem and the program's telephony service on the
// test's loop.
namespace modemtest {
namespace {

using channels::testing::SettledThreadCount;
using channels::testing::ThreadBaseline;
using channels::testing::ThreadCount;

constexpr const char* ModemName = "Модем стенда";

class ModemTask : public ::testing::TestWithParam<const Edition*> {
protected:
    ModemTask() {
        sim::SimulatorConfig config;
        config.Device.DeviceEdition = GetParam();
        config.Device.Archives.Rings = {{{40, 12}, {20, 5}, {12, 3}, {64, 40}}};
        config.Device.StartClock = sim::CivilTime{2024, 3, 5, 14, 7, 9};
        config.Device.FrozenClock = true;
        config.Link.Transport = sim::TransportKind::Pty;
        config.Link.LinkPath =
            ::testing::TempDir() + "rx58-modem-task-" + std::to_string(::getpid());
        config.Link.Address = DeviceAddress;
        config.Link.Modem = true;
        config.Link.ModemSettings.AnswerDelayMs = 100;
        config.Link.ModemSettings.GuardTimeMs = SimGuardTimeMs;
        config.Link.Log = [this](const std::string& line) {
            std::lock_guard lock(logMutex);
            log.push_back(line);
        };
        simulator = std::make_unique<sim::Simulator>(config);
        simulator->Start();
        line.Name = ModemName;
        line.Device = config.Link.LinkPath;
        line.GuardTime = std::chrono::milliseconds(SimGuardTimeMs);

        context.edition = GetParam();
        context.ui = &loop;
        context.store = persistence::SettingsStore(folder / "RX58Manager.reg");
    }
    ~ModemTask() override {
        TapiVault().Clear();
        simulator->Stop();
    }

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
            return std::make_unique<TTapi>(loop, std::vector<channels::ModemLineConfig>{line});
        }));
    }
    // Ticks the task every 100 ms, as the main window does, until `done`.
    bool Drive(RX58Task& task, const std::function<bool()>& done,
               std::chrono::seconds limit = std::chrono::seconds(120)) {
        const auto timer = loop.StartTimer(std::chrono::milliseconds(100), [&] { task.Tick(); });
        const bool reached = loop.RunUntil(done, limit);
        loop.StopTimer(timer);
        return reached;
    }
    bool RunToEnd(RX58Task& task) {
        return Drive(task, [&] { return task.GetState() >= tsDone; });
    }
    bool Logged(const std::string& text) {
        std::lock_guard lock(logMutex);
        for (const std::string& entry : log) {
            if (entry.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    // The calls have ended; with the simulator stopped no thread is left.
    void ExpectAllEnded() {
        EXPECT_TRUE(loop.RunUntil([] { return TapiVault().Get()->ActiveCalls() == 0; }, Patience));
        TapiVault().Clear();
        simulator->Stop();
        EXPECT_EQ(SettledThreadCount(baseline), baseline);
    }

    int baseline = ThreadBaseline();
    platform::EventLoop loop;
    TempFolder folder;
    tasks::TaskContext context;
    channels::ModemLineConfig line;
    std::mutex logMutex;
    std::vector<std::string> log;
    // After the log: the simulator's thread writes to it until it stops.
    std::unique_ptr<sim::Simulator> simulator;
    RX58Valve data;
};

TEST_P(ModemTask, AFullReadThroughADialledCall) {
    Store(AnsweredNumber);
    StartService();
    {
        RX58ReadAllParamsTask task(context, &data, true);
        ASSERT_TRUE(RunToEnd(task));
        ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
        EXPECT_EQ(task.GetStatusText(), tasks::texts::ReadAllDone);
        EXPECT_EQ(task.GetChanel()->GetState(), csDisconnected);
    }
    const sim::DeviceSnapshot device = simulator->Snapshot();
    EXPECT_EQ(data.Ident, device.Identification);
    EXPECT_EQ(data.HourArchive.size(), 12u);
    EXPECT_EQ(data.DayArchive.size(), 5u);
    EXPECT_EQ(data.MonthArchive.size(), 3u);
    EXPECT_EQ(data.Journal.size(), 40u);
    EXPECT_TRUE(Logged("dialling 84951234567"));
    EXPECT_TRUE(loop.RunUntil([&] { return Logged("call ended by ATH"); }, Patience));
    ExpectAllEnded();
}

TEST_P(ModemTask, TheFarEndHangingUpMidReadFailsTheTaskAsBrokenOff) {
    Store(AnsweredNumber);
    StartService();
    {
        RX58ReadAllParamsTask task(context, &data, true);
        // Somewhere in the archives, well past the connection.
        ASSERT_TRUE(Drive(task, [&] { return task.GetStep() >= 5 || task.GetState() >= tsDone; }));
        ASSERT_EQ(task.GetState(), tsRunning) << task.GetStatusText();
        simulator->LoseCarrier();
        ASSERT_TRUE(RunToEnd(task));
        EXPECT_EQ(task.GetState(), tsFailed);
        EXPECT_EQ(task.GetStatusText(), tasks::texts::ConnectionLost);
        EXPECT_EQ(task.GetChanel()->GetState(), csDisconnected);
    }
    ExpectAllEnded();
}

TEST_P(ModemTask, AnEmptyPhoneNumberFailsTheTaskAtOnceWithItsReason) {
    Store("");
    StartService();
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(RunToEnd(task));
    EXPECT_EQ(task.GetState(), tsFailed);
    EXPECT_EQ(task.GetStatusText(), channels::text::NoPhoneNumber);
    ASSERT_NE(task.GetChanel(), nullptr);
    EXPECT_EQ(task.GetChanel()->GetState(), csDisconnected);
    EXPECT_EQ(TapiVault().Get()->ActiveCalls(), 0) << "no line was opened";
}

TEST_P(ModemTask, WithoutTheTelephonyServiceTheTaskFailsSayingSo) {
    Store(AnsweredNumber);
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(RunToEnd(task));
    EXPECT_EQ(task.GetState(), tsFailed);
    EXPECT_EQ(task.GetStatusText(), channels::text::TapiNotReady);
}

TEST_P(ModemTask, BusyAndUnansweredNumbersFailTheTaskAsNotConnected) {
    StartService();
    for (const char* number : {BusyNumber, NoAnswerNumber}) {
        Store(number);
        RX58ReadAllParamsTask task(context, &data, true);
        ASSERT_TRUE(RunToEnd(task)) << number;
        EXPECT_EQ(task.GetState(), tsFailed);
        EXPECT_EQ(task.GetStatusText(), tasks::texts::NotConnected) << number;
    }
    ExpectAllEnded();
}

INSTANTIATE_TEST_SUITE_P(Editions, ModemTask, ::testing::Values(&EditionV3, &EditionV2),
                         [](const auto& info) { return info.param == &EditionV3 ? "V3" : "V2"; });

} // namespace
} // namespace modemtest
