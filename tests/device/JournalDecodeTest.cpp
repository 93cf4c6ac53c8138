#include "DeviceTestUtil.h"
#include "device/JournalRecord.h"
#include "device/Rx58core.h"

#include <gtest/gtest.h>
#include <vector>

using namespace devtest;
using device::EncodeJournalValue;
using device::JournalEntry;
using RX58_namespace::JournalDecodeStruct;

namespace {

JournalEntry Entry(unsigned code, int type, device::JournalValueBytes oldValue,
                   device::JournalValueBytes newValue) {
    JournalEntry e;
    e.Year = 24;
    e.Month = 3;
    e.Day = 5;
    e.Hour = 13;
    e.Minute = 45;
    e.Second = 7;
    e.Code = static_cast<std::uint16_t>(code);
    e.Type = static_cast<std::uint8_t>(type);
    e.OldValue = oldValue;
    e.NewValue = newValue;
    return e;
}

device::JournalValueBytes V(int type, double value) {
    return EncodeJournalValue(type, value);
}

struct Case {
    const char* name;
    JournalEntry entry;
    const char* param;
    const char* oldText;
    const char* newText;
};

void Check(const Edition& e, std::span<const Case> cases) {
    JournalDecodeStruct d(e);
    for (const auto& c : cases) {
        ASSERT_TRUE(d.Decode(device::MakeJournalRecord(c.entry))) << c.name;
        EXPECT_EQ(d.DateTimeText, "05/03/24 13:45:07") << c.name;
        EXPECT_EQ(d.ParamText, c.param) << e.Name << ": " << c.name;
        EXPECT_EQ(d.OldValueText, c.oldText) << e.Name << ": " << c.name;
        EXPECT_EQ(d.NewValueText, c.newText) << e.Name << ": " << c.name;
    }
}

using device::jvCounter;
using device::jvF32;
using device::jvFlag;
using device::jvS16;
using device::jvS32;
using device::jvS8;
using device::jvU16;
using device::jvU32;
using device::jvU8;

TEST(JournalDecode, ValueTypes) {
    const auto none = device::JournalValueBytes{};
    const Case cases[] = {
        {"flag", Entry(1, jvFlag, V(jvFlag, 1), V(jvFlag, 0)), "Режим РАБОТА", "Да", "Нет"},
        {"u8", Entry(17, jvU8, V(jvU8, 200), V(jvU8, 1)), "Отчетный день месяца", "200", "1"},
        {"s8", Entry(16, jvS8, V(jvS8, -5), V(jvS8, 5)), "Сброс архива", "-5", "5"},
        {"u16", Entry(2, jvU16, V(jvU16, 65535), V(jvU16, 0)), "Режим НАСТРОЙКА", "65535", "0"},
        {"s16", Entry(3, jvS16, V(jvS16, -32768), V(jvS16, 7)), "Режим КАЛИБРОВКА", "-32768", "7"},
        {"u32", Entry(256, jvU32, V(jvU32, 4294967295.0), V(jvU32, 1)), "Q1", "4294967295", "1"},
        {"s32", Entry(257, jvS32, V(jvS32, -100000), V(jvS32, 2)), "Q2", "-100000", "2"},
        {"f32", Entry(4, jvF32, V(jvF32, 0.25), V(jvF32, 1e20)), "Текущее время", "0.25", "1e+20"},
        {"type 0", Entry(1, 0, V(jvU8, 5), V(jvU8, 6)), "Режим РАБОТА", "", ""},
        {"type 11", Entry(1, 11, V(jvU8, 5), V(jvU8, 6)), "Режим РАБОТА", "", ""},
        {"type 15", Entry(1, 15, none, none), "Режим РАБОТА", "", ""},
        {"date-time", Entry(4, 9, {24, 3, 5, 13}, {45, 7, 0, 0}), "Текущее время",
         "05/03/24 13:45:07", ""},
        {"date-time invalid", Entry(4, 9, {24, 3, 5, 24}, {0, 0, 0, 0}), "Текущее время",
         "Некоректное время", ""},
        {"unknown code", Entry(500, jvU8, V(jvU8, 3), V(jvU8, 4)), "Неизвестный параметр", "3",
         "4"},
        {"code 0", Entry(0, jvU8, V(jvU8, 3), V(jvU8, 4)), "Неизвестный параметр", "3", "4"},
    };
    for (const Edition* e : BothEditions)
        Check(*e, cases);

    JournalEntry counter = Entry(262, jvCounter, none, none);
    device::SetJournalCounter(counter, 1234.5);
    const Case counterCase[] = {{"counter", counter, "V1", "000001234.500 м3", "000000000.000 м3"}};
    for (const Edition* e : BothEditions)
        Check(*e, counterCase);
}

TEST(JournalDecode, ParameterCodesOfThisEdition) {
    const Case cases[] = {
        {"scheme", Entry(21, jvU8, V(jvU8, 0), V(jvU8, 2)), "Схема ТС1", "ОТОПЛ_1", "ОТОПЛ_12"},
        {"scheme out of list", Entry(21, jvU8, V(jvU8, 10), V(jvU8, 11)), "Схема ТС1", "ИСТ_4",
         "11"},
        {"scheme 2", Entry(22, jvU8, V(jvU8, 0), V(jvU8, 7)), "Схема ТС2", "ВЫКЛ", "ХВС"},
        {"period", Entry(5, jvU8, V(jvU8, 0), V(jvU8, 1)), "Смена периода теплопотребления",
         "ЛЕТНИЙ", "ЗИМНИЙ"},
        {"enum over type 0", Entry(24, 0, V(jvU8, 1), V(jvU8, 2)), "Единица изм.тепл.энергии",
         "ГДЖ", ""},
        {"summer start", Entry(19, jvU16, {4, 15, 0, 0}, {5, 1, 0, 0}), "Начало летнего периода",
         "15/04", "01/05"},
        {"winter start", Entry(20, jvU16, {10, 1, 0, 0}, {11, 30, 0, 0}), "Начало зимнего периода",
         "01/10", "30/11"},
        {"V5 channel", Entry(23, jvFlag, V(jvFlag, 0), V(jvFlag, 1)), "Дополнительный  канал V5",
         "Нет", "Да"},
        {"rtd", Entry(28, jvU8, V(jvU8, 3), V(jvU8, 4)), "НСХ ТСП t4", "500П (1.391)", "4"},
        {"dt_min", Entry(29, jvS16, V(jvS16, -500), V(jvS16, 250)), "dt_min1", "-5.00 (°C)",
         "2.50 (°C)"},
        {"t_max4", Entry(40, jvS16, V(jvS16, 9000), V(jvS16, 0)), "t_max4", "90.00 (°C)",
         "0.00 (°C)"},
        {"pressure sensor", Entry(44, jvU8, V(jvU8, 5), V(jvU8, 6)), "Датчик P4", "25 кгс/см2",
         "6"},
        {"current", Entry(45, jvU8, V(jvU8, 1), V(jvU8, 0)), "Ток датчика P1", "4..20 мА",
         "0..5 мА"},
        {"contract pressure", Entry(49, jvU16, V(jvU16, 12345), V(jvU16, 65535)), "Pдог1",
         "12.345 (кгс/см2)", "65.535 (кгс/см2)"},
        {"P_max4", Entry(63, jvU16, V(jvU16, 1), V(jvU16, 0)), "P_max4", "0.001 (кгс/см2)",
         "0.000 (кгс/см2)"},
        {"stop mode", Entry(64, jvU8, V(jvU8, 2), V(jvU8, 3)), "Останов ТС",
         "Останавливать счет V,M / P,t = 0", "3"},
        {"G_max reaction", Entry(68, jvU8, V(jvU8, 2), V(jvU8, 0)), "Реакция Gv>G_max", "Gv = Gmax",
         "Нет теста"},
        {"G_min reaction", Entry(69, jvU8, V(jvU8, 4), V(jvU8, 3)), "Реакция Gv<G_min",
         "Останов ТС", "Gv = 0"},
        {"imbalance", Entry(72, jvU8, V(jvU8, 6), V(jvU8, 3)), "Реакция небаланс ТС2",
         "Мобр=Мпод=0.5(Мобр+Мпод) | Останов ТС", "Мобр=Мпод=0.5(Мобр+Мпод) | Рег.НС"},
        {"R11", Entry(75, jvU8, V(jvU8, 1), V(jvU8, 2)), "Реакция dP<dP_min", "Регистрация НС",
         "2"},
        {"R12", Entry(76, jvU8, V(jvU8, 2), V(jvU8, 0)), "Реакция W<W_min W>W_max", "W=Wmin(max)",
         "Нет теста"},
        {"gap 77", Entry(77, jvU8, V(jvU8, 1), V(jvU8, 2)), "Неизвестный параметр", "1", "2"},
        {"flow imbalance", Entry(81, jvU16, V(jvU16, 1500), V(jvU16, 5)),
         "Коэффициент небаланса расхода", "1.50", "0.01"},
        {"calibration", Entry(87, jvS16, V(jvS16, -3), V(jvS16, 4)), "I2_OFFSET", "-3", "4"},
        {"R700", Entry(93, jvU16, V(jvU16, 7000), V(jvU16, 7001)), "R700", "7000", "7001"},
        {"pulse weight", Entry(94, jvF32, V(jvF32, 0.01), V(jvF32, 0.1)), "Вес импульса V1",
         "0.01 л/имп", "0.1 л/имп"},
        {"cut-off flow", Entry(103, jvF32, V(jvF32, 0.5), V(jvF32, 2)), "Gотс5", "0.5 м3/ч",
         "2 м3/ч"},
        {"Gmax5", Entry(113, jvF32, V(jvF32, 100), V(jvF32, 120)), "Gmax5", "100 м3/ч", "120 м3/ч"},
        {"W limit", Entry(117, jvF32, V(jvF32, 1.5), V(jvF32, 2)), "W2_max", "1.5", "2"},
        {"gap 118", Entry(118, jvF32, V(jvF32, 1.5), V(jvF32, 2)), "Неизвестный параметр", "1.5",
         "2"},
        {"mass", Entry(261, jvF32, V(jvF32, 1.5), V(jvF32, 2)), "G4", "1.5 т", "2 т"},
        {"time counter", Entry(267, jvU32, V(jvU32, 1441), V(jvU32, 99)), "Тшт.ТС1", "1-сут 00:01",
         "00000:00"},
        {"time counter 2", Entry(278, jvU32, V(jvU32, 3000), V(jvU32, 0)), "Тф.ТС2", "2-сут 02:00",
         "00000:00"},
        {"V5 stop time", Entry(280, jvU32, V(jvU32, 0), V(jvU32, 0)), "Тост.V5", "0-сут 00:00",
         "00000:00"},
        {"above 280", Entry(281, jvU32, V(jvU32, 1), V(jvU32, 2)), "Неизвестный параметр", "1",
         "2"},
    };
    Check(EditionV3, cases);
}

TEST(JournalDecode, ParameterCodesOfVersionTwo) {
    const Case cases[] = {
        {"scheme 9 is out of list", Entry(21, jvU8, V(jvU8, 8), V(jvU8, 9)), "Схема ТС1", "ИСТ_2",
         "9"},
        {"dt_min", Entry(30, jvS16, V(jvS16, -500), V(jvS16, 0)), "dt_мин2", "-5.00 (°C)",
         "0.00 (°C)"},
        {"cold water", Entry(32, jvS16, V(jvS16, 500), V(jvS16, 0)), "tхв зимнее дог.", "5.00 (°C)",
         "0.00 (°C)"},
        {"pressure sensor", Entry(33, jvU8, V(jvU8, 1), V(jvU8, 2)), "Датчик P1", "6 кгс/см2",
         "6.3 кгс/см2"},
        {"current", Entry(40, jvU8, V(jvU8, 1), V(jvU8, 2)), "Ток датчика P4", "4..20 мА", "2"},
        {"contract pressure", Entry(44, jvU16, V(jvU16, 12345), V(jvU16, 0)), "Pдог4",
         "12.345 (кгс/см2)", "0.000 (кгс/см2)"},
        {"cold water pressure", Entry(45, jvU16, V(jvU16, 500), V(jvU16, 0)), "Pхв договорное",
         "0.500 (кгс/см2)", "0.000 (кгс/см2)"},
        {"stop mode", Entry(46, jvU8, V(jvU8, 1), V(jvU8, 0)), "Останов ТС",
         "Останавливать счет V,M", "Продолжать счет по раб.каналам"},
        {"dt reaction", Entry(47, jvU8, V(jvU8, 1), V(jvU8, 0)), "Реакция dt<dt_мин", "Останов ТС",
         "Регистрация НС"},
        {"imbalance 2", Entry(54, jvU8, V(jvU8, 1), V(jvU8, 7)), "Реакция небаланс ТС2",
         "Нет реакции | Регистрация НС", "7"},
        {"flow imbalance", Entry(55, jvU16, V(jvU16, 1500), V(jvU16, 0)),
         "Коэффициент небаланса расхода", "1.50", "0.00"},
        {"calibration", Entry(67, jvU16, V(jvU16, 7000), V(jvU16, 1)), "R700", "7000", "1"},
        {"pulse weight", Entry(68, jvF32, V(jvF32, 0.01), V(jvF32, 0.1)), "Вес импульса V1",
         "0.01 л/имп", "0.1 л/имп"},
        {"cut-off flow", Entry(73, jvF32, V(jvF32, 0.5), V(jvF32, 1)), "Gотс1", "0.5 м3/ч",
         "1 м3/ч"},
        {"Gmax5", Entry(87, jvF32, V(jvF32, 9), V(jvF32, 1)), "Gmax5", "9 м3/ч", "1 м3/ч"},
        {"gap 88", Entry(88, jvU8, V(jvU8, 1), V(jvU8, 2)), "Неизвестный параметр", "1", "2"},
        {"no t_min", Entry(94, jvF32, V(jvF32, 0.01), V(jvF32, 1)), "Неизвестный параметр", "0.01",
         "1"},
        {"time counter", Entry(267, jvU32, V(jvU32, 1441), V(jvU32, 0)), "Тшт.ТС1", "1-сут 00:01",
         "00000:00"},
    };
    Check(EditionV2, cases);
}

TEST(JournalDecode, BadDatesAndRefusedRecords) {
    for (const Edition* e : BothEditions) {
        JournalDecodeStruct d(*e);
        std::uint8_t erased[16];
        std::memset(erased, 0xFF, 16);
        EXPECT_FALSE(d.Decode(erased, 16));
        EXPECT_EQ(d.DateTimeText, "Стертая страница");
        EXPECT_EQ(d.ParamText, "xxxx");
        EXPECT_EQ(d.OldValueText, "xxxx");
        EXPECT_EQ(d.NewValueText, "xxxx");

        std::uint8_t skipped[16] = {};
        skipped[6] = 21; // a code alone does not make a record
        EXPECT_FALSE(d.Decode(skipped, 16));
        EXPECT_EQ(d.DateTimeText, "Пропущ.страница");

        JournalEntry bad = Entry(21, jvU8, V(jvU8, 0), V(jvU8, 2));
        bad.Month = 13;
        EXPECT_TRUE(d.Decode(device::MakeJournalRecord(bad))) << "still listed";
        EXPECT_EQ(d.DateTimeText, "Некоректное время");
        EXPECT_EQ(d.ParamText, "Схема ТС1");
        EXPECT_EQ(d.NewValueText, "ОТОПЛ_12");

        JournalEntry badTime = Entry(1, jvFlag, V(jvFlag, 1), V(jvFlag, 0));
        badTime.Second = 60;
        EXPECT_TRUE(d.Decode(device::MakeJournalRecord(badTime)));
        EXPECT_EQ(d.DateTimeText, "Некоректное время");

        EXPECT_FALSE(d.Decode(erased, 15)) << "too short";

        ASSERT_TRUE(d.Decode(device::MakeJournalRecord(Entry(21, jvU8, V(jvU8, 0), V(jvU8, 2)))));
        double date, time;
        device::TryEncodeDate(2024, 3, 5, date);
        device::TryEncodeTime(13, 45, 7, 0, time);
        EXPECT_EQ(d.Date, date);
        EXPECT_EQ(d.Time, time);
        std::vector<std::string> row;
        d.Row(row);
        EXPECT_EQ(row, (std::vector<std::string>{"05/03/24 13:45:07", "Схема ТС1", "ОТОПЛ_1",
                                                 "ОТОПЛ_12"}));
    }
}

} // namespace
