#include "cli/Progress.h"

#include <algorithm>
#include <cstdio>

namespace cli {

std::string ProgressBarLine(int percent, const std::string& text) {
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * ProgressReporter::BarWidth / 100;
    std::string line = "[";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(ProgressReporter::BarWidth - filled), '.');
    char number[8];
    std::snprintf(number, sizeof number, "] %3d%%", percent);
    line += number;
    if (!text.empty())
        line += " " + text;
    return line;
}

void ProgressReporter::Update(int percent, const std::string& text) {
    if (Terminal) {
        // Carriage return, the line, then erase whatever a longer text left.
        Err << '\r' << ProgressBarLine(percent, text) << "\x1b[K" << std::flush;
        BarShown = true;
        return;
    }
    if (!text.empty() && text != LastText)
        Err << text << '\n' << std::flush;
    LastText = text;
}

void ProgressReporter::Finish() {
    if (BarShown)
        Err << '\n' << std::flush;
    BarShown = false;
}

} // namespace cli
