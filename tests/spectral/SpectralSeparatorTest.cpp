#include "spectral/SpectralSeparator.h"

#include "fft/FftWorkspace.h"
#include "spectral/FrameAnalysis.h"
#include "tests/support/Segments.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace calderine {
namespace {

std::uint32_t frameLengthFor(double sampleRate) {
    return static_cast<std::uint32_t>(std::ceil(0.05 * sampleRate));
}

std::vector<double> gaussianNoise(std::size_t count, double sigma, unsigned seed) {
    std::mt19937_64 engine(seed);
    std::normal_distribution<double> normal(0.0, sigma);
    std::vector<double> x(count);
    std::generate(x.begin(), x.end(), [&] { return normal(engine); });
    return x;
}

std::vector<double> run(SpectralSeparator& separator, const std::vector<double>& input) {
    std::vector<double> output(input.size());
    std::transform(input.begin(), input.end(), output.begin(),
                   [&](double x) { return testing::runSample(separator, x); });
    return output;
}

bool isSmooth235(std::uint64_t n) {
    for (const std::uint64_t p : {2u, 3u, 5u}) {
        while (n % p == 0) {
            n /= p;
        }
    }
    return n == 1;
}

TEST(GoodFftSize, KnownFrameLengths) {
    const std::uint32_t cases[][2] = {
        {0, 1},
        {5, 8},
        {16, 32},
        {31, 32},
        {32, 32},
        {33, 64},
        {400, 480},
        {1103, 1152},
        {1600, 1600},
        {2205, 2304},
        {2400, 2400},
        {4410, 4608},
        {4800, 4800},
        {9600, 9600},
        {19200, 19200},
        // Products wrap in 32-bit arithmetic from here on; the answer must still be 5-smooth.
        {2099521, 2160000},
    };
    for (const auto& [length, size] : cases) {
        EXPECT_EQ(goodFftSize(length), size) << "frame length " << length;
    }
    const std::uint32_t largest = goodFftSize(std::numeric_limits<std::uint32_t>::max());
    EXPECT_TRUE(largest % 32 == 0 && isSmooth235(largest)) << largest;
}

// Against a brute-force search: the first 5-smooth multiple of 32 at or above the length.
TEST(GoodFftSize, IsSmallestSmoothMultipleOf32) {
    for (std::uint32_t length = 32; length < 20000; ++length) {
        std::uint32_t expected = (length + 31) / 32 * 32;
        while (!isSmooth235(expected)) {
            expected += 32;
        }
        ASSERT_EQ(goodFftSize(length), expected) << "frame length " << length;
    }
}

TEST(SpectralSeparator, SizesAndStaggerFollowTheSampleRate) {
    const double cases[][3] = {{8000, 480, 120},   {22050, 1152, 288},  {44100, 2304, 576},
                               {48000, 2400, 600}, {96000, 4800, 1200}, {192000, 9600, 2400}};
    for (const auto& [rate, size, hop] : cases) {
        const SpectralSeparator separator(frameLengthFor(rate), rate);
        EXPECT_EQ(separator.latency(), size) << rate;
        EXPECT_EQ(separator.hop(), hop) << rate;
        for (std::size_t j = 0; j < SpectralSeparator::slotCount; ++j) {
            EXPECT_EQ(separator.slot(j).position, j * hop) << rate;
        }
    }
}

// Slot j completes a frame exactly on calls N - j*hop, 2N - j*hop, ..., so one frame completes
// every hop calls and never two on one call.
TEST(SpectralSeparator, OneFrameCompletesEveryHopCalls) {
    for (const std::uint32_t length : {32u, 400u, 2205u, 2400u}) {
        SpectralSeparator separator(length, 48000.0);
        const std::uint32_t n = separator.latency();
        const std::uint32_t hop = separator.hop();
        std::vector<std::uint32_t> completions(SpectralSeparator::slotCount, 0);
        for (std::uint32_t call = 1; call <= 3 * n + hop; ++call) {
            testing::runSample(separator, 1.0);
            std::uint32_t completedNow = 0;
            for (std::uint32_t j = 0; j < SpectralSeparator::slotCount; ++j) {
                const bool completed = separator.slot(j).position == 0;
                ASSERT_EQ(completed, (call + j * hop) % n == 0) << "N=" << n << " call " << call;
                completions[j] += completed ? 1 : 0;
                completedNow += completed ? 1 : 0;
            }
            ASSERT_EQ(completedNow, call % hop == 0 ? 1u : 0u) << "N=" << n << " call " << call;
        }
        // Over 3N + hop calls slots 0..2 complete three frames; slot 3, a hop ahead, four.
        EXPECT_EQ(completions, (std::vector<std::uint32_t>{3, 3, 3, 4})) << "N=" << n;
    }
}

// The frame-free stretch ahead shrinks by one per sample and restarts at hop after each frame.
TEST(SpectralSeparator, SamplesUntilFrameCountsDownToTheNextCompletion) {
    struct Case {
        double rate;
        std::uint32_t samples; // processed before asking
        std::uint32_t until;
    };
    // N = 2304 and hop = 576 at 44100 Hz; N = 480 and hop = 120 at 8000 Hz.
    const Case cases[] = {{44100, 0, 576},   {44100, 1, 575},    {44100, 575, 1},
                          {44100, 576, 576}, {44100, 1000, 152}, {44100, 2304, 576},
                          {8000, 0, 120},    {8000, 119, 1},     {8000, 121, 119}};
    for (const Case& c : cases) {
        SpectralSeparator separator(frameLengthFor(c.rate), c.rate);
        std::vector<double> scratch(c.samples, 0.25);
        testing::runBlock(separator, scratch.data(), scratch.data(), scratch.size());
        EXPECT_EQ(separator.samplesUntilFrame(), c.until) << c.rate << " Hz after " << c.samples;
    }
}

// Between frames the render of the latest one stops a segment twice, at the stage spacing (64
// samples where the hop allows, hop / 4 below), and never once it is done.
TEST(SpectralSeparator, SamplesUntilWorkStopsAtEachRenderStage) {
    struct Case {
        std::uint32_t frameLength;
        double rate;
        std::uint32_t samples; // processed before asking
        std::uint32_t until;
    };
    // N = 2304, hop 576, stages 64 apart at 44100 Hz; N = 480, hop 120, stages 30 apart at
    // 8000 Hz; N = 2, hop 0 from frame length 1: the render runs on the completing call.
    const Case cases[] = {{2205, 44100, 0, 576},   {2205, 44100, 576, 64}, {2205, 44100, 600, 40},
                          {2205, 44100, 640, 64},  {2205, 44100, 703, 1},  {2205, 44100, 704, 448},
                          {2205, 44100, 2304, 64}, {400, 8000, 120, 30},   {400, 8000, 149, 1},
                          {400, 8000, 179, 1},     {400, 8000, 180, 60},   {1, 20.0, 0, 2},
                          {1, 20.0, 5, 1}};
    for (const Case& c : cases) {
        SpectralSeparator separator(c.frameLength, c.rate);
        std::vector<double> scratch(c.samples, 0.25);
        testing::runBlock(separator, scratch.data(), scratch.data(), scratch.size());
        EXPECT_EQ(separator.samplesUntilWork(), c.until) << c.rate << " Hz after " << c.samples;
        EXPECT_LE(separator.samplesUntilWork(), separator.samplesUntilFrame());
    }
}

// Blocks of any size give what blocks of one sample give: same values to the bit,
// whatever the block sizes and wherever the blocks meet the frame boundaries.
TEST(SpectralSeparator, BlocksGiveExactlyThePerSampleOutput) {
    struct Case {
        std::uint32_t frameLength;
        double rate;
    };
    // 2205 is the served 44.1 kHz case; 400 gives N = 480; 1 gives N = 2 and hop 0, where all
    // four slots complete on the same call.
    const Case cases[] = {{2205, 44100.0}, {400, 8000.0}, {1, 20.0}};
    for (const Case& c : cases) {
        SpectralSeparator reference(c.frameLength, c.rate);
        SpectralSeparator blocked(c.frameLength, c.rate);
        reference.separationSlope = blocked.separationSlope = 0.3;
        const std::size_t n = reference.latency();
        std::vector<double> input = gaussianNoise(12 * n + 20011, 0.2, 9);
        for (std::size_t t = 0; t < input.size(); ++t) {
            input[t] += 0.5 * std::sin(0.07 * static_cast<double>(t));
        }
        const std::vector<double> expected = run(reference, input);

        std::mt19937 pick(c.frameLength);
        const std::size_t sizes[] = {1, 7, 64, 4096, 10000};
        std::vector<double> output(input.size());
        std::size_t done = 0;
        for (std::size_t block = 0; done < input.size(); ++block) {
            // The listed sizes first, then random ones from 1 to 2N.
            const std::size_t wanted =
                block < std::size(sizes)
                    ? sizes[block]
                    : std::uniform_int_distribution<std::size_t>(1, 2 * n)(pick);
            const std::size_t size = std::min(wanted, input.size() - done);
            // In place, as the engine uses it.
            std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(done), size,
                        output.begin() + static_cast<std::ptrdiff_t>(done));
            testing::runBlock(blocked, output.data() + done, output.data() + done, size);
            done += size;
        }
        ASSERT_EQ(output.size(), expected.size());
        std::size_t mismatches = 0;
        for (std::size_t t = 0; t < output.size(); ++t) {
            mismatches += output[t] == expected[t] ? 0 : 1;
        }
        EXPECT_EQ(mismatches, 0u) << "frame length " << c.frameLength;
        // The comparison had real signal to compare.
        EXPECT_GT(std::fabs(expected[expected.size() - 1]) + std::fabs(expected[3 * n]), 0.0);
    }
}

