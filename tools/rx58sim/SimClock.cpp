#include "rx58sim/SimClock.h"

#include <ctime>

namespace sim {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

} // namespace

std::int64_t CivilSeconds(const CivilTime& t) {
    using namespace std::chrono;
    const sys_days date =
        year{t.Year} / month{static_cast<unsigned>(t.Month)} / day{static_cast<unsigned>(t.Day)};
    return static_cast<std::int64_t>(date.time_since_epoch().count()) * 86400 + t.Hour * 3600 +
           t.Minute * 60 + t.Second;
}

CivilTime CivilFromSeconds(std::int64_t seconds) {
    using namespace std::chrono;
    const std::int64_t days = FloorDiv(seconds, 86400);
    const std::int64_t rest = seconds - days * 86400;
    const year_month_day ymd{sys_days{std::chrono::days{days}}};
    return {static_cast<int>(ymd.year()),
            static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day())),
            static_cast<int>(rest / 3600),
            static_cast<int>(rest / 60 % 60),
            static_cast<int>(rest % 60)};
}

bool IsValidCivil(const CivilTime& t) {
    using namespace std::chrono;
    const year_month_day ymd{year{t.Year}, month{static_cast<unsigned>(t.Month)},
                             day{static_cast<unsigned>(t.Day)}};
    return t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31 && ymd.ok() && t.Hour >= 0 &&
           t.Hour <= 23 && t.Minute >= 0 && t.Minute <= 59 && t.Second >= 0 && t.Second <= 59;
}

CivilTime HostLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

CivilTime AddMonths(const CivilTime& time, int months) {
    const int index = time.Year * 12 + (time.Month - 1) + months;
    return {index / 12, index % 12 + 1, 1, 0, 0, 0};
}

SimClock::SimClock(const CivilTime& start)
    : base_(CivilSeconds(start)), since_(std::chrono::steady_clock::now()) {}

std::int64_t SimClock::Seconds() const {
    if (frozen_)
        return base_;
    const auto elapsed = std::chrono::steady_clock::now() - since_;
    return base_ + std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
}

void SimClock::Set(const CivilTime& time) {
    base_ = CivilSeconds(time);
    since_ = std::chrono::steady_clock::now();
}

void SimClock::Freeze(bool frozen) {
    if (frozen == frozen_)
        return;
    base_ = Seconds();
    since_ = std::chrono::steady_clock::now();
    frozen_ = frozen;
}

} // namespace sim
