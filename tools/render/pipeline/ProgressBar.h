// A one-line progress bar for long renders, redrawn in place on a terminal and silent
// everywhere else, so that logs and pipes see nothing but the tool's own messages. Once time
// has passed it also shows the speed, in multiples of real time, and the time left.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace calderine {

class ProgressBar {
public:
    // Seconds since some fixed moment; steady, so that a clock change cannot skew the speed.
    using Clock = std::function<double()>;

    // total: the amount of work, in any unit; 0 when unknown, which draws nothing.
    // unitsPerSecond: how much of the work one second of audio is (the sample rate for frames);
    // 0 leaves the speed out.
    ProgressBar(std::ostream& out, bool enabled, std::int64_t total, double unitsPerSecond = 0.0,
                Clock clock = steadyClock());
    // Clears the line if finish() was not reached.
    ~ProgressBar();

    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::int64_t done);
    // Removes the bar, leaving the line as it was before.
    void finish();

    // True when standard error is a terminal someone is watching.
    static bool standardErrorIsTerminal();
    static Clock steadyClock();

private:
    void draw(int percent, std::int64_t done);
    std::string timing(std::int64_t done) const;

    std::ostream& out;
    bool active;
    std::int64_t total;
    double unitsPerSecond;
    Clock clock;
    double started;
    int shownPercent = -1;
    std::size_t widest = 0;
};

} // namespace calderine
