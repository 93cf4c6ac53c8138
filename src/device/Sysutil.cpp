#include "device/Sysutil.h"

#include <cmath>
#include <fmt/compile.h>
#include <fmt/format.h>
#include <iterator>

namespace device {
namespace {

constexpr long long MsecsPerDay = 86400000;
// Days from 1 January 1970 back to 30 December 1899.
constexpr long long EpochToDateZero = 25569;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

constexpr DateParts CivilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

static_assert(DaysFromCivil(1899, 12, 30) == -EpochToDateZero);

// Whole days (toward zero) and the millisecond of the day, after rounding
// the value to milliseconds; false for values beyond the years 1..9999.
bool SplitValue(double value, long long& days, long long& msec) {
    days = 0;
    msec = 0;
    // 1 January 0001 is -693593, 31 December 9999 is 2958465.
    if (!(value > -693594.0 && value < 2958466.0))
        return false;
    const long long total = std::llround(value * static_cast<double>(MsecsPerDay));
    days = total / MsecsPerDay;
    msec = (total < 0 ? -total : total) % MsecsPerDay;
    return days >= -693593 && days <= 2958465;
}

} // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int msec) {
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
           msec >= 0 && msec < 1000;
}

bool TryEncodeDate(int year, int month, int day, double& value) {
    if (!IsValidDate(year, month, day))
        return false;
    value = static_cast<double>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        EpochToDateZero);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, double& value) {
    if (!IsValidTime(hour, minute, second, msec))
        return false;
    const long long ms = ((hour * 60LL + minute) * 60 + second) * 1000 + msec;
    value = static_cast<double>(ms) / static_cast<double>(MsecsPerDay);
    return true;
}

bool DecodeDate(double value, DateParts& date) {
    long long days, msec;
    const bool ok = SplitValue(value, days, msec);
    date = CivilFromDays(days - EpochToDateZero);
    return ok;
}

bool DecodeTime(double value, TimeParts& time) {
    long long days, msec;
    const bool ok = SplitValue(value, days, msec);
    time.Msec = static_cast<int>(msec % 1000);
    const long long secs = msec / 1000;
    time.Second = static_cast<int>(secs % 60);
    time.Minute = static_cast<int>(secs / 60 % 60);
    time.Hour = static_cast<int>(secs / 3600);
    return ok;
}

DateParts DecodeDate(double value) {
    DateParts d;
    DecodeDate(value, d);
    return d;
}

TimeParts DecodeTime(double value) {
    TimeParts t;
    DecodeTime(value, t);
    return t;
}

void AppendNumber(std::string& out, NumberFormat format, double value) {
    // Formatting into a stack buffer and appending once is markedly faster
    // than growing the string character by character.
    fmt::memory_buffer buffer;
    auto it = std::back_inserter(buffer);
    switch (format) {
    case NumberFormat::Fixed2:
        fmt::format_to(it, FMT_COMPILE("{:.2f}"), value);
        break;
    case NumberFormat::Fixed3:
        fmt::format_to(it, FMT_COMPILE("{:.3f}"), value);
        break;
    case NumberFormat::Fixed4:
        fmt::format_to(it, FMT_COMPILE("{:.4f}"), value);
        break;
    case NumberFormat::Padded9_3:
        fmt::format_to(it, FMT_COMPILE("{:09.3f}"), value);
        break;
    case NumberFormat::Padded13_3:
        fmt::format_to(it, FMT_COMPILE("{:013.3f}"), value);
        break;
    case NumberFormat::Padded13_5:
        fmt::format_to(it, FMT_COMPILE("{:013.5f}"), value);
        break;
    case NumberFormat::General:
        fmt::format_to(it, FMT_COMPILE("{:g}"), value);
        break;
    }
    out.append(buffer.data(), buffer.size());
}

void AppendInt(std::string& out, long long value) {
    fmt::format_to(std::back_inserter(out), FMT_COMPILE("{}"), value);
}

void AppendTwoDigits(std::string& out, long long value) {
    // Every date and time part lands here: two characters need no formatter.
    if (value >= 0 && value < 100) {
        const char digits[2] = {static_cast<char>('0' + value / 10),
                                static_cast<char>('0' + value % 10)};
        out.append(digits, 2);
    } else {
        AppendInt(out, value);
    }
}

void AppendHoursMinutes(std::string& out, long long minutes) {
    AppendTwoDigits(out, minutes / 60);
    out.push_back(':');
    AppendTwoDigits(out, minutes % 60);
}

void AppendBitString(std::string& out, std::uint32_t word, int bits) {
    for (int bit = 0; bit < bits; ++bit)
        out.push_back(word & (1u << bit) ? BitName(bit) : '-');
}

void AppendDateDdMmYy(std::string& out, double date) {
    const DateParts d = DecodeDate(date);
    AppendTwoDigits(out, d.Day);
    out.push_back('/');
    AppendTwoDigits(out, d.Month);
    out.push_back('/');
    AppendTwoDigits(out, d.Year % 100);
}

void AppendDateMmYy(std::string& out, double date) {
    const DateParts d = DecodeDate(date);
    AppendTwoDigits(out, d.Month);
    out.push_back('/');
    AppendTwoDigits(out, d.Year % 100);
}

void AppendTimeHhNnSs(std::string& out, double time) {
    const TimeParts t = DecodeTime(time);
    AppendTwoDigits(out, t.Hour);
    out.push_back(':');
    AppendTwoDigits(out, t.Minute);
    out.push_back(':');
    AppendTwoDigits(out, t.Second);
}

std::string FormatNumber(NumberFormat format, double value) {
    std::string s;
    AppendNumber(s, format, value);
    return s;
}

std::string FormatHoursMinutes(long long minutes) {
    std::string s;
    AppendHoursMinutes(s, minutes);
    return s;
}

std::string FormatBitString(std::uint32_t word, int bits) {
    std::string s;
    AppendBitString(s, word, bits);
    return s;
}

char BitName(int bit) {
    return bit < 9 ? static_cast<char>('1' + bit) : static_cast<char>('A' + (bit - 9));
}

} // namespace device
