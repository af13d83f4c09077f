// A one-line progress bar for long renders, redrawn in place on a terminal and silent
// everywhere else, so that logs and pipes see nothing but the tool's own messages.
#pragma once

#include <cstdint>
#include <ostream>

namespace calderine {

class ProgressBar {
public:
    // total: the amount of work, in any unit; 0 when unknown, which draws nothing.
    ProgressBar(std::ostream& out, bool enabled, std::int64_t total);
    // Clears the line if finish() was not reached.
    ~ProgressBar();

    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::int64_t done);
    // Removes the bar, leaving the line as it was before.
    void finish();

    // True when standard error is a terminal someone is watching.
    static bool standardErrorIsTerminal();

private:
    void draw(int percent);

    std::ostream& out;
    bool active;
    std::int64_t total;
    int shownPercent = -1;
};

} // namespace calderine
