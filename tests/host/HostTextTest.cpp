#include "host/HostText.h"

#include <array>
#include <gtest/gtest.h>
#include <string>

namespace calderine {
namespace {

struct CopyCase {
    const char* text;
    std::size_t maxChars;
    std::string expected;
};

TEST(HostTextTest, CopiesUpToTheLimitAndTerminatesAtTheLimit) {
    const CopyCase cases[] = {
        {"Default", 24, "Default"},
        {"exactly8", 8, "exactly8"},
        {"a name that is far too long", 8, "a name t"},
        {"", 8, ""},
        {nullptr, 8, ""},
        {"abc", 0, ""},
    };
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.expected);
        std::array<char, 40> buffer;
        buffer.fill('#');
        copyHostText(buffer.data(), c.text, c.maxChars);
        EXPECT_EQ(std::string(buffer.data()), c.expected);
        // Bytes up to and including the limit are written, none beyond it.
        for (std::size_t i = c.expected.size(); i <= c.maxChars; ++i)
            EXPECT_EQ(buffer[i], '\0') << i;
        EXPECT_EQ(buffer[c.maxChars + 1], '#');
        copyHostText(nullptr, c.text, c.maxChars); // a null buffer is never written
    }
}

} // namespace
} // namespace calderine
