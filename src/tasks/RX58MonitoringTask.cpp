#include "tasks/RX58MonitoringTask.h"

#include "tasks/TaskTexts.h"

#include <algorithm>
#include <cstdint>

using namespace tasks;

namespace {
constexpr int TicksPerSecond = 10;
constexpr int FirstReadingStep = 3;
} // namespace

RX58MonitoringTask::RX58MonitoringTask(const TaskContext& context, RX58Valve* data, bool start)
    : RX58ParamsReadTask(context, data, start) {
    PlanParameterSteps();
    PlanStep(StepKind::Pause, 0, texts::Waiting);
}

StepResult RX58MonitoringTask::DoOwnStep(const StepSpec& spec) {
    StatusText = spec.Text;
    // An interval of 0 or less leaves the pause without end.
    const long long ticks = static_cast<long long>(Setup.MonitoringInterval) * TicksPerSecond;
    PauseTicks = ticks > 0 ? static_cast<std::int32_t>(std::min<long long>(ticks, INT32_MAX)) : 0;
    return srWaitEvent;
}

void RX58MonitoringTask::Tick() {
    if (State == tsRunning && Step == PauseStep() && PauseTicks != 0 && --PauseTicks == 0)
        SetStep(FirstReadingStep, true);
    RX58Task::Tick();
}
