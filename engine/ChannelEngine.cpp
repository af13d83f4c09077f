#include "engine/ChannelEngine.h"

#include "shaping/ShapingLaws.h"
#include "simd/CpuBuild.h"
#include "spectral/SpectralSeparator.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace calderine {

namespace {

constexpr double kFrameSeconds = 0.05; // separator frame length
// Frame lengths above this are rejected before any size arithmetic; it corresponds to about
// 1.3 GHz, far beyond any audio rate, and keeps the separator's sizes well inside 32 bits.
constexpr double kMaxFrameLength = 67108864.0; // 2^26 samples
// Any frequency with gain 1 gives a flat tilt; this one is merely a valid design point.
constexpr double kFlatDesignFrequency = 0.01;
constexpr double kFlatDesignGain = 1.0;

// A fresh design, to be moved into a running filter with assignCoefficients.
TiltFilter designedTilt(double sampleRate, double gain) noexcept {
    TiltFilter filter;
    filter.design(shaping::tiltFrequency(sampleRate), gain);
    return filter;
}

} // namespace

// The filters' wide build follows the transform's choice, so that one switch (the baseline
// diagnostic) selects the build of every vector loop.
ChannelEngine::ChannelEngine()
    : quad_(TiltFilter::quadKernel(simd::activeBuild() == simd::Build::avx2)) {
    toneTilt_.design(kFlatDesignFrequency, kFlatDesignGain);
    noiseTilt_.design(kFlatDesignFrequency, kFlatDesignGain);
    emphasis_.design(kFlatDesignFrequency, kFlatDesignGain);
    deEmphasis_.design(kFlatDesignFrequency, kFlatDesignGain);
    setSampleRate(kDefaultSampleRate);
}

ChannelEngine::~ChannelEngine() = default;

ChannelEngine::Rebuild::Rebuild() noexcept = default;
ChannelEngine::Rebuild::~Rebuild() = default;
ChannelEngine::Rebuild::Rebuild(Rebuild&&) noexcept = default;
ChannelEngine::Rebuild& ChannelEngine::Rebuild::operator=(Rebuild&&) noexcept = default;

void ChannelEngine::setSampleRate(double sampleRate) {
    adopt(build(sampleRate));
}

ChannelEngine::Rebuild ChannelEngine::build(double sampleRate) {
    if (!std::isfinite(sampleRate) || !(sampleRate > 0.0)) {
        throw std::invalid_argument("ChannelEngine: sample rate must be finite and positive");
    }
    const double frameLength = std::ceil(sampleRate * kFrameSeconds);
    if (frameLength > kMaxFrameLength) {
        throw std::invalid_argument("ChannelEngine: sample rate too high");
    }
    Rebuild rebuild;
    rebuild.separator =
        std::make_unique<SpectralSeparator>(static_cast<std::uint32_t>(frameLength), sampleRate);
    rebuild.delayLine = std::make_unique<DelayLine>(rebuild.separator->latency());
    return rebuild;
}

void ChannelEngine::adopt(Rebuild&& rebuild) noexcept {
    // The old delay line goes before the old separator, as in destruction.
    delayLine_ = std::move(rebuild.delayLine);
    separator_ = std::move(rebuild.separator);
}

void ChannelEngine::reset() noexcept {
    separator_->reset();
    delayLine_->reset();
    toneTilt_.clearHistory();
    noiseTilt_.clearHistory();
    emphasis_.clearHistory();
    deEmphasis_.clearHistory();
}

std::uint32_t ChannelEngine::segmentLimit() const noexcept {
    return std::min(kMaxSegment, separator_->samplesUntilWork());
}

void ChannelEngine::completeFrames() noexcept {
    separator_->completeFrames();
}

void ChannelEngine::completeFramesPair(ChannelEngine& first, ChannelEngine& second) noexcept {
    SpectralSeparator::completeFramesPair(*first.separator_, *second.separator_);
}

// The shaping and mixing of a segment, one filter (or one lane pair of filters) at a time, each
// sample's operations in the same order whatever the segment's length. A filter's loop keeps its
// twelve histories in registers; one loop through all four filters needs 48, spilled them to the
// stack and was no faster than a sample at a time (shaping 21 % of the engine benchmark with the
// clipper on, against 14 % this way; perf, 48 kHz). The noise part is shaped in place. The tone's
// tilt shares its loop with the first filter of the noise's chain, one in each vector lane:
// per-sample work (filters and mixing) fell from 8.1 % to 6.4 % of the effect's time at default
// settings (perf, 48 kHz, 256-sample blocks).
void ChannelEngine::processSegment(const double* input, double* output,
                                   std::uint32_t count) noexcept {
    double noise[kMaxSegment];
    double delayed[kMaxSegment];
    double tone[kMaxSegment];
    split(input, noise, delayed, tone, count);
    if (clipperEnabled_) {
        TiltFilter::processPair(toneTilt_, tone, emphasis_, noise, count);
        clip(noise, count);
        deEmphasis_.processBlock(noise, noise, count);
        noiseTilt_.processBlock(noise, noise, count);
    } else {
        TiltFilter::processPair(toneTilt_, tone, noiseTilt_, noise, count);
    }
    mix(noise, tone, delayed, output, count);
}

