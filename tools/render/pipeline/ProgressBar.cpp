#include "tools/render/pipeline/ProgressBar.h"

#include "tools/render/common/ProgressLine.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace calderine {

namespace {

constexpr std::size_t kBarWidth = 40;
// Below this a bar says less than the percentage beside it.
constexpr std::size_t kMinBarWidth = 10;
constexpr std::size_t kBarFrame = 3;      // "[", "] "
constexpr std::size_t kWidestPercent = 4; // "100%"
constexpr int kFullPercent = 100;
// Wide enough for the bar, its brackets and the percentage.
constexpr std::size_t kLineWidth = kBarWidth + 8;
constexpr std::size_t kDefaultColumns = 80;
// Estimates from the first moments of a render mostly measure its start-up.
constexpr double kSettleSeconds = 1.0;
constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerHour = 60 * kSecondsPerMinute;

// "0:07", "12:34", "1:02:03".
std::string clockText(double seconds) {
    const auto whole = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (whole >= kSecondsPerHour) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / kSecondsPerHour,
                      whole % kSecondsPerHour / kSecondsPerMinute, whole % kSecondsPerMinute);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / kSecondsPerMinute,
                      whole % kSecondsPerMinute);
    }
    return text;
}

} // namespace

ProgressBar::ProgressBar(std::ostream& out, bool enabled, std::int64_t total, double unitsPerSecond,
                         Clock clock, std::size_t columns)
    : out(out), active(enabled && total > 0), total(total), unitsPerSecond(unitsPerSecond),
      clock(std::move(clock)), columns(columns), started(this->clock()) {}

ProgressBar::~ProgressBar() {
    finish();
}

bool ProgressBar::standardErrorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

std::size_t ProgressBar::terminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    if (const char* text = std::getenv("COLUMNS")) {
        std::size_t value = 0;
        const std::string_view digits(text);
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error == std::errc{} && end == digits.data() + digits.size() && value > 0) {
            return value;
        }
    }
    return kDefaultColumns;
}

ProgressBar::Clock ProgressBar::steadyClock() {
    return [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
}

std::size_t ProgressBar::room() const {
    const std::size_t width = columns > 0 ? columns : terminalColumns();
    return width > 0 ? width - 1 : 0;
}

void ProgressBar::update(std::int64_t done) {
    if (!active) {
        return;
    }
    const auto clamped = std::clamp<std::int64_t>(done, 0, total);
    const int percent = static_cast<int>(clamped * kFullPercent / total);
    // Redrawing only on a new percentage keeps a long render from flooding the terminal.
    if (percent != shownPercent) {
        draw(percent, clamped);
    }
}

ProgressBar::Timing ProgressBar::timing(std::int64_t done) const {
    const double elapsed = clock() - started;
    if (elapsed < kSettleSeconds || done <= 0) {
        return {};
    }
    const double rate = static_cast<double>(done) / elapsed; // units per second of wall time
    Timing parts;
    if (unitsPerSecond > 0.0) {
        char speed[32];
        std::snprintf(speed, sizeof speed, "  %.1fx real time", rate / unitsPerSecond);
        parts.speed = speed;
    }
    parts.left = "  " + clockText(static_cast<double>(total - done) / rate) + " left";
    return parts;
}

std::string ProgressBar::layout(int percent, const Timing& timing, std::size_t room) {
    const std::string shown = std::to_string(percent) + "%";
    // The speed goes before the bar shrinks; the bar shrinks before the time left goes.
    const struct {
        std::string tail;
        std::size_t shortestBar;
    } attempts[] = {
        {timing.speed + timing.left, kBarWidth},
        {timing.left, kMinBarWidth},
        {"", kMinBarWidth},
    };
    for (const auto& [tail, shortestBar] : attempts) {
        // The bar's length does not follow the percentage's digits, so it stays still.
        const std::size_t fixed = kBarFrame + kWidestPercent + tail.size();
        if (fixed + shortestBar <= room) {
            const std::size_t bar = std::min(kBarWidth, room - fixed);
            const std::size_t filled = static_cast<std::size_t>(percent) * bar / kFullPercent;
            // Appended step by step: GCC 12 reports a false -Wrestrict for "[" + std::string.
            std::string line = "[";
            line.append(filled, '#');
            line.append(bar - filled, '.');
            line += "] ";
            line += shown;
            line += tail;
            return line;
        }
    }
    for (const std::string& tail : {timing.left, std::string()}) {
        if (shown.size() + tail.size() <= room) {
            return shown + tail;
        }
    }
    return "";
}

std::string ProgressBar::drawn(int percent, std::int64_t done) {
    shownPercent = percent;
    shownDone = done;
    const std::size_t limit = room();
    std::string line = layout(percent, timing(done), limit);
    // A shorter line than the last must still cover it, yet never reach past the room.
    const std::size_t width = line.size();
    const std::size_t cover = std::min(widest, limit);
    line.append(cover > width ? cover - width : 0, ' ');
    widest = std::max(widest, width);
    line.insert(0, 1, '\r');
    return line;
}

std::string ProgressBar::cleared() {
    const std::size_t width = std::min(std::max(kLineWidth, widest), room());
    std::string blank = "\r";
    blank.append(width, ' ');
    blank += '\r';
    widest = 0;
    return blank;
}

void ProgressBar::emit(const std::string& text, bool open) {
    // In one piece, so that the terminal never shows half a redraw.
    out << text << std::flush;
    progressLineOpen = open;
}

void ProgressBar::draw(int percent, std::int64_t done) {
    emit(drawn(percent, done), true);
}

void ProgressBar::clear() {
    emit(cleared(), false);
}

void ProgressBar::print(std::string_view line) {
    const bool shown = active && shownPercent >= 0;
    // The bar cleared, the line, the bar again: one write, which no other line can cut into.
    std::string text = shown ? cleared() : std::string();
    text += line;
    text += '\n';
    if (shown) {
        text += drawn(shownPercent, shownDone);
    }
    emit(text, shown);
}

void ProgressBar::finish() {
    if (!active) {
        return;
    }
    active = false;
    if (shownPercent >= 0) {
        clear();
    }
}

} // namespace calderine
