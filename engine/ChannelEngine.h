#pragma once

#include "engine/DelayLine.h"
#include "shaping/NoiseClipper.h"
#include "shaping/TiltFilter.h"

#include <cstdint>
#include <memory>

namespace calderine {

class SpectralSeparator;

// Processes one mono signal: splits it into a noise part (the separator's output) and a tone
// part (the input delayed by the separator's latency, minus the noise), shapes each, and mixes
// them with the delayed dry input. The output lags the input by latency() samples.
class ChannelEngine {
public:
    // Hz the constructor builds for, until the host sets its own rate.
    static constexpr double kDefaultSampleRate = 44100.0;

    // Built for 44100 Hz with flat filters and the clipper branch off. Throws std::bad_alloc.
    ChannelEngine();
    ~ChannelEngine();
    ChannelEngine(const ChannelEngine&) = delete;
    ChannelEngine& operator=(const ChannelEngine&) = delete;

    // Rebuilds the separator and the delay line for sampleRate (Hz). Strong guarantee: both
    // are built before either replaces its predecessor, so on an exception (std::bad_alloc, or
    // std::invalid_argument for a rate that is not finite and positive or whose frame length
    // is out of reach) the engine is unchanged. Filters, gains, clipper and flags are kept.
    void setSampleRate(double sampleRate);

    // The two halves of setSampleRate, for callers that rebuild several engines and want all
    // of them to change or none: build() may throw and touches no engine; adopt() cannot fail.
    struct Rebuild {
        // Out of line: the separator's type is complete only in the engine's source.
        Rebuild() noexcept;
        ~Rebuild();
        Rebuild(Rebuild&&) noexcept;
        Rebuild& operator=(Rebuild&&) noexcept;

        std::unique_ptr<SpectralSeparator> separator;
        std::unique_ptr<DelayLine> delayLine;
    };
    static Rebuild build(double sampleRate);
    void adopt(Rebuild&& rebuild) noexcept;

    // Clears all signal memory; settings stay.
    void reset() noexcept;

    // Longest stretch that processSegment takes: its scratch (two arrays of this many doubles)
    // lives on the stack.
    static constexpr std::uint32_t kMaxSegment = 256;

    // Processing, for a caller that runs two engines side by side and wants their frame work
    // together (StereoRouter): processSegment takes 1 .. segmentLimit() samples, without
    // frame work; once a segment has reached the separator's next frame work (a completion or
    // a render stage, SpectralSeparator::samplesUntilWork), completeFrames() must run before
    // the next segment. input and output may be the same array.
    std::uint32_t segmentLimit() const noexcept;
    void processSegment(const double* input, double* output, std::uint32_t count) noexcept;
    void completeFrames() noexcept;
    // first.completeFrames() then second.completeFrames(), to the bit, their transforms batched
    // where both are due (SpectralSeparator::completeFramesPair).
    static void completeFramesPair(ChannelEngine& first, ChannelEngine& second) noexcept;
    // Both engines' processSegment over the same count, to the bit, with their filters ticked
    // side by side. Each input and output pair may be the same array.
    static void processSegmentPair(ChannelEngine& first, const double* firstInput,
                                   double* firstOutput, ChannelEngine& second,
                                   const double* secondInput, double* secondOutput,
                                   std::uint32_t count) noexcept;

    // value in 0..1 (the parameters' engine values); sampleRate in Hz. Coefficients are
    // replaced without clearing the running histories.
    void setToneTilt(double value, double sampleRate) noexcept;
    void setNoiseTilt(double value, double sampleRate) noexcept;
    void setEmphasis(double value, double sampleRate) noexcept;
    // threshold: linear amplitude, applied only when enabled.
    void setClipper(bool enabled, double threshold) noexcept;
    void setSeparationSlope(double slope) noexcept;

    // Delay of the output behind the input, in samples: the separator's FFT size.
    std::uint32_t latency() const noexcept;

    // The router feeds a signal that it passes through unprocessed to this directly, so that
    // it stays aligned with the processed one.
    DelayLine& delayLine() noexcept { return *delayLine_; }
    const DelayLine& delayLine() const noexcept { return *delayLine_; }

    const TiltFilter& toneTilt() const noexcept { return toneTilt_; }
    const TiltFilter& noiseTilt() const noexcept { return noiseTilt_; }
    const TiltFilter& emphasis() const noexcept { return emphasis_; }
    const TiltFilter& deEmphasis() const noexcept { return deEmphasis_; }
    const NoiseClipper& clipper() const noexcept { return clipper_; }
    bool clipperEnabled() const noexcept { return clipperEnabled_; }

    // Written directly by the plugin between blocks.
    double noiseGain = 1.0; // linear
    double toneGain = 1.0;  // linear
    double dryMix = 0.0;    // share of the delayed dry input, 0..1
    bool bypass = false;    // output the delayed input; filters keep running

private:
    // The separator's noise, the delayed input and their difference, the tone.
    void split(const double* input, double* noise, double* delayed, double* tone,
               std::uint32_t count) noexcept;
    void clip(double* noise, std::uint32_t count) noexcept;
    // The shaped parts and the dry input into output, or the dry input alone when bypassed.
    void mix(const double* noise, const double* tone, const double* delayed, double* output,
             std::uint32_t count) const noexcept;

    // Declared before the delay line so that the delay line is destroyed first.
    std::unique_ptr<SpectralSeparator> separator_;
    std::unique_ptr<DelayLine> delayLine_;
    TiltFilter toneTilt_;
    TiltFilter noiseTilt_;  // after the clipper branch
    TiltFilter emphasis_;   // before the clipper
    TiltFilter deEmphasis_; // after the clipper, designed with the reciprocal gain
    NoiseClipper clipper_;
    bool clipperEnabled_ = false;
    TiltFilter::QuadKernel quad_;
};

} // namespace calderine
