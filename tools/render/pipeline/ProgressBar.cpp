#include "tools/render/pipeline/ProgressBar.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace calderine {

namespace {

constexpr int kBarWidth = 40;
constexpr int kFullPercent = 100;
// Wide enough for the bar, its brackets and the percentage.
constexpr std::size_t kLineWidth = kBarWidth + 8;
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
                         Clock clock)
    : out(out), active(enabled && total > 0), total(total), unitsPerSecond(unitsPerSecond),
      clock(std::move(clock)), started(this->clock()) {}

ProgressBar::~ProgressBar() {
    finish();
}

bool ProgressBar::standardErrorIsTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

ProgressBar::Clock ProgressBar::steadyClock() {
    return [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
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

std::string ProgressBar::timing(std::int64_t done) const {
    const double elapsed = clock() - started;
    if (elapsed < kSettleSeconds || done <= 0) {
        return "";
    }
    const double rate = static_cast<double>(done) / elapsed; // units per second of wall time
    std::string text;
    if (unitsPerSecond > 0.0) {
        char speed[32];
        std::snprintf(speed, sizeof speed, "  %.1fx real time", rate / unitsPerSecond);
        text += speed;
    }
    return text + "  " + clockText(static_cast<double>(total - done) / rate) + " left";
}

void ProgressBar::draw(int percent, std::int64_t done) {
    shownPercent = percent;
    const int filled = percent * kBarWidth / kFullPercent;
    // Appended step by step: GCC 12 reports a false -Wrestrict for "[" + std::string at -O3.
    std::string line = "[";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    line += "] ";
    line += std::to_string(percent);
    line += '%';
    line += timing(done);
    // A shorter line than the last must still cover it.
    const std::size_t width = line.size();
    line.append(widest > width ? widest - width : 0, ' ');
    widest = std::max(widest, width);
    out << '\r' << line << std::flush;
}

void ProgressBar::finish() {
    if (!active) {
        return;
    }
    active = false;
    if (shownPercent >= 0) {
        const std::size_t width = std::max(kLineWidth, widest);
        out << '\r' << std::string(width, ' ') << '\r' << std::flush;
    }
}

} // namespace calderine
