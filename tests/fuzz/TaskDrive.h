#pragma once

#include "FuzzInput.h"
#include "platform/EventLoop.h"
#include "tasks/FakeDevice.h"
#include "tasks/RX58MonitoringTask.h"
#include "tasks/RX58ReadAllParamsTask.h"
#include "tasks/ServiceTasks.h"

#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

// Runs one task of one edition against the scripted calculator of the task
// tests, over the thread-free fake channel, and hands the chosen step the
// given replies in place of the calculator's: every request that step
// sends takes the next one (an empty one is lost), until they run out and
// the calculator answers again. The fuzz target and the seed maker share it.
namespace fuzz {

enum TaskChoice : int {
    ReadAll,
    Monitoring,
    WriteSetup,
    WriteTime,
    ClearArchive,
    ReadCalibration,
    WriteCalibration,
    TaskChoices
};

struct TaskRun {
    const Edition* EditionUsed = &EditionV3;
    int Task = ReadAll;
    // Picks the step among those that send a request (2 .. the last).
    int StepChoice = 0;
    std::deque<std::vector<std::uint8_t>> Replies;
    // When given: the calculator's own reply to each request of the step.
    std::vector<std::vector<std::uint8_t>>* TrueReplies = nullptr;
    // Out: the step that was chosen, and how the task ended.
    int Step = 0;
    std::uint32_t State = tsStopped;
};

// Choice bytes (edition, task, step), then the replies as pieces.
inline TaskRun TaskRunOf(Input& input) {
    TaskRun run;
    run.EditionUsed = (input.Byte() & 1) ? &EditionV2 : &EditionV3;
    run.Task = input.Byte() % TaskChoices;
    run.StepChoice = input.Byte();
    while (!input.Empty()) {
        const auto piece = input.Piece();
        run.Replies.emplace_back(piece.begin(), piece.end());
    }
    return run;
}

namespace task_drive_detail {

using tasks::testing::Bytes;
using tasks::testing::FakeChanel;
using tasks::testing::FakeDevice;

// The step count is the engine's own business; the driver needs it to
// choose a step.
template <class Task>
class Exposed final : public Task {
public:
    using Task::Task;
    int Steps() const { return this->GetStepCount(); }
};

struct Made {
    std::unique_ptr<RX58Task> Task;
    int Steps = 0;
};

template <class Task, class... Args>
Made Make(Args&&... args) {
    auto task = std::make_unique<Exposed<Task>>(std::forward<Args>(args)...);
    const int steps = task->Steps();
    return {std::move(task), steps};
}

struct Environment {
    platform::EventLoop Loop;
    platform::MainQueueScope MainQueue{Loop};
    persistence::SettingsStore Store{ScratchFolder() / "RX58Manager.reg"};
};

inline Environment& Env() {
    static Environment environment;
    return environment;
}

inline std::vector<Bytes> Numbered(int count, const std::function<Bytes(int)>& make) {
    std::vector<Bytes> list;
    for (int i = 0; i < count; ++i)
        list.push_back(make(i));
    return list;
}

// A small calculator: a few records in every archive, writes acknowledged.
inline void FillDevice(FakeDevice& device, const Edition& e) {
    device.SetArchive(0, {99, 0, 5}, Numbered(5, [&](int i) { return FakeDevice::Hourly(e, i); }));
    device.SetArchive(1, {30, 0, 2},
                      Numbered(2, [&](int i) { return FakeDevice::Full(e, i + 1); }));
    device.SetArchive(2, {11, 0, 1},
                      Numbered(1, [&](int i) { return FakeDevice::Full(e, i + 10); }));
    device.SetArchive(3, {499, 0, 4},
                      Numbered(4, [](int i) { return FakeDevice::Journal(19 + i); }));
    device.Tamper = [](const Bytes& request, Bytes& reply) {
        if (request.size() >= 6 && request[1] == 0x10)
            reply = tasks::testing::WriteReply(request);
    };
}

} // namespace task_drive_detail

inline void RunTask(TaskRun& run) {
    using namespace task_drive_detail;
    Environment& env = Env();
    const Edition& edition = *run.EditionUsed;
    FakeDevice device(edition);
    FillDevice(device, edition);

    RX58Task* running = nullptr;
    FakeChanel* chanel = nullptr;
    tasks::TaskContext context;
    context.edition = &edition;
    context.ui = &env.Loop;
    context.store = env.Store;
    context.clock = [] { return tasks::LocalTime{2024, 3, 5, 14, 7, 9}; };
    context.makeChanel = [&](const RX58ChanelSetup&, platform::UiQueue& ui) {
        auto made = std::make_unique<FakeChanel>(ui);
        chanel = made.get();
        chanel->Answer = [&](const Bytes& request) {
            Bytes truth = device.Answer(request);
            if (!running || running->GetStep() != run.Step)
                return truth;
            if (run.TrueReplies)
                run.TrueReplies->push_back(truth);
            if (run.Replies.empty())
                return truth;
            Bytes reply = std::move(run.Replies.front());
            run.Replies.pop_front();
            return reply;
        };
        return tasks::ChanelPlan{std::move(made), [](TQueueIDChanel& c) {
                                     auto& fake = static_cast<FakeChanel&>(c);
                                     fake.SetChanelState(csConnecting);
                                     fake.Connect();
                                     return std::string();
                                 }};
    };

    RX58Valve data;
    RX58Calibration calibration{};
    std::vector<std::uint8_t> setupImage(284, 0x21);
    Made made;
    switch (run.Task) {
    case ReadAll:
        made = Make<RX58ReadAllParamsTask>(context, &data, false);
        break;
    case Monitoring:
        made = Make<RX58MonitoringTask>(context, &data, false);
        break;
    case WriteSetup:
        made = Make<RX58WriteAllParamsTask>(context, setupImage.data(), false);
        break;
    case WriteTime:
        made = Make<RX58WriteCurrentTimeTask>(context, false);
        break;
    case ClearArchive:
        made = Make<RX58ClearArchiveTask>(context, false);
        break;
    case ReadCalibration:
        made = Make<RX58ReadCalibrationParamsTask>(context, &calibration, false);
        break;
    default:
        made = Make<RX58WriteCalibrationParamsTask>(context, calibration, false);
        break;
    }
    RX58Task& task = *made.Task;
    running = &task;
    run.Step = made.Steps >= 2 ? 2 + run.StepChoice % (made.Steps - 1) : 1;

    const auto tick = [&] {
        task.Tick();
        if (chanel && task.GetChanel() == chanel)
            chanel->Deliver();
        (void)task.GetProgress();
        (void)task.GetStatusText();
    };
    // Generous: every reply may be lost and wait out its time-out, and the
    // read may then page through the calculator's records.
    const int ticks = 3000 + 50 * static_cast<int>(run.Replies.size());
    task.Start();
    if (run.Task == Monitoring) {
        // It reads for ever: a complete reading (the pause step entered)
        // after the replies are used up is enough, or a second one when
        // the chosen step takes none.
        int readings = 0;
        for (int i = 0; i < ticks && task.GetState() == tsRunning; ++i) {
            const int before = task.GetStep();
            tick();
            if (task.GetStep() == made.Steps && before != made.Steps &&
                (run.Replies.empty() || ++readings == 2))
                break;
        }
        task.Stop();
        for (int i = 0; i < ticks && chanel && chanel->GetState() != csDisconnected; ++i)
            tick();
    } else {
        for (int i = 0; i < ticks && task.GetState() < tsDone; ++i)
            tick();
        if (task.GetState() < tsDone)
            std::abort(); // a task that never ends though the calculator answers
    }
    run.State = task.GetState();
    running = nullptr;
}

} // namespace fuzz
