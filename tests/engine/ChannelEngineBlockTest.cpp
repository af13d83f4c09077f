// Block processing must be the per-sample engine run faster, not a different effect: every
// setting, every block size and every position of the blocks against the frame boundaries
// gives the per-sample output to the bit.
#include "engine/ChannelEngine.h"
#include "tests/support/Segments.h"
#include "tests/support/TestSignal.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace calderine {
namespace {

struct Setting {
    std::string name;
    double rate;
    double toneTilt, noiseTilt, emphasis; // parameter values, 0..1
    bool clipper;
    double threshold;
    double toneGain, noiseGain, dryMix;
    bool bypass;
};

void PrintTo(const Setting& s, std::ostream* os) {
    *os << s.name;
}

void apply(ChannelEngine& engine, const Setting& s) {
    engine.setSampleRate(s.rate);
    engine.setToneTilt(s.toneTilt, s.rate);
    engine.setNoiseTilt(s.noiseTilt, s.rate);
    engine.setEmphasis(s.emphasis, s.rate);
    engine.setClipper(s.clipper, s.threshold);
    engine.setSeparationSlope(0.4);
    engine.toneGain = s.toneGain;
    engine.noiseGain = s.noiseGain;
    engine.dryMix = s.dryMix;
    engine.bypass = s.bypass;
}

// Loud enough that the clipper at 0.05 works in its knee and beyond.
std::vector<double> material(std::size_t length) {
    std::vector<double> x = testing::uniformNoise(length, 17, 0.3);
    for (std::size_t t = 0; t < length; ++t) {
        x[t] += 0.6 * testing::saw(t, 97) + 0.2 * testing::triangle(t, 1013);
    }
    return x;
}

// The sizes a host is known to use, then random ones up to two frames, so that blocks start and
// end everywhere relative to the frame boundaries.
std::vector<std::size_t> blockSizes(std::size_t total, std::size_t largest, unsigned seed) {
    std::vector<std::size_t> sizes = {1, 7, 64, 4096, 10000, 1, 1, 255, 256, 257};
    std::mt19937 pick(seed);
    std::uniform_int_distribution<std::size_t> random(1, largest);
    std::size_t sum = 0;
    for (std::size_t& size : sizes) {
        sum += size;
    }
    while (sum < total) {
        sizes.push_back(random(pick));
        sum += sizes.back();
    }
    return sizes;
}

class ChannelEngineBlocks : public ::testing::TestWithParam<Setting> {};

TEST_P(ChannelEngineBlocks, MatchPerSampleProcessingExactly) {
    const Setting& setting = GetParam();
    ChannelEngine reference;
    ChannelEngine blocked;
    apply(reference, setting);
    apply(blocked, setting);
    const std::size_t n = reference.latency();
    const std::vector<double> input = material(10 * n + 23456);

    std::vector<double> expected(input.size());
    for (std::size_t t = 0; t < input.size(); ++t) {
        expected[t] = testing::runSample(reference, input[t]);
    }

    std::vector<double> output(input.size());
    std::size_t done = 0;
    for (const std::size_t wanted : blockSizes(input.size(), 2 * n, 3)) {
        const std::size_t size = std::min(wanted, input.size() - done);
        if (size == 0) {
            break;
        }
        if (done % 2 == 0) { // in place half of the time, as the router calls it
            std::copy_n(input.data() + done, size, output.data() + done);
            testing::runBlock(blocked, output.data() + done, output.data() + done, size);
        } else {
            testing::runBlock(blocked, input.data() + done, output.data() + done, size);
        }
        done += size;
    }
    ASSERT_EQ(done, input.size());
    std::size_t mismatches = 0;
    std::size_t first = 0;
    for (std::size_t t = output.size(); t-- > 0;) {
        if (output[t] != expected[t]) {
            ++mismatches;
            first = t;
        }
    }
    EXPECT_EQ(mismatches, 0u) << "first at " << first << ": " << output[first] << " vs "
                              << expected[first];
    // Both ran the same filters, so their histories must agree too.
    EXPECT_EQ(blocked.toneTilt().section(2).y0, reference.toneTilt().section(2).y0);
    EXPECT_EQ(blocked.noiseTilt().section(0).x1, reference.noiseTilt().section(0).x1);
    EXPECT_EQ(blocked.deEmphasis().section(1).y2, reference.deEmphasis().section(1).y2);
    // There was signal to compare after the latency.
    double energy = 0.0;
    for (std::size_t t = n; t < expected.size(); ++t) {
        energy += expected[t] * expected[t];
    }
    EXPECT_GT(energy, 1.0);
}

// Two engines run side by side, as the router runs a stereo pair, give each what it gives alone
// sample by sample: with the clipper in the same state in both (their filters share lane loops)
// and in different states (each runs its own). The second engine has other tilts and gains and
// other material, so a lane mixed up with another shows.
TEST_P(ChannelEngineBlocks, PairedEnginesMatchPerSampleProcessingExactly) {
    for (const bool sameClipper : {true, false}) {
        Setting other = GetParam();
        other.toneTilt = 1.0 - other.toneTilt * 0.5;
        other.noiseTilt = 0.25;
        other.emphasis = 0.5 * other.emphasis;
        other.toneGain = 1.3;
        other.dryMix = 0.4;
        other.clipper = sameClipper ? other.clipper : !other.clipper;
        ChannelEngine references[2];
        ChannelEngine paired[2];
        apply(references[0], GetParam());
        apply(paired[0], GetParam());
        apply(references[1], other);
        apply(paired[1], other);
        const std::size_t n = references[0].latency();
        std::vector<double> inputs[2] = {material(6 * n + 777), material(6 * n + 777)};
        std::reverse(inputs[1].begin(), inputs[1].end());

        std::vector<double> expected[2];
        std::vector<double> outputs[2];
        for (int c = 0; c < 2; ++c) {
            for (const double x : inputs[c]) {
                expected[c].push_back(testing::runSample(references[c], x));
            }
            outputs[c] = inputs[c];
        }
        std::size_t done = 0;
        while (done < inputs[0].size()) {
            const std::size_t length = std::min<std::size_t>(
                {paired[0].segmentLimit(), paired[1].segmentLimit(), inputs[0].size() - done});
            ChannelEngine::processSegmentPair(paired[0], outputs[0].data() + done,
                                              outputs[0].data() + done, paired[1],
                                              outputs[1].data() + done, outputs[1].data() + done,
                                              static_cast<std::uint32_t>(length));
            paired[0].completeFrames();
            paired[1].completeFrames();
            done += length;
        }
        for (int c = 0; c < 2; ++c) {
            std::size_t mismatches = 0;
            for (std::size_t t = 0; t < expected[c].size(); ++t) {
                mismatches += outputs[c][t] != expected[c][t] ? 1 : 0;
            }
            EXPECT_EQ(mismatches, 0u) << "channel " << c << ", same clipper " << sameClipper;
            EXPECT_EQ(paired[c].noiseTilt().section(1).y1, references[c].noiseTilt().section(1).y1);
            EXPECT_EQ(paired[c].emphasis().section(0).x2, references[c].emphasis().section(0).x2);
        }
        EXPECT_NE(expected[0], expected[1]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ChannelEngineBlocks,
    ::testing::Values(
        Setting{"Defaults44100", 44100, 0.0, 0.0, 0.0, false, 1.0, 1.0, 1.0, 0.0, false},
        Setting{"TiltsAndDry48000", 48000, 0.3, 0.8, 0.0, false, 1.0, 0.7, 1.6, 0.25, false},
        Setting{"Clipper48000", 48000, 0.6, 0.5, 0.9, true, 0.05, 1.2, 0.8, 0.1, false},
        Setting{"ClipperBypassed96000", 96000, 0.6, 0.5, 0.9, true, 0.05, 1.2, 0.8, 0.1, true},
        Setting{"MutedHalfDry8000", 8000, 1.0, 1.0, 1.0, true, 0.3, 0.0, 0.0, 0.5, false}),
    [](const auto& info) { return info.param.name; });

// The segment parts: a segment may reach, never cross, the separator's next frame work: a
// frame's completion, or a stage of the render that follows it.
TEST(ChannelEngineBlocks, SegmentLimitStopsAtTheNextFrameWorkAndTheScratchSize) {
    struct Case {
        double rate;
        std::size_t processed;
        std::uint32_t limit;
    };
    // 48000 Hz: hop 600, frames complete at 600, 1200, ..., each followed by render stages 64
    // and 128 samples later. 8000 Hz: hop 120, stages 30 and 60 samples after.
    const Case cases[] = {{48000, 0, 256},  {48000, 400, 200}, {48000, 599, 1},    {48000, 600, 64},
                          {48000, 700, 28}, {48000, 728, 256}, {48000, 1000, 200}, {8000, 0, 120},
                          {8000, 100, 20},  {8000, 121, 29},   {8000, 180, 60}};
    for (const Case& c : cases) {
        ChannelEngine engine;
        engine.setSampleRate(c.rate);
        std::vector<double> scratch(c.processed, 0.1);
        testing::runBlock(engine, scratch.data(), scratch.data(), scratch.size());
        EXPECT_EQ(engine.segmentLimit(), c.limit) << c.rate << " Hz after " << c.processed;
    }
}

} // namespace
} // namespace calderine