TEST(SpectralSeparator, SilenceGivesExactZeros) {
    SpectralSeparator separator(frameLengthFor(44100), 44100);
    const std::vector<double> output = run(separator, std::vector<double>(6 * 2304, 0.0));
    EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](double y) { return y == 0.0; }));
}

// Nothing reaches the output before N calls, and a reset separator is indistinguishable from a
// new one.
TEST(SpectralSeparator, FirstNOutputsAreSilentAndResetEqualsFresh) {
    SpectralSeparator used(frameLengthFor(48000), 48000);
    const std::size_t n = used.latency();
    const std::vector<double> loud = gaussianNoise(5 * n, 1.0, 1);
    const std::vector<double> before = run(used, loud);
    used.separationSlope = 0.4;
    used.reset();
    SpectralSeparator fresh(frameLengthFor(48000), 48000);
    fresh.separationSlope = 0.4;
    const std::vector<double> input = gaussianNoise(5 * n, 1.0, 2);
    const std::vector<double> afterReset = run(used, input);
    const std::vector<double> expected = run(fresh, input);
    EXPECT_EQ(afterReset, expected);
    for (std::size_t t = 0; t < n; ++t) {
        ASSERT_NEAR(before[t], 0.0, 1e-12) << t;
        ASSERT_NEAR(afterReset[t], 0.0, 1e-12) << t;
    }
}

