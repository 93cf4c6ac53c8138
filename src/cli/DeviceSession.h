#pragma once

#include "cli/CommandLine.h"
#include "cli/Progress.h"
#include "platform/EventLoop.h"
#include "tasks/Rx58Task.h"
#include "tasks/TaskContext.h"

#include <functional>
#include <ostream>
#include <string>

namespace cli {

// Where the tool talks: its two streams, whether the error stream is a
// terminal, and how it learns that the user asked it to stop.
struct CliIo {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;
    // Asked on every tick while a task runs; null means never.
    std::function<bool()> interrupted;
    // How the user started the program, for the commands it suggests.
    std::string program = ProgramName;
};

enum class TaskEnd {
    Done,        // the task ended done
    Failed,      // the task ended failed; its status text says why
    Interrupted, // the user stopped it; the channel has closed
    Enough,      // the watcher had what it wanted; the channel has closed
};

// The user-interface thread of one run of the tool: the event loop, the
// settings store, the telephony service, and the task context every task
// of the run gets (with the connection given on the command line laid over
// the stored settings).
class DeviceSession {
public:
    DeviceSession(const Edition& edition, persistence::SettingsStore store,
                  ConnectionOverride connection, CliIo& io);
    // Lets calls end, then ends the telephony service before the loop goes.
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    tasks::TaskContext& Context() { return TaskContext; }
    platform::EventLoop& Loop() { return EventLoop; }

    // Called after each tick in which the task changed while it runs;
    // returning false stops the task (TaskEnd::Enough).
    using Watch = std::function<bool(RX58Task&)>;

    // Ticks the task every 100 ms until it ends, showing its progress; on
    // an interrupt (or when the watcher has enough) stops it and waits,
    // within a bound, for its channel to close.
    TaskEnd Run(RX58Task& task, const Watch& watch = {});
    // Ends a progress bar's line, so that a watcher's output starts on a
    // line of its own.
    void BreakProgressLine();

    // How long a stopped task may take to close its channel.
    static constexpr std::chrono::seconds CloseLimit{15};

private:
    CliIo& Io;
    platform::EventLoop EventLoop;
    platform::MainQueueScope MainQueue{EventLoop};
    tasks::TaskContext TaskContext;
    ProgressReporter* Progress = nullptr;
};

// The exit status of a task's end, with the failure's text (or the
// interruption) on the error stream.
int ReportTaskEnd(TaskEnd end, const RX58Task& task, CliIo& io);

inline constexpr int ExitDone = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;
inline constexpr int ExitInterrupted = 130;

} // namespace cli
