#pragma once

#include "device/Rx58Records.h"
#include "editions/TaskPlan.h"
#include "tasks/Rx58Task.h"

#include <cstdint>
#include <vector>

namespace tasks {

// One step of a write or service task after the identification.
struct ServiceStep {
    enum Kind { Write, ReadCalibration, Close } Action;
    const char* Text; // null leaves the status text as it is
    editions::RegisterBlock Block;
};

// The frame of the five short tasks: connect, check the identification,
// then the task's own steps (writes, the calibration read, the close).
class RX58ServiceTask : public RX58Task {
protected:
    RX58ServiceTask(const TaskContext& context, bool start, std::vector<ServiceStep> steps);

    int GetStepCount() const override { return static_cast<int>(OwnSteps.size()) + 2; }
    int GetRetryCount(int step) const override { return step == 1 ? 1 : 3; }
    StepResult DoStep(int step) override;
    void OnRecvPacket(const std::uint8_t* data, std::uint16_t length, std::int32_t id) override;

    // Called before a write step builds its frame (the clock fills its
    // registers afresh on every attempt).
    virtual void PrepareWrite(const ServiceStep&) {}
    // The reply of the calibration read, 24 data bytes already checked.
    virtual void OnCalibrationData(const std::uint8_t*) {}

    static constexpr int SetupImageBytes = 284;
    std::uint8_t SetupImage[SetupImageBytes] = {};

private:
    const ServiceStep* OwnStep(int step) const;

    std::vector<ServiceStep> OwnSteps;
};

} // namespace tasks

// Writes the setup parameters, leaving out the clock, the archive-reset
// register and the calibration values.
class RX58WriteAllParamsTask : public tasks::RX58ServiceTask {
public:
    // `image` is the setup image in device byte order; the edition's write
    // part of it (284 bytes, 208 in the version-2 edition) is copied.
    RX58WriteAllParamsTask(const tasks::TaskContext& context, const std::uint8_t* image,
                           bool start);
    int GetKind() const override { return tkWriteAllParams; }
};

// Sets the device clock to the computer's local time.
class RX58WriteCurrentTimeTask : public tasks::RX58ServiceTask {
public:
    RX58WriteCurrentTimeTask(const tasks::TaskContext& context, bool start);
    int GetKind() const override { return tkWriteCurrentTime; }

protected:
    void PrepareWrite(const tasks::ServiceStep& step) override;
};

// Orders the device to clear its counters and archives (it does so about
// 30 seconds later).
class RX58ClearArchiveTask : public tasks::RX58ServiceTask {
public:
    RX58ClearArchiveTask(const tasks::TaskContext& context, bool start);
    int GetKind() const override { return tkClearArchive; }
};

// Reads the twelve calibration values into the caller's record.
class RX58ReadCalibrationParamsTask : public tasks::RX58ServiceTask {
public:
    RX58ReadCalibrationParamsTask(const tasks::TaskContext& context, RX58Calibration* calibration,
                                  bool start);
    int GetKind() const override { return tkReadCalibration; }

protected:
    void OnCalibrationData(const std::uint8_t* data) override;

private:
    RX58Calibration* Calibration;
};

// Writes the twelve calibration values.
class RX58WriteCalibrationParamsTask : public tasks::RX58ServiceTask {
public:
    RX58WriteCalibrationParamsTask(const tasks::TaskContext& context,
                                   const RX58Calibration& calibration, bool start);
    int GetKind() const override { return tkWriteCalibration; }
};
