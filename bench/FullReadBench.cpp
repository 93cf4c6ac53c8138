// Full read against the line: the read-all task over a pseudo-terminal
// against the simulator paced at 19200 bit/s, with 720 hourly, 62 daily,
// 24 monthly and 300 journal records. Takes what the line takes (about a
// minute and a half); --smoke reads 30/6/3/40 records in a few seconds.
//
//     build/default/bench/rx58_bench_full_read [--smoke]

#include "BenchSupport.h"
#include "MeteredRead.h"
#include "channels/SerialActions.h"
#include "persistence/ReadSettings.h"
#include "platform/EventLoop.h"
#include "protocol/Modbus.h"
#include "rx58sim/Simulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

namespace {

using namespace std::chrono_literals;
using bench::Clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int Baud = 19200;
constexpr double LineBytesPerSecond = Baud / 10.0; // 8N1: 10 bits a byte
constexpr Ms Tick = 100ms;
// The pauses the serial channel keeps: 1 ms per byte sent, the inter-byte
// silence that ends a reply (the tasks open the port with 20 ms), and the
// pause after a reply.
constexpr Ms PerByteSent = 1ms;
constexpr Ms ReplySilence = 20ms;
constexpr Ms AfterReply = channels::PauseAfterReply;
constexpr Ms AfterOpen = channels::PauseAfterOpen;

struct Plan {
    int Hours, Days, Months, Events;
};

Ms LineTime(int bytes) {
    return Ms(1000.0 * bytes / LineBytesPerSecond);
}

std::string KindOf(const bench::Exchange& e) {
    static const char* const archives[] = {"hourly page", "daily page", "monthly page",
                                           "journal page"};
    switch (e.Function) {
    case mfReportSlaveId:
        return "identification";
    case mfReadInput:
        return "current registers";
    case mfReadHolding:
        return "setup registers";
    case mfReadArchivePage:
        return e.ArchiveType < 4 ? archives[e.ArchiveType] : "page";
    default:
        return "function " + std::to_string(e.Function);
    }
}

struct Figures {
    double Wall = 0, Line = 0, Floor = 0, TickFloor = 0;
    double OwnMean = 0, OwnMax = 0, OwnShare = 0;
};

Figures Report(const bench::ExchangeLog& log, Ms wall, const Plan& plan) {
    struct Kind {
        int Count = 0;
        long Tx = 0, Rx = 0;
        Ms Time{0}, Floor{0}, Gap{0};
        long Ticks = 0;
    };
    std::map<std::string, Kind> kinds;
    long tx = 0, rx = 0;
    Ms floor{0}, tickFloor{0}, own{0}, ownMax{0}, exchangeFloors{0};
    const auto& list = log.Exchanges;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const bench::Exchange& e = list[i];
        tx += e.RequestBytes;
        rx += e.ReplyBytes;
        // The floor as the line and the channel's pauses dictate it, with
        // on average half a tick before each request.
        floor += LineTime(e.RequestBytes + e.ReplyBytes) + PerByteSent * e.RequestBytes +
                 ReplySilence + AfterReply + Tick / 2;
        // What this exchange must take here: the pty delivers the request
        // at once and the reply starts while the channel still pauses for
        // the bytes it sent; the read ends at the silence, then the pause.
        const Ms must = std::max(PerByteSent * e.RequestBytes, LineTime(e.ReplyBytes)) +
                        ReplySilence + AfterReply;
        const Ms took = e.Answered ? Ms(e.Replied - e.Sent) : Ms(0);
        const long ticks = static_cast<long>(std::ceil(must / Tick));
        tickFloor += Tick * ticks;
        exchangeFloors += must;
        own += took - must;
        ownMax = std::max(ownMax, took - must);
        Kind& k = kinds[KindOf(e)];
        ++k.Count;
        k.Tx += e.RequestBytes;
        k.Rx += e.ReplyBytes;
        k.Time += took;
        k.Floor += must;
        k.Ticks += ticks;
        if (i + 1 < list.size())
            k.Gap += Ms(list[i + 1].Sent - e.Replied);
    }
    // Before the first request: step 0 and step 1 take a tick each, the
    // port's opening pause, and (in the floor) half a tick before the
    // first request; the closing step waits for a tick after the last reply.
    const Ms fixed = 2 * Tick + AfterOpen + Tick / 2;
    floor += fixed;
    // The opening ends just after its pause: the first request goes on the
    // tick after that.
    tickFloor += 2 * Tick + Tick * (std::floor(AfterOpen / Tick) + 1);

    Figures f;
    f.Wall = wall.count() / 1000;
    f.Line = LineTime(static_cast<int>(tx + rx)).count() / 1000;
    f.Floor = floor.count() / 1000;
    f.TickFloor = tickFloor.count() / 1000;
    const double n = static_cast<double>(std::max<std::size_t>(list.size(), 1));
    f.OwnMean = own.count() / n;
    f.OwnMax = ownMax.count();
    f.OwnShare = own / exchangeFloors;

