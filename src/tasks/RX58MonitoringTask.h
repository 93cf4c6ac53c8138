#pragma once

#include "tasks/ParamsReadTask.h"

// Keeps the current and setup parameters up to date: connects and checks the
// identification once, then reads both images again and again with a pause
// of the monitoring interval between readings, until it is stopped. Each
// time the pause step is entered, a reading is complete.
class RX58MonitoringTask : public tasks::RX58ParamsReadTask {
public:
    RX58MonitoringTask(const tasks::TaskContext& context, RX58Valve* data, bool start);

    int GetKind() const override { return tkMonitoring; }
    void Tick() override;

    // The step that pauses; entering it signals a complete reading.
    int PauseStep() const { return GetStepCount(); }

protected:
    StepResult DoOwnStep(const tasks::StepSpec& spec) override;
    void OnOwnReply(const tasks::StepSpec&, const std::uint8_t*, std::uint16_t) override {}

private:
    std::int32_t PauseTicks = 0;
};
