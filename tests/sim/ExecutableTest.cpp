// The rx58sim program as a technician runs it: it prints where to connect,
// serves, and ends cleanly on a signal.

#include "SimProbe.h"

#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct Child {
    pid_t Pid = -1;
    int Out = -1;
    int Err = -1;
};

Child Spawn(const std::vector<std::string>& args) {
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        std::vector<char*> argv{const_cast<char*>(RX58SIM_PATH)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(RX58SIM_PATH, argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    return {pid, out[0], err[0]};
}

std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    char c;
    while (line.size() < 200) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0 || ::read(fd, &c, 1) != 1 || c == '\n')
            break;
        line.push_back(c);
    }
    return line;
}

int WaitExit(pid_t pid) {
    for (int i = 0; i < 1000; ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
}

} // namespace

TEST(Executable, ServesOnTcpLogsExchangesAndEndsOnSigterm) {
    Child child = Spawn({"--tcp", "0", "--edition", "2", "--address", "5", "-v"});
    ASSERT_GT(child.Pid, 0);
    const std::string endpoint = ReadLine(child.Out, 10000);
    ASSERT_EQ(endpoint.rfind("127.0.0.1:", 0), 0u) << endpoint;
    simtest::TestClient client;
    ASSERT_TRUE(client.OpenTcp(endpoint));
    simtest::SimProbe probe(client, 5);
    const simtest::Answer ident = probe.Ident();
    ASSERT_EQ(ident.Frame.size(), 13u);
    EXPECT_EQ(ident.Frame[9], 2);
    const std::string logged = ReadLine(child.Err, 10000);
    EXPECT_NE(logged.find("0x11 identification -> version 2"), std::string::npos) << logged;
    ::kill(child.Pid, SIGTERM);
    EXPECT_EQ(WaitExit(child.Pid), 0);
    ::close(child.Out);
    ::close(child.Err);
}

TEST(Executable, ABadOptionEndsWithTheReasonAndExitCode2) {
    Child child = Spawn({"--edition", "5"});
    ASSERT_GT(child.Pid, 0);
    const std::string reason = ReadLine(child.Err, 10000);
    EXPECT_EQ(reason, "rx58sim: недопустимое значение параметра --edition: 5");
    EXPECT_EQ(WaitExit(child.Pid), 2);
    ::close(child.Out);
    ::close(child.Err);
}
