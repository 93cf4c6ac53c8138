#include "channels/MoxaQueueIDChanel.h"
#include "network/FakeAdapter.h"
#include "persistence/TempFolder.h"
#include "platform/EventLoop.h"
#include "rx58sim/Simulator.h"
#include "tasks/RX58ReadAllParamsTask.h"
#include "tasks/TaskTexts.h"

#include <gtest/gtest.h>
#include <mutex>
#include <string>

// The read-all task over the adapter channel: the adapter's command
// connection goes to a fake adapter, its data connection to the device
// simulator listening on TCP, as a network serial adapter would put the
// device's serial line on the network.

using namespace nettest;

namespace {

using Records = std::vector<Bytes>;

template <class List>
Records BytesOf(const List& list) {
    Records out;
    for (const auto& record : list)
        out.emplace_back(record.data(), record.data() + record.size());
    return out;
}

std::uint16_t PortOf(const std::string& endpoint) {
    return static_cast<std::uint16_t>(std::stoi(endpoint.substr(endpoint.rfind(':') + 1)));
}

class AdapterReadAll : public testing::TestWithParam<const Edition*> {
protected:
    AdapterReadAll() {
        sim::SimulatorConfig config;
        config.Device.DeviceEdition = GetParam();
        config.Device.Archives.Rings = {{{40, 12}, {20, 5}, {12, 3}, {64, 40}}};
        config.Device.Archives.Wrapped = true;
        config.Device.StartClock = sim::CivilTime{2024, 3, 5, 14, 7, 9};
        config.Device.FrozenClock = true;
        config.Link.Transport = sim::TransportKind::Tcp;
        simulator = std::make_unique<sim::Simulator>(config);
        simulator->Start();

        context.edition = GetParam();
        context.ui = &loop;
        context.store = persistence::SettingsStore(folder / "RX58Manager.reg");
        context.makeChanel = [this](const RX58ChanelSetup&, platform::UiQueue& ui) {
            // The serial line's settings, carried to the adapter.
            channels::MoxaRequest fields = OpenRequest(adapter, 1, 1000);
            fields.ReadIntervalTimeout = 20;
            fields.DataPortBase = PortOf(simulator->Endpoint());
            tasks::ChanelPlan plan;
            plan.Chanel = std::make_unique<TMoxaQueueIDChanel>(ui);
            plan.Start = [fields](TQueueIDChanel& chanel) {
                static_cast<TMoxaQueueIDChanel&>(chanel).Open(fields);
                return std::string();
            };
            return plan;
        };
    }
    ~AdapterReadAll() override { simulator->Stop(); }

    bool RunToEnd(RX58Task& task) {
        const auto timer = loop.StartTimer(std::chrono::milliseconds(100), [&] { task.Tick(); });
        const bool ended =
            loop.RunUntil([&] { return task.GetState() >= tsDone; }, std::chrono::seconds(120));
        loop.StopTimer(timer);
        return ended;
    }

    platform::EventLoop loop;
    platform::MainQueueScope mainQueue{loop};
    TempFolder folder;
    tasks::TaskContext context;
    FakeAdapter adapter{1};
    std::unique_ptr<sim::Simulator> simulator;
};

TEST_P(AdapterReadAll, ReadsEverythingTheDeviceHolds) {
    RX58Valve data;
    {
        RX58ReadAllParamsTask task(context, &data, true);
        ASSERT_TRUE(RunToEnd(task));
        ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
        EXPECT_EQ(task.GetStatusText(), tasks::texts::ReadAllDone);
    }
    const sim::DeviceSnapshot s = simulator->Snapshot();
    EXPECT_EQ(data.Ident, s.Identification);
    EXPECT_EQ(BytesOf(data.HourArchive), s.Rings[0].NewestFirst());
    EXPECT_EQ(BytesOf(data.DayArchive), s.Rings[1].NewestFirst());
    EXPECT_EQ(BytesOf(data.MonthArchive), s.Rings[2].NewestFirst());
    EXPECT_EQ(BytesOf(data.Journal), s.Rings[3].NewestFirst());
    EXPECT_EQ(data.HourArchive.size(), 12u);

    adapter.Stop();
    const std::vector<Bytes> commands = {MakeBytes({0x17, 0x04, 0x00, 0x4B, 0x00, 0x00}),
                                         MakeBytes({0x12, 0x02, 0x00, 0x01})};
    EXPECT_EQ(adapter.Commands(), commands) << "19200 bit/s, DTR low, RTS high, once";
    EXPECT_EQ(simulator->Stats().HangUps, 0);
}

INSTANTIATE_TEST_SUITE_P(Editions, AdapterReadAll, testing::Values(&EditionV3, &EditionV2),
                         [](const auto& info) {
                             return std::string("V") + std::to_string(info.param->ProtocolVersion);
                         });

} // namespace
