#include "effect/StereoRouter.h"

#include "tests/support/TestSignal.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace calderine {
namespace {

struct StereoSample {
    double left;
    double right;
};

// One stereo sample through the router: a block of one.
StereoSample routeOne(StereoRouter& router, double left, double right) {
    router.processBlock(&left, &right, 1);
    return {left, right};
}

// In "Mono" engine 1 must not advance at all: once "Stereo" returns, its delay line carries
// on exactly where it stopped, as if the mono stretch had never happened.
TEST(StereoRouter, MonoLeavesEngineOneWhereItWas) {
    StereoRouter router;
    router.forEachEngine([](ChannelEngine& engine) { engine.bypass = true; });
    const std::uint32_t latency = router.latency();
    const auto rightInput = [](std::uint32_t n) { return 1.0 + n; }; // distinct and non-zero
    constexpr double kIgnoredRight = -1000.0;
    constexpr double kLeft = 0.25;

    router.mode = static_cast<std::int32_t>(StereoMode::Stereo);
    for (std::uint32_t n = 0; n < latency; ++n) {
        routeOne(router, kLeft, rightInput(n));
    }
    router.mode = static_cast<std::int32_t>(StereoMode::Mono);
    for (std::uint32_t n = 0; n < latency / 2; ++n) {
        const StereoSample out = routeOne(router, kLeft, kIgnoredRight);
        ASSERT_EQ(out.left, out.right);
    }
    router.mode = static_cast<std::int32_t>(StereoMode::Stereo);
    for (std::uint32_t n = 0; n < latency; ++n) {
        const StereoSample out = routeOne(router, kLeft, rightInput(latency + n));
        ASSERT_EQ(out.right, rightInput(n)) << n;
        ASSERT_EQ(out.left, kLeft) << n;
    }
}

// A working setting on both engines: every filter, the clipper and some dry signal in the path.
void configure(StereoRouter& router, double sampleRate) {
    router.setSampleRate(sampleRate);
    router.forEachEngine([sampleRate](ChannelEngine& engine) {
        engine.setToneTilt(0.4, sampleRate);
        engine.setNoiseTilt(0.7, sampleRate);
        engine.setEmphasis(0.8, sampleRate);
        engine.setClipper(true, 0.1);
        engine.setSeparationSlope(0.5);
        engine.toneGain = 0.8;
        engine.noiseGain = 1.3;
        engine.dryMix = 0.2;
    });
}

struct Phase {
    std::int32_t mode; // 7 is out of range, which routes as "Stereo"
    std::size_t samples;
};

struct Scenario {
    const char* name;
    double sampleRate;
    std::vector<Phase> phases; // the mode changes without a reset, so the engines drift apart
};

void PrintTo(const Scenario& scenario, std::ostream* os) {
    *os << scenario.name;
}

class StereoRouterBlocks : public ::testing::TestWithParam<Scenario> {};

// Blocks of any size give what blocks of one sample give, to the bit, in every mode, also when a
// mode change has left one engine's frames out of step with the other's.
TEST_P(StereoRouterBlocks, MatchPerSampleRoutingExactly) {
    const Scenario& scenario = GetParam();
    StereoRouter reference;
    StereoRouter blocked;
    configure(reference, scenario.sampleRate);
    configure(blocked, scenario.sampleRate);
    const std::size_t host[] = {1, 7, 64, 4096, 10000};
    std::mt19937 pick(11);
    testing::LcgNoise leftNoise(3);
    testing::LcgNoise rightNoise(4);
    std::size_t t = 0;
    std::size_t blockIndex = 0;
    double energy = 0.0;
    for (const Phase& phase : scenario.phases) {
        reference.mode = blocked.mode = phase.mode;
        std::vector<double> left(phase.samples);
        std::vector<double> right(phase.samples);
        for (std::size_t i = 0; i < phase.samples; ++i, ++t) {
            left[i] = 0.5 * testing::saw(t, 113) + 0.4 * leftNoise.next();
            right[i] = 0.3 * testing::triangle(t, 71) + 0.6 * rightNoise.next();
        }
        std::vector<double> expectedLeft(phase.samples);
        std::vector<double> expectedRight(phase.samples);
        for (std::size_t i = 0; i < phase.samples; ++i) {
            const StereoSample out = routeOne(reference, left[i], right[i]);
            expectedLeft[i] = out.left;
            expectedRight[i] = out.right;
            energy += out.left * out.left + out.right * out.right;
        }
        std::size_t done = 0;
        while (done < phase.samples) {
            const std::size_t wanted =
                blockIndex < std::size(host)
                    ? host[blockIndex]
                    : std::uniform_int_distribution<std::size_t>(1, 3000)(pick);
            ++blockIndex;
            const std::size_t size = std::min(wanted, phase.samples - done);
            blocked.processBlock(left.data() + done, right.data() + done, size);
            done += size;
        }
        std::size_t mismatches = 0;
        for (std::size_t i = 0; i < phase.samples; ++i) {
            mismatches += left[i] == expectedLeft[i] && right[i] == expectedRight[i] ? 0 : 1;
        }
        ASSERT_EQ(mismatches, 0u) << "mode " << phase.mode << ", phase ending at sample " << t;
    }
    EXPECT_GT(energy, 100.0); // the comparison had signal in it
}

INSTANTIATE_TEST_SUITE_P(
    Modes, StereoRouterBlocks,
    ::testing::Values(
        Scenario{"Mono", 44100.0, {{0, 30000}}}, Scenario{"Stereo", 48000.0, {{1, 30000}}},
        Scenario{"MidSide", 44100.0, {{2, 30000}}}, Scenario{"Mid", 48000.0, {{3, 30000}}},
        Scenario{"Side", 44100.0, {{4, 30000}}}, Scenario{"OutOfRange", 8000.0, {{7, 9000}}},
        Scenario{"ModesDriftApart",
                 8000.0,
                 {{1, 1000}, {0, 1234}, {1, 3000}, {3, 777}, {2, 3000}, {4, 500}, {2, 2500}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace calderine
