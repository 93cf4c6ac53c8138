#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Number, time and bit-string helpers shared by the decoders, the views, the
// command-line dump and the report.
//
// Date-time values are doubles counting days since 30 December 1899; the
// fraction is the time of day (0.5 is noon). Negative values count back
// from that day with the time of day as the absolute fraction.

namespace device {

struct DateParts {
    int Year, Month, Day;
};
struct TimeParts {
    int Hour, Minute, Second, Msec;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);           // 0 for a month outside 1..12
bool IsValidDate(int year, int month, int day); // years 1..9999
bool IsValidTime(int hour, int minute, int second, int msec = 0);

// Both return false and leave `value` alone when the parts are out of range.
bool TryEncodeDate(int year, int month, int day, double& value);
bool TryEncodeTime(int hour, int minute, int second, int msec, double& value);

// The value is first rounded to whole milliseconds, so 0.999999999 is the
// next day at midnight. Values outside years 1..9999 (and NaN) give false
// and 1899-12-30 / 00:00:00.000.
bool DecodeDate(double value, DateParts& date);
bool DecodeTime(double value, TimeParts& time);
DateParts DecodeDate(double value);
TimeParts DecodeTime(double value);

// Printf-style number formats used by the device's texts. Their output is
// byte for byte that of the printf conversion named in the comment.
enum class NumberFormat : std::uint8_t {
    Fixed2,     // "%.2f"
    Fixed3,     // "%.3f"
    Fixed4,     // "%.4f"
    Padded9_3,  // "%09.3f"
    Padded13_3, // "%013.3f"
    Padded13_5, // "%013.5f"
    General,    // "%g"
};

// The Append* functions add to `out`; they allocate only when `out` has to
// grow, so a string reused for many cells stops allocating.
void AppendNumber(std::string& out, NumberFormat format, double value);
void AppendInt(std::string& out, long long value);                    // "%d" / "%u"
void AppendTwoDigits(std::string& out, long long value);              // "%02d"
void AppendHoursMinutes(std::string& out, long long minutes);         // "%02d:%02d" of m/60, m%60
void AppendBitString(std::string& out, std::uint32_t word, int bits); // "1", "2".. or "-"
void AppendDateDdMmYy(std::string& out, double date);                 // dd/mm/yy, always slashes
void AppendDateMmYy(std::string& out, double date);                   // mm/yy
void AppendTimeHhNnSs(std::string& out, double time);                 // hh:nn:ss

std::string FormatNumber(NumberFormat format, double value);
std::string FormatHoursMinutes(long long minutes);
std::string FormatBitString(std::uint32_t word, int bits);

// One-character names of the abnormal-situation bits 0..13: "1".."9", "A".."E".
char BitName(int bit);

} // namespace device
