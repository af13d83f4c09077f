// The VST class adds nothing to the sound: driven through its record, it gives the bits the
// effect core gives when driven directly with the same values.
#include "effect/EffectCore.h"
#include "tests/plugin/LocalEffect.h"
#include "tests/support/TestSignal.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace calderine {
namespace {

using testing::LocalEffect;
namespace param = parameterIndex;

constexpr std::size_t kFrames = 12000;
constexpr std::size_t kBlock = 512;
constexpr std::size_t kChangeAt = 6144; // a block boundary, while resumed

struct Setting {
    std::size_t parameter;
    float normalised;
};
constexpr Setting kBefore[] = {{param::toneGain, 0.7f},
                               {param::clipperThreshold, 0.4f},
                               {param::noiseTilt, 0.2f},
                               {param::dryMix, 0.25f}};
constexpr Setting kInBetween[] = {{param::stereoMode, 0.5f}, {param::toneTilt, 0.8f}};

// Float blocks through `process(inputs, outputs, count)` at 96 kHz, set up through `set`.
template <typename Set, typename Process>
std::vector<float> render(Set&& set, Process&& process) {
    const auto signal = testing::tonesOverNoise(kFrames);
    std::vector<float> in[2], out[2];
    for (std::size_t c = 0; c < 2; ++c) {
        in[c].assign(signal[c].begin(), signal[c].end());
        out[c].assign(kFrames, 0.0f);
    }
    for (const Setting& s : kBefore) {
        set(s);
    }
    for (std::size_t start = 0; start < kFrames; start += kBlock) {
        if (start == kChangeAt) {
            for (const Setting& s : kInBetween) {
                set(s);
            }
        }
        float* inputs[] = {in[0].data() + start, in[1].data() + start};
        float* outputs[] = {out[0].data() + start, out[1].data() + start};
        process(inputs, outputs, static_cast<std::int32_t>(std::min(kBlock, kFrames - start)));
    }
    out[0].insert(out[0].end(), out[1].begin(), out[1].end());
    return out[0];
}

TEST(PluginCoreParity, TheVstClassRendersAsTheCoreAlone) {
    LocalEffect effect;
    effect.setSampleRate(96000.0f);
    effect.resume();
    const std::vector<float> throughVst =
        render([&](const Setting& s) { effect.setParameter(s.parameter, s.normalised); },
               [&](float** in, float** out, std::int32_t count) {
                   effect.record().processReplacing(&effect.record(), in, out, count);
               });

    EffectCore core;
    ASSERT_TRUE(core.setSampleRate(96000.0));
    core.resume();
    const std::vector<float> throughCore =
        render([&](const Setting& s) { core.setNormalized(s.parameter, s.normalised); },
               [&](float** in, float** out, std::int32_t count) { core.process(in, out, count); });

    EXPECT_EQ(throughVst, throughCore);
    EXPECT_EQ(effect.record().initialDelay, static_cast<std::int32_t>(core.latency()));
}

} // namespace
} // namespace calderine
