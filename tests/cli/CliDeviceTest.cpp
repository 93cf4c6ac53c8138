#include "ModemTestSupport.h"
#include "RunTool.h"
#include "TempFolder.h"
#include "channels/ModemLineList.h"
#include "cli/Cli.h"
#include "device/ArchiveRecord.h"
#include "device/JournalRecord.h"
#include "device/Rx58core.h"
#include "device/Rx58datatypes.h"
#include "persistence/ArchiveFileReader.h"
#include "persistence/ArchiveFileWriter.h"
#include "persistence/RX58ChanelSetup.h"
#include "persistence/StoredValues.h"
#include "rx58sim/Simulator.h"

#include <ctime>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

// The tool's own run function against the device simulator on a
// pseudo-terminal (and once through its simulated modem): what it reads,
// saves, dumps and writes, with the connection given on the command line
// and a private settings store.
namespace {

using clitest::Words;
using Json = nlohmann::json;

using clitest::Outcome;
using clitest::RunTool;

Words Joined(Words a, const Words& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CliDevice : public ::testing::TestWithParam<const Edition*> {
protected:
    const Edition& Ed() const { return *GetParam(); }
    std::string EditionWord() const { return Ed().Name; }

    // A small device frozen at 5 March 2024 14:07:09, so that what was
    // read can be compared with what it holds.
    void StartDevice() {
        sim::SimulatorConfig config;
        config.Device.DeviceEdition = GetParam();
        config.Device.Archives.Rings = {{{40, 12}, {20, 5}, {12, 3}, {64, 40}}};
        config.Device.Archives.Wrapped = true;
        config.Device.StartClock = sim::CivilTime{2024, 3, 5, 14, 7, 9};
        config.Device.FrozenClock = true;
        config.Device.ResetDelayMs = 200;
        simulator = std::make_unique<sim::Simulator>(config);
        simulator->Start();
    }

    // The edition, the command and the connection for this run.
    Words Command(const std::string& name, const Words& rest = {}) const {
        return Joined({"--edition", EditionWord(), name, "--port", simulator->Endpoint(),
                       "--config", folder.Path().string()},
                      rest);
    }

    Json Dump(const std::filesystem::path& file) {
        const Outcome dump = RunTool({"--edition", EditionWord(), "dump", "--json", file.string()});
        EXPECT_EQ(dump.Status, 0) << dump.Err;
        return Json::parse(dump.Out);
    }

    // The records as a reader decodes the device's images.
    RX58CurrentParams DeviceCurrent(const sim::DeviceSnapshot& s) const {
        std::vector<std::uint8_t> image(static_cast<std::size_t>(Ed().Current.BufferBytes));
        std::copy(s.CurrentImage.begin(), s.CurrentImage.end(), image.begin());
        SwapCurrentImage(Ed(), image.data());
        RX58CurrentParams params{};
        DecodeCurrentParams(Ed(), image.data(), params);
        return params;
    }
    RX58SetupParams DeviceSetup(const sim::DeviceSnapshot& s) const {
        std::vector<std::uint8_t> image(static_cast<std::size_t>(Ed().Setup.BufferBytes));
        std::copy(s.SetupImage.begin(), s.SetupImage.end(), image.begin());
        SwapSetupImage(Ed(), image.data());
        RX58SetupParams params{};
        DecodeSetupParams(Ed(), image.data(), params);
        return params;
    }

    std::vector<std::vector<std::uint8_t>> ValidRecords(const sim::RingSnapshot& ring,
                                                        bool full) const {
        std::vector<std::vector<std::uint8_t>> valid;
        for (const auto& record : ring.NewestFirst()) {
            const bool ok = ring.RecordSize == 16
                                ? IsJournalRecordValid(record.data(), record.size())
                                : IsArchiveRecordValid(Ed(), record.data(), record.size(), full);
            if (ok)
                valid.push_back(record);
        }
        return valid;
    }

    std::vector<std::string> ArchiveRow(const std::vector<std::uint8_t>& record, int kind) const {
        RX58_namespace::ArchiveDecodeStruct decoder(Ed());
        std::vector<std::string> row;
        if (kind == device::akHourly ? decoder.Decode(record.data(), record.size(), kind)
                                     : decoder.DecodeFull(record.data(), record.size(), kind))
            decoder.Row(kind, row);
        return row;
    }

    TempFolder folder;
    std::unique_ptr<sim::Simulator> simulator;
};

TEST_P(CliDevice, AReadSavesAFileWhoseDumpIsWhatTheDeviceHolds) {
    StartDevice();
    const std::filesystem::path file = folder / "read.arch";
    const Outcome read = RunTool(Command("read", {"-o", file.string()}));
    ASSERT_EQ(read.Status, 0) << read.Err;
    EXPECT_TRUE(Contains(read.Out, file.string())) << read.Out;
    EXPECT_TRUE(Contains(read.Err, "Чтение параметров выполнено")) << read.Err;

    const Json json = Dump(file);
    const sim::DeviceSnapshot device = simulator->Snapshot();
    EXPECT_EQ(json["edition"], Ed().ProtocolVersion);
    EXPECT_EQ(json["identification"].get<std::vector<int>>(),
              std::vector<int>(device.Identification.begin(), device.Identification.end()));

    const RX58CurrentParams deviceCurrent = DeviceCurrent(device);
    const RX58SetupParams deviceSetup = DeviceSetup(device);
    const Json& current = json["current"];
    EXPECT_EQ(current["Date"], "2024-03-05");
    EXPECT_EQ(current["Time"], "14:07:09");
    EXPECT_EQ(current["t1"].get<double>(), deviceCurrent.t1);
    EXPECT_EQ(current["Q1"].get<double>(), deviceCurrent.Q1);
    EXPECT_EQ(current["Gv5"].get<double>(), deviceCurrent.Gv5);
    EXPECT_EQ(current["NS5"], deviceCurrent.NS5);
    EXPECT_EQ(current["TworkV5"], deviceCurrent.TworkV5);
    const Json& setup = json["setup"];
    EXPECT_EQ(setup["CurrentDate"], "2024-03-05");
    EXPECT_EQ(setup["SerialNum"], 1234);
    EXPECT_EQ(setup["ChanelV5Enable"], deviceSetup.ChanelV5Enable);
    EXPECT_EQ(setup["Gmax1"].get<double>(), deviceSetup.Gmax1);
    EXPECT_EQ(setup["tColdWaterSummer"].get<double>(), deviceSetup.tColdWaterSummer);
    // The calibration values travel with the setup registers.
    EXPECT_EQ(json["calibration"]["R100"], device.Calibration.R100);
    EXPECT_EQ(json["calibration"]["I_OFFSET_1"], device.Calibration.I_OFFSET_1);

    const auto hourly = ValidRecords(device.Rings[0], false);
    const auto daily = ValidRecords(device.Rings[1], true);
    const auto monthly = ValidRecords(device.Rings[2], true);
    ASSERT_FALSE(hourly.empty());
    ASSERT_FALSE(daily.empty());
    ASSERT_FALSE(monthly.empty());
    EXPECT_EQ(json["hourly"].size(), hourly.size());
    EXPECT_EQ(json["daily"].size(), daily.size());
    EXPECT_EQ(json["dailyTotals"].size(), daily.size());
    EXPECT_EQ(json["monthly"].size(), monthly.size());
    EXPECT_EQ(json["journal"].size(), ValidRecords(device.Rings[3], false).size());
    // Newest first, as the page walk reads them.
    EXPECT_EQ(json["hourly"][0].get<std::vector<std::string>>(),
              ArchiveRow(hourly.front(), device::akHourly));
    EXPECT_EQ(json["hourly"].back().get<std::vector<std::string>>(),
              ArchiveRow(hourly.back(), device::akHourly));
    EXPECT_EQ(json["dailyTotals"][0].get<std::vector<std::string>>(),
              ArchiveRow(daily.front(), device::akDailyTotals));
    EXPECT_EQ(json["monthly"][0].get<std::vector<std::string>>(),
              ArchiveRow(monthly.front(), device::akMonthly));

    // The port was given for this run only.
    RX58ChanelSetup stored;
    stored.Load(persistence::SettingsStore(folder / persistence::StoreFileName));
    EXPECT_EQ(stored.ComPortName, "COM1");
}

TEST_P(CliDevice, ArchivesLeftOutOnTheCommandLineAreNotRead) {
    StartDevice();
    const std::filesystem::path file = folder / "part.arch";
    const Outcome read =
        RunTool(Command("read", {"-o", file.string(), "--no-hourly", "--no-journal"}));
    ASSERT_EQ(read.Status, 0) << read.Err;
    EXPECT_FALSE(Contains(read.Err, "Чтение часового архива")) << read.Err;
    const Json json = Dump(file);
    EXPECT_TRUE(json["hourly"].empty());
    EXPECT_TRUE(json["journal"].empty());
    EXPECT_FALSE(json["daily"].empty());
    EXPECT_FALSE(json["monthly"].empty());
}

TEST_P(CliDevice, WriteSetupFromAFileClonesItsConfigurationIntoTheDevice) {
    StartDevice();
    const std::filesystem::path original = folder / "original.arch";
    ASSERT_EQ(RunTool(Command("read", {"-o", original.string(), "--no-hourly", "--no-daily",
                                       "--no-monthly", "--no-journal"}))
                  .Status,
              0);
    RX58Valve data;
    persistence::ReadArchiveFile(original, Ed(), data);
    // One field of each write request, and one the device shows at once.
    data.SetupParams.tColdWaterSummer = 17.5;
    data.SetupParams.Kprev = 3.25;
    data.SetupParams.ImpulseWeight1 = 2.5;
    data.SetupParams.Gmax5 = 3.0;
    // Another device's identity, which the clone must not take over.
    data.SetupParams.SerialNum = 4321;
    data.SetupParams.NetAddress = 7;
    const std::filesystem::path edited = folder / "edited.arch";
    persistence::WriteArchiveFile(edited, Ed(), persistence::ArchiveContentOf(data));
    ASSERT_NE(simulator->Snapshot().Setup.Gmax5, 3.0);

    const Outcome write = RunTool(Command("write-setup", {"--from", edited.string()}));
    ASSERT_EQ(write.Status, 0) << write.Err;
    EXPECT_TRUE(Contains(write.Out, "Запись параметров выполнена")) << write.Out;
    const RX58SetupParams now = simulator->Snapshot().Setup;
    EXPECT_EQ(now.tColdWaterSummer, 17.5);
    EXPECT_EQ(now.Kprev, 3.25);
    EXPECT_EQ(now.ImpulseWeight1, 2.5f);
    EXPECT_EQ(now.Gmax5, 3.0f);
    EXPECT_EQ(now.SerialNum, 1234);
    EXPECT_EQ(now.NetAddress, 0);
    EXPECT_TRUE(Contains(write.Out, "Заводской номер 1234 и сетевой адрес 0 оставлены"))
        << write.Out;
}

TEST_P(CliDevice, MonitorWithACountPrintsThatManyCyclesAndEnds) {
    StartDevice();
    const Outcome monitor = RunTool(Command("monitor", {"--count", "2", "--interval", "1"}));
    ASSERT_EQ(monitor.Status, 0) << monitor.Err;
    EXPECT_TRUE(Contains(monitor.Out, "Цикл 1\n"));
    EXPECT_TRUE(Contains(monitor.Out, "Цикл 2\n"));
    EXPECT_FALSE(Contains(monitor.Out, "Цикл 3"));
    const std::string date = "  Date = 2024-03-05\n";
    const std::size_t first = monitor.Out.find(date);
    ASSERT_NE(first, std::string::npos) << monitor.Out;
    EXPECT_NE(monitor.Out.find(date, first + 1), std::string::npos) << "each cycle's values";
    EXPECT_TRUE(Contains(monitor.Out, "  TstopV5 = "));
}

TEST_P(CliDevice, ServiceCommandsChangeTheDevice) {
    StartDevice();
    const RX58Calibration before = simulator->Snapshot().Calibration;

    const Outcome readCalibration = RunTool(Command("read-calibration"));
    ASSERT_EQ(readCalibration.Status, 0) << readCalibration.Err;
    EXPECT_TRUE(Contains(readCalibration.Out, "R100 = " + std::to_string(before.R100) + "\n"))
        << readCalibration.Out;
    EXPECT_TRUE(
        Contains(readCalibration.Out, "I_OFFSET_2 = " + std::to_string(before.I_OFFSET_2) + "\n"));

    const Outcome writeCalibration =
        RunTool(Command("write-calibration", {"R100=1234", "I_OFFSET_2=-17"}));
    ASSERT_EQ(writeCalibration.Status, 0) << writeCalibration.Err;
    RX58Calibration expected = before;
    expected.R100 = 1234;
    expected.I_OFFSET_2 = -17;
    EXPECT_EQ(simulator->Snapshot().Calibration, expected) << "the others kept their values";

    const Outcome setTime = RunTool(Command("set-time"));
    ASSERT_EQ(setTime.Status, 0) << setTime.Err;
    EXPECT_EQ(setTime.Out, "Установка текущего времени выполнена\n");
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    EXPECT_EQ(simulator->Snapshot().Clock.Year, local.tm_year + 1900);

    const Outcome refused = RunTool(Command("clear-archive"));
    EXPECT_EQ(refused.Status, 2);
    EXPECT_FALSE(simulator->Snapshot().ResetPending);
    const Outcome clear = RunTool(Command("clear-archive", {"--yes"}));
    ASSERT_EQ(clear.Status, 0) << clear.Err;
    EXPECT_EQ(clear.Out, "Сброс архива будет выполнен через 30 секунд\n");
    const sim::DeviceSnapshot after = simulator->Snapshot();
    EXPECT_TRUE(after.ResetPending || after.Rings[0].Count() == 0);
}

TEST_P(CliDevice, FailuresExitOneWithTheTasksTextAndSaveNothing) {
    StartDevice();
    const std::filesystem::path file = folder / "never.arch";
    const std::string other = Ed().ProtocolVersion == 3 ? "2" : "3";
    const std::vector<std::pair<Words, std::string>> cases = {
        {{"--edition", EditionWord(), "read", "--port", (folder / "no-such-tty").string(),
          "--config", folder.Path().string(), "-o", file.string()},
         "Соединение не установлено"},
        {{"--edition", other, "read", "--port", simulator->Endpoint(), "--config",
          folder.Path().string(), "-o", file.string()},
         "Неизвестная версия прибора"},
        {{"--edition", EditionWord(), "read", "--port", simulator->Endpoint(), "--config",
          folder.Path().string(), "-o", (folder / "no-such-folder" / "f.arch").string()},
         "нет папки «" + (folder / "no-such-folder").string() + "» для файла архива"},
    };
    for (const auto& [words, text] : cases) {
        const Outcome outcome = RunTool(words);
        EXPECT_EQ(outcome.Status, 1) << text;
        EXPECT_TRUE(Contains(outcome.Err, "rx58cli: " + text + "\n")) << outcome.Err;
        EXPECT_FALSE(std::filesystem::exists(file)) << text;
    }
}

TEST_P(CliDevice, AReadThroughTheSimulatedModem) {
    sim::SimulatorConfig config;
    config.Device.DeviceEdition = GetParam();
    config.Device.Archives.Rings = {{{40, 12}, {20, 5}, {12, 3}, {64, 40}}};
    config.Device.StartClock = sim::CivilTime{2024, 3, 5, 14, 7, 9};
    config.Device.FrozenClock = true;
    config.Link.Transport = sim::TransportKind::Pty;
    config.Link.LinkPath = (folder / "modem-line").string();
    config.Link.Address = modemtest::DeviceAddress;
    config.Link.Modem = true;
    config.Link.ModemSettings.AnswerDelayMs = 100;
    config.Link.ModemSettings.GuardTimeMs = modemtest::SimGuardTimeMs;
    simulator = std::make_unique<sim::Simulator>(config);
    simulator->Start();

    // The user's modem line, as the telephony service finds it in the store.
    const persistence::SettingsStore store(folder / persistence::StoreFileName);
    ASSERT_TRUE(store.Update([&](persistence::RegistryDocument& document) {
        const std::string key = std::string(channels::ModemsKey) + "\\Модем стенда";
        document.Set(key, channels::ModemDeviceValue, persistence::TextValue(config.Link.LinkPath));
        document.Set(key, channels::ModemGuardTimeValue,
                     persistence::RegistryValue::MakeDword(modemtest::SimGuardTimeMs));
    }));

    const std::filesystem::path file = folder / "modem.arch";
    const Outcome read =
        RunTool({"--edition", EditionWord(), "read", "--modem", "Модем стенда", "--phone",
                 modemtest::AnsweredNumber, "--address", std::to_string(modemtest::DeviceAddress),
                 "--config", folder.Path().string(), "-o", file.string()});
    ASSERT_EQ(read.Status, 0) << read.Err;
    const Json json = Dump(file);
    EXPECT_EQ(json["hourly"].size(), 12u);
    EXPECT_EQ(json["daily"].size(), 5u);
    EXPECT_EQ(json["monthly"].size(), 3u);
    EXPECT_EQ(json["journal"].size(), 40u);

    RX58ChanelSetup stored;
    stored.Load(store);
    EXPECT_EQ(stored.CurrentChanel, 0) << "the modem was chosen for this run only";
    EXPECT_EQ(stored.PhoneNumber, "");
}

INSTANTIATE_TEST_SUITE_P(Editions, CliDevice, ::testing::Values(&EditionV3, &EditionV2),
                         [](const auto& info) { return std::string("V") + info.param->Name; });

} // namespace
