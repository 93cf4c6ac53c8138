#pragma once

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <sys/types.h>

// What every benchmark program shares: the machine it ran on, the --smoke
// switch for short runs, a scratch folder, and the CPU time and wake-ups of
// the process's threads as the kernel counts them.

namespace bench {

// Parses and removes the program's own options (--smoke), records the
// machine in Google Benchmark's context, then hands the rest of the command
// line to Google Benchmark. Returns false when an option was not understood.
bool Initialize(int& argc, char** argv);
bool Smoke();

// The main() of every benchmark program: Initialize, the machine line, the
// registered benchmarks, then `after` (figures printed after the table).
int Main(int argc, char** argv, void (*after)() = nullptr);

// nproc, the CPU model of /proc/cpuinfo, the date and the load average, one
// line each; printed before the figures.
std::string MachineText();

// A folder of its own under $TMPDIR (or /tmp), removed with its contents.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// One thread's counters as /proc/self/task/<tid> shows them.
struct ThreadUsage {
    std::chrono::nanoseconds Cpu{0}; // time on a CPU (schedstat; stat ticks where absent)
    long Wakeups = 0;                // voluntary context switches: each is one sleep ended
    long Preempted = 0;              // involuntary context switches
};

// Every thread of this process by its id.
std::map<pid_t, ThreadUsage> ThreadUsages();

// The change of each thread present at both snapshots.
ThreadUsage Difference(const ThreadUsage& before, const ThreadUsage& after);

// Peak resident set of this process in KiB (ru_maxrss).
long PeakRssKiB();

} // namespace bench
