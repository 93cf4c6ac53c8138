#pragma once

#include "device/Rx58Records.h"
#include "rx58sim/SimClock.h"

#include <cstdint>

// The values a working calculator shows: temperatures and pressures that
// drift, flows that keep the counters rising, and a setup and calibration
// that a real heat-metering point could have.

namespace sim {

// Hours of operation the counters have behind them when the simulator
// starts; a reset sets them back to zero.
inline constexpr double HoursBeforeStart = 12000;

// Current values at `now`, `hours` after the counters were last cleared.
RX58CurrentParams CurrentValues(const CivilTime& now, double hours);
RX58SetupParams DefaultSetup(std::uint8_t netAddress, std::uint16_t serialNumber,
                             const CivilTime& now);
RX58Calibration DefaultCalibration();

// The mean rates behind the counters, per hour: the archives use them too,
// so a day's record is 24 hours of them.
struct HourlyRates {
    double Q1, Q2;
    double M[4];
    double V[5];
};
inline constexpr HourlyRates MeanRates{
    0.3588, 0.0601, {12.125, 11.834, 3.104, 2.910}, {12.5, 12.2, 3.2, 3.0, 1.1}};

// The date-time value (days since 30 December 1899) of a civil time.
double DateValue(const CivilTime& time);
double TimeValue(const CivilTime& time);

} // namespace sim
