#include "tools/render/ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <string>

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
constexpr int kLineWidth = kBarWidth + 8;

} // namespace

ProgressBar::ProgressBar(std::ostream& out, bool enabled, std::int64_t total)
    : out(out), active(enabled && total > 0), total(total) {}

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

void ProgressBar::update(std::int64_t done) {
    if (!active) {
        return;
    }
    const auto clamped = std::clamp<std::int64_t>(done, 0, total);
    const int percent = static_cast<int>(clamped * kFullPercent / total);
    // Redrawing only on a new percentage keeps a long render from flooding the terminal.
    if (percent != shownPercent) {
        draw(percent);
    }
}

void ProgressBar::draw(int percent) {
    shownPercent = percent;
    const int filled = percent * kBarWidth / kFullPercent;
    out << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << percent << "%"
        << std::flush;
}

void ProgressBar::finish() {
    if (!active) {
        return;
    }
    active = false;
    if (shownPercent >= 0) {
        out << '\r' << std::string(kLineWidth, ' ') << '\r' << std::flush;
    }
}

} // namespace calderine
