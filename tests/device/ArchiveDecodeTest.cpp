#include "DeviceTestUtil.h"
#include "device/ArchiveRecord.h"
#include "device/Rx58core.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

using namespace devtest;
using namespace editions;
using device::ArchiveValue;
using RX58_namespace::ArchiveDecodeStruct;

namespace {

// Cell numbers differ by edition; these name the ones the tests look at.
struct Cells {
    int q1, m1, dM1, dM2, v1, dV1, dV2, gmin1, gmax5, t1, p1, tCold, pCold, scheme, ns1, t1_1, t2_1,
        stopV5, totalQ1, totalDM1, totalDV2, totalT1_1, totalT2_1, totalStopV5, count;
};
const Cells CellsV3{1,  3,  7,  8,  9,  14, 15, 16, 25, 26, 30, 34, 35,
                    36, 37, 42, 48, 55, 56, 62, 70, 71, 77, 84, 85};
const Cells CellsV2{1,  3,  -1, -1, 7,  -1, -1, -1, -1, 12, 16, 20, 21,
                    22, 23, 28, 34, 41, 42, -1, -1, 53, 59, 66, 67};
const Cells& CellsOf(const Edition& e) {
    return &e == &EditionV3 ? CellsV3 : CellsV2;
}

std::vector<ArchiveValue> Sample(int schemes) {
    return {
        {afYear, 24},
        {afMonth, 3},
        {afDay, 5},
        {afHour, 13},
        {afQ1, 12.5},
        {afM1, 100.5},
        {afM2, 90.25},
        {afM3, 7},
        {afM4, 8},
        {afV1, 3.5},
        {afV2, 1.25},
        {afV3, 2},
        {afV4, 2.5},
        {afGmin1, 0.125},
        {afGmax5, 10},
        {aft1, -1.0},
        {afP1, 65.535},
        {aftCold, 5.25},
        {afPCold, 0.5},
        {afSchemes, double(schemes)},
        {afNS1, 0x0201},
        {afT1_1, 1439},
        {afT2_1, 125},
        {afTstopV5, 6000},
        {afTotalQ1, -1.5},
        {afTotalM1, 1000},
        {afTotalM2, 999.5},
        {afTotalV3, 10},
        {afTotalV4, 12.5},
        {afTotalT1_1, 44640},
        {afTotalT2_1, 4000000000.0},
        {afTotalTstopV5, 61},
    };
}

FullArchiveStruct Record(const Edition& e, int schemes) {
    const auto values = Sample(schemes);
    return device::MakeFullArchiveRecord(e, values);
}

TEST(ArchiveCells, ColumnsCoverEveryCellOnce) {
    for (const Edition* e : BothEditions) {
        const auto& t = *e->Cells;
        std::multiset<int> period, totals;
        for (const auto& c : t.ArchiveColumns)
            period.insert(c.Cell);
        for (const auto& c : t.TotalsColumns)
            totals.insert(c.Cell);
        EXPECT_EQ(period.size(), static_cast<std::size_t>(t.PeriodCells)) << e->Name;
        for (int i = 0; i < t.PeriodCells; ++i)
            EXPECT_EQ(period.count(i), 1u) << e->Name << " cell " << i;
        EXPECT_EQ(totals.count(0), 1u);
        for (int i = t.PeriodCells; i < static_cast<int>(t.Cells.size()); ++i)
            EXPECT_EQ(totals.count(i), 1u) << e->Name << " cell " << i;
        EXPECT_EQ(totals.size(), t.Cells.size() - static_cast<std::size_t>(t.PeriodCells) + 1);
    }
    EXPECT_EQ(EditionV3.Cells->Cells.size(), 85u);
    EXPECT_EQ(EditionV2.Cells->Cells.size(), 67u);
}

TEST(ArchiveDecode, DateCellByKind) {
    struct Case {
        int year, month, day, hour, kind;
        const char* text;
    };
    const Case cases[] = {
        {24, 3, 5, 13, device::akHourly, "05/03/24  14 ч"},
        {23, 12, 31, 23, device::akHourly, "31/12/23  24 ч"},
        {24, 3, 5, 0, device::akHourly, "05/03/24  01 ч"},
        {24, 3, 5, 200, device::akHourly, "05/03/24  201 ч"}, // the hour byte is not checked
        {24, 3, 5, 13, device::akDaily, "05/03/24"},
        {24, 3, 5, 13, device::akDailyTotals, "05/03/24"},
        {24, 3, 5, 13, device::akMonthly, "03/24"},
        {24, 3, 5, 13, device::akMonthlyTotals, "03/24"},
    };
    for (const Edition* e : BothEditions) {
        ArchiveDecodeStruct decoder(*e);
        for (const auto& c : cases) {
            const ArchiveValue values[] = {{afYear, double(c.year)},
                                           {afMonth, double(c.month)},
                                           {afDay, double(c.day)},
                                           {afHour, double(c.hour)}};
            const auto r = device::MakeFullArchiveRecord(*e, values);
            ASSERT_TRUE(decoder.DecodeFull(r, c.kind)) << c.text;
            EXPECT_EQ(decoder.CellTexts[0], c.text) << e->Name;
            double date;
            device::TryEncodeDate(2000 + c.year, c.month, c.day, date);
            EXPECT_EQ(decoder.Date, date);
        }
    }
}

TEST(ArchiveDecode, InvalidDatesRefuseWithOnlyTheDateCell) {
    struct Case {
        std::uint8_t head[4];
        const char* text;
    };
    const Case cases[] = {
        {{0xFF, 0xFF, 0xFF, 0xFF}, "Стертая страница"}, {{0, 0, 0, 0}, "Пропущ.страница"},
        {{24, 13, 1, 0}, "Некоректное время"},          {{24, 2, 30, 0}, "Некоректное время"},
        {{0xFF, 0xFF, 0xFF, 0}, "Некоректное время"},
    };
    for (const Edition* e : BothEditions) {
        ArchiveDecodeStruct decoder(*e);
        for (const auto& c : cases) {
            auto r = Record(*e, 0x12);
            ASSERT_TRUE(decoder.DecodeFull(r, device::akDaily));
            std::memcpy(r.data(), c.head, 4);
            EXPECT_FALSE(decoder.DecodeFull(r, device::akDaily)) << c.text;
            EXPECT_EQ(decoder.CellTexts[0], c.text);
            for (int i = 1; i < decoder.CellCount(); ++i)
                EXPECT_EQ(decoder.CellTexts[static_cast<std::size_t>(i)], "")
                    << e->Name << " cell " << i << " keeps no earlier text";
        }
        EXPECT_FALSE(decoder.Decode(Record(*e, 0).data(), 20, device::akHourly)) << "too short";
        EXPECT_FALSE(decoder.Decode(Record(*e, 0), device::akJournal)) << "not an archive kind";
    }
}

TEST(ArchiveDecode, ValueCellsOfBothEditions) {
    for (const Edition* e : BothEditions) {
        const Cells& c = CellsOf(*e);
        ArchiveDecodeStruct d(*e);
        ASSERT_TRUE(d.DecodeFull(Record(*e, 0x12), device::akDaily));
        const auto cell = [&](int i) { return d.CellTexts[static_cast<std::size_t>(i)]; };
        EXPECT_EQ(cell(c.q1), "00012.500");
        EXPECT_EQ(cell(c.m1), "00100.500");
        EXPECT_EQ(cell(c.v1), "00003.500");
        EXPECT_EQ(cell(c.t1), "-1.00");
        EXPECT_EQ(cell(c.p1), "65.535");
        EXPECT_EQ(cell(c.tCold), "5.25");
        EXPECT_EQ(cell(c.pCold), "0.500");
        EXPECT_EQ(cell(c.t1_1), "23:59");
        EXPECT_EQ(cell(c.t2_1), "02:05");
        EXPECT_EQ(cell(c.stopV5), "100:00");
        EXPECT_EQ(cell(c.totalQ1), "-0001.500");
        EXPECT_EQ(cell(c.totalT1_1), "744:00");
        EXPECT_EQ(cell(c.totalT2_1), "66666666:40")
            << "totals of heat system 2 read their own offsets";
        EXPECT_EQ(cell(c.totalStopV5), "01:01");
        EXPECT_EQ(cell(c.ns1), e == &EditionV3 ? "1--------A----" : "1--------")
            << "bits beyond the edition's are not shown";
        EXPECT_EQ(cell(c.ns1 + 1), e == &EditionV3 ? "--------------" : "---------");
        if (c.gmin1 >= 0) {
            EXPECT_EQ(cell(c.gmin1), "0.1250");
            EXPECT_EQ(cell(c.gmax5), "10.0000");
        }
        for (int i = 0; i < d.CellCount(); ++i)
            EXPECT_NE(cell(i), "") << e->Name << " cell " << i;
    }
}

TEST(ArchiveDecode, SchemeCellAndDifferences) {
    struct Case {
        int schemes;
        const char* scheme;
        const char* dM1; // nullptr: an empty cell
        const char* dV1;
        const char* dM2;
        const char* dV2;
        const char* totalDM1;
        const char* totalDV2;
    };
    const Case cases[] = {
        {0x12, "ОТОПЛ_12 / ОТОПЛ_1", "00010.250", "00002.250", "00000.000", "00000.000",
         "00000.500", "00000.000"},
        {0xF2, "ОТОПЛ_12 / ???", "00010.250", "00002.250", nullptr, nullptr, "00000.500", nullptr},
        {0x3B, "??? / ОТОПЛ_12", nullptr, nullptr, "-0001.000", "-0000.500", nullptr, "-0002.500"},
        {0x50, "ОТОПЛ_1 / ЦИРК_ГВС", "00000.000", "00000.000", "-0001.000", "-0000.500",
         "00000.000", "-0002.500"},
        {0x7A, "ИСТ_4 / ХВС", "00000.000", "00000.000", "00000.000", "00000.000", "00000.000",
         "00000.000"},
        {0x08, "ИСТ_2 / ВЫКЛ", "00010.250", "00002.250", "00000.000", "00000.000", "00000.500",
         "00000.000"},
    };
    const Cells& c = CellsV3;
    ArchiveDecodeStruct d(EditionV3);
    for (const auto& k : cases) {
        // A reused decoder: a full record first, so stale texts would show.
        ASSERT_TRUE(d.DecodeFull(Record(EditionV3, 0x33), device::akDailyTotals));
        ASSERT_TRUE(d.DecodeFull(Record(EditionV3, k.schemes), device::akDailyTotals));
        const auto cell = [&](int i) { return d.CellTexts[static_cast<std::size_t>(i)]; };
        const auto expect = [&](int i, const char* text) {
            EXPECT_EQ(cell(i), text ? text : "") << "schemes " << k.schemes << " cell " << i;
        };
        expect(c.scheme, k.scheme);
        expect(c.dM1, k.dM1);
        expect(c.dV1, k.dV1);
        expect(c.dM2, k.dM2);
        expect(c.dV2, k.dV2);
        expect(c.totalDM1, k.totalDM1);
        expect(c.totalDV2, k.totalDV2);
    }
    ASSERT_TRUE(d.DecodeFull(Record(EditionV3, 0x33), device::akDailyTotals));
    EXPECT_DOUBLE_EQ(d.Differences[0], 10.25);
    EXPECT_DOUBLE_EQ(d.Differences[1], -1.0);
    EXPECT_DOUBLE_EQ(d.Differences[3], -0.5);
    EXPECT_DOUBLE_EQ(d.Differences[4], 0.5);
    EXPECT_DOUBLE_EQ(d.Differences[7], -2.5);

    // The version-2 edition knows scheme 1 codes 0..8 and shows no differences.
    ArchiveDecodeStruct v2(EditionV2);
    const std::pair<int, const char*> v2cases[] = {
        {0x12, "ОТОПЛ_12 / ОТОПЛ_1"}, {0x78, "ИСТ_2 / ХВС"}, {0x89, "??? / ???"}};
    for (auto [schemes, text] : v2cases) {
        ASSERT_TRUE(v2.DecodeFull(Record(EditionV2, schemes), device::akHourly));
        EXPECT_EQ(v2.CellTexts[static_cast<std::size_t>(CellsV2.scheme)], text);
    }
}

TEST(ArchiveDecode, RowsFollowTheViewColumns) {
    for (const Edition* e : BothEditions) {
        const Cells& c = CellsOf(*e);
        ArchiveDecodeStruct d(*e);
        ASSERT_TRUE(d.DecodeFull(Record(*e, 0x12), device::akDaily));
        std::vector<std::string> row;
        d.Row(device::akDaily, row);
        const auto columns = device::ArchiveColumns(*e, device::akDaily);
        ASSERT_EQ(row.size(), columns.size());
        EXPECT_EQ(row[0], "05/03/24");
        for (std::size_t i = 0; i < row.size(); ++i)
            EXPECT_EQ(row[i], d.CellTexts[columns[i].Cell]);
        // Captions and cells that must stand together.
        const auto find = [&](const char* caption) {
            for (std::size_t i = 0; i < columns.size(); ++i)
                if (std::string(columns[i].Caption) == caption)
                    return static_cast<int>(i);
            return -1;
        };
        EXPECT_EQ(row[static_cast<std::size_t>(find("Тшт.ТС1"))], "23:59");
        EXPECT_EQ(row[static_cast<std::size_t>(find("НС 1"))],
                  d.CellTexts[static_cast<std::size_t>(c.ns1)]);
        EXPECT_EQ(row[static_cast<std::size_t>(find("Схема ТС"))], "ОТОПЛ_12 / ОТОПЛ_1");
        if (e == &EditionV3) {
            EXPECT_EQ(find("Gmin1"), 16);
            EXPECT_EQ(row[17], "0.0000") << "column 17 is Gmax1";
            EXPECT_EQ(row[25], "10.0000") << "column 25 is Gmax5";
        }

        d.Row(device::akDailyTotals, row);
        const auto totals = device::ArchiveColumns(*e, device::akDailyTotals);
        ASSERT_EQ(row.size(), totals.size());
        EXPECT_EQ(row[0], "05/03/24");
        EXPECT_EQ(row[1], "-0001.500");
        EXPECT_EQ(row.back(), "01:01");
        EXPECT_TRUE(device::ArchiveColumns(*e, device::akJournal).empty());
    }
}

} // namespace
