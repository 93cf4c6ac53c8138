#include "persistence/ArchiveFileName.h"

#include <cstdio>

namespace persistence {
namespace {

constexpr const char* NameFormat = "0000_YTK36_%s_%s.arch";

} // namespace

std::string DefaultArchiveFileName(std::string_view serialText, const std::tm& localTime) {
    std::string serial(serialText);
    for (char& c : serial)
        if (c == '/' || c == '\0')
            c = '_';
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d%02d%02d_%02d%02d%02d",
                  (localTime.tm_year % 100 + 100) % 100, localTime.tm_mon + 1, localTime.tm_mday,
                  localTime.tm_hour, localTime.tm_min, localTime.tm_sec);
    const int length = std::snprintf(nullptr, 0, NameFormat, serial.c_str(), stamp);
    std::string name(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(name.data(), name.size(), NameFormat, serial.c_str(), stamp);
    name.pop_back();
    return name;
}

std::string DefaultArchiveFileName(std::string_view serialText) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return DefaultArchiveFileName(serialText, local);
}

} // namespace persistence
