#include "tools/render/common/TextForms.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

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

// What a hostile name could do to a terminal or to the lines a script reads, and what is left.
TEST(TextForms, OutsideTextCannotReachTheTerminalAsCommandsOrForgeLines) {
    const std::pair<std::string, std::string> cases[] = {
        {"Gain", "Gain"},
        {"a\nPreset: x", "a\\nPreset: x"},                 // a forged line
        {"\x1b[2J\x1b]0;t\x07", "\\x1b[2J\\x1b]0;t\\x07"}, // clear screen, set title, bell
        {std::string("a\0b", 3), "a\\x00b"},               // a NUL does not cut the rest off
        {"tab\there\\", "tab\\there\\\\"},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5"}, // é € 🎵
        {"\xC3", "\\xc3"},                            // cut short
        {"\xC0\xAF", "\\xc0\\xaf"},                   // overlong '/'
        {"\xED\xA0\x80", "\\xed\\xa0\\x80"},          // a surrogate
        {"\xF4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"}, // beyond U+10FFFF
        {"\x7f\xc2\x9b", "\\x7f\\xc2\\x9b"},          // DEL, and U+009B, which acts as ESC [
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(printable(text), shown);
    }
    EXPECT_EQ(quoted("a\nb.wav"), "'a\\nb.wav'");
}

} // namespace
} // namespace calderine
