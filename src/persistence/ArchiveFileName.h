#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace persistence {

// The name the save dialog offers: "0000_YTK36_<serial>_<yymmdd_hhnnss>.arch",
// the serial number as the setup view shows it and the local time of saving.
// A path separator in the serial text becomes '_' so the name stays one name.
std::string DefaultArchiveFileName(std::string_view serialText, const std::tm& localTime);
// The same at the current local time.
std::string DefaultArchiveFileName(std::string_view serialText);

} // namespace persistence
