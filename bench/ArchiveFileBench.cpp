// Archive file: writing and reading a file of 65 535 hourly, 3 660 daily,
// 120 monthly and 10 000 journal records, and the peak memory of each, taken
// from a child process that does nothing else.
//
//     build/default/bench/rx58_bench_archive_file [--smoke]
//
// The file goes to $TMPDIR (default /tmp); a write ends with fsync, so its
// time depends on that file system.

#include "AllocationCounter.h"
#include "BenchData.h"
#include "BenchSupport.h"
#include "persistence/ArchiveFileReader.h"
#include "persistence/ArchiveFileWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::size_t Hours = 65535, Days = 3660, Months = 120, Events = 10000;

const Edition& TheEdition() {
    return EditionV3;
}

const RX58Valve& BigData() {
    static const RX58Valve data = bench::DeviceData(TheEdition(), Hours, Days, Months, Events);
    return data;
}

std::uintmax_t FileBytes(const std::filesystem::path& file) {
    return std::filesystem::file_size(file);
}

bench::ScratchFolder& Scratch() {
    static bench::ScratchFolder folder;
    return folder;
}

// Heap allocations of one pass over the whole file.
void ReportAllocations(benchmark::State& state, long before) {
    state.counters["allocs_per_file"] =
        static_cast<double>(bench::Allocations() - before) /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

void BM_WriteArchiveFile(benchmark::State& state) {
    const RX58Valve& data = BigData();
    const auto file = Scratch().Path() / "write.arch";
    const long allocations = bench::Allocations();
    for (auto _ : state)
        persistence::WriteArchiveFile(file, TheEdition(), persistence::ArchiveContentOf(data));
    ReportAllocations(state, allocations);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FileBytes(file)));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_WriteArchiveFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadArchiveFile(benchmark::State& state) {
    const auto file = Scratch().Path() / "read.arch";
    persistence::WriteArchiveFile(file, TheEdition(), persistence::ArchiveContentOf(BigData()));
    const long allocations = bench::Allocations();
    for (auto _ : state) {
        RX58Valve data;
        persistence::ReadArchiveFile(file, TheEdition(), data);
        if (data.HourArchive.size() != Hours || data.Journal.size() != Events)
            state.SkipWithError("the file did not read back whole");
        benchmark::DoNotOptimize(data.HourArchive.data());
    }
    ReportAllocations(state, allocations);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FileBytes(file)));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ReadArchiveFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- Peak memory, one child process per operation --------------------------

// VmRSS or VmHWM of /proc/self/status in KiB; -1 when absent.
long StatusKiB(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field) + 1);
    return -1;
}

// Sets the peak resident set back to what is resident now, so that the peak
// read later is that of what follows.
void ResetPeak() {
    ::malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// In a child: does one operation and prints the resident set before it and
// the peak during it; the child's own fresh address space makes these the
// operation's alone (ru_maxrss would also count the parent's pages at fork).
int RunChild(const std::string& what, const std::filesystem::path& file) {
    if (what == "read") {
        ResetPeak();
        const long before = StatusKiB("VmRSS:");
        RX58Valve data;
        persistence::ReadArchiveFile(file, TheEdition(), data);
        std::printf("%ld %ld\n", before, StatusKiB("VmHWM:"));
        return data.HourArchive.size() == Hours ? 0 : 1;
    }
    if (what == "write") {
        const RX58Valve data = bench::DeviceData(TheEdition(), Hours, Days, Months, Events);
        ResetPeak();
        const long before = StatusKiB("VmRSS:");
        persistence::WriteArchiveFile(file, TheEdition(), persistence::ArchiveContentOf(data));
        std::printf("%ld %ld\n", before, StatusKiB("VmHWM:"));
        return 0;
    }
    return 2;
}

struct Peak {
    long Before = -1; // KiB resident when the operation began
    long Peak = -1;   // KiB at most while it ran
};

Peak ChildPeak(const char* what, const std::filesystem::path& file) {
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t child = ::fork();
    if (child < 0)
        return {};
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        const std::string path = file.string();
        ::execl("/proc/self/exe", "rx58_bench_archive_file", "--child", what, path.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    char text[64] = {};
    const ssize_t n = ::read(out[0], text, sizeof text - 1);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    Peak peak;
    if (n <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(text, "%ld %ld", &peak.Before, &peak.Peak) != 2)
        return {};
    return peak;
}

double MiB(double kib) {
    return kib / 1024.0;
}

void ReportMemory() {
    const auto file = Scratch().Path() / "memory.arch";
    persistence::WriteArchiveFile(file, TheEdition(), persistence::ArchiveContentOf(BigData()));
    const RX58Valve& d = BigData();
    const double inMemory = static_cast<double>(d.HourArchive.size() * sizeof(ArchiveStruct) +
                                                d.DayArchive.size() * sizeof(FullArchiveStruct) +
                                                d.MonthArchive.size() * sizeof(FullArchiveStruct) +
                                                d.Journal.size() * sizeof(JournalStruct));
    const Peak write = ChildPeak("write", file);
    const Peak read = ChildPeak("read", file);
    std::printf("\nArchive file of %zu hourly, %zu daily, %zu monthly, %zu journal records\n",
                Hours, Days, Months, Events);
    std::printf("  file size                       %8.2f MiB\n",
                static_cast<double>(FileBytes(file)) / 1048576.0);
    std::printf("  the record lists in memory      %8.2f MiB\n", inMemory / 1048576.0);
    std::printf("  write: resident before          %8.2f MiB (the data set held)\n",
                MiB(write.Before));
    std::printf("         peak while writing       %8.2f MiB (the write adds %.2f MiB)\n",
                MiB(write.Peak), MiB(write.Peak - write.Before));
    std::printf("  read:  resident before          %8.2f MiB\n", MiB(read.Before));
    std::printf("         peak while reading       %8.2f MiB (the read adds %.2f MiB)\n",
                MiB(read.Peak), MiB(read.Peak - read.Before));
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return RunChild(argv[2], argv[3]);
    return bench::Main(argc, argv, ReportMemory);
}
