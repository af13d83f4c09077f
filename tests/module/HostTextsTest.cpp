// What a host reads from the built module: parameter names, units, values and display texts,
// the program and the identity, with every text kept inside its buffer.
#include "effect/ParameterTable.h"
#include "tests/host/SentinelBuffer.h"
#include "tests/support/BuiltModule.h"
#include "tests/support/DocumentedParameters.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace calderine {
namespace {

namespace param = parameterIndex;

using testing::Buffer;
using testing::kSentinel;
using testing::sentinelBuffer;
using testing::untouched;

TEST(HostTexts, AFreshInstanceShowsEveryDefault) {
    HostedEffect effect(builtModule());
    ASSERT_EQ(effect.parameterCount(), static_cast<std::int32_t>(kParameterCount));
    for (std::int32_t i = 0; i < effect.parameterCount(); ++i) {
        const testing::DocumentedParameter& row =
            testing::kDocumentedParameters[static_cast<std::size_t>(i)];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(effect.parameterName(i), row.name);
        EXPECT_EQ(effect.parameterLabel(i), row.label);
        EXPECT_EQ(effect.parameter(i), row.defaultNormalised);
        EXPECT_EQ(effect.parameterDisplay(i), row.defaultDisplay);
    }
    EXPECT_EQ(effect.programName(), "Default");
    EXPECT_EQ(effect.program(), 0);
    EXPECT_EQ(effect.effectName(), "calderine");
    EXPECT_EQ(effect.vendorString(), "pemberlow");
    EXPECT_EQ(effect.productString(), "calderine");
    EXPECT_EQ(effect.vendorVersion(), 1010);
    EXPECT_EQ(effect.record().initialDelay, 2304);
}

// The host reads back what it set, and the texts show the value the engines get.
TEST(HostTexts, ValuesAndDisplaysAfterASetting) {
    struct Case {
        std::size_t parameter;
        float normalised;
        float readBack;
        const char* display;
    };
    const Case cases[] = {
        {param::bypass, 0.7f, 1.0f, "On"},          {param::stereoMode, 0.3f, 0.3f, "Stereo"},
        {param::dryMix, 0.3333f, 0.3333f, "33.3"},  {param::toneGain, 0.0f, 0.0f, "mute"},
        {param::toneGain, 0.001f, 0.001f, "-18.0"}, {param::clipperThreshold, 1.0f, 1.0f, "off"},
    };
    constexpr float kReadBackTolerance = 1e-6f;
    HostedEffect effect(builtModule());
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.parameter << " at " << c.normalised);
        const auto index = static_cast<std::int32_t>(c.parameter);
        effect.setParameter(index, c.normalised);
        EXPECT_NEAR(effect.parameter(index), c.readBack, kReadBackTolerance);
        EXPECT_EQ(effect.parameterDisplay(index), c.display);
    }
}

TEST(HostTexts, IndexesOutsideTheTableLeaveTheBufferAlone) {
    HostedEffect effect(builtModule());
    for (const std::int32_t index : {static_cast<std::int32_t>(kParameterCount), -1, INT_MIN}) {
        for (const std::int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
            Buffer buffer = sentinelBuffer();
            effect.dispatch(opcode, index, 0, buffer.data());
            EXPECT_TRUE(untouched(buffer)) << "opcode " << opcode << ", index " << index;
        }
        EXPECT_EQ(effect.parameter(index), 0.0f);
    }
    Buffer buffer = sentinelBuffer();
    EXPECT_EQ(effect.dispatch(effGetProgramNameIndexed, 1, 0, buffer.data()), 0);
    EXPECT_TRUE(untouched(buffer));
}

TEST(HostTexts, ProgramNameKeepsTwentyFourCharacters) {
    HostedEffect effect(builtModule());
    std::string name = "abcdefghijklmnopqrstuvwxyz0123"; // 30 characters
    effect.dispatch(effSetProgramName, 0, 0, name.data());
    const std::string kept = name.substr(0, kMaxProgramNameChars);

    Buffer buffer = sentinelBuffer();
    effect.dispatch(effGetProgramName, 0, 0, buffer.data());
    EXPECT_EQ(std::string(buffer.data()), kept);
    EXPECT_EQ(buffer[kMaxProgramNameChars + 1], kSentinel) << "wrote past the 25 bytes";

    buffer = sentinelBuffer();
    EXPECT_EQ(effect.dispatch(effGetProgramNameIndexed, 0, 0, buffer.data()), 1);
    EXPECT_EQ(std::string(buffer.data()), kept);
    EXPECT_EQ(buffer[kMaxProgramNameChars + 1], kSentinel);

    // A program change keeps the name.
    effect.setProgram(0);
    EXPECT_EQ(effect.programName(), kept);
}

} // namespace
} // namespace calderine
