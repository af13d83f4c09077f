// The host chooses the block size, and the effect must not sound different for it: whatever the
// sizes of the calls, the output is that of one sample per call, to the bit, across parameter
// changes, bypass and stereo-mode changes made at the same samples.
#include "effect/ParameterTable.h"
#include "tests/plugin/LocalEffect.h"
#include "tests/support/EffectSignals.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace calderine {
namespace {

using testing::LocalEffect;
namespace param = parameterIndex;

struct Change {
    std::size_t at; // sample position; applied by the call that starts there
    std::size_t parameter;
    float value; // normalised
};

// Normalised StereoMode values: the five modes over 0..1.
constexpr float kMono = 0.0f;
constexpr float kMidSide = 0.5f;
constexpr float kSide = 1.0f;

const std::vector<Change>& changes() {
    static const std::vector<Change> all = {
        {0, param::clipperThreshold, 0.3f},   {0, param::clipperEmphasis, 0.6f},
        {0, param::toneTilt, 0.5f},           {0, param::dryMix, 0.1f},
        {20000, param::bypass, 1.0f},         {26999, param::bypass, 0.0f},
        {27000, param::stereoMode, kMidSide}, {33333, param::toneGain, 0.2f},
        {40001, param::stereoMode, kMono},    {46000, param::noiseTilt, 0.9f},
        {52000, param::stereoMode, kSide},    {58000, param::separationSlope, 1.0f},
    };
    return all;
}

// Renders `input` with calls of the sizes `nextSize` proposes, cut short where a change is due.
template <typename Sample, typename SizeSource>
testing::Channels<Sample> render(const testing::Channels<Sample>& input, SizeSource nextSize) {
    LocalEffect effect;
    effect.setSampleRate(44100.0f);
    effect.resume();
    const std::size_t frames = input[0].size();
    testing::Channels<Sample> output(testing::kStereo, std::vector<Sample>(frames));
    std::size_t change = 0;
    for (std::size_t start = 0; start < frames;) {
        while (change < changes().size() && changes()[change].at == start) {
            effect.setParameter(changes()[change].parameter, changes()[change].value);
            ++change;
        }
        const std::size_t due = change < changes().size() ? changes()[change].at : frames;
        const std::size_t count = std::min(nextSize(), due - start);
        Sample* in[testing::kStereo] = {const_cast<Sample*>(input[0].data()) + start,
                                        const_cast<Sample*>(input[1].data()) + start};
        Sample* out[testing::kStereo] = {output[0].data() + start, output[1].data() + start};
        testing::processBlock(effect.record(), in, out, static_cast<std::int32_t>(count));
        start += count;
    }
    return output;
}

template <typename Sample>
void expectSameForAllBlockSizes() {
    const auto input = testing::widened<Sample>(testing::noisyTones<float>(64000, 7));
    const auto reference = render(input, [] { return std::size_t{1}; });
    const std::size_t host[] = {1, 7, 64, 4096, 10000};
    std::size_t call = 0;
    std::mt19937 pick(5);
    const auto sizes = [&] {
        const std::size_t size = call < std::size(host)
                                     ? host[call]
                                     : std::uniform_int_distribution<std::size_t>(1, 5000)(pick);
        ++call;
        return size;
    };
    const auto blocked = render(input, sizes);
    std::size_t mismatches = 0;
    for (std::size_t c = 0; c < testing::kStereo; ++c) {
        for (std::size_t n = 0; n < input[c].size(); ++n) {
            mismatches += blocked[c][n] == reference[c][n] ? 0 : 1;
        }
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_GT(call, 20u); // random sizes were reached too
    // Signal came through in every stretch, the last (mode "S") included.
    EXPECT_GT(testing::maxDifference(
                  reference, testing::Channels<Sample>(testing::kStereo,
                                                       std::vector<Sample>(input[0].size()))),
              0.1);
    EXPECT_NE(reference[0][63999], Sample{0});
}

TEST(PluginBlockSizes, FloatOutputDoesNotDependOnTheBlockSizes) {
    expectSameForAllBlockSizes<float>();
}

TEST(PluginBlockSizes, DoubleOutputDoesNotDependOnTheBlockSizes) {
    expectSameForAllBlockSizes<double>();
}

} // namespace
} // namespace calderine
