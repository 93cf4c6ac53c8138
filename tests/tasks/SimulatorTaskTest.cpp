#include "channels/ChanelTestSupport.h"
#include "device/ArchiveRecord.h"
#include "device/Rx58datatypes.h"
#include "persistence/ReadSettings.h"
#include "persistence/TempFolder.h"
#include "platform/EventLoop.h"
#include "rx58sim/Simulator.h"
#include "tasks/RX58MonitoringTask.h"
#include "tasks/RX58ReadAllParamsTask.h"
#include "tasks/ServiceTasks.h"
#include "tasks/TaskTexts.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>

// Every task against the device simulator over a pseudo-terminal, with the
// real serial channel and its worker thread, driven by a 100 ms timer.
namespace {

using Bytes = std::vector<std::uint8_t>;

template <class Record>
Bytes BytesOf(const Record& r) {
    return Bytes(r.data(), r.data() + r.size());
}

class SimulatorTaskTest : public ::testing::TestWithParam<const Edition*> {
protected:
    const Edition& Ed() const { return *GetParam(); }

    // A small device whose hourly ring has wrapped, frozen in time so that
    // what it holds can be compared with what was read.
    void StartDevice(sim::FillPlan archives = SmallArchives(), bool wrapped = true) {
        sim::SimulatorConfig config;
        config.Device.DeviceEdition = GetParam();
        config.Device.Archives = archives;
        config.Device.Archives.Wrapped = wrapped;
        config.Device.StartClock = sim::CivilTime{2024, 3, 5, 14, 7, 9};
        config.Device.FrozenClock = true;
        config.Device.ResetDelayMs = 200;
        config.Link.Log = [this](const std::string& line) {
            std::lock_guard lock(logMutex);
            log.push_back(line);
        };
        simulator = std::make_unique<sim::Simulator>(config);
        simulator->Start();

        context.edition = GetParam();
        context.ui = &loop;
        context.store = persistence::SettingsStore(folder / "RX58Manager.reg");
        context.clock = [] { return tasks::LocalTime{2024, 3, 3, 14, 5, 9}; };
        RX58ChanelSetup setup;
        setup.Load(context.store);
        setup.ComPortName = simulator->Endpoint();
        setup.MonitoringInterval = 1;
        ASSERT_TRUE(setup.Save(context.store));
    }

    static sim::FillPlan SmallArchives() {
        sim::FillPlan plan;
        plan.Rings = {{{40, 12}, {20, 5}, {12, 3}, {64, 40}}};
        return plan;
    }

    bool Drive(RX58Task& task, const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(120)) {
        const auto timer = loop.StartTimer(std::chrono::milliseconds(100), [&] {
            task.Tick();
            ++ticks;
        });
        const bool reached = loop.RunUntil(done, limit);
        loop.StopTimer(timer);
        return reached;
    }
    bool RunToEnd(RX58Task& task) {
        return Drive(task, [&] { return task.GetState() >= tsDone; });
    }

    int LogCount(const std::string& prefix) {
        std::lock_guard lock(logMutex);
        int n = 0;
        for (const auto& line : log)
            n += line.rfind(prefix, 0) == 0;
        return n;
    }

    // What the device holds, decoded as a reader decodes it.
    RX58CurrentParams DeviceCurrent(const sim::DeviceSnapshot& s) {
        std::vector<std::uint8_t> image(static_cast<std::size_t>(Ed().Current.BufferBytes));
        std::copy(s.CurrentImage.begin(), s.CurrentImage.end(), image.begin());
        SwapCurrentImage(Ed(), image.data());
        RX58CurrentParams params{};
        DecodeCurrentParams(Ed(), image.data(), params);
        return params;
    }
    RX58SetupParams DeviceSetup(const sim::DeviceSnapshot& s) {
        std::vector<std::uint8_t> image(static_cast<std::size_t>(Ed().Setup.BufferBytes));
        std::copy(s.SetupImage.begin(), s.SetupImage.end(), image.begin());
        SwapSetupImage(Ed(), image.data());
        RX58SetupParams params{};
        DecodeSetupParams(Ed(), image.data(), params);
        return params;
    }

