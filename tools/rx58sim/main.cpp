// rx58sim: a calculator in software on a pseudo-terminal, a serial device
// or a loopback socket. Prints the line to open, serves until interrupted.

#include "rx58sim/Options.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <pthread.h>

namespace {

void PrintExchange(const std::string& line) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    std::fprintf(stderr, "%02d:%02d:%02d.%03lld %s\n", local.tm_hour, local.tm_min, local.tm_sec,
                 static_cast<long long>(ms), line.c_str());
}

} // namespace

int main(int argc, char** argv) {
    sim::ParsedOptions options = sim::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.Help) {
        std::fputs(sim::UsageText(), stdout);
        return 0;
    }
    if (!options.Error.empty()) {
        std::fprintf(stderr, "rx58sim: %s\n%s", options.Error.c_str(), sim::UsageText());
        return 2;
    }
    if (options.Verbose)
        options.Config.Link.Log = PrintExchange;

    // Signals are taken by this thread alone, so the server thread is never
    // interrupted and stopping is an ordinary call.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        sim::Simulator simulator(options.Config);
        simulator.Start();
        std::printf("%s\n", simulator.Endpoint().c_str());
        std::fflush(stdout);
        int received = 0;
        sigwait(&signals, &received);
        simulator.Stop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rx58sim: не удалось открыть линию: %s\n", e.what());
        return 1;
    }
    return 0;
}