    std::printf("\nFull read at %d bit/s: %d hourly, %d daily, %d monthly, %d journal records\n",
                Baud, plan.Hours, plan.Days, plan.Months, plan.Events);
    std::printf("  %-18s %6s %8s %8s %10s %10s %8s %10s\n", "request", "count", "tx B", "rx B",
                "took ms", "must ms", "ticks", "wait ms");
    for (const auto& [name, k] : kinds)
        std::printf("  %-18s %6d %8ld %8ld %10.1f %10.1f %8.2f %10.1f\n", name.c_str(), k.Count,
                    k.Tx / k.Count, k.Rx / k.Count, k.Time.count() / k.Count,
                    k.Floor.count() / k.Count, static_cast<double>(k.Ticks) / k.Count,
                    k.Gap.count() / k.Count);
    std::printf("  (per request: bytes, time from sending to the reply reaching the task, the\n"
                "   time the line and the channel's pauses make it take, whole ticks that\n"
                "   makes, and the wait for the tick that sends the next request)\n");
    std::printf("  exchanges %zu, lost %d, damaged %d, request bytes %ld, reply bytes %ld\n",
                list.size(), log.Lost, log.Damaged, tx, rx);
    std::printf("  wall time                    %9.2f s\n", f.Wall);
    std::printf("  line limit                   %9.2f s   (every byte at %.0f bytes/s)\n", f.Line,
                LineBytesPerSecond);
    std::printf("  pacing floor                 %9.2f s   (line + 1 ms/byte sent + 20 ms silence\n"
                "                                              + 20 ms after + half a tick each,\n"
                "                                              + %.0f ms to connect and close)\n",
                f.Floor, fixed.count());
    std::printf("  wall / line limit            %9.3f\n", f.Wall / f.Line);
    std::printf("  wall / pacing floor          %9.3f   (overhead above the floor %+.1f %%)\n",
                f.Wall / f.Floor, 100 * (f.Wall / f.Floor - 1));
    std::printf(
        "  whole-tick floor             %9.2f s   (each exchange rounded up to whole ticks)\n",
        f.TickFloor);
    std::printf("  wall / whole-tick floor      %9.3f\n", f.Wall / f.TickFloor);
    std::printf("  own time per exchange        %9.2f ms mean, %.2f ms max (%.2f %% of what\n"
                "                                              the exchanges must take)\n",
                f.OwnMean, f.OwnMax, 100 * f.OwnShare);
    return f;
}

void BM_FullRead(benchmark::State& state) {
    const Plan plan = bench::Smoke() ? Plan{30, 6, 3, 40} : Plan{720, 62, 24, 300};
    const Edition& edition = state.range(0) == 2 ? EditionV2 : EditionV3;
    for (auto _ : state) {
        bench::ScratchFolder folder;
        platform::EventLoop loop;
        platform::MainQueueScope mainQueue(loop);

        sim::SimulatorConfig config;
        config.Device.DeviceEdition = &edition;
        config.Device.Archives.Rings = {
            {{1536, plan.Hours}, {384, plan.Days}, {48, plan.Months}, {1024, plan.Events}}};
        // A clock that stands still: no new record while the rings are read.
        config.Device.StartClock = sim::CivilTime{2024, 3, 5, 14, 7, 9};
        config.Device.FrozenClock = true;
        config.Link.Baud = Baud;
        sim::Simulator simulator(config);
        simulator.Start();

        tasks::TaskContext context;
        context.edition = &edition;
        context.ui = &loop;
        context.store = persistence::SettingsStore(folder.Path() / "RX58Manager.reg");
        RX58ChanelSetup setup;
        setup.Load(context.store);
        setup.ComPortName = simulator.Endpoint();
        setup.Save(context.store);
        bench::ExchangeLog log;
        bench::MeterChanels(context, log);

        RX58Valve data;
        bench::Metered<RX58ReadAllParamsTask> task(context, &data, log);
        const auto start = Clock::now();
        const auto timer = loop.StartTimer(std::chrono::milliseconds(100), [&] { task.Tick(); });
        const bool ended = loop.RunUntil([&] { return task.GetState() >= tsDone; }, 30min);
        const Ms wall = Clock::now() - start;
        loop.StopTimer(timer);
        state.SetIterationTime(wall.count() / 1000);
        if (!ended || task.GetState() != tsDone) {
            state.SkipWithError(("the read did not finish: " + task.GetStatusText()).c_str());
            return;
        }
        if (data.HourArchive.size() != static_cast<std::size_t>(plan.Hours) ||
            data.DayArchive.size() != static_cast<std::size_t>(plan.Days) ||
            data.MonthArchive.size() != static_cast<std::size_t>(plan.Months) ||
            data.Journal.size() != static_cast<std::size_t>(plan.Events)) {
            state.SkipWithError("the read did not bring every record");
            return;
        }
        const Figures f = Report(log, wall, plan);
        state.counters["wall_s"] = f.Wall;
        state.counters["line_s"] = f.Line;
        state.counters["floor_s"] = f.Floor;
        state.counters["wall_per_line"] = f.Wall / f.Line;
        state.counters["wall_per_floor"] = f.Wall / f.Floor;
        state.counters["wall_per_tick_floor"] = f.Wall / f.TickFloor;
        state.counters["own_ms_per_exchange"] = f.OwnMean;
        state.counters["retried"] = log.Lost + log.Damaged;
    }
}
BENCHMARK(BM_FullRead)
    ->ArgName("edition")
    ->Arg(3)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    return bench::Main(argc, argv);
}
