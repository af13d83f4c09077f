#include "tools/render/common/TextForms.h"

#include <gtest/gtest.h>

namespace calderine {
namespace {

TEST(TextForms, WriteNamesCountsAndCaseAlike) {
    EXPECT_EQ(quoted("dir/take one.wav"), "'dir/take one.wav'");
    EXPECT_EQ(counted(0, "file"), "0 files");
    EXPECT_EQ(counted(1, "file"), "1 file");
    EXPECT_EQ(counted(2, "sample"), "2 samples");
    // Only ASCII letters change: bytes of UTF-8 names pass untouched.
    EXPECT_EQ(lowerCase("Tone_Gain=-6DB \xC3\x89t\xC3\xA9"), "tone_gain=-6db \xC3\x89t\xC3\xA9");
}

} // namespace
} // namespace calderine