    template <class List>
    void ExpectRing(const List& list, const sim::RingSnapshot& ring, bool full, const char* what) {
        std::vector<Bytes> expected;
        for (const auto& record : ring.NewestFirst()) {
            const bool journal = ring.RecordSize == 16;
            if (journal ? !IsBlankRecordHead(record.data())
                        : IsArchiveRecordValid(Ed(), record.data(), record.size(), full))
                expected.push_back(record);
        }
        std::vector<Bytes> read;
        for (const auto& record : list)
            read.push_back(BytesOf(record));
        EXPECT_EQ(read, expected) << what;
    }

    void ExpectSameData(const RX58Valve& data, const sim::DeviceSnapshot& s, bool archives = true) {
        EXPECT_EQ(data.Ident, s.Identification);
        EXPECT_EQ(data.CurrentParams, DeviceCurrent(s));
        EXPECT_EQ(data.SetupParams, DeviceSetup(s));
        if (!archives)
            return;
        ExpectRing(data.HourArchive, s.Rings[0], false, "hourly");
        ExpectRing(data.DayArchive, s.Rings[1], true, "daily");
        ExpectRing(data.MonthArchive, s.Rings[2], true, "monthly");
        ExpectRing(data.Journal, s.Rings[3], false, "journal");
    }

    int threadsBefore = channels::testing::ThreadBaseline();
    platform::EventLoop loop;
    platform::MainQueueScope mainQueue{loop};
    TempFolder folder;
    tasks::TaskContext context;
    std::mutex logMutex;
    std::vector<std::string> log;
    // After the log: the simulator's thread writes to it until it stops.
    std::unique_ptr<sim::Simulator> simulator;
    int ticks = 0;
};

TEST_P(SimulatorTaskTest, FullReadEqualsWhatTheDeviceHolds) {
    StartDevice();
    RX58Valve data;
    {
        RX58ReadAllParamsTask task(context, &data, true);
        ASSERT_TRUE(RunToEnd(task));
        ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
        EXPECT_EQ(task.GetStatusText(), tasks::texts::ReadAllDone);
    }
    const sim::DeviceSnapshot s = simulator->Snapshot();
    EXPECT_GT(s.Rings[0].First, s.Rings[0].Next) << "the hourly ring has wrapped";
    EXPECT_EQ(data.HourArchive.size(), 12u);
    EXPECT_EQ(data.Journal.size(), 40u);
    ExpectSameData(data, s);
    EXPECT_EQ(LogCount("0x11"), 1);
    simulator->Stop();
    EXPECT_EQ(channels::testing::SettledThreadCount(threadsBefore), threadsBefore)
        << "no thread is left";
}

TEST_P(SimulatorTaskTest, DeselectedArchivesAreSkipped) {
    StartDevice();
    ReadSettings options;
    options.Load(context.store);
    options.ReadHourArchive = false;
    options.ReadJournal = false;
    ASSERT_TRUE(options.Save(context.store));
    RX58Valve data;
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(RunToEnd(task));
    ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
    EXPECT_TRUE(data.HourArchive.empty());
    EXPECT_TRUE(data.Journal.empty());
    EXPECT_EQ(data.DayArchive.size(), 5u);
    EXPECT_EQ(data.MonthArchive.size(), 3u);
    EXPECT_EQ(LogCount("0x41 type 0"), 0);
    EXPECT_EQ(LogCount("0x41 type 3"), 0);
    EXPECT_GT(LogCount("0x41 type 1"), 0);
}

// A lossy line: replies dropped and CRCs corrupted now and then. The read
// still completes, with the same data.
TEST_P(SimulatorTaskTest, ReadSurvivesDropsAndCorruptedReplies) {
    StartDevice();
    sim::FaultConfig faults;
    faults.DropShare = 0.05;
    faults.CorruptShare = 0.05;
    faults.Seed = 7;
    simulator->SetFaults(faults);
    RX58Valve data;
    {
        RX58ReadAllParamsTask task(context, &data, true);
        ASSERT_TRUE(RunToEnd(task));
        ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
    }
    ExpectSameData(data, simulator->Snapshot());
}

TEST_P(SimulatorTaskTest, LyingRepliesAreRejected) {
    struct Case {
        const char* name;
        std::function<void(sim::FaultConfig&)> fault;
        const char* text;
    };
    const Case cases[] = {
        {"byte count", [](sim::FaultConfig& f) { f.ByteCountLie = 2; }, tasks::texts::BadDataCount},
        {"page count", [](sim::FaultConfig& f) { f.PageCountLie = 1; }, tasks::texts::BadDataCount},
        {"empty pages", [](sim::FaultConfig& f) { f.EmptyPages = true; },
         tasks::texts::BadDataCount},
        {"signature",
         [](sim::FaultConfig& f) {
             f.Signature = std::array<char, 4>{'R', 'X', '6', '8'};
         },
         tasks::texts::UnknownDevice},
        {"version", [](sim::FaultConfig& f) { f.IdentVersion = 9; }, tasks::texts::UnknownVersion},
        {"exception", [](sim::FaultConfig& f) { f.ExceptionCode = 2; },
         "Недопустимый(неверный) номер регистра"},
    };
    StartDevice();
    for (const auto& c : cases) {
        sim::FaultConfig faults;
        c.fault(faults);
        simulator->SetFaults(faults);
        RX58Valve data;
        RX58ReadAllParamsTask task(context, &data, true);
        ASSERT_TRUE(RunToEnd(task)) << c.name;
        EXPECT_EQ(task.GetState(), tsFailed) << c.name;
        EXPECT_EQ(task.GetStatusText(), c.text) << c.name;
    }
}

TEST_P(SimulatorTaskTest, MonitoringCyclesAndIdentifiesOnce) {
    StartDevice();
    RX58Valve data;
    RX58MonitoringTask task(context, &data, true);
    int readings = 0;
    int pauseTick = -1;
    std::vector<int> gaps; // ticks from a performed pause to the next request
    ASSERT_TRUE(Drive(task, [&] {
        if (task.IsChanged() && task.GetStep() == task.PauseStep() &&
            task.GetStatusText() == tasks::texts::Waiting && pauseTick < 0) {
            ++readings;
            pauseTick = ticks;
        }
        if (pauseTick >= 0 && task.GetStep() == 3) {
            gaps.push_back(ticks - pauseTick);
            pauseTick = -1;
        }
        return readings >= 3 || task.GetState() != tsRunning;
    }));
    ASSERT_EQ(task.GetState(), tsRunning) << task.GetStatusText();
    EXPECT_EQ(LogCount("0x11"), 1);
    ASSERT_GE(gaps.size(), 2u);
    for (int gap : gaps)
        EXPECT_EQ(gap, 10) << "an interval of 1 s pauses for 10 ticks";
    ExpectSameData(data, simulator->Snapshot(), false);
    task.Stop();
    ASSERT_TRUE(Drive(task, [&] { return task.GetChanel()->GetState() == csDisconnected; }));
}

TEST_P(SimulatorTaskTest, ClockWrite) {
    StartDevice();
    RX58WriteCurrentTimeTask task(context, true);
    ASSERT_TRUE(RunToEnd(task));
    ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
    EXPECT_EQ(simulator->Snapshot().Clock, (sim::CivilTime{2024, 3, 3, 14, 5, 9}));
    EXPECT_EQ(LogCount("0x10 40001 x6"), 1);
}

TEST_P(SimulatorTaskTest, ClearArchiveEmptiesTheRingsLater) {
    StartDevice();
    RX58ClearArchiveTask task(context, true);
    ASSERT_TRUE(RunToEnd(task));
    ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
    EXPECT_EQ(task.GetStatusText(), tasks::texts::ClearArchiveDone);
    EXPECT_EQ(LogCount("0x10 40007 x1"), 1);
    ASSERT_TRUE(loop.RunUntil([&] { return simulator->Snapshot().Rings[0].Count() == 0; },
                              std::chrono::seconds(10)));
}

TEST_P(SimulatorTaskTest, SetupWriteChangesTheDevice) {
    StartDevice();
    RX58SetupParams setup = DeviceSetup(simulator->Snapshot());
    setup.tColdWaterSummer = 7.25;
    setup.Gmax3 = 12.5; // in the second block of both editions
    std::vector<std::uint8_t> image(284, 0);
    EncodeSetupParams(Ed(), setup, image.data());
    SwapSetupImage(Ed(), image.data());
    RX58WriteAllParamsTask task(context, image.data(), true);
    ASSERT_TRUE(RunToEnd(task));
    ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
    const RX58SetupParams written = DeviceSetup(simulator->Snapshot());
    EXPECT_DOUBLE_EQ(written.tColdWaterSummer, 7.25);
    EXPECT_DOUBLE_EQ(written.Gmax3, 12.5);
    if (Ed().ProtocolVersion == 3) {
        EXPECT_EQ(LogCount("0x10 40008 x70"), 1);
        EXPECT_EQ(LogCount("0x10 40095 x48"), 1);
    } else {
        EXPECT_EQ(LogCount("0x10 40008 x44"), 1);
        EXPECT_EQ(LogCount("0x10 40065 x40"), 1);
    }
}

TEST_P(SimulatorTaskTest, CalibrationRoundTrip) {
    StartDevice();
    const RX58Calibration wanted{4010, 4020, 4030, 4040, -3, 3, -7, 7, 1000, 1600, 5000, 7000};
    {
        RX58WriteCalibrationParamsTask task(context, wanted, true);
        ASSERT_TRUE(RunToEnd(task));
        ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
    }
    EXPECT_EQ(simulator->Snapshot().Calibration, wanted);
    RX58Calibration read{};
    RX58ReadCalibrationParamsTask task(context, &read, true);
    ASSERT_TRUE(RunToEnd(task));
    ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
    EXPECT_EQ(read, wanted);
}

TEST_P(SimulatorTaskTest, LockedDeviceRefusesWrites) {
    StartDevice();
    simulator->SetLocked(true);
    RX58WriteCurrentTimeTask task(context, true);
    ASSERT_TRUE(RunToEnd(task));
    EXPECT_EQ(task.GetState(), tsFailed);
    EXPECT_EQ(task.GetStatusText(), "Доступ к регистру закрыт");
}

// The pseudo-terminal's far side closes while the archives are being read,
// as when the adapter is pulled out: the task fails within its reply
// time-outs with a clear text, and no thread of the channel is left.
TEST_P(SimulatorTaskTest, DeviceVanishingMidReadFailsTheTaskWithinItsTimeOuts) {
    StartDevice();
    {
        RX58Valve data;
        RX58ReadAllParamsTask task(context, &data, true);
        ASSERT_TRUE(Drive(task, [&] { return !data.MonthArchive.empty(); }));
        ASSERT_EQ(task.GetState(), tsRunning);
        simulator->Stop();
        const int vanishedAt = ticks;
        ASSERT_TRUE(RunToEnd(task));
        EXPECT_EQ(task.GetState(), tsFailed);
        EXPECT_EQ(task.GetStatusText(), tasks::texts::NoReply);
        // The request under way and its three repetitions, each ended by the
        // line's failure or at most by the reply time-out.
        EXPECT_LE(ticks - vanishedAt, 4 * (RX58Task::ComPortTimeoutTicks + 2));
    }
    simulator.reset();
    EXPECT_EQ(channels::testing::SettledThreadCount(threadsBefore), threadsBefore);
}

// Resident memory of this process in KiB, 0 when it cannot be told.
long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

// A reply that runs on with noise to 10 000 bytes, and a line that answers
// every request with a flood of noise: each reply fails its check, the task
// repeats its request, then fails with the check's text; the channel takes no more than its buffer
// from the line, so memory does not grow with what the line carries.
TEST_P(SimulatorTaskTest, OverlongRepliesAndFloodsOfNoiseFailTheTaskCleanly) {
    struct Case {
        const char* name;
        std::function<void(sim::FaultConfig&)> fault;
    };
    const Case cases[] = {
        {"10 000-byte reply", [](sim::FaultConfig& f) { f.ReplyBytes = 10000; }},
        {"noise", [](sim::FaultConfig& f) { f.NoiseBytes = 200000; }},
    };
    StartDevice();
    const long residentBefore = ResidentKiB();
    for (const auto& c : cases) {
        sim::FaultConfig faults;
        c.fault(faults);
        simulator->SetFaults(faults);
        RX58Valve data;
        RX58ReadAllParamsTask task(context, &data, true);
        ASSERT_TRUE(RunToEnd(task)) << c.name;
        EXPECT_EQ(task.GetState(), tsFailed) << c.name;
        EXPECT_EQ(task.GetStatusText(), tasks::texts::CrcError) << c.name;
        EXPECT_TRUE(data.HourArchive.empty()) << c.name;
    }
    EXPECT_LT(ResidentKiB() - residentBefore, 64 * 1024) << "memory grew with the line's bytes";
}

INSTANTIATE_TEST_SUITE_P(Editions, SimulatorTaskTest, ::testing::Values(&EditionV3, &EditionV2),
                         [](const auto& info) { return std::string("V") + info.param->Name; });

} // namespace
