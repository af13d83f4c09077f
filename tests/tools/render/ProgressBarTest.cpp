#include "tools/render/ProgressBar.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

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
    ProgressBar bar(out, true, 1000);
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

} // namespace
} // namespace calderine
