#include "device/Sysutil.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace device;

namespace {

TEST(Dates, KnownDaysSinceDayZero) {
    struct Case {
        int y, m, d;
        double value;
    };
    const Case cases[] = {
        {1899, 12, 30, 0},   {1899, 12, 29, -1},   {1900, 1, 1, 2},         {2000, 1, 1, 36526},
        {2024, 3, 5, 45356}, {2000, 2, 29, 36585}, {9999, 12, 31, 2958465}, {1, 1, 1, -693593},
    };
    for (const auto& c : cases) {
        double v = 0.5;
        ASSERT_TRUE(TryEncodeDate(c.y, c.m, c.d, v)) << c.y;
        EXPECT_EQ(v, c.value) << c.y << "-" << c.m << "-" << c.d;
        DateParts back{};
        EXPECT_TRUE(DecodeDate(v, back));
        EXPECT_EQ(back.Year, c.y);
        EXPECT_EQ(back.Month, c.m);
        EXPECT_EQ(back.Day, c.d);
    }
}

TEST(Dates, InvalidPartsAreRefusedAndLeaveTheValue) {
    const int cases[][3] = {{2023, 2, 29}, {2100, 2, 29}, {2024, 13, 1}, {2024, 0, 1},
                            {2024, 4, 31}, {2024, 1, 0},  {0, 1, 1},     {10000, 1, 1}};
    for (const auto& c : cases) {
        double v = 7;
        EXPECT_FALSE(TryEncodeDate(c[0], c[1], c[2], v)) << c[0] << "-" << c[1] << "-" << c[2];
        EXPECT_EQ(v, 7);
    }
    EXPECT_TRUE(IsValidDate(2000, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    DateParts d{};
    EXPECT_FALSE(DecodeDate(NAN, d));
    EXPECT_FALSE(DecodeDate(1e12, d));
    EXPECT_EQ(d.Year, 1899);
}

TEST(Times, EncodeDecodeAndRounding) {
    double v = 0;
    ASSERT_TRUE(TryEncodeTime(12, 0, 0, 0, v));
    EXPECT_EQ(v, 0.5);
    ASSERT_TRUE(TryEncodeTime(13, 45, 7, 0, v));
    TimeParts t{};
    EXPECT_TRUE(DecodeTime(45356 + v, t));
    EXPECT_EQ(t.Hour, 13);
    EXPECT_EQ(t.Minute, 45);
    EXPECT_EQ(t.Second, 7);
    EXPECT_EQ(t.Msec, 0);
    const int bad[][4] = {
        {24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}};
    for (const auto& b : bad)
        EXPECT_FALSE(TryEncodeTime(b[0], b[1], b[2], b[3], v));
    // Just under midnight rounds to the next day's 00:00:00.000.
    DecodeTime(0.9999999999, t);
    EXPECT_EQ(t.Hour, 0);
    EXPECT_EQ(DecodeDate(0.9999999999).Day, 31);
    // Before day zero the time is the absolute fraction.
    DecodeTime(-1.25, t);
    EXPECT_EQ(t.Hour, 6);
    EXPECT_EQ(DecodeDate(-1.25).Day, 29);
}

TEST(DateTexts, AlwaysSlashesAndTwoDigits) {
    double date, time;
    TryEncodeDate(2024, 3, 5, date);
    TryEncodeTime(9, 5, 7, 0, time);
    std::string s;
    AppendDateDdMmYy(s, date);
    s += ' ';
    AppendTimeHhNnSs(s, time);
    s += '|';
    AppendDateMmYy(s, date);
    EXPECT_EQ(s, "05/03/24 09:05:07|03/24");
    s.clear();
    AppendDateDdMmYy(s, 0);
    EXPECT_EQ(s, "30/12/99");
}

TEST(NumberFormats, TwoDigitsAsPrintf) {
    for (long long v = -12; v <= 150; ++v) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "%02lld", v);
        std::string s = "x";
        AppendTwoDigits(s, v);
        EXPECT_EQ(s, std::string("x") + expected) << v;
    }
}

// The fast formatter must give printf's text exactly.
TEST(NumberFormats, SameTextAsPrintf) {
    const std::pair<NumberFormat, const char*> formats[] = {
        {NumberFormat::Fixed2, "%.2f"},        {NumberFormat::Fixed3, "%.3f"},
        {NumberFormat::Fixed4, "%.4f"},        {NumberFormat::Padded9_3, "%09.3f"},
        {NumberFormat::Padded13_3, "%013.3f"}, {NumberFormat::Padded13_5, "%013.5f"},
        {NumberFormat::General, "%g"},
    };
    std::vector<double> values = {
        0.0,  -0.0,  12.5,   -1.5, 0.125, 0.375,    2.5e-5,    1234.5, 0.01,       0.1,
        1e21, -1e-7, 3.4e38, NAN,  -NAN,  INFINITY, -INFINITY, 0.0005, 99999.9995, 123456789.125};
    std::mt19937_64 rng(7);
    for (int i = 0; i < 20000; ++i) {
        float f;
        const auto bits = static_cast<std::uint32_t>(rng());
        std::memcpy(&f, &bits, 4);
        values.push_back(f);
        values.push_back(static_cast<double>(static_cast<std::int64_t>(rng() % 4000000) - 2000000) /
                         8.0);
    }
    for (const auto& [format, printfFormat] : formats)
        for (double v : values) {
            char expected[512];
            std::snprintf(expected, sizeof expected, printfFormat, v);
            ASSERT_EQ(FormatNumber(format, v), expected) << printfFormat << " of " << v;
        }
}

TEST(NumberFormats, AppendReusesTheString) {
    std::string s = "x";
    AppendNumber(s, NumberFormat::Padded9_3, -1.5);
    EXPECT_EQ(s, "x-0001.500");
}

TEST(HoursMinutes, WholeHoursAndRemainingMinutes) {
    const std::pair<long long, const char*> cases[] = {
        {0, "00:00"},     {125, "02:05"},    {1439, "23:59"},
        {6000, "100:00"}, {44640, "744:00"}, {4294967295LL, "71582788:15"},
    };
    for (auto [m, text] : cases)
        EXPECT_EQ(FormatHoursMinutes(m), text) << m;
}

TEST(BitStrings, NamesOrHyphens) {
    EXPECT_EQ(FormatBitString(0x0201, 14), "1--------A----");
    EXPECT_EQ(FormatBitString(0, 14), "--------------");
    EXPECT_EQ(FormatBitString(0xFFFF, 14), "123456789ABCDE");
    EXPECT_EQ(FormatBitString(0xFFFF, 9), "123456789");
    EXPECT_EQ(BitName(13), 'E');
}

} // namespace
