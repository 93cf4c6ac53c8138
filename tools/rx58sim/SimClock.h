#pragma once

#include <chrono>
#include <cstdint>

// The device clock: local civil time in whole seconds that runs on from
// wherever it was last set (by an option or by a clock write), or stands
// still while frozen so a test sees the same images on every read.

namespace sim {

struct CivilTime {
    int Year = 2000;
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;

    bool operator==(const CivilTime&) const = default;
};

// Seconds since 1970-01-01 00:00 of a civil time, counted as if every day
// had 86400 seconds (the device knows no time zones).
std::int64_t CivilSeconds(const CivilTime& time);
CivilTime CivilFromSeconds(std::int64_t seconds);
bool IsValidCivil(const CivilTime& time);
// The host's local time now.
CivilTime HostLocalTime();
// The first day of the month `months` after (or before) that of `time`.
CivilTime AddMonths(const CivilTime& time, int months);

class SimClock {
public:
    explicit SimClock(const CivilTime& start = HostLocalTime());

    std::int64_t Seconds() const;
    CivilTime Now() const { return CivilFromSeconds(Seconds()); }
    void Set(const CivilTime& time);
    void Freeze(bool frozen);
    bool Frozen() const { return frozen_; }

private:
    std::int64_t base_;
    std::chrono::steady_clock::time_point since_;
    bool frozen_ = false;
};

} // namespace sim
