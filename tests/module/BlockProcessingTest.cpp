// The audio path of the built module: routing of the five stereo modes, both sample
// precisions, buffer handling, and what a host or an upstream effect may throw at it.
#include "effect/ParameterTable.h"
#include "tests/support/BuiltModule.h"
#include "tests/support/EffectSignals.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <type_traits>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

namespace calderine {
namespace {

namespace param = parameterIndex;
using testing::Channels;
using testing::kLeft;
using testing::kRight;
using testing::kStereo;

constexpr float kOn = 1.0f;
constexpr float kMuted = 0.0f;
constexpr float kStereoModeStep = 0.25f;
constexpr double kRoundingTolerance = 1e-15; // mid/side there and back, |signal| < 1
constexpr std::size_t kExtraFrames = 1500;   // heard after the latency has passed
// Long enough for the separator to analyse a few frames at the default 44100 Hz.
constexpr std::size_t kSeveralFrames = 3 * 2304;

void setParameter(HostedEffect& effect, std::size_t index, float normalised) {
    effect.setParameter(static_cast<std::int32_t>(index), normalised);
}

std::size_t latencyOf(HostedEffect& effect) {
    return static_cast<std::size_t>(effect.record().initialDelay);
}

// The effect's output must be `expected` delayed by the latency, and silence before it.
void expectDelayed(const std::vector<double>& output, const std::vector<double>& expected,
                   std::size_t latency, double tolerance) {
    for (std::size_t n = 0; n < output.size(); ++n) {
        const double wanted = n < latency ? 0.0 : expected[n - latency];
        ASSERT_NEAR(output[n], wanted, tolerance) << "sample " << n;
    }
}

TEST(Routing, BypassedModesReturnTheDelayedInputs) {
    struct Case {
        const char* mode;
        float normalised;
        std::size_t leftSource;
        std::size_t rightSource;
    };
    const Case cases[] = {
        {"Mono", 0 * kStereoModeStep, kLeft, kLeft}, {"Stereo", 1 * kStereoModeStep, kLeft, kRight},
        {"M/S", 2 * kStereoModeStep, kLeft, kRight}, {"M", 3 * kStereoModeStep, kLeft, kRight},
        {"S", 4 * kStereoModeStep, kLeft, kRight},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        HostedEffect effect(builtModule());
        setParameter(effect, param::stereoMode, c.normalised);
        setParameter(effect, param::bypass, kOn);
        effect.resume();
        const std::size_t latency = latencyOf(effect);
        const auto input = testing::noisyTones<double>(latency + kExtraFrames, 31);
        const auto output = testing::render(effect.record(), input);
        expectDelayed(output[kLeft], input[c.leftSource], latency, kRoundingTolerance);
        expectDelayed(output[kRight], input[c.rightSource], latency, kRoundingTolerance);
    }
}

TEST(Routing, MonoIgnoresTheRightInput) {
    const auto input = testing::noisyTones<double>(kSeveralFrames, 41);
    auto otherRight = input;
    otherRight[kRight] = testing::noisyTones<double>(kSeveralFrames, 42)[kLeft];
    Channels<double> outputs[2];
    const Channels<double>* inputs[2] = {&input, &otherRight};
    for (std::size_t run = 0; run < 2; ++run) {
        HostedEffect effect(builtModule());
        setParameter(effect, param::stereoMode, 0.0f);
        setParameter(effect, param::toneTilt, 0.6f);
        effect.resume();
        outputs[run] = testing::render(effect.record(), *inputs[run]);
        EXPECT_TRUE(outputs[run][kLeft] == outputs[run][kRight]) << "run " << run;
    }
    EXPECT_TRUE(outputs[0] == outputs[1]);
}

// With both gains muted and no dry signal the processed half is silent, so what is left is
// the unprocessed half, which must come out through the idle engine's delay line unchanged.
TEST(Routing, MidOrSideAloneWithTheProcessingMutedLeavesTheOtherHalf) {
    struct Case {
        const char* mode;
        float normalised;
        double leftSign; // of the remaining half, in each output
        double rightSign;
        bool keepsSide; // else the mid signal remains
    };
    const Case cases[] = {
        {"M", 3 * kStereoModeStep, 1.0, -1.0, true},
        {"S", 4 * kStereoModeStep, 1.0, 1.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        HostedEffect effect(builtModule());
        setParameter(effect, param::stereoMode, c.normalised);
        setParameter(effect, param::toneGain, kMuted);
        setParameter(effect, param::noiseGain, kMuted);
        setParameter(effect, param::dryMix, 0.0f);
        effect.resume();
        const std::size_t latency = latencyOf(effect);
        const auto input = testing::noisyTones<double>(latency + kExtraFrames, 51);
        std::vector<double> remaining(input[kLeft].size());
        std::vector<double> negated(remaining.size());
        for (std::size_t n = 0; n < remaining.size(); ++n) {
            const double l = input[kLeft][n];
            const double r = input[kRight][n];
            remaining[n] = c.keepsSide ? (l - r) * 0.5 : (l + r) * 0.5;
            negated[n] = -remaining[n];
        }
        const auto output = testing::render(effect.record(), input);
        expectDelayed(output[kLeft], c.leftSign > 0 ? remaining : negated, latency,
                      kRoundingTolerance);
        expectDelayed(output[kRight], c.rightSign > 0 ? remaining : negated, latency,
                      kRoundingTolerance);
    }
}

TEST(Precision, TheFloatPathIsTheDoublePathRoundedToFloat) {
    const float settings[kParameterCount] = {0.6f, 0.6f, 0.7f, 0.8f, 0.55f,
                                             0.2f, 0.5f, 0.0f, 0.3f, 0.6f};
    HostedEffect single(builtModule());
    HostedEffect twice(builtModule());
    for (HostedEffect* effect : {&single, &twice}) {
        for (std::size_t i = 0; i < kParameterCount; ++i) {
            setParameter(*effect, i, settings[i]);
        }
        effect->resume();
    }
    const auto input = testing::noisyTones<float>(4 * latencyOf(single), 61);
    const auto floats = testing::render(single.record(), input);
    const auto doubles = testing::render(twice.record(), testing::widened<double>(input));
    std::size_t mismatches = 0;
    for (std::size_t c = 0; c < kStereo; ++c) {
        for (std::size_t n = 0; n < floats[c].size(); ++n) {
            mismatches += floats[c][n] != static_cast<float>(doubles[c][n]) ? 1 : 0;
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

// A finite float input near the top of the float range, raised by the tone gain, gives a result
// beyond it: the float path answers with the largest finite float, never an infinity.
TEST(Precision, TheFloatPathNeverTurnsFiniteInputIntoInfinity) {
    constexpr double kNearTheTop = 1e38; // FLT_MAX is 3.4e38; +18 dB is a factor of 7.9
    constexpr double kStep = 0.031;      // radians per sample: a steady tone
    HostedEffect effect(builtModule());
    setParameter(effect, param::toneGain, 1.0f); // +18 dB
    effect.resume();
    const std::size_t frames = 4 * latencyOf(effect);
    Channels<float> input(kStereo, std::vector<float>(frames));
    for (std::size_t n = 0; n < frames; ++n) {
        const auto sample =
            static_cast<float>(kNearTheTop * std::sin(kStep * static_cast<double>(n)));
        input[kLeft][n] = sample;
        input[kRight][n] = -sample;
    }
    const auto output = testing::render(effect.record(), input);
    std::size_t infinite = 0;
    std::size_t notANumber = 0;
    float loudest = 0.0f;
    for (std::size_t c = 0; c < kStereo; ++c) {
        for (const float y : output[c]) {
            infinite += std::isinf(y) ? 1 : 0;
            notANumber += std::isnan(y) ? 1 : 0;
            loudest = std::isfinite(y) ? std::max(loudest, std::fabs(y)) : loudest;
        }
    }
    EXPECT_EQ(infinite, 0u);
    EXPECT_EQ(notANumber, 0u);
    // The test means something only if the results really left the float range.
    EXPECT_EQ(loudest, std::numeric_limits<float>::max());
}

// Hosts hand over output buffers full of old audio, or the input buffers themselves.
template <typename Sample>
void expectOutputsReplacedAndInPlaceAllowed() {
    enum class Buffers { SeparateSilent, SeparateFull, Shared };
    const auto input = testing::widened<Sample>(testing::noisyTones<float>(kSeveralFrames, 71));
    const std::size_t frames = input[kLeft].size();
    constexpr Sample kOldAudio = 0.75;
    Channels<Sample> results[3];
    for (const Buffers buffers :
         {Buffers::SeparateSilent, Buffers::SeparateFull, Buffers::Shared}) {
        HostedEffect effect(builtModule());
        setParameter(effect, param::dryMix, 0.3f);
        effect.resume();
        Channels<Sample> in = input;
        Channels<Sample> out(kStereo, std::vector<Sample>(frames, Sample{0}));
        if (buffers == Buffers::SeparateFull) {
            out = Channels<Sample>(kStereo, std::vector<Sample>(frames, kOldAudio));
        }
        Channels<Sample>& target = buffers == Buffers::Shared ? in : out;
        for (std::size_t offset = 0; offset < frames; offset += testing::kDefaultBlockFrames) {
            const auto count = std::min(testing::kDefaultBlockFrames, frames - offset);
            Sample* inputs[kStereo] = {in[kLeft].data() + offset, in[kRight].data() + offset};
            Sample* outputs[kStereo] = {target[kLeft].data() + offset,
                                        target[kRight].data() + offset};
            testing::processBlock(effect.record(), inputs, outputs,
                                  static_cast<std::int32_t>(count));
        }
        results[static_cast<std::size_t>(buffers)] = target;
    }
    EXPECT_TRUE(results[1] == results[0]) << "outputs were added to, not replaced";
    EXPECT_TRUE(results[2] == results[0]) << "an input was read after its output was written";
}

TEST(Buffers, OutputsAreReplacedAndMayBeTheInputs) {
    expectOutputsReplacedAndInPlaceAllowed<float>();
    expectOutputsReplacedAndInPlaceAllowed<double>();
}

#if defined(__x86_64__) || defined(__i386__)
TEST(FlushToZero, EveryProcessingCallSetsTheFlushBitAndOnlyThat) {
    constexpr unsigned kFlushToZero = 0x8000;
    constexpr unsigned kDenormalsAreZero = 0x0040;
    HostedEffect effect(builtModule());
    effect.resume();
    AEffect& record = effect.record();
    std::vector<float> floats(64);
    std::vector<double> doubles(64);
    float* floatChannels[kStereo] = {floats.data(), floats.data()};
    double* doubleChannels[kStereo] = {doubles.data(), doubles.data()};
    const unsigned saved = _mm_getcsr();
    for (const std::int32_t count : {0, 64}) {
        for (const bool wide : {false, true}) {
            SCOPED_TRACE(::testing::Message() << (wide ? "double" : "float") << ", " << count);
            _mm_setcsr(saved & ~(kFlushToZero | kDenormalsAreZero));
            if (wide) {
                record.processDoubleReplacing(&record, doubleChannels, doubleChannels, count);
            } else {
                record.processReplacing(&record, floatChannels, floatChannels, count);
            }
            const unsigned after = _mm_getcsr();
            _mm_setcsr(saved);
            EXPECT_NE(after & kFlushToZero, 0u);
            EXPECT_EQ(after & kDenormalsAreZero, 0u);
        }
    }
}
#endif

// One NaN or infinity from upstream must not silence the effect for good, and neither may a
// finite double so large that the first gain overflows it: both are heard as a zero, so the
// output is exactly that of the same input with zeros in the burst.
template <typename Sample>
void expectUnusableInputHeardAsSilence() {
    constexpr Sample kInfinity = std::numeric_limits<Sample>::infinity();
    std::vector<Sample> unusable = {std::numeric_limits<Sample>::quiet_NaN(), kInfinity,
                                    -kInfinity};
    if constexpr (std::is_same_v<Sample, double>) {
        unusable.push_back(std::numeric_limits<double>::max());
        unusable.push_back(-1e307);
    }
    constexpr std::size_t kBurstFrames = 300;
    HostedEffect probed(builtModule());
    HostedEffect reference(builtModule());
    const std::size_t latency = latencyOf(probed);
    auto clean = testing::widened<Sample>(testing::noisyTones<float>(6 * latency, 81));
    auto poisoned = clean;
    for (std::size_t n = latency; n < latency + kBurstFrames; ++n) {
        poisoned[kLeft][n] = unusable[n % unusable.size()];
        poisoned[kRight][n] = unusable[(n + 1) % unusable.size()];
        clean[kLeft][n] = clean[kRight][n] = Sample{0};
    }
    for (HostedEffect* effect : {&probed, &reference}) {
        setParameter(*effect, param::clipperThreshold, 0.5f);
        setParameter(*effect, param::noiseTilt, 0.8f);
        effect->resume();
    }
    const auto heard = testing::render(probed.record(), poisoned);
    const auto expected = testing::render(reference.record(), clean);
    EXPECT_EQ(testing::maxDifference(heard, expected), 0.0);
}

TEST(UnusableInput, IsHeardAsSilenceAndLeavesNoTrace) {
    expectUnusableInputHeardAsSilence<float>();
    expectUnusableInputHeardAsSilence<double>();
}

// A host that passes null where channels belong gets nothing processed: no output written,
// no sample consumed.
template <typename Sample>
void expectNullChannelsIgnored() {
    constexpr std::int32_t kFrames = 64;
    constexpr Sample kUntouched = -3.5;
    enum Missing { InputArray, OutputArray, Input0, Input1, Output0, Output1 };
    for (const Missing missing : {InputArray, OutputArray, Input0, Input1, Output0, Output1}) {
        SCOPED_TRACE(missing);
        HostedEffect probed(builtModule());
        HostedEffect reference(builtModule());
        probed.resume();
        reference.resume();
        std::vector<Sample> in(kFrames, Sample{0.5});
        Channels<Sample> out(kStereo, std::vector<Sample>(kFrames, kUntouched));
        Sample* inputs[kStereo] = {in.data(), in.data()};
        Sample* outputs[kStereo] = {out[kLeft].data(), out[kRight].data()};
        Sample** inputArray = inputs;
        Sample** outputArray = outputs;
        switch (missing) {
        case InputArray:
            inputArray = nullptr;
            break;
        case OutputArray:
            outputArray = nullptr;
            break;
        case Input0:
            inputs[0] = nullptr;
            break;
        case Input1:
            inputs[1] = nullptr;
            break;
        case Output0:
            outputs[0] = nullptr;
            break;
        case Output1:
            outputs[1] = nullptr;
            break;
        }
        testing::processBlock(probed.record(), inputArray, outputArray, kFrames);
        for (const auto& channel : out) {
            for (const Sample sample : channel) {
                ASSERT_EQ(sample, kUntouched);
            }
        }
        const auto input = testing::widened<Sample>(testing::noisyTones<float>(kSeveralFrames, 91));
        EXPECT_TRUE(testing::render(probed.record(), input) ==
                    testing::render(reference.record(), input));
    }
}

TEST(NullChannels, NothingIsProcessed) {
    expectNullChannelsIgnored<float>();
    expectNullChannelsIgnored<double>();
}

// Single precision cannot hold every level the double engine reaches: a float input near the top
// of its range after a gain, or a double block's signal that a float block brings out after the
// latency. The float host gets the largest float of the right sign there, never an infinity
// that would poison everything downstream of it, and its next silent input stays finite.
TEST(FloatOverflow, SaturatesInsteadOfTurningInfinite) {
    struct Case {
        const char* name;
        double doubleLevel; // of a first block processed in double, or 0 for none
        float floatLevel;   // of the float blocks that follow
        float toneGain;     // normalised
    };
    constexpr float kLargestFloat = 3.4028234663852886e38f; // (2 - 2^-23) * 2^127
    const Case cases[] = {
        {"float input at its top, +18 dB", 0.0, 0.99f * kLargestFloat, 1.0f},
        {"double history beyond floats, then silence", 1e150, 0.0f, 0.5f},
        {"double history at the float limit, +18 dB", 1e38, 0.0f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostedEffect effect(builtModule());
        setParameter(effect, param::toneGain, c.toneGain);
        effect.resume();
        const std::size_t latency = latencyOf(effect);
        if (c.doubleLevel != 0.0) {
            DoubleChannels input(kStereo, std::vector<double>(latency, 0.0));
            for (std::size_t n = 0; n < latency; n += 7) {
                input[kLeft][n] = input[kRight][n] = n % 2 == 0 ? c.doubleLevel : -c.doubleLevel;
            }
            DoubleChannels output(kStereo, std::vector<double>(latency));
            effect.processDoubleReplacing(input, output);
        }
        FloatChannels input(kStereo, std::vector<float>(3 * latency, 0.0f));
        for (std::size_t n = 0; n < input[kLeft].size(); n += 7) {
            input[kLeft][n] = input[kRight][n] = n % 2 == 0 ? c.floatLevel : -c.floatLevel;
        }
        FloatChannels output(kStereo, std::vector<float>(input[kLeft].size()));
        effect.processReplacing(input, output);
        std::size_t saturated = 0;
        for (const auto& channel : output) {
            for (std::size_t n = 0; n < channel.size(); ++n) {
                ASSERT_TRUE(std::isfinite(channel[n])) << "sample " << n;
                saturated += std::fabs(channel[n]) == kLargestFloat ? 1 : 0;
            }
        }
        // The overflowing signal is heard, at full scale, not replaced by silence.
        EXPECT_GT(saturated, 0u);
    }
}

} // namespace
} // namespace calderine
