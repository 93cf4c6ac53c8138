#include "rx58sim/Simulator.h"

#include "SimProbe.h"
#include "device/ArchiveRecord.h"
#include "device/JournalRecord.h"
#include "device/Rx58datatypes.h"
#include "protocol/Modbus.h"

#include <chrono>
#include <dirent.h>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;
using simtest::Bytes;
using simtest::Registers;

namespace {

constexpr std::uint8_t Address = 9;
const sim::CivilTime StartTime{2024, 3, 5, 13, 45, 7};

struct ReadBlock {
    std::uint16_t Reg;
    std::uint16_t Count;
};

struct EditionCase {
    const Edition* DeviceEdition;
    std::vector<ReadBlock> CurrentReads;
    std::vector<ReadBlock> SetupReads;
    std::uint16_t CalibrationReg;
    std::uint16_t UnwritableReg;
};

const EditionCase EditionCases[] = {
    {&EditionV3, {{30001, 62}, {30063, 118}}, {{40001, 94}, {40095, 48}}, 40078, 40090},
    {&EditionV2, {{30001, 86}, {30087, 50}}, {{40001, 104}}, 40052, 40064},
};

void PrintTo(const EditionCase& c, std::ostream* os) {
    *os << "edition " << c.DeviceEdition->Name;
}

std::string EditionName(const ::testing::TestParamInfo<EditionCase>& info) {
    return std::string("V") + info.param.DeviceEdition->Name;
}

struct SimulatorFixture : ::testing::TestWithParam<EditionCase> {
    sim::SimulatorConfig config;
    std::unique_ptr<sim::Simulator> simulator;
    simtest::TestClient client;
    simtest::SimProbe probe{client, Address};

    SimulatorFixture() {
        config.Device.DeviceEdition = GetParam().DeviceEdition;
        config.Link.Address = Address;
        config.Device.StartClock = StartTime;
        config.Device.FrozenClock = true;
        config.Device.ResetDelayMs = 100;
        config.Device.Archives.Rings = {{{50, 40}, {30, 20}, {16, 10}, {120, 100}}};
        config.Device.Archives.Wrapped = true;
        config.Device.Archives.Erased = 2;
        config.Device.Archives.Blank = 1;
        config.Device.Archives.Damaged = 2;
    }

    void Start() {
        simulator = std::make_unique<sim::Simulator>(config);
        simulator->Start();
        ASSERT_TRUE(client.OpenTty(simulator->Endpoint()));
    }

    Bytes ReadBlocks(const std::vector<ReadBlock>& blocks) {
        Bytes image;
        for (const ReadBlock& b : blocks) {
            const simtest::Answer a = probe.Read(b.Reg, b.Count);
            EXPECT_TRUE(a.CrcOk);
            EXPECT_EQ(a.Frame.size() >= 3 ? a.Frame[2] : 0, 2 * b.Count)
                << "byte count of " << b.Reg;
            const Bytes data = a.Data();
            image.insert(image.end(), data.begin(), data.end());
        }
        return image;
    }

    bool RecordValid(int type, const Bytes& record) const {
        if (type == atJournal)
            return IsJournalRecordValid(record.data(), record.size());
        return IsArchiveRecordValid(*GetParam().DeviceEdition, record.data(), record.size(),
                                    type != atHourly);
    }
};

} // namespace

