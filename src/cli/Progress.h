#pragma once

#include <ostream>
#include <string>

namespace cli {

// Shows how a device task is getting on, on the error stream: a bar with
// the percentage and the status text, redrawn in place, when that stream
// is a terminal; otherwise one plain line per new status text, so that a
// log stays readable.
class ProgressReporter {
public:
    ProgressReporter(std::ostream& err, bool terminal) : Err(err), Terminal(terminal) {}
    ~ProgressReporter() { Finish(); }
    ProgressReporter(const ProgressReporter&) = delete;
    ProgressReporter& operator=(const ProgressReporter&) = delete;

    void Update(int percent, const std::string& text);
    // Ends the bar's line, so that what follows starts on a line of its own.
    void Finish();

    static constexpr int BarWidth = 30;

private:
    std::ostream& Err;
    bool Terminal;
    bool BarShown = false;
    std::string LastText;
};

// The bar line without the carriage return: "[#####.....]  42% text".
std::string ProgressBarLine(int percent, const std::string& text);

} // namespace cli