// At full slope an impulse gives every bin the same magnitude, hence gain 1 everywhere and a
// one-tap kernel of height kernelWindow[0] = 0.99999999708.
TEST(SpectralSeparator, ImpulseAtFullSlopeComesOutAfterExactlyN) {
    SpectralSeparator separator(frameLengthFor(44100), 44100);
    separator.separationSlope = 1.0;
    const std::size_t n = separator.latency();
    for (const std::size_t at : {std::size_t{0}, std::size_t{575}, n + 123, 3 * n + 7}) {
        separator.reset();
        std::vector<double> input(at + 3 * n, 0.0);
        input[at] = 1.0;
        const std::vector<double> output = run(separator, input);
        for (std::size_t t = 0; t < output.size(); ++t) {
            const double expected = t == at + n ? 0.99999999708 : 0.0;
            ASSERT_NEAR(output[t], expected, 1e-12) << "impulse at " << at << ", output " << t;
        }
    }
}

// Model of the scheduler: slot j's frames start at sample r*N - j*hop (zeros before the start);
// each frame is convolved with its own kernel, rendered sample k of the frame starting at s0
// comes out at s0 + N + k, and the output is the mean of the four slots. At 8000 Hz the first
// 60 samples of every frame come from the direct head, at 44100 Hz the first 128; the rest from
// the deferred render.
TEST(SpectralSeparator, OutputIsTheMeanOfFourOverlapAddedFrameConvolutions) {
    struct Case {
        std::uint32_t frameLength;
        double rate;
    };
    for (const Case c : {Case{400, 8000.0}, Case{2205, 44100.0}}) {
        SpectralSeparator separator(c.frameLength, c.rate);
        const std::size_t n = separator.latency();
        FftWorkspace fft(static_cast<std::uint32_t>(n));
        FrameAnalysis analyser(static_cast<std::uint32_t>(n), c.rate);
        const std::ptrdiff_t hop = separator.hop();
        std::vector<double> input = gaussianNoise(6 * n, 0.05, 6);
        for (std::size_t t = 0; t < input.size(); ++t) {
            const double phase = static_cast<double>(t);
            input[t] += std::sin(0.3 * phase) + 0.4 * std::sin(1.1 * phase);
        }
        const std::vector<double> output = run(separator, input);

        AlignedBuffer kernel(2 * n);
        AlignedBuffer work(2 * n);
        std::vector<double> expected(input.size(), 0.0);
        const auto length = static_cast<std::ptrdiff_t>(input.size());
        for (std::ptrdiff_t j = 0; j < 4; ++j) {
            for (std::ptrdiff_t start = -j * hop; start + static_cast<std::ptrdiff_t>(n) < length;
                 start += static_cast<std::ptrdiff_t>(n)) {
                std::vector<double> frame(n, 0.0);
                for (std::size_t i = 0; i < n; ++i) {
                    const std::ptrdiff_t at = start + static_cast<std::ptrdiff_t>(i);
                    frame[i] = at >= 0 ? input[static_cast<std::size_t>(at)] : 0.0;
                }
                analyser.analyse(frame, separator.separationSlope, fft);
                fftTransform(*fft.plan2N, analyser.kernelSpectrum().data(), kernel.data(),
                             work.data(), FftDirection::Backward, false);
                for (std::size_t i = 0; i < n; ++i) {
                    for (std::size_t m = 0; m < n; ++m) {
                        const std::ptrdiff_t at = start + static_cast<std::ptrdiff_t>(n + i + m);
                        if (at < length) {
                            expected[static_cast<std::size_t>(at)] +=
                                0.25 * frame[i] * kernel[m] / static_cast<double>(2 * n);
                        }
                    }
                }
            }
        }
        for (std::size_t t = 0; t < input.size(); ++t) {
            ASSERT_NEAR(output[t], expected[t], 1e-12) << c.rate << " Hz, sample " << t;
        }
    }
}

