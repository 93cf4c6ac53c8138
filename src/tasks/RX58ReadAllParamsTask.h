#pragma once

#include "persistence/ReadSettings.h"
#include "tasks/ParamsReadTask.h"

#include <array>
#include <cstdint>

// Reads everything the device holds: identification, current and setup
// parameters, then the monthly, daily and hourly archives and the journal
// (as the read-data options choose), page by page from the newest record.
class RX58ReadAllParamsTask : public tasks::RX58ParamsReadTask {
public:
    RX58ReadAllParamsTask(const tasks::TaskContext& context, RX58Valve* data, bool start);

    int GetKind() const override { return tkReadAll; }
    int GetProgress() override;

    // Page bookkeeping of one archive (0 hourly, 1 daily, 2 monthly, 3 journal).
    struct Counters {
        std::uint16_t PageStart = 0;
        std::uint16_t Total = 0;
        std::uint16_t Remaining = 0;
    };
    const Counters& GetCounters(int archiveType) const {
        return ArchiveCounters[static_cast<std::size_t>(archiveType)];
    }
    const ReadSettings& GetOptions() const { return Options; }

    // A device that keeps sending pages without records would keep the
    // reading going for ever: this many in a row for one archive end it.
    static constexpr int MaxEmptyPagesInARow = 10;

protected:
    StepResult DoOwnStep(const tasks::StepSpec& spec) override;
    void OnOwnReply(const tasks::StepSpec& spec, const std::uint8_t* data,
                    std::uint16_t length) override;
    void OnCurrentImage() override;

private:
    bool ArchiveSelected(int archiveType) const;
    void OnPageReply(int stepArchive, const std::uint8_t* data, std::uint16_t length);
    void StoreRecord(int stepArchive, int replyArchive, const std::uint8_t* record,
                     std::size_t size);

    ReadSettings Options{};
    std::array<Counters, 4> ArchiveCounters{};
    std::array<int, 4> EmptyPagesInARow{};
};
