#include "DeviceTestUtil.h"
#include "device/ArchiveRecord.h"
#include "device/JournalRecord.h"
#include "device/Rx58Valve.h"
#include "protocol/Crc16.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace devtest;
using namespace editions;
using device::ArchiveValue;

namespace {

const ArchiveValue SampleValues[] = {
    {afYear, 24},     {afMonth, 3},         {afDay, 5},
    {afHour, 13},     {afQ1, 12.5},         {afM1, 100.25},
    {afM2, 90},       {afV5, 3.5},          {afGmin1, 0.125},
    {aft1, -1.0},     {afP4, 65.535},       {afSchemes, 0x12},
    {afNS1, 0x0201},  {afT2_6, 1439},       {afTstopV5, 60},
    {afTotalQ1, 1e6}, {afTotalT2_1, 44640}, {afTotalTstopV5, 4000000000.0},
};

TEST(ArchiveLayout, FieldsFitTheRecordsWithoutOverlap) {
    for (const Edition* e : BothEditions) {
        const auto& layout = *e->Archive;
        std::vector<int> owner(static_cast<std::size_t>(layout.FullBytes), -1);
        for (const auto& f : layout.Fields) {
            if (f.Enc == ArchiveEncoding::Absent)
                continue;
            const int bytes = f.Enc == ArchiveEncoding::U8                                     ? 1
                              : f.Enc == ArchiveEncoding::F32 || f.Enc == ArchiveEncoding::U32 ? 4
                                                                                               : 2;
            // Period fields in the hourly part, totals after it.
            const bool total = f.Id >= afTotalQ1;
            EXPECT_EQ(f.Offset >= layout.HourlyBytes, total) << e->Name << " " << f.Name;
            ASSERT_LE(f.Offset + bytes, layout.FullBytes) << f.Name;
            for (int b = f.Offset; b < f.Offset + bytes; ++b) {
                EXPECT_EQ(owner[static_cast<std::size_t>(b)], -1) << e->Name << " " << f.Name;
                owner[static_cast<std::size_t>(b)] = f.Id;
            }
        }
        EXPECT_EQ(layout.Fields[afCheck].Offset, layout.PeriodCheck.CheckOffset);
        EXPECT_EQ(layout.Fields[afTotalCheck].Offset, layout.TotalsCheck.CheckOffset);
        EXPECT_EQ(layout.PeriodCheck.CheckOffset + 2, layout.HourlyBytes);
        EXPECT_EQ(layout.TotalsCheck.CheckOffset + 2, layout.FullBytes);
    }
}

TEST(ArchiveRecordMaker, WritesFieldsAtTheirOffsetsAndSealsChecks) {
    struct Case {
        const Edition* edition;
        int q1, t1, schemes, totalQ1, hourly, full;
    };
    const Case cases[] = {{&EditionV3, 4, 88, 108, 150, 150, 252},
                          {&EditionV2, 4, 48, 68, 110, 110, 212}};
    for (const auto& c : cases) {
        const Edition& e = *c.edition;
        const FullArchiveStruct full = device::MakeFullArchiveRecord(e, SampleValues);
        ASSERT_EQ(full.size(), static_cast<std::size_t>(c.full));
        float q1, totalQ1;
        std::memcpy(&q1, full.data() + c.q1, 4);
        std::memcpy(&totalQ1, full.data() + c.totalQ1, 4);
        EXPECT_EQ(q1, 12.5f);
        EXPECT_EQ(totalQ1, 1e6f);
        EXPECT_EQ(full[static_cast<std::size_t>(c.t1)], 0x9C);
        EXPECT_EQ(full[static_cast<std::size_t>(c.t1 + 1)], 0xFF);
        EXPECT_EQ(full[static_cast<std::size_t>(c.schemes)], 0x12);
        EXPECT_EQ(full[0], 24);
        EXPECT_EQ(full[3], 13);

        const std::uint16_t crc1 = Crc16(full.data(), static_cast<std::size_t>(c.hourly - 2));
        EXPECT_EQ(full[static_cast<std::size_t>(c.hourly - 2)], crc1 & 0xFF);
        EXPECT_EQ(full[static_cast<std::size_t>(c.hourly - 1)], crc1 >> 8);
        EXPECT_TRUE(
            Crc16Matches(full.data() + c.hourly, static_cast<std::size_t>(c.full - c.hourly)));
        EXPECT_TRUE(IsArchiveRecordValid(e, full));

        const ArchiveStruct hourly = device::MakeArchiveRecord(e, SampleValues);
        ASSERT_EQ(hourly.size(), static_cast<std::size_t>(c.hourly));
        EXPECT_TRUE(std::equal(hourly.data(), hourly.data() + c.hourly, full.data()))
            << "the hourly record is the period part of the full one";
        EXPECT_TRUE(IsArchiveRecordValid(e, hourly));

        for (const auto& v : SampleValues) {
            const double got = device::GetArchiveField(e, full, v.Field);
            if (!device::HasArchiveField(e, v.Field, full.size()))
                EXPECT_TRUE(std::isnan(got)) << e.Archive->Fields[v.Field].Name;
            else
                EXPECT_NEAR(got, v.Value, std::fabs(v.Value) * 1e-7)
                    << e.Name << " " << e.Archive->Fields[v.Field].Name;
        }
        // The totals are no part of an hourly record.
        EXPECT_TRUE(std::isnan(device::GetArchiveField(e, hourly, afTotalQ1)));
        ArchiveStruct copy = hourly;
        EXPECT_FALSE(device::SetArchiveField(e, copy, afTotalQ1, 1.0));
        EXPECT_EQ(copy, hourly);
    }
    EXPECT_FALSE(device::HasArchiveField(EditionV2, afGmin1, 212));
    EXPECT_TRUE(device::HasArchiveField(EditionV3, afGmax5, 150));
}

TEST(IsArchiveRecordValid, BlankHeadsChecksAndLengths) {
    struct Case {
        const char* name;
        bool full;
        void (*spoil)(std::uint8_t* record, const ArchiveLayout& layout);
        std::size_t shorten; // bytes taken off the length
        bool valid;
    };
    const Case cases[] = {
        {"hourly as made", false, nullptr, 0, true},
        {"full as made", true, nullptr, 0, true},
        {"head all 0xFF", false,
         [](std::uint8_t* r, const ArchiveLayout&) { std::memset(r, 0xFF, 4); }, 0, false},
        {"head all 0x00", true, [](std::uint8_t* r, const ArchiveLayout&) { std::memset(r, 0, 4); },
         0, false},
        {"whole record 0xFF", true,
         [](std::uint8_t* r, const ArchiveLayout& l) {
             std::memset(r, 0xFF, static_cast<std::size_t>(l.FullBytes));
         },
         0, false},
        {"period byte flipped", false, [](std::uint8_t* r, const ArchiveLayout&) { r[10] ^= 1; }, 0,
         false},
        {"totals byte flipped, first check good", true,
         [](std::uint8_t* r, const ArchiveLayout& l) { r[l.HourlyBytes + 3] ^= 0x80; }, 0, false},
        {"second check byte flipped", true,
         [](std::uint8_t* r, const ArchiveLayout& l) { r[l.FullBytes - 1] ^= 1; }, 0, false},
        {"one byte short", false, nullptr, 1, false},
        {"full one byte short", true, nullptr, 1, false},
    };
    for (const Edition* e : BothEditions)
        for (const auto& c : cases) {
            FullArchiveStruct r = device::MakeFullArchiveRecord(*e, SampleValues);
            if (c.spoil)
                c.spoil(r.data(), *e->Archive);
            const std::size_t length =
                static_cast<std::size_t>(c.full ? e->FullRecordBytes() : e->HourlyRecordBytes()) -
                c.shorten;
            EXPECT_EQ(IsArchiveRecordValid(*e, r.data(), length, c.full), c.valid)
                << e->Name << ": " << c.name;
        }
    // A period check made for one edition does not pass for the other.
    EXPECT_FALSE(
        IsArchiveRecordValid(EditionV2, device::MakeArchiveRecord(EditionV3, SampleValues)));
}

TEST(JournalRecord, MakerLayoutAndValidity) {
    device::JournalEntry e;
    e.Year = 24;
    e.Month = 3;
    e.Day = 5;
    e.Hour = 13;
    e.Minute = 45;
    e.Second = 7;
    e.Code = 0x123;
    e.Type = device::jvF32;
    e.OldValue = device::EncodeJournalValue(device::jvF32, 0.01);
    e.NewValue = device::EncodeJournalValue(device::jvS16, -2);
    const JournalStruct r = device::MakeJournalRecord(e);
    ASSERT_EQ(r.size(), 16u);
    const std::uint8_t head[] = {24, 3, 5, 13, 45, 7, 0x23, 0x81};
    EXPECT_TRUE(std::equal(head, head + 8, r.data()));
    float f;
    std::memcpy(&f, r.data() + 8, 4);
    EXPECT_EQ(f, 0.01f);
    EXPECT_EQ(r[12], 0xFE);
    EXPECT_EQ(r[13], 0xFF);
    EXPECT_EQ(r[14], 0);
    EXPECT_TRUE(IsJournalRecordValid(r));
    const auto back = device::ReadJournalEntry(r);
    EXPECT_EQ(back.Code, 0x123);
    EXPECT_EQ(back.Type, device::jvF32);
    EXPECT_EQ(back.NewValue, e.NewValue);

    std::uint8_t raw[16];
    std::memset(raw, 0xFF, 16);
    EXPECT_FALSE(IsJournalRecordValid(raw, 16));
    std::memset(raw, 0, 16);
    EXPECT_FALSE(IsJournalRecordValid(raw, 16));
    raw[3] = 1; // a record of midnight 0 January 2000 is still kept: no check
    EXPECT_TRUE(IsJournalRecordValid(raw, 16));
    EXPECT_FALSE(IsJournalRecordValid(raw, 15));

    device::JournalEntry counter;
    device::SetJournalCounter(counter, 1234.5);
    const JournalStruct c = device::MakeJournalRecord(counter);
    std::uint32_t whole;
    std::memcpy(&whole, c.data() + 8, 4);
    std::memcpy(&f, c.data() + 12, 4);
    EXPECT_EQ(whole, 1234u);
    EXPECT_EQ(f, 0.5f);

    device::JournalEntry clock;
    device::SetJournalDateTime(clock, 2024, 3, 5, 13, 45, 7);
    const JournalStruct t = device::MakeJournalRecord(clock);
    const std::uint8_t when[] = {24, 3, 5, 13, 45, 7};
    EXPECT_TRUE(std::equal(when, when + 6, t.data() + 8));
}

TEST(RawRecords, KeepTheirLengthAndBytes) {
    const std::uint8_t bytes[300] = {1, 2, 3};
    const ArchiveStruct a(bytes, 110);
    EXPECT_EQ(a.size(), 110u);
    const ArchiveStruct tooLong(bytes, 300);
    EXPECT_EQ(tooLong.size(), 150u) << "never more than the largest record";
    EXPECT_NE(ArchiveStruct(bytes, 110), ArchiveStruct(bytes, 150));
    EXPECT_EQ(FullArchiveStruct(212).size(), 212u);
    EXPECT_TRUE(ArchiveStruct().empty());
}

TEST(RX58Valve, CopyIsDeepAndClearKeepsTheTail) {
    RX58Valve source;
    source.Ident = {1, 2, 3, 4};
    source.CurrentParams.Q1 = 5;
    source.SetupParams.SerialNum = 42;
    source.AppendHour(device::MakeArchiveRecord(EditionV3, SampleValues));
    source.AppendDay(device::MakeFullArchiveRecord(EditionV3, SampleValues));
    source.AppendMonth(device::MakeFullArchiveRecord(EditionV3, SampleValues));
    source.AppendJournal(JournalStruct(16));
    source.Tail.fill(0xEE);

    const RX58Valve copy = source;
    source.Clear();
    EXPECT_EQ(source.Ident, (std::array<std::uint8_t, 4>{}));
    EXPECT_EQ(source.CurrentParams, RX58CurrentParams{});
    EXPECT_EQ(source.SetupParams, RX58SetupParams{});
    EXPECT_TRUE(source.HourArchive.empty() && source.DayArchive.empty() &&
                source.MonthArchive.empty() && source.Journal.empty());
    EXPECT_EQ(source.Tail[15], 0xEE) << "clearing keeps the tail";

    EXPECT_EQ(copy.Ident[2], 3);
    EXPECT_EQ(copy.ProtocolVersion(), 3);
    EXPECT_EQ(copy.CurrentParams.Q1, 5);
    EXPECT_EQ(copy.SetupParams.SerialNum, 42);
    ASSERT_EQ(copy.HourArchive.size(), 1u);
    EXPECT_TRUE(IsArchiveRecordValid(EditionV3, copy.HourArchive[0]));
    EXPECT_EQ(copy.DayArchive.size(), 1u);
    EXPECT_EQ(copy.MonthArchive.size(), 1u);
    EXPECT_EQ(copy.Journal.size(), 1u);
    EXPECT_EQ(copy.Tail[0], 0xEE);
}

} // namespace
