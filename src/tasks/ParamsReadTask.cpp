#include "tasks/ParamsReadTask.h"

#include "device/Rx58datatypes.h"
#include "editions/TaskPlan.h"
#include "protocol/Modbus.h"
#include "tasks/ReplyChecks.h"
#include "tasks/TaskTexts.h"

#include <cstring>

namespace tasks {

RX58ParamsReadTask::RX58ParamsReadTask(const TaskContext& context, RX58Valve* data, bool start)
    : RX58Task(context, start), Data(data) {}

void RX58ParamsReadTask::PlanParameterSteps() {
    const editions::TaskPlan& plan = editions::TaskPlanOf(GetEdition());
    PlanStep(StepKind::Start, 0, nullptr);
    PlanStep(StepKind::Connect, 0, nullptr);
    PlanStep(StepKind::Identify, 0, texts::ReadingVersion);
    for (int i = 0; i < plan.CurrentReadCount; ++i)
        PlanStep(StepKind::ReadCurrent, i, texts::ReadingCurrent);
    for (int i = 0; i < plan.SetupReadCount; ++i)
        PlanStep(StepKind::ReadSetup, i, texts::ReadingSetup);
}

StepResult RX58ParamsReadTask::DoStep(int step) {
    if (step < 0 || step > GetStepCount())
        return srWaitEvent;
    const StepSpec& spec = Spec(step);
    const editions::TaskPlan& plan = editions::TaskPlanOf(GetEdition());
    int length = FrameCapacity;
    switch (spec.Kind) {
    case StepKind::Start:
        return srNext;
    case StepKind::Connect:
        return DoConnectStep();
    case StepKind::Identify:
        StatusText = spec.Text;
        ModbusReportSlaveId(Frame, length, Address());
        SendFrame(length);
        return srWaitReply;
    case StepKind::ReadCurrent:
    case StepKind::ReadSetup: {
        const editions::RegisterBlock& block = spec.Kind == StepKind::ReadCurrent
                                                   ? plan.CurrentReads[spec.Index]
                                                   : plan.SetupReads[spec.Index];
        StatusText = spec.Text;
        ModbusReadRegisters(Frame, length, Address(), block.Register, block.Count);
        SendFrame(length);
        return srWaitReply;
    }
    default:
        return DoOwnStep(spec);
    }
}

void RX58ParamsReadTask::OnRecvPacket(const std::uint8_t* data, std::uint16_t length,
                                      std::int32_t id) {
    if (State != tsRunning || !CheckReply(data, length, id))
        return;
    const StepSpec& spec = Spec(Step);
    switch (spec.Kind) {
    case StepKind::Identify:
        if (const char* error =
                CheckIdentification(GetEdition(), data, length, Data->Ident.data())) {
            Fail(error);
            return;
        }
        NextStep();
        return;
    case StepKind::ReadCurrent:
    case StepKind::ReadSetup:
        OnRegisterReply(spec, data, length);
        return;
    case StepKind::Start:
    case StepKind::Connect:
        return; // no request is out in these steps
    default:
        OnOwnReply(spec, data, length);
        return;
    }
}

void RX58ParamsReadTask::OnRegisterReply(const StepSpec& spec, const std::uint8_t* data,
                                         std::uint16_t length) {
    const Edition& edition = GetEdition();
    const editions::TaskPlan& plan = editions::TaskPlanOf(edition);
    const bool current = spec.Kind == StepKind::ReadCurrent;
    const editions::RegisterBlock& block =
        current ? plan.CurrentReads[spec.Index] : plan.SetupReads[spec.Index];
    const std::uint8_t* payload = RegisterReplyData(data, length, block.Bytes());
    if (!payload) {
        Fail(texts::BadDataCount);
        return;
    }
    std::uint8_t* image = current ? CurrentImage : SetupImage;
    std::memcpy(image + block.ImageOffset, payload, static_cast<std::size_t>(block.Bytes()));

    const int lastBlock = (current ? plan.CurrentReadCount : plan.SetupReadCount) - 1;
    if (spec.Index == lastBlock) {
        if (current) {
            SwapCurrentImage(edition, CurrentImage);
            DecodeCurrentParams(edition, CurrentImage, Data->CurrentParams);
            OnCurrentImage();
        } else {
            SwapSetupImage(edition, SetupImage);
            DecodeSetupParams(edition, SetupImage, Data->SetupParams);
            SetupImageDecoded = true;
        }
    }
    if (State == tsRunning)
        NextStep();
}

bool RX58ParamsReadTask::GetCalibration(RX58Calibration& calibration) const {
    if (!SetupImageDecoded)
        return false;
    return DecodeCalibration(GetEdition(), SetupImage, calibration);
}

} // namespace tasks
