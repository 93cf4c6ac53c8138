// Idle cost: the CPU time and wake-ups of each thread while a monitoring
// task polls the simulator every 6 s (the default interval) for 60 s, and
// while a connected channel has nothing to do. Taken from the kernel's
// per-thread counters (/proc/self/task/*/schedstat and status).
//
//     build/default/bench/rx58_bench_idle [--smoke]     (--smoke: 12 s and 3 s)

#include "BenchSupport.h"
#include "MeteredRead.h"
#include "platform/EventLoop.h"
#include "rx58sim/Simulator.h"

#include <cstdio>
#include <set>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using bench::Clock;

std::set<pid_t> Threads() {
    std::set<pid_t> ids;
    for (const auto& [tid, usage] : bench::ThreadUsages())
        ids.insert(tid);
    return ids;
}

// The one thread in `after` that `before` lacks; 0 when not exactly one.
pid_t NewThread(const std::set<pid_t>& before, const std::set<pid_t>& after) {
    pid_t found = 0;
    for (pid_t tid : after)
        if (!before.count(tid)) {
            if (found)
                return 0;
            found = tid;
        }
    return found;
}

std::chrono::nanoseconds ProcessCpu() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

struct Named {
    const char* Name;
    pid_t Tid;
};

// Runs `run` and reports what each named thread and the process used.
template <class Run>
void Measure(benchmark::State& state, const char* title, std::chrono::seconds span,
             const std::vector<Named>& threads, Run run) {
    const auto before = bench::ThreadUsages();
    const auto cpuBefore = ProcessCpu();
    const auto start = Clock::now();
    run(span);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const auto after = bench::ThreadUsages();
    const double process = std::chrono::duration<double>(ProcessCpu() - cpuBefore).count();

    std::printf("\n%s, %.1f s\n", title, seconds);
    std::printf("  %-22s %10s %12s %12s %12s\n", "thread", "CPU ms", "% of a core", "wakeups/s",
                "preempted/s");
    for (const Named& t : threads) {
        if (!before.count(t.Tid) || !after.count(t.Tid))
            continue;
        const bench::ThreadUsage d = bench::Difference(before.at(t.Tid), after.at(t.Tid));
        const double ms = std::chrono::duration<double, std::milli>(d.Cpu).count();
        std::printf("  %-22s %10.2f %12.4f %12.2f %12.2f\n", t.Name, ms, ms / 10 / seconds,
                    d.Wakeups / seconds, d.Preempted / seconds);
        const std::string key = std::string(t.Name).substr(0, std::string(t.Name).find(' '));
        state.counters[key + "_core_pct"] = ms / 10 / seconds;
        state.counters[key + "_wakeups_per_s"] = d.Wakeups / seconds;
    }
    std::printf("  %-22s %10.2f %12.4f   (getrusage, every thread)\n", "process", process * 1000,
                process * 100 / seconds);
    state.counters["process_core_pct"] = process * 100 / seconds;
}

struct Bench {
    bench::ScratchFolder folder;
    platform::EventLoop loop;
    platform::MainQueueScope mainQueue{loop};
    std::unique_ptr<sim::Simulator> simulator;
    tasks::TaskContext context;
    pid_t ui = ::gettid();
    pid_t simThread = 0;

    Bench() {
        sim::SimulatorConfig config;
        // A clock that stands still: no new record while the rings are read.
        config.Device.StartClock = sim::CivilTime{2024, 3, 5, 14, 7, 9};
        config.Device.FrozenClock = true;
        config.Link.Baud = 19200;
        const auto before = Threads();
        simulator = std::make_unique<sim::Simulator>(config);
        simulator->Start();
        simThread = NewThread(before, Threads());
        context.ui = &loop;
        context.store = persistence::SettingsStore(folder.Path() / "RX58Manager.reg");
        RX58ChanelSetup setup;
        setup.Load(context.store); // the default interval: 6 s
        setup.ComPortName = simulator->Endpoint();
        setup.Save(context.store);
    }
};

void BM_Monitoring(benchmark::State& state) {
    const auto span = bench::Smoke() ? 12s : 60s;
    for (auto _ : state) {
        Bench b;
        bench::ExchangeLog log;
        bench::MeterChanels(b.context, log);
        RX58Valve data;
        bench::Metered<RX58MonitoringTask> task(b.context, &data, log);
        const auto before = Threads();
        const auto timer = b.loop.StartTimer(100ms, [&] { task.Tick(); });
        // From the first pause on: the channel and its worker exist.
        if (!b.loop.RunUntil([&] { return task.GetStep() == task.PauseStep(); }, 30s)) {
            state.SkipWithError(("no first reading: " + task.GetStatusText()).c_str());
            return;
        }
        const pid_t worker = NewThread(before, Threads());
        const std::size_t exchangesBefore = log.Exchanges.size();
        Measure(state, "Monitoring task, interval 6 s", span,
                {{"ui (task timer)", b.ui}, {"channel worker", worker}, {"simulator", b.simThread}},
                [&](std::chrono::seconds s) { b.loop.RunFor(s); });
        std::printf("  requests during the span: %zu, lost %d, damaged %d, task state %u (%s)\n",
                    log.Exchanges.size() - exchangesBefore, log.Lost, log.Damaged, task.GetState(),
                    task.GetStatusText().c_str());
        b.loop.StopTimer(timer);
        state.SetIterationTime(static_cast<double>(span.count()));
    }
}
BENCHMARK(BM_Monitoring)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_IdleChanel(benchmark::State& state) {
    const auto span = bench::Smoke() ? 3s : 10s;
    for (auto _ : state) {
        Bench b;
        const auto before = Threads();
        TComPortQueueIDChanel chanel(b.loop);
        const pid_t worker = NewThread(before, Threads());
        chanel.Open(b.simulator->Endpoint(), 19200, 1000, 20, false, true, false);
        if (!b.loop.RunUntil([&] { return chanel.GetState() == csConnected; }, 10s)) {
            state.SkipWithError("the channel did not connect");
            return;
        }
        Measure(state, "Connected channel, nothing to send", span,
                {{"ui (lamp timer)", b.ui}, {"channel worker", worker}, {"simulator", b.simThread}},
                [&](std::chrono::seconds s) { b.loop.RunFor(s); });
        state.SetIterationTime(static_cast<double>(span.count()));
    }
}
BENCHMARK(BM_IdleChanel)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    return bench::Main(argc, argv);
}
