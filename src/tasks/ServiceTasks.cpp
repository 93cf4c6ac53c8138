#include "tasks/ServiceTasks.h"

#include "device/Rx58datatypes.h"
#include "protocol/Modbus.h"
#include "tasks/ReplyChecks.h"
#include "tasks/TaskTexts.h"

#include <algorithm>
#include <cstring>

namespace tasks {

namespace {
constexpr int FirstOwnStep = 3;

void PutRegister(std::uint8_t* image, int offset, std::uint16_t value) {
    // Host order: the swap before sending puts it into device order.
    std::memcpy(image + offset, &value, sizeof value);
}

const editions::TaskPlan& PlanOf(const TaskContext& context) {
    return editions::TaskPlanOf(*context.edition);
}
} // namespace

RX58ServiceTask::RX58ServiceTask(const TaskContext& context, bool start,
                                 std::vector<ServiceStep> steps)
    : RX58Task(context, start), OwnSteps(std::move(steps)) {}

const ServiceStep* RX58ServiceTask::OwnStep(int step) const {
    const int index = step - FirstOwnStep;
    if (index < 0 || index >= static_cast<int>(OwnSteps.size()))
        return nullptr;
    return &OwnSteps[static_cast<std::size_t>(index)];
}

StepResult RX58ServiceTask::DoStep(int step) {
    int length = FrameCapacity;
    switch (step) {
    case 0:
        return srNext;
    case 1:
        return DoConnectStep();
    case 2:
        StatusText = texts::ReadingVersion;
        ModbusReportSlaveId(Frame, length, Address());
        SendFrame(length);
        return srWaitReply;
    default:
        break;
    }
    const ServiceStep* own = OwnStep(step);
    if (!own)
        return srWaitEvent;
    if (own->Action == ServiceStep::Close) {
        CloseChanel();
        StatusText = own->Text;
        return srWaitEvent;
    }
    if (own->Text)
        StatusText = own->Text;
    const editions::RegisterBlock& block = own->Block;
    if (own->Action == ServiceStep::ReadCalibration) {
        ModbusReadRegisters(Frame, length, Address(), block.Register, block.Count);
    } else {
        PrepareWrite(*own);
        ModbusWriteRegisters(Frame, length, Address(), SetupImage + block.ImageOffset,
                             block.Register, block.Count);
    }
    SendFrame(length);
    return srWaitReply;
}

void RX58ServiceTask::OnRecvPacket(const std::uint8_t* data, std::uint16_t length,
                                   std::int32_t id) {
    if (State != tsRunning || !CheckReply(data, length, id))
        return;
    if (Step == 2) {
        if (const char* error = CheckIdentification(GetEdition(), data, length, nullptr))
            Fail(error);
        else
            NextStep();
        return;
    }
    const ServiceStep* own = OwnStep(Step);
    if (!own || own->Action == ServiceStep::Close)
        return;
    if (own->Action == ServiceStep::ReadCalibration) {
        const std::uint8_t* payload = RegisterReplyData(data, length, own->Block.Bytes());
        if (!payload) {
            Fail(texts::BadDataCount);
            return;
        }
        OnCalibrationData(payload);
    }
    // A write reply passes on as soon as it is a valid frame.
    NextStep();
}

} // namespace tasks

using namespace tasks;

RX58WriteAllParamsTask::RX58WriteAllParamsTask(const TaskContext& context,
                                               const std::uint8_t* image, bool start)
    : RX58ServiceTask(context, start,
                      {{ServiceStep::Write, texts::WritingSetup, PlanOf(context).SetupWrites[0]},
                       {ServiceStep::Write, nullptr, PlanOf(context).SetupWrites[1]},
                       {ServiceStep::Close, texts::WriteSetupDone, {}}}) {
    std::memcpy(SetupImage, image, static_cast<std::size_t>(context.edition->SetupWriteBytes));
}

RX58WriteCurrentTimeTask::RX58WriteCurrentTimeTask(const TaskContext& context, bool start)
    : RX58ServiceTask(context, start,
                      {{ServiceStep::Write, texts::SettingTime, PlanOf(context).Clock},
                       {ServiceStep::Close, texts::SetTimeDone, {}}}) {}

void RX58WriteCurrentTimeTask::PrepareWrite(const ServiceStep&) {
    const LocalTime now = Context.clock ? Context.clock() : ComputerLocalTime();
    const int values[] = {now.Year % 100, now.Month, now.Day, now.Hour, now.Minute, now.Second};
    std::fill(std::begin(SetupImage), std::end(SetupImage), 0);
    for (int i = 0; i < 6; ++i)
        PutRegister(SetupImage, 2 * i, static_cast<std::uint16_t>(values[i]));
    SwapSetupImage(GetEdition(), SetupImage);
}

RX58ClearArchiveTask::RX58ClearArchiveTask(const TaskContext& context, bool start)
    : RX58ServiceTask(context, start,
                      {{ServiceStep::Write, texts::ClearingArchive, PlanOf(context).ArchiveReset},
                       {ServiceStep::Close, texts::ClearArchiveDone, {}}}) {
    PutRegister(SetupImage, PlanOf(context).ArchiveReset.ImageOffset, 1);
    SwapSetupImage(*context.edition, SetupImage);
}

RX58ReadCalibrationParamsTask::RX58ReadCalibrationParamsTask(const TaskContext& context,
                                                             RX58Calibration* calibration,
                                                             bool start)
    : RX58ServiceTask(
          context, start,
          {{ServiceStep::ReadCalibration, texts::ReadingCalibration, PlanOf(context).Calibration},
           {ServiceStep::Close, texts::ReadCalibrationDone, {}}}),
      Calibration(calibration) {}

void RX58ReadCalibrationParamsTask::OnCalibrationData(const std::uint8_t* data) {
    const editions::RegisterBlock& block = PlanOf(Context).Calibration;
    std::memcpy(SetupImage + block.ImageOffset, data, static_cast<std::size_t>(block.Bytes()));
    SwapSetupImage(GetEdition(), SetupImage);
    if (Calibration)
        DecodeCalibration(GetEdition(), SetupImage, *Calibration);
}

RX58WriteCalibrationParamsTask::RX58WriteCalibrationParamsTask(const TaskContext& context,
                                                               const RX58Calibration& calibration,
                                                               bool start)
    : RX58ServiceTask(context, start,
                      {{ServiceStep::Write, texts::WritingCalibration, PlanOf(context).Calibration},
                       {ServiceStep::Close, texts::WriteCalibrationDone, {}}}) {
    EncodeCalibration(*context.edition, calibration, SetupImage);
    SwapSetupImage(*context.edition, SetupImage);
}
