#include "TempFolder.h"
#include "rx58sim/Simulator.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// The built rx58cli as a user runs it: the demo end to end, and Ctrl-C in
// the middle of a read.
namespace {

using namespace std::chrono_literals;

// The program with its output and error streams on pipes.
class Child {
public:
    explicit Child(const std::vector<std::string>& args) {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            return;
        Pid = ::fork();
        if (Pid == 0) {
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            std::vector<char*> argv{const_cast<char*>(RX58CLI_PATH)};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(RX58CLI_PATH, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        Out = out[0];
        Err = err[0];
    }
    ~Child() {
        if (Pid > 0 && Status == Running) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, nullptr, 0);
        }
        for (int fd : {Out, Err})
            if (fd >= 0)
                ::close(fd);
    }

    // Collects output until the program ends or `limit` passes; the exit
    // status, 128 + signal, or -1 when it was still running (then killed).
    int Wait(std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            Drain(50);
            int status = 0;
            if (::waitpid(Pid, &status, WNOHANG) == Pid) {
                // What is still in the pipes, up to their end.
                while (Drain(0)) {
                }
                Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return Status;
            }
        }
        ::kill(Pid, SIGKILL);
        ::waitpid(Pid, nullptr, 0);
        Status = -1;
        return Status;
    }
    // Collects output until the error stream holds `text`.
    bool WaitForError(const std::string& text, std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (ErrText.find(text) != std::string::npos)
                return true;
            Drain(50);
        }
        return false;
    }

    pid_t Pid = -1;
    std::string OutText;
    std::string ErrText;

private:
    static constexpr int Running = -2;

    // Reads what is ready; whether anything was read.
    bool Drain(int timeoutMs) {
        pollfd fds[2] = {{Out, POLLIN, 0}, {Err, POLLIN, 0}};
        if (::poll(fds, 2, timeoutMs) <= 0)
            return false;
        bool any = false;
        char buf[4096];
        for (int i = 0; i < 2; ++i)
            if (fds[i].revents & (POLLIN | POLLHUP)) {
                const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
                if (n > 0) {
                    (i == 0 ? OutText : ErrText).append(buf, static_cast<std::size_t>(n));
                    any = true;
                }
            }
        return any;
    }

    int Out = -1;
    int Err = -1;
    int Status = Running;
};

TEST(CliExecutable, TheDemoSavesAnArchiveFileThatDumps) {
    for (const char* edition : {"3", "2"}) {
        TempFolder folder;
        Child demo({"--edition", edition, "demo", "-o", folder.Path().string()});
        ASSERT_EQ(demo.Wait(180s), 0) << demo.ErrText;
        EXPECT_NE(demo.OutText.find("Часовой архив (записей: "), std::string::npos) << demo.OutText;

        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            files.push_back(entry.path());
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].extension(), ".arch");
        EXPECT_EQ(files[0].filename().string().rfind("0000_YTK36_1234_", 0), 0u) << files[0];
        EXPECT_NE(demo.OutText.find("Файл архива: " + files[0].string()), std::string::npos);

        Child dump({"--edition", edition, "dump", "--json", files[0].string()});
        ASSERT_EQ(dump.Wait(60s), 0) << dump.ErrText;
        const nlohmann::json json = nlohmann::json::parse(dump.OutText);
        EXPECT_EQ(json["edition"], std::stoi(edition));
        EXPECT_FALSE(json["hourly"].empty());
        EXPECT_FALSE(json["daily"].empty());
        EXPECT_FALSE(json["monthly"].empty());
        EXPECT_FALSE(json["journal"].empty());
    }
}

TEST(CliExecutable, CtrlCDuringAReadStopsItCleanlyAndExits130) {
    // Hourly records enough for a read of half a minute.
    sim::SimulatorConfig config;
    config.Device.Archives.Rings = {{{600, 600}, {20, 5}, {12, 3}, {64, 40}}};
    sim::Simulator simulator(config);
    simulator.Start();
    TempFolder folder;
    const std::filesystem::path file = folder / "cut.arch";

    Child read({"read", "--port", simulator.Endpoint(), "--config", folder.Path().string(), "-o",
                file.string()});
    ASSERT_TRUE(read.WaitForError("Чтение часового архива", 60s)) << read.ErrText;
    const sim::LinkStats before = simulator.Stats();
    ASSERT_EQ(::kill(read.Pid, SIGINT), 0);
    EXPECT_EQ(read.Wait(30s), 130) << read.ErrText;
    EXPECT_NE(read.ErrText.find("rx58cli: прервано\n"), std::string::npos) << read.ErrText;
    EXPECT_FALSE(std::filesystem::exists(file));

    // The line is free again: no more requests come, and a new run reaches
    // the device.
    const long frames = simulator.Stats().Frames;
    EXPECT_LE(frames - before.Frames, 5);
    Child again(
        {"read-calibration", "--port", simulator.Endpoint(), "--config", folder.Path().string()});
    EXPECT_EQ(again.Wait(60s), 0) << again.ErrText;
    EXPECT_NE(again.OutText.find("R100 = "), std::string::npos);
}

} // namespace
