#include "FakeDevice.h"
#include "TaskFixture.h"
#include "editions/TaskPlan.h"
#include "persistence/ReadSettings.h"
#include "tasks/RX58ReadAllParamsTask.h"
#include "tasks/TaskTexts.h"

namespace tasks::testing {
namespace {

using device::RingDescriptor;

std::vector<Bytes> Numbered(int count, const std::function<Bytes(int)>& make) {
    std::vector<Bytes> v;
    for (int i = 0; i < count; ++i)
        v.push_back(make(i));
    return v;
}

class ReadAllTest : public TaskFixture, public ::testing::WithParamInterface<const Edition*> {
protected:
    ReadAllTest() : device(*GetParam()) {
        context.edition = GetParam();
        answer = device.Responder();
    }
    const Edition& Ed() const { return *GetParam(); }

    // A small device: 5 hourly, 2 daily, 1 monthly, 4 journal records.
    void FillSmallDevice() {
        device.SetArchive(0, {99, 0, 5},
                          Numbered(5, [&](int i) { return FakeDevice::Hourly(Ed(), i); }));
        device.SetArchive(1, {30, 0, 2},
                          Numbered(2, [&](int i) { return FakeDevice::Full(Ed(), i + 1); }));
        device.SetArchive(2, {11, 0, 1},
                          Numbered(1, [&](int i) { return FakeDevice::Full(Ed(), i + 10); }));
        device.SetArchive(3, {499, 0, 4},
                          Numbered(4, [](int i) { return FakeDevice::Journal(19 + i); }));
    }

