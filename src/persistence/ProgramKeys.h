#pragma once

// Where the program keeps its settings, under the current user.
namespace persistence {

inline constexpr const char* ProgramKey = "\\Software\\Veldrin\\RX58Manager";
inline constexpr const char* ChanelSetupKey = "\\Software\\Veldrin\\RX58Manager\\ChanelSetup";
inline constexpr const char* ReadSettingsKey = "\\Software\\Veldrin\\RX58Manager\\ReadSettings";

// Integer under the program key: nonzero shows the calibration tab.
inline constexpr const char* EnableCalibrationValue = "EnableCalibration";

// 1 January 2012 as a date-time value (days since 30 December 1899).
inline constexpr double DefaultIntervalDate = 40909.0;

} // namespace persistence
