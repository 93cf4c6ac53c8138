#include "FakeDevice.h"
#include "TaskFixture.h"
#include "editions/TaskPlan.h"
#include "tasks/ServiceTasks.h"
#include "tasks/TaskTexts.h"

#include <memory>

namespace tasks::testing {
namespace {

class ServiceTaskTest : public TaskFixture, public ::testing::WithParamInterface<const Edition*> {
protected:
    ServiceTaskTest() {
        context.edition = GetParam();
        context.clock = [] { return LocalTime{2024, 3, 3, 14, 5, 9}; };
        answer = [this](const Bytes& request) -> Bytes {
            if (request[1] == 0x11)
                return IdentReply(Ed().ProtocolVersion);
            ++ownRequests;
            if (refuseSecond && ownRequests == 2)
                return ExceptionReply(request[1], 2);
            if (request[1] == 0x03) {
                std::vector<std::uint8_t> data(static_cast<std::size_t>(calibrationBytes));
                for (std::size_t i = 0; i < data.size(); ++i)
                    data[i] = static_cast<std::uint8_t>(i % 2 ? i : 0);
                return RegisterReply(0x03, data.data(), calibrationBytes);
            }
            return WriteReply(request);
        };
    }
    const Edition& Ed() const { return *GetParam(); }
    const editions::TaskPlan& Plan() const { return editions::TaskPlanOf(Ed()); }

    // The frames after the identification.
    std::vector<Bytes> OwnFrames() const {
        std::vector<Bytes> frames;
        for (const auto& sent : chanel->SentFrames)
            if (sent.Frame[1] != 0x11)
                frames.push_back(sent.Frame);
        return frames;
    }

    int ownRequests = 0;
    bool refuseSecond = false;
    int calibrationBytes = 24;
};

TEST_P(ServiceTaskTest, EveryTaskRunsItsStepsAndEndsWithItsText) {
    std::vector<std::uint8_t> image(284, 0x5A);
    RX58Calibration calibration{};
    struct Case {
        std::function<std::unique_ptr<RX58Task>()> make;
        int kind;
        int steps;
        const char* text;
    };
    const Case cases[] = {
        {[&] { return std::make_unique<RX58WriteAllParamsTask>(context, image.data(), true); },
         tkWriteAllParams, 5, texts::WriteSetupDone},
        {[&] { return std::make_unique<RX58WriteCurrentTimeTask>(context, true); },
         tkWriteCurrentTime, 4, texts::SetTimeDone},
        {[&] { return std::make_unique<RX58ClearArchiveTask>(context, true); }, tkClearArchive, 4,
         texts::ClearArchiveDone},
        {[&] {
             return std::make_unique<RX58ReadCalibrationParamsTask>(context, &calibration, true);
         },
         tkReadCalibration, 4, texts::ReadCalibrationDone},
        {[&] {
             return std::make_unique<RX58WriteCalibrationParamsTask>(context, calibration, true);
         },
         tkWriteCalibration, 4, texts::WriteCalibrationDone},
    };
    for (const auto& c : cases) {
        chanel = nullptr;
        ownRequests = 0;
        auto task = c.make();
        EXPECT_EQ(task->GetKind(), c.kind);
        ASSERT_TRUE(RunToEnd(*task));
        EXPECT_EQ(task->GetState(), tsDone) << c.kind << " " << task->GetStatusText();
        EXPECT_EQ(task->GetStatusText(), c.text);
        EXPECT_EQ(ownRequests, c.steps - 3) << c.kind;
    }
}

TEST_P(ServiceTaskTest, ClockWriteSendsTheLocalTime) {
    RX58WriteCurrentTimeTask task(context, true);
    ASSERT_TRUE(RunToEnd(task));
    const auto frames = OwnFrames();
    ASSERT_EQ(frames.size(), 1u);
    const Bytes expected = WithCrc({0, 0x10, 0, 0, 0, 6, 12, 0, 24, 0, 3, 0, 3, 0, 14, 0, 5, 0, 9});
    EXPECT_EQ(frames[0], expected);
}

TEST_P(ServiceTaskTest, ClockIsTakenAfreshOnARepeat) {
    int calls = 0;
    context.clock = [&] { return LocalTime{2024, 3, 3, 14, 5, 9 + calls++}; };
    bool first = true;
    answer = [&](const Bytes& request) -> Bytes {
        if (request[1] == 0x11)
            return IdentReply(Ed().ProtocolVersion);
        if (first) {
            first = false;
            return {}; // lost: the step repeats
        }
        return WriteReply(request);
    };
    RX58WriteCurrentTimeTask task(context, true);
    ASSERT_TRUE(RunToEnd(task));
    const auto frames = OwnFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0][18], 9);
    EXPECT_EQ(frames[1][18], 10);
}

TEST_P(ServiceTaskTest, ClearArchiveFrame) {
    RX58ClearArchiveTask task(context, true);
    ASSERT_TRUE(RunToEnd(task));
    const auto frames = OwnFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], WithCrc({0, 0x10, 0x00, 0x06, 0x00, 0x01, 0x02, 0x00, 0x01}));
}

