#include "BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace bench {

namespace {

bool smoke = false;

std::string CpuModel() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) {
            const auto colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    }
    return "unknown";
}

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

bool Initialize(int& argc, char** argv) {
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else
            rest.push_back(argv[i]);
    }
    // A smoke run only shows that every benchmark works: each runs briefly.
    static char shortRuns[] = "--benchmark_min_time=0.01";
    if (smoke && rest.size() < static_cast<std::size_t>(argc))
        rest.push_back(shortRuns);
    for (std::size_t i = 0; i < rest.size(); ++i)
        argv[i] = rest[i];
    argc = static_cast<int>(rest.size());
    argv[argc] = nullptr;

    benchmark::AddCustomContext("nproc", std::to_string(std::thread::hardware_concurrency()));
    benchmark::AddCustomContext("cpu_model", CpuModel());
    benchmark::AddCustomContext("date", Today());
    benchmark::AddCustomContext("load_average", LoadAverage());
    benchmark::AddCustomContext("run", smoke ? "smoke (--smoke)" : "full");
    benchmark::Initialize(&argc, argv);
    return !benchmark::ReportUnrecognizedArguments(argc, argv);
}

int Main(int argc, char** argv, void (*after)()) {
    if (!Initialize(argc, argv))
        return 1;
    std::printf("%s\n", MachineText().c_str());
    benchmark::RunSpecifiedBenchmarks();
    if (after)
        after();
    benchmark::Shutdown();
    return 0;
}

bool Smoke() {
    return smoke;
}

std::string MachineText() {
    return "nproc " + std::to_string(std::thread::hardware_concurrency()) + ", " + CpuModel() +
           ", " + Today() + ", load average " + LoadAverage();
}

ScratchFolder::ScratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/rx58bench.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed: " + std::string(std::strerror(errno)));
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::map<pid_t, ThreadUsage> ThreadUsages() {
    std::map<pid_t, ThreadUsage> usages;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", ec)) {
        const std::string dir = entry.path().string();
        const pid_t tid = static_cast<pid_t>(std::atol(entry.path().filename().c_str()));
        ThreadUsage usage;
        std::istringstream schedstat(ReadText(dir + "/schedstat"));
        long long onCpu = -1;
        if (schedstat >> onCpu) {
            usage.Cpu = std::chrono::nanoseconds(onCpu);
        } else {
            // Fields 14 and 15 of stat (after the command in parentheses).
            const std::string stat = ReadText(dir + "/stat");
            std::istringstream fields(stat.substr(stat.rfind(')') + 2));
            std::string field;
            long long utime = 0, stime = 0;
            for (int i = 3; i <= 15 && fields >> field; ++i) {
                if (i == 14)
                    utime = std::atoll(field.c_str());
                if (i == 15)
                    stime = std::atoll(field.c_str());
            }
            usage.Cpu = std::chrono::nanoseconds((utime + stime) * 1'000'000'000LL /
                                                 ::sysconf(_SC_CLK_TCK));
        }
        std::istringstream status(ReadText(dir + "/status"));
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                usage.Wakeups = std::atol(line.c_str() + std::strlen("voluntary_ctxt_switches:"));
            else if (line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                usage.Preempted =
                    std::atol(line.c_str() + std::strlen("nonvoluntary_ctxt_switches:"));
        }
        usages[tid] = usage;
    }
    return usages;
}

ThreadUsage Difference(const ThreadUsage& before, const ThreadUsage& after) {
    return {after.Cpu - before.Cpu, after.Wakeups - before.Wakeups,
            after.Preempted - before.Preempted};
}

long PeakRssKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace bench