TEST_P(SimulatorFixture, IdentificationAndImagesAreWhatTheDeviceHolds) {
    Start();
    const simtest::Answer ident = probe.Ident();
    ASSERT_TRUE(ident.CrcOk);
    ASSERT_EQ(ident.Frame.size(), 13u);
    EXPECT_EQ(std::string(ident.Frame.begin() + 3, ident.Frame.begin() + 7), "RX58");
    EXPECT_EQ(ident.Frame[9], GetParam().DeviceEdition->ProtocolVersion);

    const Bytes current = ReadBlocks(GetParam().CurrentReads);
    const Bytes setup = ReadBlocks(GetParam().SetupReads);
    const sim::DeviceSnapshot snapshot = simulator->Snapshot();
    EXPECT_EQ(current, snapshot.CurrentImage);
    EXPECT_EQ(setup, snapshot.SetupImage);
    EXPECT_EQ(snapshot.Identification[2], GetParam().DeviceEdition->ProtocolVersion);

    // Decoded with the project's decoders, the images give the device's values.
    const Edition& edition = *GetParam().DeviceEdition;
    std::vector<std::uint8_t> host(static_cast<std::size_t>(edition.Current.BufferBytes), 0);
    std::copy(current.begin(), current.end(), host.begin());
    SwapCurrentImage(edition, host.data());
    RX58CurrentParams params{};
    DecodeCurrentParams(edition, host.data(), params);
    EXPECT_NEAR(params.t1, snapshot.Current.t1, 0.006);
    EXPECT_NEAR(params.P1, snapshot.Current.P1, 0.0006);
    EXPECT_NEAR(params.Q1, snapshot.Current.Q1, 0.01);
    EXPECT_NEAR(params.V1, snapshot.Current.V1, 0.01);
    EXPECT_GT(params.V1, 1000) << "a working meter has counted something";
    EXPECT_EQ(params.Date, snapshot.Current.Date);
    EXPECT_EQ(params.Time, snapshot.Current.Time);
    for (int type = 0; type < 4; ++type) {
        const sim::RingSnapshot& ring = snapshot.Rings[static_cast<std::size_t>(type)];
        EXPECT_EQ(device::ReadRing(host.data(), type),
                  (device::RingDescriptor{ring.Last, ring.First, ring.Next}))
            << "ring " << type;
    }

    std::vector<std::uint8_t> setupHost(static_cast<std::size_t>(edition.Setup.BufferBytes), 0);
    std::copy(setup.begin(), setup.end(), setupHost.begin());
    SwapSetupImage(edition, setupHost.data());
    RX58SetupParams setupParams{};
    DecodeSetupParams(edition, setupHost.data(), setupParams);
    EXPECT_EQ(setupParams, snapshot.Setup);
    EXPECT_EQ(setupParams.NetAddress, Address);
    RX58Calibration calibration{};
    DecodeCalibration(edition, setupHost.data(), calibration);
    EXPECT_EQ(calibration, snapshot.Calibration);
}

TEST_P(SimulatorFixture, EveryWrappedRingIsReadOnceNewestFirstWithTheMarkedRecordsInvalid) {
    Start();
    const sim::DeviceSnapshot snapshot = simulator->Snapshot();
    const Edition& edition = *GetParam().DeviceEdition;
    const int sizes[4] = {edition.HourlyRecordBytes(), edition.FullRecordBytes(),
                          edition.FullRecordBytes(), 16};
    for (int type = 0; type < 4; ++type) {
        SCOPED_TRACE(::testing::Message() << "archive " << type);
        const sim::RingSnapshot& ring = snapshot.Rings[static_cast<std::size_t>(type)];
        EXPECT_GT(ring.First, ring.Next) << "the ring has wrapped";
        EXPECT_EQ(ring.RecordSize, sizes[type]);
        const device::RingDescriptor descriptor{ring.Last, ring.First, ring.Next};
        const auto records = probe.WalkRing(static_cast<std::uint8_t>(type), descriptor.Newest(),
                                            ring.Count(), sizes[type]);
        ASSERT_TRUE(records.has_value());
        EXPECT_EQ(*records, ring.NewestFirst());
        const long invalid = std::count_if(records->begin(), records->end(),
                                           [&](const Bytes& r) { return !RecordValid(type, r); });
        EXPECT_EQ(invalid, type == atJournal ? 3 : 5)
            << "2 erased, 1 blank and (not in the journal) 2 damaged";
    }
}