    FakeDevice device;
    RX58Valve data;
};

TEST_P(ReadAllTest, ReadsEverythingInTheDeviceOrder) {
    FillSmallDevice();
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(RunToEnd(task));
    ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
    EXPECT_EQ(task.GetStatusText(), texts::ReadAllDone);
    EXPECT_EQ(task.GetProgress(), 100);

    EXPECT_EQ(data.Ident, (std::array<std::uint8_t, 4>{1, 2, Ed().ProtocolVersion, 4}));
    ASSERT_EQ(data.HourArchive.size(), 5u);
    EXPECT_EQ(data.DayArchive.size(), 2u);
    EXPECT_EQ(data.MonthArchive.size(), 1u);
    ASSERT_EQ(data.Journal.size(), 4u);
    const Bytes first = FakeDevice::Hourly(Ed(), 0);
    EXPECT_EQ(
        Bytes(data.HourArchive[0].data(), data.HourArchive[0].data() + data.HourArchive[0].size()),
        first);
    EXPECT_EQ(data.HourArchive[0].size(), static_cast<std::size_t>(Ed().HourlyRecordBytes()));

    // Archives in the order monthly, daily, hourly, journal; each from its
    // newest record.
    ASSERT_GE(device.Pages.size(), 4u);
    EXPECT_EQ(device.Pages.front().Type, 2);
    EXPECT_EQ(device.Pages.front().First, 0);
    EXPECT_EQ(device.Pages.back().Type, 3);
    std::vector<int> order;
    for (const auto& p : device.Pages)
        if (order.empty() || order.back() != p.Type)
            order.push_back(p.Type);
    EXPECT_EQ(order, (std::vector<int>{2, 1, 0, 3}));

    // The register blocks of the edition, then the pages.
    std::vector<std::pair<int, int>> reads;
    for (const auto& sent : chanel->SentFrames)
        if (sent.Frame[1] == 0x03 || sent.Frame[1] == 0x04)
            reads.push_back({RequestRegister(sent.Frame), RequestCount(sent.Frame)});
    const std::vector<std::pair<int, int>> expected =
        Ed().ProtocolVersion == 3
            ? std::vector<std::pair<int, int>>{{30001, 62}, {30063, 118}, {40001, 94}, {40095, 48}}
            : std::vector<std::pair<int, int>>{{30001, 86}, {30087, 50}, {40001, 104}};
    EXPECT_EQ(reads, expected);
}

// A settings store that can be neither read nor written (its folder is a
// plain file, which stops root as well as anyone): the read runs with the
// default options, raises nothing and leaves no file behind.
TEST_P(ReadAllTest, AnUnreachableSettingsStoreReadsWithTheDefaults) {
    FillSmallDevice();
    WriteWholeFile(folder / "plain-file", "x");
    context.store = persistence::SettingsStore(folder / "plain-file" / "RX58Manager.reg");
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(RunToEnd(task));
    ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
    EXPECT_EQ(task.GetStatusText(), texts::ReadAllDone);
    const ReadSettings& options = task.GetOptions();
    EXPECT_TRUE(options.ReadHourArchive && options.ReadDayArchive && options.ReadMonthArchive &&
                options.ReadJournal);
    EXPECT_EQ(options.ReadInterval, 0);
    EXPECT_EQ(data.HourArchive.size(), 5u);
    EXPECT_EQ(data.DayArchive.size(), 2u);
    EXPECT_EQ(data.MonthArchive.size(), 1u);
    EXPECT_EQ(data.Journal.size(), 4u);
    EXPECT_EQ(ReadWholeFile(folder / "plain-file"), "x");
}

TEST_P(ReadAllTest, RingDescriptorsGiveTheFirstPage) {
    struct Case {
        RingDescriptor ring;
        int total;
        int firstIndex;
    };
    const Case cases[] = {
        {{99, 0, 0}, 0, -1},   // empty: the step is skipped
        {{99, 30, 10}, 80, 9}, // wrapped
        {{99, 5, 0}, 95, 99},  // next at the start: newest is the last slot
        {{99, 0, 1}, 1, 0},
    };
    for (const auto& c : cases) {
        device.Pages.clear();
        device.SetArchive(
            0, c.ring, Numbered(c.total, [&](int i) { return FakeDevice::Hourly(Ed(), i % 24); }));
        device.PerPage = 255;
        RX58Valve set;
        chanel = nullptr;
        RX58ReadAllParamsTask task(context, &set, true);
        ASSERT_TRUE(RunToEnd(task));
        EXPECT_EQ(task.GetState(), tsDone) << task.GetStatusText();
        EXPECT_EQ(task.GetCounters(0).Total, c.total);
        EXPECT_EQ(set.HourArchive.size(), static_cast<std::size_t>(c.total));
        if (c.firstIndex < 0) {
            EXPECT_TRUE(device.Pages.empty());
        } else {
            ASSERT_FALSE(device.Pages.empty());
            EXPECT_EQ(device.Pages[0].First, c.firstIndex);
            EXPECT_EQ(device.Pages[0].Count, std::min(c.total, 255));
        }
    }
}

TEST_P(ReadAllTest, PagesFollowTheNamedIndexAndCapTheCount) {
    device.SetArchive(0, {999, 0, 300},
                      Numbered(300, [&](int i) { return FakeDevice::Hourly(Ed(), i % 24); }));
    device.PerPage = 1;
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(RunToEnd(task));
    ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
    ASSERT_EQ(device.Pages.size(), 300u);
    EXPECT_EQ(device.Pages[0].First, 299);
    EXPECT_EQ(device.Pages[0].Count, 255);
    EXPECT_EQ(device.Pages[1].First, 298) << "the index the reply named";
    EXPECT_EQ(device.Pages[1].Count, 255);
    EXPECT_EQ(device.Pages[299].Count, 1);
    EXPECT_EQ(data.HourArchive.size(), 300u);
}

TEST_P(ReadAllTest, RejectedRecordsAreSkippedButCounted) {
    std::vector<Bytes> hours = Numbered(4, [&](int i) { return FakeDevice::Hourly(Ed(), i); });
    hours[1][10] ^= 0x55;                                    // CRC no longer matches
    std::fill(hours[2].begin(), hours[2].begin() + 4, 0xFF); // erased
    device.SetArchive(0, {99, 0, 4}, hours);
    std::vector<Bytes> days = Numbered(2, [&](int i) { return FakeDevice::Full(Ed(), i + 1); });
    days[0].back() ^= 1; // totals check broken
    device.SetArchive(1, {30, 0, 2}, days);
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(RunToEnd(task));
    ASSERT_EQ(task.GetState(), tsDone) << task.GetStatusText();
    EXPECT_EQ(data.HourArchive.size(), 2u);
    EXPECT_EQ(data.DayArchive.size(), 1u);
    EXPECT_EQ(task.GetCounters(0).Remaining, 0);
}

TEST_P(ReadAllTest, DeselectedArchivesAreNotAskedForButCountInProgress) {
    FillSmallDevice();
    ReadSettings options;
    options.Load(context.store);
    options.ReadHourArchive = false;
    options.ReadJournal = false;
    ASSERT_TRUE(options.Save(context.store));
    RX58ReadAllParamsTask task(context, &data, true);
    ASSERT_TRUE(RunToRequest(task, 3 + editions::TaskPlanOf(Ed()).CurrentReadCount +
                                       editions::TaskPlanOf(Ed()).SetupReadCount - 1));
    ASSERT_TRUE(RunToEnd(task));
    ASSERT_EQ(task.GetState(), tsDone);
    for (const auto& p : device.Pages) {
        EXPECT_NE(p.Type, 0);
        EXPECT_NE(p.Type, 3);
    }
    EXPECT_TRUE(data.HourArchive.empty());
    EXPECT_EQ(task.GetCounters(0).Total, 5);
    EXPECT_EQ(task.GetCounters(0).Remaining, 5);
}

TEST_P(ReadAllTest, ProgressCountsRecordsAndSteps) {
    FillSmallDevice();
    device.PerPage = 1;
    RX58ReadAllParamsTask task(context, &data, true);
    const int steps = Ed().ProtocolVersion == 3 ? 11 : 10;
    const int total = 5 + 2 + 1 + 4;
    EXPECT_EQ(task.GetProgress(), 0);
    // Up to the last current read the progress is the engine's own.
    const int lastCurrent = 2 + editions::TaskPlanOf(Ed()).CurrentReadCount;
    ASSERT_TRUE(RunToRequest(task, lastCurrent - 1));
    EXPECT_EQ(task.GetProgress(), lastCurrent * 100 / steps);
    // First monthly page: counters known, none received yet.
    const int monthlyStep = lastCurrent + editions::TaskPlanOf(Ed()).SetupReadCount + 1;
    ASSERT_TRUE(RunToRequest(task, monthlyStep));
    EXPECT_EQ(task.GetProgress(), (1 + monthlyStep + 1) * 100 / (steps + total))
        << "the monthly page has been received and the daily step entered";
}

// Replies that lie about their own contents end the read with one text,
// and touch neither the counters nor the data set beyond what was sound.
TEST_P(ReadAllTest, LyingRepliesAreRejected) {
    struct Case {
        const char* name;
        std::function<void(const Bytes& request, Bytes& reply)> tamper;
        const char* text;
    };
    auto recrc = [](Bytes& reply) {
        reply.resize(reply.size() - 2);
        reply = WithCrc(reply);
    };
    const Case cases[] = {
        {"wrong signature",
         [&](const Bytes& q, Bytes& r) {
             if (q[1] == 0x11) {
                 r[4] = 'Y';
                 recrc(r);
             }
         },
         texts::UnknownDevice},
        {"wrong version",
         [&](const Bytes& q, Bytes& r) {
             if (q[1] == 0x11) {
                 r[9] = 7;
                 recrc(r);
             }
         },
         texts::UnknownVersion},
        {"identification cut short",
         [&](const Bytes& q, Bytes& r) {
             if (q[1] == 0x11) {
                 r.resize(10);
                 recrc(r);
             }
         },
         texts::BadDataCount},
        {"register byte count off",
         [&](const Bytes& q, Bytes& r) {
             if (q[1] == 0x04) {
                 r[2] -= 2;
                 r.erase(r.begin() + 3, r.begin() + 5);
                 recrc(r);
             }
         },
         texts::BadDataCount},
        {"register reply shorter than its count",
         [&](const Bytes& q, Bytes& r) {
             if (q[1] == 0x04) {
                 r.resize(40);
                 recrc(r);
             }
         },
         texts::BadDataCount},
        {"page announces more than remain",
         [&](const Bytes& q, Bytes& r) {
             if (q[1] == 0x41 && q[2] == 0) {
                 r[6] = 6;
                 r.resize(7);
                 for (int i = 0; i < 6; ++i) {
                     Bytes h = FakeDevice::Hourly(Ed(), i);
                     r.insert(r.end(), h.begin(), h.end());
                 }
                 r = WithCrc(r);
             }
         },
         texts::BadDataCount},
        {"page shorter than its records",
         [&](const Bytes& q, Bytes& r) {
             if (q[1] == 0x41 && q[2] == 0) {
                 r.resize(r.size() - 40);
                 recrc(r);
             }
         },
         texts::BadDataCount},
        {"page of an unknown archive",
         [&](const Bytes& q, Bytes& r) {
             if (q[1] == 0x41 && q[2] == 0) {
                 r[2] = 9;
                 recrc(r);
             }
         },
         texts::BadDataCount},
    };
    for (const auto& c : cases) {
        FillSmallDevice();
        device.Tamper = c.tamper;
        RX58Valve set;
        chanel = nullptr;
        RX58ReadAllParamsTask task(context, &set, true);
        ASSERT_TRUE(RunToEnd(task)) << c.name;
        EXPECT_EQ(task.GetState(), tsFailed) << c.name;
        EXPECT_EQ(task.GetStatusText(), c.text) << c.name;
        if (std::string(c.name).rfind("page", 0) == 0) {
            // A page that announces too many records still had them all.
            if (std::string(c.name) != "page announces more than remain") {
                EXPECT_TRUE(set.HourArchive.empty()) << c.name;
                EXPECT_EQ(task.GetCounters(0).Remaining, 5) << c.name << ": counters untouched";
                EXPECT_EQ(task.GetCounters(0).PageStart, 4) << c.name;
            }
        }
    }
}

// A page without records asks again at the named index; a device that keeps
// sending empty pages does not keep the read going for ever.
TEST_P(ReadAllTest, EmptyPages) {
    struct Case {
        int emptyPages;
        bool done;
    };
    const Case cases[] = {{1, true}, {9, true}, {10, false}};
    for (const auto& c : cases) {
        FillSmallDevice();
        int empties = 0;
        device.EmptyPage = [&](int type) { return type == 0 && empties++ < c.emptyPages; };
        device.Pages.clear();
        RX58Valve set;
        chanel = nullptr;
        RX58ReadAllParamsTask task(context, &set, true);
        ASSERT_TRUE(RunToEnd(task)) << c.emptyPages;
        if (c.done) {
            EXPECT_EQ(task.GetState(), tsDone) << c.emptyPages << " " << task.GetStatusText();
            EXPECT_EQ(set.HourArchive.size(), 5u);
            std::vector<int> hourly;
            for (const auto& p : device.Pages)
                if (p.Type == 0)
                    hourly.push_back(p.First);
            ASSERT_GE(hourly.size(), 2u);
            EXPECT_EQ(hourly[0], 4);
            EXPECT_EQ(hourly[1], 77) << "asks again at the index the reply named";
        } else {
            EXPECT_EQ(task.GetState(), tsFailed);
            EXPECT_EQ(task.GetStatusText(), texts::BadDataCount);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Editions, ReadAllTest, ::testing::Values(&EditionV3, &EditionV2),
                         [](const auto& info) { return std::string("V") + info.param->Name; });

} // namespace
} // namespace tasks::testing
