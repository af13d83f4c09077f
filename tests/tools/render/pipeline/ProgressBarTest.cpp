#include "tools/render/pipeline/ProgressBar.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace calderine {
namespace {

TEST(ProgressBar, SaysNothingWhenNobodyWatchesOrTheTotalIsUnknown) {
    for (const auto& [enabled, total] : {std::pair{false, 1000}, std::pair{true, 0}}) {
        std::ostringstream out;
        {
            ProgressBar bar(out, enabled, total);
            bar.update(500);
            bar.finish();
        }
        EXPECT_EQ(out.str(), "");
    }
}

TEST(ProgressBar, RedrawsOnlyOnANewPercentageAndClearsItsLine) {
    std::ostringstream out;
    ProgressBar bar(out, true, 1000, 0.0, ProgressBar::steadyClock(), 80);
    bar.update(0);
    bar.update(4); // still 0 %
    bar.update(500);
    bar.update(2000); // past the end counts as done
    const std::string drawn = out.str();
    EXPECT_EQ(drawn.find("\r[........................................] 0%"), 0u) << drawn;
    EXPECT_NE(drawn.find("\r[####################....................] 50%"), std::string::npos);
    EXPECT_NE(drawn.find("] 100%"), std::string::npos);
    EXPECT_EQ(drawn.find("] 0%", drawn.find("] 0%") + 1), std::string::npos)
        << "drawn twice for one percentage";
    bar.finish();
    const std::string cleared = out.str().substr(drawn.size());
    EXPECT_EQ(cleared, "\r" + std::string(48, ' ') + "\r");
    bar.finish();
    EXPECT_EQ(out.str().size(), drawn.size() + cleared.size());
}

TEST(ProgressBar, ShowsTheSpeedInRealTimeAndTheTimeLeft) {
    // Ten seconds of 48 kHz audio; the clock is moved by hand.
    double now = 100.0;
    std::ostringstream out;
    ProgressBar bar(
        out, true, 480000, 48000.0, [&now] { return now; }, 80);
    bar.update(0); // no time has passed: nothing to estimate from
    EXPECT_EQ(out.str().find("real time"), std::string::npos) << out.str();
    struct Step {
        double seconds;
        std::int64_t done;
        const char* shown;
    };
    const Step steps[] = {
        // 5 s of audio in 2 s: 2.5 times real time, 5 s of audio left at that pace.
        {102.0, 240000, "] 50%  2.5x real time  0:02 left"},
        // 9.6 s of audio in 160 s: 0.06 times real time, 0.4 s of audio take 6.67 s more.
        {260.0, 460800, "] 96%  0.1x real time  0:07 left"},
        // 100 hours for 97 per cent: 14400 frames at 1.29 frames a second take 11134 s.
        {360100.0, 465600, "] 97%  0.0x real time  3:05:34 left"},
    };
    for (const Step& step : steps) {
        now = step.seconds;
        const std::size_t before = out.str().size();
        bar.update(step.done);
        EXPECT_NE(out.str().find(step.shown, before), std::string::npos) << out.str();
    }
    // The clearing covers the widest line drawn.
    const std::size_t widest = std::string("[########################################] 97%  0.0x "
                                           "real time  3:05:34 left")
                                   .size();
    const std::size_t before = out.str().size();
    bar.finish();
    EXPECT_EQ(out.str().substr(before), "\r" + std::string(widest, ' ') + "\r");
}

// What was drawn, line by line as the terminal shows them: each '\r' starts over.
std::vector<std::string> drawnLines(const std::string& drawn) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = drawn.find('\r', start)) != std::string::npos; start = end + 1) {
        lines.push_back(drawn.substr(start, end - start));
    }
    lines.push_back(drawn.substr(start));
    return lines;
}

// A line as wide as the terminal wraps (at once, on some terminals): every line, the clearing
// included, stays within one column fewer, leaving out what does not fit.
TEST(ProgressBar, FitsTheTerminalsWidthLeavingOutWhatDoesNotFit) {
    struct Case {
        std::size_t columns;
        std::vector<const char*> shown;
        std::vector<const char*> left; // out of the line
    };
    const Case cases[] = {
        {80, {"[####################", "] 50%  2.5x real time  0:02 left"}, {}},
        {50, {"[#####", "] 50%  0:02 left"}, {"real time"}},
        {25, {"[#####", "] 50%"}, {"real time", "left"}},
        {16, {"50%  0:02 left"}, {"real time", "["}},
        {8, {"50%"}, {"real time", "left", "["}},
        {3, {}, {"50%", "["}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.columns);
        // Ten seconds of 48 kHz audio, half of it done in 2 s.
        double now = 100.0;
        std::ostringstream out;
        ProgressBar bar(
            out, true, 480000, 48000.0, [&now] { return now; }, c.columns);
        bar.update(0);
        now = 102.0;
        bar.update(240000);
        const std::string drawn = out.str();
        for (const char* part : c.shown) {
            EXPECT_NE(drawn.find(part), std::string::npos) << part << " in " << drawn;
        }
        for (const char* part : c.left) {
            EXPECT_EQ(drawn.find(part, drawn.rfind('\r')), std::string::npos)
                << part << " in " << drawn;
        }
        bar.finish();
        for (const std::string& line : drawnLines(out.str())) {
            EXPECT_LT(line.size(), c.columns) << '"' << line << '"';
        }
    }
}

// A message during a batch goes above the bar, on a line of its own, and the bar comes back.
TEST(ProgressBar, PrintsAMessageAboveItself) {
    std::ostringstream out;
    ProgressBar bar(out, true, 1000, 0.0, ProgressBar::steadyClock(), 80);
    bar.update(500);
    bar.print("calderine-render: a.wav: cannot read");
    const std::string drawn = out.str();
    const std::size_t message = drawn.find("\rcalderine-render: a.wav: cannot read\n");
    ASSERT_NE(message, std::string::npos) << drawn;
    EXPECT_NE(drawn.find("] 50%", message), std::string::npos) << drawn;
}

} // namespace
} // namespace calderine
