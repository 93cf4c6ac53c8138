#include "cli/CommandLine.h"

#include "RunTool.h"
#include "cli/Cli.h"

#include <gtest/gtest.h>
#include <sstream>

// The command line alone: what good lines ask for, and how bad ones are
// refused (exit status 2 and a message naming the fault) before anything
// touches a device or a file.
namespace {

using cli::Command;
using cli::CommandLine;
using cli::ParseCommandLine;
using clitest::Words;

using clitest::Outcome;
using clitest::RunTool;

CommandLine Parsed(const Words& words) {
    const cli::ParseResult result = ParseCommandLine(words);
    EXPECT_EQ(result.error, "") << ::testing::PrintToString(words);
    return result.line;
}

TEST(CommandLine, AReadWithEveryConnectionOptionAndArchivesLeftOut) {
    const CommandLine line =
        Parsed({"--edition", "2", "read", "--port", "/dev/pts/7", "--address=17", "-o", "a.arch",
                "--no-hourly", "--no-journal", "--config", "/tmp/conf"});
    EXPECT_EQ(line.command, Command::Read);
    EXPECT_EQ(line.edition, &EditionV2);
    EXPECT_EQ(line.connection.Port, "/dev/pts/7");
    EXPECT_EQ(line.connection.Address, 17);
    EXPECT_EQ(line.output, "a.arch");
    EXPECT_EQ(line.configDir, std::filesystem::path("/tmp/conf"));
    EXPECT_FALSE(line.read.Hourly);
    EXPECT_TRUE(line.read.Daily);
    EXPECT_TRUE(line.read.Monthly);
    EXPECT_FALSE(line.read.Journal);
}

TEST(CommandLine, TheEditionDefaultsToThreeAndMayFollowTheCommand) {
    EXPECT_EQ(Parsed({"dump", "f.arch"}).edition, &EditionV3);
    EXPECT_EQ(Parsed({"dump", "f.arch", "--edition", "2"}).edition, &EditionV2);
    EXPECT_EQ(Parsed({"dump", "--json", "f.arch"}).json, true);
}

TEST(CommandLine, OverridesReplaceOnlyWhatWasGivenAndAModemSelectsKindOne) {
    RX58ChanelSetup stored;
    stored.CurrentChanel = 0;
    stored.ComPortName = "COM1";
    stored.ModemName = "Стенд";
    stored.PhoneNumber = "123";
    stored.NetAddress = 3;
    stored.MonitoringInterval = 6;

    RX58ChanelSetup port = stored;
    Parsed({"set-time", "--port", "ttyUSB0"}).connection.ApplyTo(port);
    EXPECT_EQ(port.CurrentChanel, 0);
    EXPECT_EQ(port.ComPortName, "ttyUSB0");
    EXPECT_EQ(port.NetAddress, 3);

    RX58ChanelSetup modem = stored;
    Parsed({"monitor", "--phone", "8 495 1", "--address", "0", "--interval", "2"})
        .connection.ApplyTo(modem);
    EXPECT_EQ(modem.CurrentChanel, 1);
    EXPECT_EQ(modem.ModemName, "Стенд");
    EXPECT_EQ(modem.PhoneNumber, "8 495 1");
    EXPECT_EQ(modem.NetAddress, 0);
    EXPECT_EQ(modem.MonitoringInterval, 2);
}

TEST(CommandLine, TheCommandLineAloneChoosesTheArchivesARunReads) {
    ReadSettings stored;
    stored.ReadHourArchive = false; // left out in the window's dialog
    stored.ReadDayArchive = true;
    stored.ReadMonthArchive = true;
    stored.ReadJournal = true;
    ReadSettings run = stored;
    Parsed({"read", "-o", "f.arch", "--no-monthly"}).read.ApplyTo(run);
    EXPECT_TRUE(run.ReadHourArchive);
    EXPECT_TRUE(run.ReadDayArchive);
    EXPECT_FALSE(run.ReadMonthArchive);
    EXPECT_TRUE(run.ReadJournal);
}

TEST(CommandLine, CalibrationAssignmentsAreCheckedAgainstTheFieldTable) {
    const CommandLine line =
        Parsed({"write-calibration", "R100=1234", "I_OFFSET_2=-17", "R100=1235"});
    ASSERT_EQ(line.calibration.size(), 2u) << "a name given twice keeps its last value";
    EXPECT_STREQ(line.calibration[0].Field->Name, "R100");
    EXPECT_EQ(line.calibration[0].Value, 1235);
    EXPECT_STREQ(line.calibration[1].Field->Name, "I_OFFSET_2");
    EXPECT_EQ(line.calibration[1].Value, -17);
}

struct BadLine {
    Words Args;
    const char* Message; // part of the error line
};

class BadCommandLine : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadCommandLine, ExitsTwoWithAMessageAndAPointerToTheHelp) {
    const Outcome outcome = RunTool(GetParam().Args);
    EXPECT_EQ(outcome.Status, 2);
    EXPECT_NE(outcome.Err.find(GetParam().Message), std::string::npos) << outcome.Err;
    EXPECT_NE(outcome.Err.find("--help"), std::string::npos) << outcome.Err;
    EXPECT_EQ(outcome.Out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadCommandLine,
    ::testing::Values(
        BadLine{{}, "не задана команда"}, BadLine{{"fetch"}, "неизвестная команда «fetch»"},
        BadLine{{"--edition", "4", "dump", "f.arch"}, "неверная редакция «4»"},
        BadLine{{"--edition", "three", "dump", "f.arch"}, "неверная редакция «three»"},
        BadLine{{"--edition"}, "ключу «--edition» нужно значение"},
        BadLine{{"read", "-o", "f.arch", "--address", "300"}, "неверный сетевой адрес «300»"},
        BadLine{{"read", "-o", "f.arch", "--address", "-1"}, "неверный сетевой адрес «-1»"},
        BadLine{{"read", "-o", "f.arch", "--address", "1x"}, "неверный сетевой адрес «1x»"},
        BadLine{{"read", "-o", "f.arch", "--address", ""}, "неверный сетевой адрес «»"},
        BadLine{{"monitor", "--count", "-1"}, "неверное число циклов «-1»"},
        BadLine{{"monitor", "--count", "0"}, "неверное число циклов «0»"},
        BadLine{{"monitor", "--count", "two"}, "неверное число циклов «two»"},
        BadLine{{"monitor", "--count", "99999999999"}, "неверное число циклов «99999999999»"},
        BadLine{{"monitor", "--interval", "0"}, "неверный интервал «0»"},
        BadLine{{"read"}, "нужен файл: -o ФАЙЛ.arch"},
        BadLine{{"read", "-o"}, "ключу «-o» нужно значение"},
        BadLine{{"read", "-o", "--no-hourly"}, "ключу «-o» нужно значение"},
        BadLine{{"read", "-o", "f.arch", "--count", "2"},
                "ключ «--count» не относится к команде «read»"},
        BadLine{{"read", "-o", "f.arch", "--bogus"}, "неизвестный ключ «--bogus»"},
        BadLine{{"read", "-o", "f.arch", "extra"}, "лишний аргумент «extra»"},
        BadLine{{"read", "-o", "f.arch", "--no-hourly=1"}, "не принимает значения"},
        BadLine{{"--port", "COM1", "read", "-o", "f.arch"}, "ставится после команды"},
        BadLine{{"read", "-o", "f.arch", "--port", "COM1", "--modem", "M"},
                "нельзя задавать вместе"},
        BadLine{{"clear-archive"}, "подтвердите его ключом --yes"},
        BadLine{{"write-calibration"}, "хотя бы один параметр"},
        BadLine{{"write-calibration", "R999=1"}, "неизвестный калибровочный параметр «R999»"},
        BadLine{{"write-calibration", "R100"}, "ожидалось ИМЯ=ЗНАЧЕНИЕ"},
        BadLine{{"write-calibration", "R100=65536"}, "допустимо целое число от 0 до 65535"},
        BadLine{{"write-calibration", "R100=-1"}, "допустимо целое число от 0 до 65535"},
        BadLine{{"write-calibration", "I_OFFSET_1=40000"}, "от -32768 до 32767"},
        BadLine{{"write-calibration", "I20_1=1.5"}, "неверное значение «1.5»"},
        BadLine{{"write-setup"}, "нужен файл: --from ФАЙЛ.arch"},
        BadLine{{"dump"}, "нужен файл архива"},
        BadLine{{"dump", "a.arch", "b.arch"}, "лишний аргумент «b.arch»"},
        BadLine{{"dump", "a.arch", "--port", "COM1"}, "не относится к команде «dump»"}));

TEST(CommandLine, HelpOnEveryLevelExitsZeroAndWinsOverErrors) {
    const Outcome top = RunTool({"--help"});
    EXPECT_EQ(top.Status, 0);
    for (const char* name : {"read", "monitor", "set-time", "clear-archive", "read-calibration",
                             "write-calibration", "write-setup", "dump", "demo"})
        EXPECT_NE(top.Out.find(std::string("  ") + name + " "), std::string::npos) << name;

    const std::vector<std::pair<Words, const char*>> cases = {
        {{"read", "--help"}, "--no-hourly"},
        {{"read", "--address", "300", "-h"}, "--no-hourly"},
        {{"monitor", "--help"}, "--count K"},
        {{"clear-archive", "--help"}, "--yes"},
        {{"write-calibration", "--help"}, "I_OFFSET_4"},
        {{"write-setup", "--help"}, "--from"},
        {{"dump", "--help"}, "--json"},
        {{"demo", "--help"}, "-o"},
        {{"--edition", "2", "set-time", "--help"}, "--port ПОРТ"},
    };
    for (const auto& [words, mark] : cases) {
        const Outcome outcome = RunTool(words);
        EXPECT_EQ(outcome.Status, 0) << words[0];
        EXPECT_EQ(outcome.Err, "");
        EXPECT_NE(outcome.Out.find(mark), std::string::npos) << words[0] << "\n" << outcome.Out;
    }
    // A file command takes no connection options, and its help does not offer them.
    EXPECT_EQ(RunTool({"dump", "--help"}).Out.find("--port"), std::string::npos);
}

} // namespace
