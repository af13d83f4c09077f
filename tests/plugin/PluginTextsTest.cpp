// The parameter texts and values a host reads from an instance through its record: names,
// labels, and the display at the default, at both ends of the range and inside it.
#include "effect/ParameterTable.h"
#include "tests/host/SentinelBuffer.h"
#include "tests/plugin/LocalEffect.h"
#include "tests/support/DocumentedParameters.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace calderine {
namespace {

using testing::LocalEffect;
namespace param = parameterIndex;

// One host text request into a fresh buffer; the text must end within the host's limit.
std::string hostText(LocalEffect& effect, std::int32_t opcode, std::size_t index,
                     std::size_t limit) {
    testing::Buffer buffer = testing::sentinelBuffer();
    effect.dispatch(opcode, static_cast<std::int32_t>(index), 0, buffer.data());
    const std::string text(buffer.data(), std::find(buffer.begin(), buffer.end(), '\0'));
    EXPECT_LE(text.size(), limit) << "opcode " << opcode;
    return text;
}

std::string display(LocalEffect& effect, std::size_t index) {
    return hostText(effect, effGetParamDisplay, index, kMaxParamStrChars);
}

TEST(PluginTexts, NamesLabelsDefaultsAndRangeEnds) {
    for (std::size_t i = 0; i < kParameterCount; ++i) {
        const testing::DocumentedParameter& row = testing::kDocumentedParameters[i];
        SCOPED_TRACE(row.name);
        LocalEffect effect;
        EXPECT_EQ(hostText(effect, effGetParamName, i, kMaxParamNameChars), row.name);
        EXPECT_EQ(hostText(effect, effGetParamLabel, i, kMaxParamStrChars), row.label);
        EXPECT_EQ(effect.parameter(i), row.defaultNormalised);
        EXPECT_EQ(display(effect, i), row.defaultDisplay);

        effect.setParameter(i, 0.0f);
        EXPECT_EQ(effect.parameter(i), 0.0f);
        EXPECT_EQ(display(effect, i), row.minimumDisplay);
        effect.setParameter(i, 1.0f);
        EXPECT_EQ(effect.parameter(i), 1.0f);
        EXPECT_EQ(display(effect, i), row.maximumDisplay);
    }
}

// dB ranges map linearly (-18 + 36 n, -40 + 40 n), DryMix is 100 n, StereoMode 4 n; texts
// keep one decimal for dB and percent, two for the 0..1 controls, rounded half up. A switch
// reads back as the end it snapped to.
TEST(PluginTexts, DisplaysInsideTheRange) {
    struct Case {
        std::size_t parameter;
        float normalised;
        const char* display;
        float readBack; // what getParameter answers afterwards
    };
    const Case cases[] = {
        {param::toneGain, 0.25f, "-9.0", 0.25f},
        {param::toneGain, 0.75f, "9.0", 0.75f},
        {param::noiseGain, 0.125f, "-13.5", 0.125f},
        {param::noiseGain, 0.6f, "3.6", 0.6f},
        {param::clipperThreshold, 0.25f, "-30.0", 0.25f},
        {param::clipperThreshold, 0.8f, "-8.0", 0.8f},
        {param::clipperEmphasis, 0.3f, "0.30", 0.3f},
        {param::noiseTilt, 0.7f, "0.70", 0.7f},
        {param::dryMix, 0.25f, "25.0", 0.25f},
        {param::dryMix, 0.4567f, "45.7", 0.4567f},
        {param::stereoMode, 0.5f, "M/S", 0.5f},
        {param::stereoMode, 0.75f, "M", 0.75f},
        {param::bypass, 0.25f, "Off", 0.0f},
        {param::bypass, 0.75f, "On", 1.0f},
        {param::toneTilt, 0.125f, "0.13", 0.125f},
        {param::separationSlope, 0.333f, "0.33", 0.333f},
    };
    constexpr float kReadBackTolerance = 1e-6f;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << kParameterTable[c.parameter].name << " at " << c.normalised);
        LocalEffect effect;
        effect.setParameter(c.parameter, c.normalised);
        EXPECT_EQ(display(effect, c.parameter), c.display);
        EXPECT_NEAR(effect.parameter(c.parameter), c.readBack, kReadBackTolerance);
    }
}

} // namespace
} // namespace calderine