// processSegment for two engines, to the bit, with the filters of both in one lane loop: the
// four filters that come first in the two chains share one, and with the clipper on, the two
// de-emphases and then the two noise tilts share a pair each. Per-sample filtering, the largest
// share of the per-sample work, took half the time (four filters in AVX2 lanes against two pairs,
// shaping benchmark).
void ChannelEngine::processSegmentPair(ChannelEngine& first, const double* firstInput,
                                       double* firstOutput, ChannelEngine& second,
                                       const double* secondInput, double* secondOutput,
                                       std::uint32_t count) noexcept {
    if (first.clipperEnabled_ != second.clipperEnabled_) {
        first.processSegment(firstInput, firstOutput, count);
        second.processSegment(secondInput, secondOutput, count);
        return;
    }
    double noise[2][kMaxSegment];
    double delayed[2][kMaxSegment];
    double tone[2][kMaxSegment];
    first.split(firstInput, noise[0], delayed[0], tone[0], count);
    second.split(secondInput, noise[1], delayed[1], tone[1], count);
    double* const signals[4] = {tone[0], noise[0], tone[1], noise[1]};
    if (first.clipperEnabled_) {
        TiltFilter* const filters[4] = {&first.toneTilt_, &first.emphasis_, &second.toneTilt_,
                                        &second.emphasis_};
        first.quad_(filters, signals, count);
        first.clip(noise[0], count);
        second.clip(noise[1], count);
        TiltFilter::processPair(first.deEmphasis_, noise[0], second.deEmphasis_, noise[1], count);
        TiltFilter::processPair(first.noiseTilt_, noise[0], second.noiseTilt_, noise[1], count);
    } else {
        TiltFilter* const filters[4] = {&first.toneTilt_, &first.noiseTilt_, &second.toneTilt_,
                                        &second.noiseTilt_};
        first.quad_(filters, signals, count);
    }
    first.mix(noise[0], tone[0], delayed[0], firstOutput, count);
    second.mix(noise[1], tone[1], delayed[1], secondOutput, count);
}

void ChannelEngine::split(const double* input, double* noise, double* delayed, double* tone,
                          std::uint32_t count) noexcept {
    separator_->processSegment(input, noise, count);
    delayLine_->processBlock(input, delayed, count);
    for (std::uint32_t i = 0; i < count; ++i) {
        tone[i] = delayed[i] - noise[i];
    }
}

void ChannelEngine::clip(double* noise, std::uint32_t count) noexcept {
    for (std::uint32_t i = 0; i < count; ++i) {
        noise[i] = clipper_.processSample(noise[i]);
    }
}

void ChannelEngine::mix(const double* noise, const double* tone, const double* delayed,
                        double* output, std::uint32_t count) const noexcept {
    if (bypass) {
        std::copy_n(delayed, count, output);
        return;
    }
    const double wet = 1.0 - dryMix;
    for (std::uint32_t i = 0; i < count; ++i) {
        const double tonePart = toneGain * tone[i];
        output[i] = (noiseGain * noise[i] + tonePart) * wet + dryMix * delayed[i];
    }
}

void ChannelEngine::setToneTilt(double value, double sampleRate) noexcept {
    toneTilt_.assignCoefficients(designedTilt(sampleRate, shaping::tiltGain(value)));
}

void ChannelEngine::setNoiseTilt(double value, double sampleRate) noexcept {
    noiseTilt_.assignCoefficients(designedTilt(sampleRate, shaping::tiltGain(value)));
}

void ChannelEngine::setEmphasis(double value, double sampleRate) noexcept {
    const double gain = shaping::emphasisGain(value);
    emphasis_.assignCoefficients(designedTilt(sampleRate, gain));
    deEmphasis_.assignCoefficients(designedTilt(sampleRate, 1.0 / gain));
}

void ChannelEngine::setClipper(bool enabled, double threshold) noexcept {
    clipperEnabled_ = enabled;
    if (enabled) {
        clipper_.setThreshold(threshold);
    }
}

void ChannelEngine::setSeparationSlope(double slope) noexcept {
    separator_->separationSlope = slope;
}

std::uint32_t ChannelEngine::latency() const noexcept {
    return separator_->latency();
}

} // namespace calderine
