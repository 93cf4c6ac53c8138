#include "channels/comprt/PortNames.h"

#include <cctype>
#include <cstddef>

namespace comprt {

namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The n of "COMn" (1 or more, at most nine digits), or 0 when the name is
// not of that form.
unsigned long ComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 12) {
        return 0;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) {
            return 0;
        }
    }
    unsigned long number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!IsDigit(name[i])) {
            return 0;
        }
        number = number * 10 + static_cast<unsigned long>(name[i] - '0');
    }
    return number;
}

} // namespace

std::string DevicePath(const std::string& name, const std::filesystem::path& dev) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    if (const unsigned long number = ComNumber(name); number >= 1) {
        return (dev / ("ttyS" + std::to_string(number - 1))).string();
    }
    return (dev / name).string();
}

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && a[ei] == '0') {
                ++ei;
            }
            while (ej < b.size() && b[ej] == '0') {
                ++ej;
            }
            std::size_t si = ei;
            std::size_t sj = ej;
            while (ei < a.size() && IsDigit(a[ei])) {
                ++ei;
            }
            while (ej < b.size() && IsDigit(b[ej])) {
                ++ej;
            }
            // Without leading zeros the longer run is the larger number.
            if (ei - si != ej - sj) {
                return ei - si < ej - sj;
            }
            const int order = a.compare(si, ei - si, b, sj, ej - sj);
            if (order != 0) {
                return order < 0;
            }
            i = ei;
            j = ej;
            continue;
        }
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[j]));
        if (ca != cb) {
            return ca < cb;
        }
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j)) {
        return a.size() - i < b.size() - j;
    }
    return a < b; // equal by count and case: keep a strict, total order
}

} // namespace comprt
