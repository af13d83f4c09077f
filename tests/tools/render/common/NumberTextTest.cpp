#include "tools/render/common/NumberText.h"

#include <gtest/gtest.h>
#include <optional>
#include <string_view>

namespace calderine {
namespace {

TEST(NumberText, ReadsWhatPeopleAndDisplaysWrite) {
    const std::pair<std::string_view, std::optional<double>> cases[] = {
        {"-6", -6.0},           {"+6", 6.0},           {"0.25", 0.25},        {" 50.0 ", 50.0},
        {"-0.0", -0.0},         {"1e-3", 0.001},       {"", std::nullopt},    {"-", std::nullopt},
        {"6dB", std::nullopt},  {"nan", std::nullopt}, {"inf", std::nullopt}, {"+-6", std::nullopt},
        {"mute", std::nullopt}, {"1,5", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseNumber(text), expected);
    }
}

TEST(NumberText, CountsArePlainDigitsWithinTheLimit) {
    const std::pair<std::string_view, std::optional<long long>> cases[] = {
        {"0", 0},
        {"512", 512},
        {"1000", 1000},
        {"1001", std::nullopt},
        {"-1", std::nullopt},
        {"+5", std::nullopt},
        {"5x", std::nullopt},
        {"", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseCount(text, 1000), expected);
    }
}

} // namespace
} // namespace calderine
