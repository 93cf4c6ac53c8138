#include "cli/DeviceSession.h"

#include "channels/Ttapi.h"
#include "platform/Timer.h"

namespace cli {

using namespace std::chrono_literals;

DeviceSession::DeviceSession(const Edition& edition, persistence::SettingsStore store,
                             ConnectionOverride connection, CliIo& io)
    : Io(io) {
    TaskContext.edition = &edition;
    TaskContext.ui = &EventLoop;
    TaskContext.store = store;
    TaskContext.adjustSetup = [connection](RX58ChanelSetup& setup) { connection.ApplyTo(setup); };
    // The modem lines come from the same store the connection settings do.
    TapiVault().Make([this, store] { return MakeProgramTapi(EventLoop, store); });
}

DeviceSession::~DeviceSession() {
    if (TTapi* tapi = TapiVault().Get())
        EventLoop.RunUntil([tapi] { return tapi->ActiveCalls() == 0; }, CloseLimit);
    TapiVault().Clear();
    // Completions still queued for channels that are gone are dropped here.
    EventLoop.ProcessPending();
}

TaskEnd DeviceSession::Run(RX58Task& task, const Watch& watch) {
    ProgressReporter progress(Io.err, Io.errIsTerminal);
    Progress = &progress;
    TaskEnd end = TaskEnd::Done;
    bool stopping = false;
    platform::EventLoop::Clock::time_point closeBy{};

    const auto stop = [&](TaskEnd why) {
        task.Stop();
        stopping = true;
        end = why;
        closeBy = platform::EventLoop::Clock::now() + CloseLimit;
    };

    platform::Timer ticker(EventLoop, 100ms, [&] {
        if (!stopping && Io.interrupted && Io.interrupted())
            stop(TaskEnd::Interrupted);
        task.Tick();
        if (task.IsChanged()) {
            progress.Update(task.GetProgress(), task.GetStatusText());
            if (!stopping && task.GetState() == tsRunning && watch && !watch(task))
                stop(TaskEnd::Enough);
        }
        if (!stopping) {
            if (task.GetState() >= tsDone) {
                end = task.GetState() == tsDone ? TaskEnd::Done : TaskEnd::Failed;
                EventLoop.Quit();
            }
            return;
        }
        const TQueueIDChanel* chanel = task.GetChanel();
        if (!chanel || chanel->GetState() == csDisconnected ||
            platform::EventLoop::Clock::now() >= closeBy)
            EventLoop.Quit();
    });
    EventLoop.Run();
    ticker.Stop();
    progress.Finish();
    Progress = nullptr;
    return end;
}

void DeviceSession::BreakProgressLine() {
    if (Progress)
        Progress->Finish();
}

int ReportTaskEnd(TaskEnd end, const RX58Task& task, CliIo& io) {
    switch (end) {
    case TaskEnd::Done:
    case TaskEnd::Enough:
        return ExitDone;
    case TaskEnd::Failed:
        io.err << ProgramName << ": " << task.GetStatusText() << '\n';
        return ExitFailed;
    case TaskEnd::Interrupted:
        io.err << ProgramName << ": прервано\n";
        return ExitInterrupted;
    }
    return ExitFailed;
}

} // namespace cli
