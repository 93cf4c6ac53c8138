#pragma once

#include "device/Rx58Valve.h"
#include "tasks/Rx58Task.h"

#include <cstdint>
#include <vector>

namespace tasks {

// What one step of a reading task does.
enum class StepKind { Start, Connect, Identify, ReadCurrent, ReadSetup, ReadPage, Pause, Close };

struct StepSpec {
    StepKind Kind;
    int Index;        // register block (ReadCurrent, ReadSetup) or archive type (ReadPage)
    const char* Text; // status text the step sets; null leaves it as it is
};

// The part that the read-all and the monitoring task share: connect, check
// the identification, read the current and the setup image and decode them
// into the data set. The concrete task appends its own steps to the plan.
class RX58ParamsReadTask : public RX58Task {
public:
    // The calibration values the last complete setup read brought along
    // (they sit in the setup image); false before one has completed.
    bool GetCalibration(RX58Calibration& calibration) const;

protected:
    RX58ParamsReadTask(const TaskContext& context, RX58Valve* data, bool start);

    // Start, connect, identification and the register reads of the edition.
    void PlanParameterSteps();
    void PlanStep(StepKind kind, int index, const char* text) {
        Steps.push_back({kind, index, text});
    }
    const StepSpec& Spec(int step) const { return Steps[static_cast<std::size_t>(step)]; }

    int GetStepCount() const override { return static_cast<int>(Steps.size()) - 1; }
    int GetRetryCount(int step) const override { return step == 1 ? 1 : 3; }
    StepResult DoStep(int step) override;
    void OnRecvPacket(const std::uint8_t* data, std::uint16_t length, std::int32_t id) override;

    // Steps the shared part does not know.
    virtual StepResult DoOwnStep(const StepSpec& spec) = 0;
    virtual void OnOwnReply(const StepSpec& spec, const std::uint8_t* data,
                            std::uint16_t length) = 0;
    // The current image has been read, converted and decoded.
    virtual void OnCurrentImage() {}

    static constexpr int CurrentImageBytes = 360;
    static constexpr int SetupImageBytes = 284;

    std::uint8_t CurrentImage[CurrentImageBytes] = {};
    std::uint8_t SetupImage[SetupImageBytes] = {};
    RX58Valve* Data;
    std::vector<StepSpec> Steps;

private:
    bool SetupImageDecoded = false;

    void OnRegisterReply(const StepSpec& spec, const std::uint8_t* data, std::uint16_t length);
};

} // namespace tasks
