// What plug-in validators check before a host accepts an effect: every common sample rate and
// block size, noise with loud, quiet and silent stretches, and parameters automated every few
// samples. Whatever happens, no output sample may be NaN, infinite or subnormal.
#include "effect/ParameterTable.h"
#include "tests/support/BuiltModule.h"
#include "tests/support/EffectSignals.h"
#include "tools/vsthost/HostedEffect.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

namespace calderine {
namespace {

using testing::Channels;
using testing::kLeft;
using testing::kRight;
using testing::kStereo;

constexpr float kRates[] = {22050.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f};
// 0 stands for a host that sends empty calls between blocks of kAutomationFrames.
constexpr std::int32_t kBlockSizes[] = {1, 7, 64, 512, 4096, 0};
constexpr double kSecondsPerRun = 0.3;
constexpr std::size_t kAutomationFrames = 32; // one parameter change per this many samples
constexpr std::size_t kModeFrames = 8192;     // a mode change resets: rarer, so frames complete
constexpr std::size_t kSegmentFrames = 2048;  // stretches of one loudness
constexpr double kSilentTail = 0.4;           // share of the run at the end: decays to nothing
constexpr std::size_t kModeCount = 5;

// Just above the smallest normal float: any attenuation makes it subnormal in the float path.
constexpr double kTinyFloat = 1e-37;
// What a tiny float stretch becomes in the double path, just above the smallest normal double.
constexpr double kTinyDoubleScale = 1e-270;

// Noise whose level changes every segment, ending in silence so that every filter and
// overlap-add tail decays. The tiny stretches start a decay at the edge of the subnormal range.
std::vector<float> validatorNoise(std::size_t frames, std::mt19937& generator) {
    const double levels[] = {1.0, 0.3, 1e-3, kTinyFloat, 0.0};
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<std::size_t> pickLevel(0, std::size(levels) - 1);
    std::vector<float> noise(frames, 0.0f);
    const auto loudFrames =
        static_cast<std::size_t>(static_cast<double>(frames) * (1 - kSilentTail));
    double level = levels[0];
    for (std::size_t n = 0; n < loudFrames; ++n) {
        if (n % kSegmentFrames == 0) {
            level = levels[pickLevel(generator)];
        }
        noise[n] = static_cast<float>(level * unit(generator));
    }
    return noise;
}

// Mostly values inside [0, 1], with the ends and the occasional value a careless host sends.
float automatedValue(std::mt19937& generator) {
    const float odd[] = {0.0f, 1.0f, -0.25f, 1.25f, std::numeric_limits<float>::quiet_NaN()};
    std::uniform_int_distribution<int> kind(0, 15);
    const int k = kind(generator);
    if (k < static_cast<int>(std::size(odd))) {
        return odd[k];
    }
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(generator);
}

class Automation {
public:
    explicit Automation(std::uint32_t seed) : generator(seed), mode(seed % kModeCount) {}

    // Called before each processing call with the number of frames processed so far.
    void catchUp(HostedEffect& effect, std::size_t position) {
        while (nextChange <= position) {
            std::size_t index = pickParameter(generator);
            if (index >= parameterIndex::stereoMode) {
                ++index; // the mode has its own, slower schedule
            }
            effect.setParameter(static_cast<std::int32_t>(index), automatedValue(generator));
            nextChange += kAutomationFrames;
        }
        while (nextModeChange <= position) {
            mode = (mode + 1) % kModeCount;
            effect.setParameter(static_cast<std::int32_t>(parameterIndex::stereoMode),
                                static_cast<float>(mode) / (kModeCount - 1));
            nextModeChange += kModeFrames;
        }
    }

