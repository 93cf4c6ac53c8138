#include "cli/DataJson.h"

#include "cli/TextDump.h"
#include "device/ArchiveRecord.h"
#include "device/JournalRecord.h"
#include "device/Sysutil.h"
#include "editions/RegisterMaps.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

// The data set as JSON and as text: keys from the field tables, values in
// their JSON types, rows as the views show them.
namespace {

using cli::Json;
using namespace editions;

class DataJson : public ::testing::TestWithParam<const Edition*> {
protected:
    const Edition& Ed() const { return *GetParam(); }

    static double Date(int y, int m, int d) {
        double v = 0;
        device::TryEncodeDate(y, m, d, v);
        return v;
    }
    static double Time(int h, int n, int s) {
        double v = 0;
        device::TryEncodeTime(h, n, s, 0, v);
        return v;
    }

    RX58Valve Sample() const {
        RX58Valve data;
        data.Ident = {7, 1, Ed().ProtocolVersion, 200};
        data.CurrentParams.Date = Date(2024, 3, 5);
        data.CurrentParams.Time = Time(14, 7, 9);
        data.CurrentParams.t1 = 0.1 + 0.2; // needs all 17 digits
        data.CurrentParams.NS5 = 8;
        data.CurrentParams.AdcCode_P1 = -29507;
        data.CurrentParams.TStime_1_1 = 720000;
        data.SetupParams.CurrentDate = Date(2023, 12, 31);
        data.SetupParams.CurrentTime = Time(23, 59, 58);
        data.SetupParams.SummerStart = Date(2000, 4, 15);
        data.SetupParams.WinterStart = Date(2000, 10, 1);
        data.SetupParams.SerialNum = 1234;
        data.SetupParams.ChanelV5Enable = true;
        data.SetupParams.RtcCorrection = -2;

        const device::ArchiveValue hour[] = {
            {afYear, 24}, {afMonth, 3}, {afDay, 5}, {afHour, 13}, {afQ1, 12.5}};
        ArchiveStruct erased = device::MakeArchiveRecord(Ed(), hour);
        std::fill_n(erased.data(), erased.size(), std::uint8_t{0xFF});
        data.HourArchive = {device::MakeArchiveRecord(Ed(), hour), erased,
                            device::MakeArchiveRecord(Ed(), hour)};
        data.DayArchive = {device::MakeFullArchiveRecord(Ed(), hour)};
        data.MonthArchive = {device::MakeFullArchiveRecord(Ed(), hour)};

        device::JournalEntry entry;
        entry.Year = 24;
        entry.Month = 13; // no such month
        entry.Day = 1;
        JournalStruct blank{};
        data.Journal = {device::MakeJournalRecord(entry), blank};
        return data;
    }
};

TEST_P(DataJson, KeysInOrderAndEveryFieldOfTheTablesUnderItsOwnName) {
    const RX58Valve data = Sample();
    const Json json = cli::DataSetJson(Ed(), data, RX58Calibration{});
    std::vector<std::string> keys;
    for (const auto& [key, value] : json.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"edition", "identification", "current", "setup",
                                              "calibration", "hourly", "daily", "dailyTotals",
                                              "monthly", "monthlyTotals", "journal"}));
    EXPECT_EQ(json["edition"], Ed().ProtocolVersion);
    EXPECT_EQ(json["identification"],
              Json::parse("[7, 1, " + std::to_string(Ed().ProtocolVersion) + ", 200]"));

    const auto expectFields = [](const Json& record, RegisterMap map) {
        std::size_t expected = 0;
        for (const RegisterField& f : map) {
            EXPECT_TRUE(record.contains(f.Name)) << f.Name;
            ++expected;
            if (f.Enc == Encoding::DateTime) {
                EXPECT_TRUE(record.contains(f.Name2)) << f.Name2;
                ++expected;
            }
        }
        EXPECT_EQ(record.size(), expected);
    };
    expectFields(json["current"], Ed().CurrentMap);
    expectFields(json["setup"], Ed().SetupMap);
    expectFields(json["calibration"], register_maps_detail::Calibration);
    EXPECT_EQ(json["calibration"].size(), 12u);
}