TEST_P(ServiceTaskTest, SetupWriteSendsTheTwoBlocksOfTheImage) {
    std::vector<std::uint8_t> image(284);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i);
    RX58WriteAllParamsTask task(context, image.data(), true);
    ASSERT_TRUE(RunToEnd(task));
    const auto frames = OwnFrames();
    ASSERT_EQ(frames.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const editions::RegisterBlock& block = Plan().SetupWrites[i];
        const Bytes& f = frames[static_cast<std::size_t>(i)];
        ASSERT_EQ(f.size(), static_cast<std::size_t>(block.Bytes() + 9));
        EXPECT_EQ(RequestRegister(f), block.Register);
        EXPECT_EQ(RequestCount(f), block.Count);
        EXPECT_EQ(Bytes(f.begin() + 7, f.end() - 2),
                  Bytes(image.begin() + block.ImageOffset,
                        image.begin() + block.ImageOffset + block.Bytes()));
    }
    if (Ed().ProtocolVersion == 3) {
        EXPECT_EQ(frames[0].size(), 149u);
        EXPECT_EQ(frames[1].size(), 105u);
    }
}

TEST_P(ServiceTaskTest, RefusedSecondWriteEndsWithTheExceptionText) {
    refuseSecond = true;
    std::vector<std::uint8_t> image(284);
    RX58WriteAllParamsTask task(context, image.data(), true);
    ASSERT_TRUE(RunToEnd(task));
    EXPECT_EQ(task.GetState(), tsFailed);
    EXPECT_EQ(task.GetStatusText(), "Недопустимый(неверный) номер регистра");
    EXPECT_EQ(ownRequests, 2);
}

TEST_P(ServiceTaskTest, CalibrationReadFillsTheRecordOrRejectsAShortReply) {
    {
        RX58Calibration calibration{};
        RX58ReadCalibrationParamsTask task(context, &calibration, true);
        ASSERT_TRUE(RunToEnd(task));
        ASSERT_EQ(task.GetState(), tsDone);
        const auto frames = OwnFrames();
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(RequestRegister(frames[0]), Plan().Calibration.Register);
        EXPECT_EQ(RequestCount(frames[0]), 12);
        EXPECT_NE(calibration, RX58Calibration{}) << "filled from the reply";
    }
    {
        calibrationBytes = 22;
        chanel = nullptr;
        RX58Calibration calibration{};
        RX58ReadCalibrationParamsTask task(context, &calibration, true);
        ASSERT_TRUE(RunToEnd(task));
        EXPECT_EQ(task.GetState(), tsFailed);
        EXPECT_EQ(task.GetStatusText(), texts::BadDataCount);
        EXPECT_EQ(calibration, RX58Calibration{}) << "left unchanged";
    }
}

TEST_P(ServiceTaskTest, CalibrationWriteSendsTheEncodedValues) {
    const RX58Calibration calibration{4000, 4001, 4002, 4003, -5, -6, 7, 8, 100, 160, 500, 700};
    std::vector<std::uint8_t> expected(284, 0);
    EncodeCalibration(Ed(), calibration, expected.data());
    SwapSetupImage(Ed(), expected.data());
    RX58WriteCalibrationParamsTask task(context, calibration, true);
    ASSERT_TRUE(RunToEnd(task));
    const auto frames = OwnFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(RequestRegister(frames[0]), Plan().Calibration.Register);
    EXPECT_EQ(Bytes(frames[0].begin() + 7, frames[0].end() - 2),
              Bytes(expected.begin() + Plan().Calibration.ImageOffset,
                    expected.begin() + Plan().Calibration.ImageOffset + 24));
}

TEST_P(ServiceTaskTest, IdentificationIsChecked) {
    struct Case {
        Bytes reply;
        const char* text;
    };
    const Case cases[] = {
        {WithCrc({0, 0x11, 8, 'R', 'X', '5', '9', 1, 2, Ed().ProtocolVersion, 4}),
         texts::UnknownDevice},
        {IdentReply(Ed().ProtocolVersion == 3 ? 2 : 3), texts::UnknownVersion},
        {WithCrc({0, 0x11, 4, 'R', 'X', '5', '8'}), texts::BadDataCount},
    };
    for (const auto& c : cases) {
        answer = [&](const Bytes&) { return c.reply; };
        chanel = nullptr;
        RX58ClearArchiveTask task(context, true);
        ASSERT_TRUE(RunToEnd(task));
        EXPECT_EQ(task.GetStatusText(), c.text);
        EXPECT_EQ(chanel->SentFrames.size(), 1u) << "nothing is written to a stranger";
    }
}

INSTANTIATE_TEST_SUITE_P(Editions, ServiceTaskTest, ::testing::Values(&EditionV3, &EditionV2),
                         [](const auto& info) { return std::string("V") + info.param->Name; });

} // namespace
} // namespace tasks::testing