TEST_P(SimulatorFixture, PagesHoldAsManyRecordsAsFitTheReply) {
    Start();
    const Edition& edition = *GetParam().DeviceEdition;
    const int sizes[4] = {edition.HourlyRecordBytes(), edition.FullRecordBytes(),
                          edition.FullRecordBytes(), 16};
    for (int type = 0; type < 4; ++type) {
        const simtest::Answer page = probe.Page(static_cast<std::uint8_t>(type), 5, 255);
        ASSERT_TRUE(page.CrcOk);
        ASSERT_GE(page.Frame.size(), 7u);
        EXPECT_EQ(page.Frame[6], (512 - 9) / sizes[type]) << "archive " << type;
        EXPECT_LE(page.Frame.size(), 512u);
    }
    EXPECT_EQ(probe.Page(atJournal, 5, 2).Frame[6], 2) << "never more than asked for";
}

TEST_P(SimulatorFixture, WritesChangeTheClockTheSetupAndTheCalibration) {
    Start();
    const int journalBefore = simulator->Snapshot().Rings[atJournal].Count();
    EXPECT_EQ(probe.Write(40001, Registers({24, 3, 3, 14, 5, 9})).Exception, -1);
    sim::DeviceSnapshot snapshot = simulator->Snapshot();
    EXPECT_EQ(snapshot.Clock, (sim::CivilTime{2024, 3, 3, 14, 5, 9}));
    const Bytes clock = probe.Read(40001, 6).Data();
    EXPECT_EQ(clock, Registers({24, 3, 3, 14, 5, 9}));
    ASSERT_EQ(snapshot.Rings[atJournal].Count(), journalBefore + 1);
    const auto newest = device::ReadJournalEntry(
        JournalStruct(snapshot.Rings[atJournal].NewestFirst()[0].data(), 16));
    EXPECT_EQ(newest.Code, 4) << "the device notes the clock change";

    // The setup write sends the image back with one value changed.
    Bytes image = snapshot.SetupImage;
    image[16] = 0x10; // SerialNum, register 40009
    image[17] = 0xE1;
    const int lastOfFirstBlock = GetParam().DeviceEdition->ProtocolVersion == 2 ? 102 : 154;
    EXPECT_EQ(
        probe.Write(40008, Bytes(image.begin() + 14, image.begin() + lastOfFirstBlock)).Exception,
        -1);
    EXPECT_EQ(simulator->Snapshot().Setup.SerialNum, 0x10E1);

    EXPECT_EQ(probe
                  .Write(GetParam().CalibrationReg,
                         Registers({1, 2, 3, 4, 0xFFFF, 6, 7, 8, 9, 10, 11, 12}))
                  .Exception,
              -1);
    const RX58Calibration expected{1, 2, 3, 4, -1, 6, 7, 8, 9, 10, 11, 12};
    snapshot = simulator->Snapshot();
    EXPECT_EQ(snapshot.Calibration, expected);
    // Each changed value is noted in the journal, the last one newest.
    EXPECT_EQ(snapshot.Rings[atJournal].Count(), journalBefore + 1 + 12);
    const auto r700 = device::ReadJournalEntry(
        JournalStruct(snapshot.Rings[atJournal].NewestFirst()[0].data(), 16));
    EXPECT_EQ(r700.Code, GetParam().DeviceEdition->ProtocolVersion == 2 ? 67 : 93);
    EXPECT_EQ(r700.Type, device::jvU16);
    EXPECT_EQ(r700.OldValue, device::EncodeJournalValue(device::jvU16, 11469));
    EXPECT_EQ(r700.NewValue, device::EncodeJournalValue(device::jvU16, 12));
    EXPECT_EQ(probe.Read(GetParam().CalibrationReg, 12).Data(),
              Registers({1, 2, 3, 4, 0xFFFF, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_P(SimulatorFixture, TheJournalNotesEachChangedParameterWithItsCodeAndType) {
    Start();
    const bool v2 = GetParam().DeviceEdition->ProtocolVersion == 2;
    auto newest = [&] {
        const auto records = simulator->Snapshot().Rings[atJournal].NewestFirst();
        return device::ReadJournalEntry(JournalStruct(records.at(0).data(), 16));
    };
    ASSERT_EQ(probe.Write(40013, Registers({5, 1})).Exception, -1);
    auto e = newest();
    EXPECT_EQ(e.Code, 19) << "start of the summer period";
    EXPECT_EQ(e.OldValue, (device::JournalValueBytes{4, 15, 0, 0}));
    EXPECT_EQ(e.NewValue, (device::JournalValueBytes{5, 1, 0, 0}));

    const std::uint16_t pulseWeight1 = v2 ? 40065 : 40095;
    ASSERT_EQ(probe.Write(pulseWeight1, Registers({0x3F00, 0x0000})).Exception, -1); // 0.5 as F32
    e = newest();
    EXPECT_EQ(e.Code, v2 ? 68 : 94);
    EXPECT_EQ(e.Type, device::jvF32);
    EXPECT_EQ(e.OldValue, device::EncodeJournalValue(device::jvF32, 10));
    EXPECT_EQ(e.NewValue, device::EncodeJournalValue(device::jvF32, 0.5));

    const int before = simulator->Snapshot().Rings[atJournal].Count();
    ASSERT_EQ(probe.Write(40017, probe.Read(40017, 1).Data()).Exception, -1);
    EXPECT_EQ(simulator->Snapshot().Rings[atJournal].Count(), before)
        << "an unchanged value is not noted";
}

TEST_P(SimulatorFixture, RefusedWritesChangeNothing) {
    Start();
    const sim::DeviceSnapshot before = simulator->Snapshot();
    EXPECT_EQ(probe.Write(GetParam().UnwritableReg, Registers({1})).Exception, 2);
    EXPECT_EQ(probe.Write(40001, Registers({24, 13, 1, 0, 0, 0})).Exception, 3) << "month 13";
    EXPECT_EQ(probe.Write(40004, Registers({24})).Exception, 3) << "hour 24";
    EXPECT_EQ(probe.Write(40007, Registers({2})).Exception, 3);
    EXPECT_EQ(probe.Read(30001, 1).Exception, -1);
    EXPECT_EQ(
        probe
            .Read(static_cast<std::uint16_t>(30001 + GetParam().DeviceEdition->Current.Registers),
                  1)
            .Exception,
        2);
    simulator->SetLocked(true);
    const simtest::Answer locked = probe.Write(40009, Registers({1}));
    EXPECT_EQ(locked.Exception, 7);
    EXPECT_STREQ(ModbusErrorText(locked.Exception), "Доступ к регистру закрыт");
    const sim::DeviceSnapshot after = simulator->Snapshot();
    EXPECT_EQ(after.SetupImage, before.SetupImage);
    EXPECT_EQ(after.Clock, before.Clock);
    EXPECT_EQ(after.Rings[atJournal].Slots, before.Rings[atJournal].Slots);
}

TEST_P(SimulatorFixture, AnArchiveResetClearsCountersAndArchivesAfterTheDelay) {
    Start();
    EXPECT_EQ(probe.Write(40007, Registers({1})).Exception, -1);
    EXPECT_EQ(probe.Read(40007, 1).Data(), Registers({1})) << "the order is pending";
    for (int i = 0; i < 500 && simulator->Snapshot().ResetPending; ++i)
        std::this_thread::sleep_for(20ms);
    const sim::DeviceSnapshot snapshot = simulator->Snapshot();
    ASSERT_FALSE(snapshot.ResetPending);
    for (int type : {atHourly, atDaily, atMonthly})
        EXPECT_EQ(snapshot.Rings[static_cast<std::size_t>(type)].Count(), 0) << "archive " << type;
    EXPECT_EQ(device::ReadJournalEntry(
                  JournalStruct(snapshot.Rings[atJournal].NewestFirst()[0].data(), 16))
                  .Code,
              16);
    EXPECT_EQ(snapshot.Current.Q1, 0);
    EXPECT_EQ(snapshot.Current.V5, 0);
    EXPECT_EQ(probe.Read(40007, 1).Data(), Registers({0}));
    const Bytes current = ReadBlocks(GetParam().CurrentReads);
    EXPECT_EQ(simtest::RegisterAt(current, 7), simtest::RegisterAt(current, 8))
        << "hourly First == Next: empty";
}

TEST_P(SimulatorFixture, TheClockRunsOnFromAWrittenTime) {
    config.Device.FrozenClock = false;
    Start();
    ASSERT_EQ(probe.Write(40001, Registers({30, 1, 1, 0, 0, 0})).Exception, -1);
    std::this_thread::sleep_for(1100ms);
    const sim::CivilTime now = simulator->Snapshot().Clock;
    const std::int64_t since = sim::CivilSeconds(now) - sim::CivilSeconds({2030, 1, 1, 0, 0, 0});
    EXPECT_GE(since, 1);
    EXPECT_LT(since, 600);
}

INSTANTIATE_TEST_SUITE_P(BothEditions, SimulatorFixture, ::testing::ValuesIn(EditionCases),
                         EditionName);

namespace {

int ThreadCount() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(dir))
            count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

// The count once it is `expected`, or when a bounded wait runs out: a
// joined thread can stay listed for a moment after the join returns.
int SettledThreadCount(int expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int count = ThreadCount();
    while (count != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        count = ThreadCount();
    }
    return count;
}

// The count once two readings a little apart agree.
int StableThreadCount() {
    int count = ThreadCount();
    for (int i = 0; i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const int again = ThreadCount();
        if (again == count)
            break;
        count = again;
    }
    return count;
}

} // namespace

TEST(Simulator, EmptyPagesCarryNoRecordsAndNameTheIndexAskedFor) {
    sim::SimulatorConfig config;
    sim::Simulator simulator(config);
    simulator.Start();
    simtest::TestClient client;
    ASSERT_TRUE(client.OpenTty(simulator.Endpoint()));
    simtest::SimProbe probe(client, 0);
    sim::FaultConfig faults;
    faults.EmptyPages = true;
    simulator.SetFaults(faults);
    for (std::uint8_t type = 0; type < 4; ++type) {
        const simtest::Answer page = probe.Page(type, 0x0021, 40);
        ASSERT_TRUE(page.CrcOk);
        EXPECT_EQ(page.Frame, simtest::Frame({0, 0x41, type, 1, 0x21, 0x00, 0}));
    }
}

TEST(Simulator, StopLeavesNoThreadBehind) {
    {
        // A sanitizer starts its own helper thread with the first thread.
        sim::Simulator warmUp{sim::SimulatorConfig{}};
        warmUp.Start();
    }
    const int before = StableThreadCount();
    for (int round = 0; round < 3; ++round) {
        sim::SimulatorConfig config;
        config.Link.Transport = round == 1 ? sim::TransportKind::Tcp : sim::TransportKind::Pty;
        config.Link.Modem = round == 2;
        sim::Simulator simulator(config);
        simulator.Start();
        EXPECT_TRUE(simulator.Running());
        EXPECT_EQ(SettledThreadCount(before + 1), before + 1);
        simulator.Stop();
        EXPECT_FALSE(simulator.Running());
        EXPECT_EQ(SettledThreadCount(before), before);
    }
}

namespace {

// What a fault does to the replies of a running simulator, request by
// request, as a client on its line sees them.
struct FaultCase {
    const char* Name;
    std::function<void(sim::FaultConfig&)> Set;
    std::function<void(simtest::SimProbe&, simtest::TestClient&)> Check;
};

} // namespace

TEST(Simulator, EachFaultModeDoesWhatItSaysOnTheLine) {
    using simtest::Answer;
    const FaultCase cases[] = {
        {"drop", [](sim::FaultConfig& f) { f.DropShare = 1; },
         [](simtest::SimProbe& p, simtest::TestClient&) { EXPECT_TRUE(p.Ident().Frame.empty()); }},
        {"corrupt", [](sim::FaultConfig& f) { f.CorruptShare = 1; },
         [](simtest::SimProbe& p, simtest::TestClient&) {
             const Answer a = p.Read(30001, 4);
             EXPECT_EQ(a.Frame.size(), 13u);
             EXPECT_FALSE(a.CrcOk);
         }},
        {"split",
         [](sim::FaultConfig& f) {
             f.SplitShare = 1;
             f.SplitGapMs = 150;
         },
         [](simtest::SimProbe&, simtest::TestClient& c) {
             ASSERT_TRUE(c.Write(simtest::Frame({0, 0x11})));
             EXPECT_EQ(c.Read(3000ms, 20ms).size(), 6u);
             EXPECT_EQ(c.Read(3000ms, 20ms).size(), 7u);
         }},
        {"exception", [](sim::FaultConfig& f) { f.ExceptionCode = 6; },
         [](simtest::SimProbe& p, simtest::TestClient&) {
             EXPECT_EQ(p.Ident().Exception, 6);
             EXPECT_EQ(p.Page(0, 0, 1).Exception, 6);
         }},
        {"silent", [](sim::FaultConfig& f) { f.Silent = true; },
         [](simtest::SimProbe& p, simtest::TestClient&) {
             EXPECT_TRUE(p.Read(40001, 1).Frame.empty());
         }},
        {"signature",
         [](sim::FaultConfig& f) {
             f.Signature = std::array<char, 4>{'R', 'X', '5', '7'};
         },
         [](simtest::SimProbe& p, simtest::TestClient&) {
             const Answer a = p.Ident();
             ASSERT_TRUE(a.CrcOk);
             EXPECT_EQ(std::string(a.Frame.begin() + 3, a.Frame.begin() + 7), "RX57");
         }},
        {"version", [](sim::FaultConfig& f) { f.IdentVersion = 2; },
         [](simtest::SimProbe& p, simtest::TestClient&) { EXPECT_EQ(p.Ident().Frame.at(9), 2); }},
        {"byte count", [](sim::FaultConfig& f) { f.ByteCountLie = 10; },
         [](simtest::SimProbe& p, simtest::TestClient&) {
             const Answer a = p.Read(30001, 62);
             ASSERT_TRUE(a.CrcOk);
             EXPECT_EQ(a.Frame[2], 134) << "claims 134 bytes";
             EXPECT_EQ(a.Frame.size(), 3u + 124 + 2) << "sends 124";
         }},
        {"page count", [](sim::FaultConfig& f) { f.PageCountLie = 2; },
         [](simtest::SimProbe& p, simtest::TestClient&) {
             const Answer a = p.Page(0, 3, 3);
             ASSERT_TRUE(a.CrcOk);
             EXPECT_EQ(a.Frame[6], 5) << "claims 5 records";
             EXPECT_EQ(a.Frame.size(), 9u + 3 * 150) << "sends 3";
         }},
        {"empty pages", [](sim::FaultConfig& f) { f.EmptyPages = true; },
         [](simtest::SimProbe& p, simtest::TestClient&) {
             EXPECT_EQ(p.Page(1, 7, 9).Frame, simtest::Frame({0, 0x41, 1, 1, 7, 0, 0}));
         }},
    };
    sim::SimulatorConfig config;
    config.Device.FrozenClock = true;
    sim::Simulator simulator(config);
    simulator.Start();
    simtest::TestClient client;
    ASSERT_TRUE(client.OpenTty(simulator.Endpoint()));
    simtest::SimProbe probe(client, 0);
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.Name);
        sim::FaultConfig faults;
        c.Set(faults);
        simulator.SetFaults(faults);
        c.Check(probe, client);
        simulator.SetFaults({});
        EXPECT_TRUE(probe.Ident().CrcOk) << "the device answers normally again";
    }
}
