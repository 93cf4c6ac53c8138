#include "RunTool.h"
#include "TempFolder.h"
#include "cli/Cli.h"
#include "cli/Progress.h"
#include "device/ArchiveRecord.h"
#include "persistence/ArchiveFileWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

// The commands that work on files alone, on good and damaged archive
// files; and how progress looks on a terminal and in a log.
namespace {

using clitest::Words;

using clitest::Outcome;
using clitest::RunTool;

// A version-`edition` file with one hourly, daily and monthly record and
// no journal.
std::string GoodFile(const Edition& edition, const TempFolder& folder) {
    RX58Valve data;
    data.Ident = {1, 0, edition.ProtocolVersion, 0};
    data.SetupParams.SerialNum = 4321;
    const device::ArchiveValue values[] = {{editions::afYear, 24},
                                           {editions::afMonth, 3},
                                           {editions::afDay, 5},
                                           {editions::afHour, 13},
                                           {editions::afQ1, 12.5}};
    data.HourArchive = {device::MakeArchiveRecord(edition, values)};
    data.DayArchive = {device::MakeFullArchiveRecord(edition, values)};
    data.MonthArchive = data.DayArchive;
    RX58Calibration calibration{};
    calibration.R100 = 777;
    const std::filesystem::path file = folder / ("good" + std::string(edition.Name) + ".arch");
    persistence::WriteArchiveFile(file, edition, persistence::ArchiveContentOf(data, &calibration));
    return file.string();
}

TEST(FileCommands, DumpShowsAGoodFileAsJsonAndAsText) {
    TempFolder folder;
    for (const Edition* edition : {&EditionV3, &EditionV2}) {
        const std::string file = GoodFile(*edition, folder);
        const Outcome json = RunTool({"--edition", edition->Name, "dump", file, "--json"});
        ASSERT_EQ(json.Status, 0) << json.Err;
        const nlohmann::json parsed = nlohmann::json::parse(json.Out);
        EXPECT_EQ(parsed["setup"]["SerialNum"], 4321);
        EXPECT_EQ(parsed["calibration"]["R100"], 777);
        EXPECT_EQ(parsed["hourly"].size(), 1u);
        EXPECT_EQ(parsed["monthlyTotals"].size(), 1u);
        EXPECT_EQ(parsed["journal"].size(), 0u);

        const Outcome text = RunTool({"--edition", edition->Name, "dump", file});
        ASSERT_EQ(text.Status, 0) << text.Err;
        EXPECT_NE(text.Out.find("  SerialNum = 4321\n"), std::string::npos);
        EXPECT_NE(text.Out.find("  R100 = 777\n"), std::string::npos);
        EXPECT_NE(text.Out.find("Журнал (записей: 0)\n"), std::string::npos);
    }
}

struct Damage {
    const char* Name;
    std::function<void(std::string&)> Apply;
    const char* Message;
};

// Each damaged file is refused with the reader's message, exit 1, nothing on
// the output stream; so is write-setup from it, before any device is asked.
TEST(FileCommands, ADamagedFileGivesTheReadersMessageAndExitsOne) {
    TempFolder folder;
    const std::string good = ReadWholeFile(GoodFile(EditionV3, folder));
    const std::string v2 = ReadWholeFile(GoodFile(EditionV2, folder));
    const std::size_t monthlyStart = good.size() - 252;
    const std::vector<Damage> damages = {
        {"empty", [](std::string& f) { f.clear(); }, "Ошибка при чтении заголовка"},
        {"short header", [](std::string& f) { f.resize(20); }, "Ошибка при чтении заголовка"},
        {"magic", [](std::string& f) { f[0] = 'X'; }, "Неправильный формат файла"},
        {"device", [](std::string& f) { f[27] = 'Y'; }, "Неизвестный тип прибора"},
        {"other edition", [&](std::string& f) { f = v2; }, "Неизвестная версия прибора"},
        {"cut in the setup", [](std::string& f) { f.resize(27 + 8 + 360 + 100); },
         "Ошибка при чтении настроечных параметров"},
        {"cut in the monthly records", [&](std::string& f) { f.resize(monthlyStart + 100); },
         "Ошибка при чтении архивных параметров"},
        {"hourly length", [](std::string& f) { f[11] = 1; }, "Неверная длина архивных параметров"},
    };
    for (const Damage& damage : damages) {
        std::string content = good;
        damage.Apply(content);
        const std::string file = (folder / (std::string("bad-") + damage.Name + ".arch")).string();
        WriteWholeFile(file, content);
        for (const Words& words :
             {Words{"dump", file}, Words{"dump", "--json", file},
              Words{"write-setup", "--from", file, "--port", (folder / "no-tty").string(),
                    "--config", folder.Path().string()}}) {
            const Outcome outcome = RunTool(words);
            EXPECT_EQ(outcome.Status, 1) << damage.Name;
            EXPECT_EQ(outcome.Err, std::string("rx58cli: ") + damage.Message + "\n") << damage.Name;
            EXPECT_EQ(outcome.Out, "") << damage.Name;
        }
    }
    const Outcome missing = RunTool({"dump", (folder / "missing.arch").string()});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_NE(missing.Err.find("missing.arch"), std::string::npos) << missing.Err;
}

TEST(Progress, ABarRedrawnInPlaceOnATerminalPlainLinesOtherwise) {
    EXPECT_EQ(cli::ProgressBarLine(42, "Чтение журнала"),
              "[############..................]  42% Чтение журнала");
    EXPECT_EQ(cli::ProgressBarLine(140, ""), "[##############################] 100%");

    std::ostringstream terminal;
    {
        cli::ProgressReporter bar(terminal, true);
        bar.Update(0, "Устанавливается соединение");
        bar.Update(50, "Чтение журнала");
    }
    EXPECT_EQ(terminal.str(), "\r" + cli::ProgressBarLine(0, "Устанавливается соединение") +
                                  "\x1b[K\r" + cli::ProgressBarLine(50, "Чтение журнала") +
                                  "\x1b[K\n");

    std::ostringstream log;
    {
        cli::ProgressReporter lines(log, false);
        lines.Update(10, "Чтение часового архива");
        lines.Update(20, "Чтение часового архива");
        lines.Update(30, "");
        lines.Update(90, "Чтение журнала");
    }
    EXPECT_EQ(log.str(), "Чтение часового архива\nЧтение журнала\n");
}

} // namespace