TEST_P(DataJson, ValuesInTheirTypesDatesAsTextDoublesAtFullPrecision) {
    const Json json = cli::DataSetJson(Ed(), Sample(), RX58Calibration{});
    const Json& current = json["current"];
    EXPECT_EQ(current["Date"], "2024-03-05");
    EXPECT_EQ(current["Time"], "14:07:09");
    ASSERT_TRUE(current["t1"].is_number_float());
    EXPECT_EQ(current["t1"].get<double>(), 0.1 + 0.2);
    EXPECT_NE(cli::DumpJson(current["t1"], -1), "0.3");
    EXPECT_TRUE(current["NS5"].is_number_integer());
    EXPECT_EQ(current["NS5"], 8);
    EXPECT_EQ(current["AdcCode_P1"], -29507);
    EXPECT_EQ(current["TStime_1_1"], 720000);

    const Json& setup = json["setup"];
    EXPECT_EQ(setup["CurrentDate"], "2023-12-31");
    EXPECT_EQ(setup["CurrentTime"], "23:59:58");
    EXPECT_EQ(setup["SummerStart"], "04-15");
    EXPECT_EQ(setup["WinterStart"], "10-01");
    EXPECT_EQ(setup["SerialNum"], 1234);
    EXPECT_EQ(setup["RtcCorrection"], -2);
    EXPECT_EQ(setup["ChanelV5Enable"], true);
    EXPECT_EQ(setup["ArchiveResetPending"], false);
    EXPECT_TRUE(setup["ThermoSheme1"].is_number_integer());

    // The text round trip keeps the exact double.
    EXPECT_EQ(Json::parse(cli::DumpJson(json))["current"]["t1"].get<double>(), 0.1 + 0.2);
}

TEST_P(DataJson, RowsAreTheViewsRowsOnePerRecordThatDecodes) {
    const Json json = cli::DataSetJson(Ed(), Sample(), RX58Calibration{});
    const std::size_t archiveColumns = Ed().ProtocolVersion == 3 ? 56 : 42;
    const std::size_t totalsColumns = Ed().ProtocolVersion == 3 ? 30 : 26;

    ASSERT_EQ(json["hourly"].size(), 2u) << "the erased record has no row";
    EXPECT_EQ(json["hourly"][0].size(), archiveColumns);
    EXPECT_EQ(json["hourly"][0][0], "05/03/24  14 ч");
    EXPECT_EQ(json["hourly"][0][1], "00012.500");
    ASSERT_EQ(json["daily"].size(), 1u);
    EXPECT_EQ(json["daily"][0][0], "05/03/24");
    EXPECT_EQ(json["daily"][0].size(), archiveColumns);
    ASSERT_EQ(json["dailyTotals"].size(), 1u);
    EXPECT_EQ(json["dailyTotals"][0][0], "05/03/24");
    EXPECT_EQ(json["dailyTotals"][0].size(), totalsColumns);
    EXPECT_EQ(json["monthly"][0][0], "03/24");
    EXPECT_EQ(json["monthlyTotals"][0][0], "03/24");

    ASSERT_EQ(json["journal"].size(), 1u) << "the blank record has no row";
    ASSERT_EQ(json["journal"][0].size(), 4u);
    EXPECT_EQ(json["journal"][0][0], "Некоректное время");
}

TEST_P(DataJson, TheTextDumpShowsTheSameFieldsAndRows) {
    const Json json = cli::DataSetJson(Ed(), Sample(), RX58Calibration{});
    std::ostringstream text;
    cli::WriteTextDump(text, Ed(), json);
    const std::string dump = text.str();
    for (const char* line :
         {"  Date = 2024-03-05\n", "  SummerStart = 04-15\n", "  ChanelV5Enable = true\n",
          "  I20_1 = 0\n", "Часовой архив (записей: 2)\n", "Журнал (записей: 1)\n",
          "  Дата/Время | Параметр | Старое значение | Новое значение\n",
          "  05/03/24  14 ч | 00012.500 | "})
        EXPECT_NE(dump.find(line), std::string::npos) << line;
    EXPECT_NE(dump.find("  t1 = " + cli::DumpJson(json["current"]["t1"], -1) + "\n"),
              std::string::npos);
}

TEST(TextDumpNumbers, FloatValuesReadAsTheirShortestTextAndOthersInFull) {
    const struct {
        double Value;
        const char* Text;
    } cases[] = {
        {static_cast<double>(50.37f), "50.37"},
        {static_cast<double>(4305.6f), "4305.6"},
        {static_cast<double>(145319.828f), "145319.83"},
        {0.1, "0.1"}, // not a float: the double's own shortest text
        {-1.0, "-1"},
    };
    for (const auto& c : cases) {
        Json json = cli::DataSetJson(EditionV3, RX58Valve{}, RX58Calibration{});
        json["current"]["t1"] = c.Value;
        std::ostringstream text;
        cli::WriteTextDump(text, EditionV3, json);
        EXPECT_NE(text.str().find(std::string("  t1 = ") + c.Text + "\n"), std::string::npos)
            << c.Text << " in\n"
            << text.str().substr(0, 400);
    }
}

INSTANTIATE_TEST_SUITE_P(Editions, DataJson, ::testing::Values(&EditionV3, &EditionV2),
                         [](const auto& info) { return std::string("V") + info.param->Name; });

} // namespace