// A NaN or infinity spoils only the frames that hold it: the analysis carries nothing over.
TEST(SpectralSeparator, RecoversFromNonFiniteInput) {
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        SpectralSeparator separator(frameLengthFor(44100), 44100);
        const std::size_t n = separator.latency();
        std::vector<double> input = gaussianNoise(8 * n, 0.1, 3);
        input[n + 17] = bad;
        const std::vector<double> output = run(separator, input);
        EXPECT_FALSE(std::isfinite(output[2 * n + 17]));
        EXPECT_TRUE(std::all_of(output.begin() + 4 * n + 17, output.end(),
                                [](double y) { return std::isfinite(y); }));
    }
}

// Frame lengths below 32 (sample rates up to 620 Hz) are not served, but must run safely; N = 1
// cannot be transformed and is raised to 2.
TEST(SpectralSeparator, TinyFrameLengthsRunSafely) {
    for (std::uint32_t length = 0; length < 32; ++length) {
        SpectralSeparator separator(length, 20.0 * length);
        EXPECT_EQ(separator.latency(), std::max(goodFftSize(length), 2u));
        const std::vector<double> output = run(separator, gaussianNoise(500, 1.0, length));
        EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](double y) {
            return std::isfinite(y);
        })) << length;
    }
}

// A stereo pair's frame work, its transforms batched, gives each separator the very bits it gives
// alone, whether the two run in step (the batch taken at every frame) or apart (never taken).
TEST(SpectralSeparator, PairedFrameWorkGivesEachSeparatorItsOwnOutput) {
    struct Case {
        std::uint32_t frameLength;
        double rate;
        std::size_t lead; // samples the second separator runs ahead, alone
        std::size_t block;
    };
    const Case cases[] = {{2205, 44100.0, 0, 256}, {2400, 48000.0, 0, 64}, {400, 8000.0, 0, 1},
                          {400, 8000.0, 0, 333},   {400, 8000.0, 17, 64},  {1, 20.0, 0, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frameLength);
        SpectralSeparator alone[2] = {SpectralSeparator(c.frameLength, c.rate),
                                      SpectralSeparator(c.frameLength, c.rate)};
        SpectralSeparator paired[2] = {SpectralSeparator(c.frameLength, c.rate),
                                       SpectralSeparator(c.frameLength, c.rate)};
        alone[0].separationSlope = paired[0].separationSlope = 0.3;
        alone[1].separationSlope = paired[1].separationSlope = 1.0;
        const std::size_t n = alone[0].latency();
        std::vector<double> input[2] = {gaussianNoise(8 * n + 999, 0.2, 3),
                                        gaussianNoise(8 * n + 999, 0.7, 4)};
        for (std::size_t t = 0; t < input[0].size(); ++t) {
            input[1][t] += std::sin(0.05 * static_cast<double>(t));
        }
        std::vector<double> expected[2] = {run(alone[0], input[0]), run(alone[1], input[1])};

        std::vector<double> output[2] = {input[0], input[1]};
        for (std::size_t t = 0; t < c.lead; ++t) {
            output[1][t] = testing::runSample(paired[1], input[1][t]);
        }
        std::size_t done[2] = {0, c.lead};
        while (done[0] < output[0].size()) {
            // As the stereo router cuts its blocks: both separators take the same count, up to
            // the earlier one's next frame work.
            const std::size_t left[2] = {output[0].size() - done[0], output[1].size() - done[1]};
            auto count = static_cast<std::uint32_t>(std::min({c.block, left[0], left[1]}));
            if (count == 0) {
                break;
            }
            count = std::min({count, paired[0].samplesUntilWork(), paired[1].samplesUntilWork()});
            for (int s = 0; s < 2; ++s) {
                double* const at = output[s].data() + done[s];
                paired[s].processSegment(at, at, count);
                done[s] += count;
            }
            SpectralSeparator::completeFramesPair(paired[0], paired[1]);
        }
        for (int s = 0; s < 2; ++s) {
            SCOPED_TRACE(s);
            expected[s].resize(done[s]);
            output[s].resize(done[s]);
            EXPECT_EQ(std::memcmp(output[s].data(), expected[s].data(),
                                  output[s].size() * sizeof(double)),
                      0);
            EXPECT_GT(std::fabs(expected[s][done[s] - 1]) + std::fabs(expected[s][3 * n]), 0.0);
        }
        // In step, every transform stage went through the batch; apart, none did.
        if (c.lead == 0 && paired[0].stageSpacing() > 0) {
            const std::uint64_t frames = (done[0] - 1) / paired[0].hop();
            EXPECT_GE(paired[0].batchedStages(), frames - 1);
            EXPECT_EQ(paired[0].batchedStages(), paired[1].batchedStages());
        } else if (c.lead != 0) {
            EXPECT_EQ(paired[0].batchedStages(), 0u);
        }
    }
}

} // namespace
} // namespace calderine
