#pragma once

#include <chrono>
#include <functional>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// A forked child running `work`, which reports an empty text when all went
// well and the reason otherwise. With `unprivileged`, a root caller's child
// first drops to the "nobody" user, so that folder permissions hold for it
// as they do for any user. Children wait for Go(), so that several can be
// started and then let run at once.
class ChildProcess {
public:
    ChildProcess(const std::function<std::string()>& work, bool unprivileged) {
        int go[2], report[2];
        if (::pipe(go) != 0 || ::pipe(report) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(go[1]);
            ::close(report[0]);
            char c;
            while (::read(go[0], &c, 1) > 0) {
            }
            std::string text;
            if (unprivileged && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                text = "cannot drop privileges";
            else
                text = work();
            if (!text.empty() && ::write(report[1], text.data(), text.size()) < 0)
                ::_exit(2);
            ::_exit(text.empty() ? 0 : 1);
        }
        ::close(go[0]);
        ::close(report[1]);
        go_ = go[1];
        report_ = report[0];
    }
    ~ChildProcess() {
        if (pid_ > 0 && !waited_)
            Wait();
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Go() {
        if (go_ >= 0)
            ::close(go_);
        go_ = -1;
    }

    // The child's report; the wait is bounded.
    std::string Wait() {
        Go();
        waited_ = true;
        if (pid_ <= 0)
            return "fork failed";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                ::close(report_);
                return "child did not finish";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::string text;
        char buf[512];
        for (ssize_t n; (n = ::read(report_, buf, sizeof buf)) > 0;)
            text.append(buf, static_cast<std::size_t>(n));
        ::close(report_);
        if (!WIFEXITED(status))
            return "child crashed: " + text;
        if (WEXITSTATUS(status) != 0 && text.empty())
            return "child failed";
        return text;
    }

private:
    pid_t pid_ = -1;
    int go_ = -1;
    int report_ = -1;
    bool waited_ = false;
};

inline std::string RunInChild(const std::function<std::string()>& work, bool unprivileged) {
    ChildProcess child(work, unprivileged);
    return child.Wait();
}