    std::mt19937 generator;

private:
    std::uniform_int_distribution<std::size_t> pickParameter{0, kParameterCount - 2};
    std::size_t mode;
    std::size_t nextChange = 0;
    std::size_t nextModeChange = 0;
};

// The test thread starts as a fresh host thread would, with flush-to-zero and
// denormals-are-zero off, whatever earlier tests left behind; the mode is restored after.
#if defined(__x86_64__) || defined(__i386__)
class FreshFloatingPointMode {
public:
    FreshFloatingPointMode() : saved(_mm_getcsr()) { _mm_setcsr(saved & ~kFlushBits); }
    ~FreshFloatingPointMode() { _mm_setcsr(saved); }

private:
    static constexpr unsigned kFlushBits = 0x8000 | 0x0040; // flush-to-zero, denormals-are-zero
    const unsigned saved;
};
#else
struct FreshFloatingPointMode {};
#endif

template <typename Sample>
std::size_t countAbnormal(const Channels<Sample>& output, std::size_t count) {
    std::size_t abnormal = 0;
    for (const auto& channel : output) {
        for (std::size_t n = 0; n < count; ++n) {
            const int kind = std::fpclassify(channel[n]);
            abnormal += (kind == FP_NAN || kind == FP_INFINITE || kind == FP_SUBNORMAL) ? 1 : 0;
        }
    }
    return abnormal;
}

// One run's signals; the loop below calls the float and the double entry in turn, so that
// both paths see every situation.
struct RunSignals {
    Channels<float> floatIn, floatOut;
    Channels<double> doubleIn, doubleOut;

    std::size_t process(AEffect& record, bool wide, std::size_t position, std::size_t count) {
        const auto frames = static_cast<std::int32_t>(count);
        if (!wide) {
            float* in[kStereo] = {floatIn[kLeft].data() + position,
                                  floatIn[kRight].data() + position};
            float* out[kStereo] = {floatOut[kLeft].data(), floatOut[kRight].data()};
            testing::processBlock(record, in, out, frames);
            return countAbnormal(floatOut, count);
        }
        double* in[kStereo] = {doubleIn[kLeft].data() + position,
                               doubleIn[kRight].data() + position};
        double* out[kStereo] = {doubleOut[kLeft].data(), doubleOut[kRight].data()};
        testing::processBlock(record, in, out, frames);
        return countAbnormal(doubleOut, count);
    }
};

TEST(Conformance, NoAbnormalOutputAtAnyRateBlockSizeOrAutomation) {
    const FreshFloatingPointMode freshThread;
    std::uint32_t seed = 1;
    for (const float rate : kRates) {
        for (const std::int32_t blockSize : kBlockSizes) {
            SCOPED_TRACE(::testing::Message() << rate << " Hz, blocks of " << blockSize);
            ++seed;
            HostedEffect effect(builtModule());
            effect.setSampleRate(rate);
            effect.setBlockSize(blockSize);
            effect.resume();

            Automation automation(seed);
            const auto frames = static_cast<std::size_t>(rate * kSecondsPerRun);
            const std::size_t longest =
                std::max(static_cast<std::size_t>(blockSize), kAutomationFrames);
            RunSignals run;
            run.floatIn = {validatorNoise(frames, automation.generator),
                           validatorNoise(frames, automation.generator)};
            run.doubleIn = testing::widened<double>(run.floatIn);
            for (auto& channel : run.doubleIn) {
                for (double& sample : channel) {
                    sample *= std::fabs(sample) <= kTinyFloat ? kTinyDoubleScale : 1.0;
                }
            }
            run.floatOut.assign(kStereo, std::vector<float>(longest));
            run.doubleOut.assign(kStereo, std::vector<double>(longest));

            std::size_t abnormal = 0;
            std::size_t position = 0;
            for (std::size_t call = 0; position < frames; ++call) {
                automation.catchUp(effect, position);
                std::size_t count = static_cast<std::size_t>(blockSize);
                std::size_t pathTurn = call;
                if (blockSize == 0) {
                    count = call % 2 == 0 ? 0 : kAutomationFrames;
                    pathTurn = call / 2;
                }
                count = std::min(count, frames - position);
                const bool wide = pathTurn % 2 == 1;
                abnormal += run.process(effect.record(), wide, position, count);
                position += count;
            }
            EXPECT_EQ(abnormal, 0u);
        }
    }
}

} // namespace
} // namespace calderine
