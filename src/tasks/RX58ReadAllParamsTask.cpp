#include "tasks/RX58ReadAllParamsTask.h"

#include "device/ArchiveRecord.h"
#include "device/JournalRecord.h"
#include "device/Rx58datatypes.h"
#include "protocol/Modbus.h"
#include "tasks/TaskTexts.h"

using namespace tasks;

namespace {

// Page reply of function 0x41: type, one byte not examined, next index (low
// byte first), record count, then the records.
constexpr int PageTypeOffset = 2;
constexpr int PageNextOffset = 4;
constexpr int PageCountOffset = 6;
constexpr int PageRecordsOffset = 7;
constexpr int CrcBytes = 2;

} // namespace

RX58ReadAllParamsTask::RX58ReadAllParamsTask(const TaskContext& context, RX58Valve* data,
                                             bool start)
    : RX58ParamsReadTask(context, data, start) {
    Options.StartInterval = 0;
    Options.FinishInterval = 0;
    Options.Load(Context.store);
    if (Context.adjustReadSettings)
        Context.adjustReadSettings(Options);

    PlanParameterSteps();
    PlanStep(StepKind::ReadPage, atMonthly, texts::ReadingMonthly);
    PlanStep(StepKind::ReadPage, atDaily, texts::ReadingDaily);
    PlanStep(StepKind::ReadPage, atHourly, texts::ReadingHourly);
    PlanStep(StepKind::ReadPage, atJournal, texts::ReadingJournal);
    PlanStep(StepKind::Close, 0, texts::ReadAllDone);
}

bool RX58ReadAllParamsTask::ArchiveSelected(int archiveType) const {
    switch (archiveType) {
    case atHourly:
        return Options.ReadHourArchive;
    case atDaily:
        return Options.ReadDayArchive;
    case atMonthly:
        return Options.ReadMonthArchive;
    default:
        return Options.ReadJournal;
    }
}

StepResult RX58ReadAllParamsTask::DoOwnStep(const StepSpec& spec) {
    if (spec.Kind == StepKind::Close) {
        CloseChanel();
        StatusText = spec.Text;
        return srWaitEvent;
    }
    // A page step.
    Counters& counters = ArchiveCounters[static_cast<std::size_t>(spec.Index)];
    if (counters.Remaining == 0 || !ArchiveSelected(spec.Index))
        return srNext;
    StatusText = spec.Text;
    std::uint8_t payload[ArchivePagePayloadLength];
    ArchivePagePayload(payload, static_cast<std::uint8_t>(spec.Index), counters.PageStart,
                       counters.Remaining);
    int length = FrameCapacity;
    ModbusUserFunction(Frame, length, Address(), mfReadArchivePage, payload,
                       ArchivePagePayloadLength);
    SendFrame(length);
    return srWaitReply;
}

void RX58ReadAllParamsTask::OnCurrentImage() {
    for (int type = atHourly; type <= atJournal; ++type) {
        const device::RingDescriptor ring = device::ReadRing(CurrentImage, type);
        Counters& counters = ArchiveCounters[static_cast<std::size_t>(type)];
        counters.PageStart = ring.Newest();
        counters.Total = counters.Remaining = ring.Count();
    }
}

void RX58ReadAllParamsTask::OnOwnReply(const StepSpec& spec, const std::uint8_t* data,
                                       std::uint16_t length) {
    if (spec.Kind == StepKind::ReadPage)
        OnPageReply(spec.Index, data, length);
}

void RX58ReadAllParamsTask::OnPageReply(int stepArchive, const std::uint8_t* data,
                                        std::uint16_t length) {
    if (length < PageRecordsOffset + CrcBytes) {
        Fail(texts::BadDataCount);
        return;
    }
    const int replyArchive = data[PageTypeOffset];
    const int count = data[PageCountOffset];
    const Edition& edition = GetEdition();
    const std::size_t size =
        stepArchive == atJournal  ? static_cast<std::size_t>(editions::JournalRecordBytes)
        : stepArchive == atHourly ? static_cast<std::size_t>(edition.HourlyRecordBytes())
                                  : static_cast<std::size_t>(edition.FullRecordBytes());
    // A reply must hold every record it announces, and name an archive
    // that exists; otherwise no counter is touched.
    if (replyArchive > atJournal ||
        static_cast<std::size_t>(length) < PageRecordsOffset + count * size + CrcBytes) {
        Fail(texts::BadDataCount);
        return;
    }
    for (int i = 0; i < count; ++i)
        StoreRecord(stepArchive, replyArchive, data + PageRecordsOffset + i * size, size);

    Counters& counters = ArchiveCounters[static_cast<std::size_t>(replyArchive)];
    int& emptyPages = EmptyPagesInARow[static_cast<std::size_t>(replyArchive)];
    if (counters.Remaining >= count) {
        counters.Remaining = static_cast<std::uint16_t>(counters.Remaining - count);
    } else {
        counters.Remaining = 0;
        Fail(texts::BadDataCount);
        return;
    }
    emptyPages = count == 0 ? emptyPages + 1 : 0;
    if (emptyPages >= MaxEmptyPagesInARow) {
        Fail(texts::BadDataCount);
        return;
    }
    if (counters.Remaining != 0) {
        counters.PageStart =
            static_cast<std::uint16_t>(data[PageNextOffset] | (data[PageNextOffset + 1] << 8));
        SetStep(Step, true);
        Changed = true;
    } else {
        NextStep();
    }
}

void RX58ReadAllParamsTask::StoreRecord(int stepArchive, int replyArchive,
                                        const std::uint8_t* record, std::size_t size) {
    if (IsBlankRecordHead(record))
        return;
    const Edition& edition = GetEdition();
    switch (stepArchive) {
    case atHourly:
        if (IsArchiveRecordValid(edition, record, size, false))
            Data->AppendHour(ArchiveStruct(record, size));
        return;
    case atDaily:
    case atMonthly:
        if (!IsArchiveRecordValid(edition, record, size, true))
            return;
        if (replyArchive == atDaily)
            Data->AppendDay(FullArchiveStruct(record, size));
        else if (replyArchive == atMonthly)
            Data->AppendMonth(FullArchiveStruct(record, size));
        return;
    default:
        Data->AppendJournal(JournalStruct(record, size));
        return;
    }
}

int RX58ReadAllParamsTask::GetProgress() {
    // An ended task keeps what Finish (100) or Fail (0) set: the formula
    // below counts the step, which is 0 once the task has ended.
    if (State == tsDone || State == tsFailed)
        return Progress;
    int total = 0;
    int remaining = 0;
    for (const Counters& c : ArchiveCounters) {
        total += c.Total;
        remaining += c.Remaining;
    }
    Progress = (total - remaining + Step) * 100 / (GetStepCount() + total);
    return Progress;
}
