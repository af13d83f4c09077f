// A one-line progress bar for long renders, redrawn in place on a terminal and silent
// everywhere else, so that logs and pipes see nothing but the tool's own messages. Once time
// has passed it also shows the speed, in multiples of real time, and the time left. The line
// fits the terminal's width: what does not fit is left out, so that it never wraps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace calderine {

class ProgressBar {
public:
    // Seconds since some fixed moment; steady, so that a clock change cannot skew the speed.
    using Clock = std::function<double()>;

    // total: the amount of work, in any unit; 0 when unknown, which draws nothing.
    // unitsPerSecond: how much of the work one second of audio is (the sample rate for frames);
    // 0 leaves the speed out. columns: the terminal's width; 0 asks the terminal at each draw.
    ProgressBar(std::ostream& out, bool enabled, std::int64_t total, double unitsPerSecond = 0.0,
                Clock clock = steadyClock(), std::size_t columns = 0);
    // Clears the line if finish() was not reached.
    ~ProgressBar();

    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::int64_t done);
    // Writes a line of text (without its newline) above the bar, which is drawn again below.
    void print(std::string_view line);
    // Removes the bar, leaving the line as it was before.
    void finish();

    // True when standard error is a terminal someone is watching.
    static bool standardErrorIsTerminal();
    // Standard error's terminal's width, else COLUMNS, else 80.
    static std::size_t terminalColumns();
    static Clock steadyClock();

private:
    struct Timing {
        std::string speed; // "  2.5x real time", or empty
        std::string left;  // "  0:02 left", or empty
    };

    // Leaves out what does not fit in `room` characters: first the speed, then the bar shrinks
    // to a minimum, then the time left goes; where not even the smallest bar fits, the
    // percentage and the time left stand alone, then the percentage; else nothing.
    static std::string layout(int percent, const Timing& timing, std::size_t room);
    void draw(int percent, std::int64_t done);
    void clear();
    // The text that draws the bar, or clears it, noting what it leaves on the line.
    std::string drawn(int percent, std::int64_t done);
    std::string cleared();
    // Writes `text`, after which a bar stands on the line when `open`.
    void emit(const std::string& text, bool open);
    Timing timing(std::int64_t done) const;
    // Characters a line may take: one fewer than the columns, as a line reaching the last
    // column wraps at once on some terminals.
    std::size_t room() const;

    std::ostream& out;
    bool active;
    std::int64_t total;
    double unitsPerSecond;
    Clock clock;
    std::size_t columns;
    double started;
    int shownPercent = -1;
    std::int64_t shownDone = 0;
    std::size_t widest = 0;
};

} // namespace calderine
