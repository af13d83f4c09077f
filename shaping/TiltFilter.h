#pragma once

#include "shaping/ShelfSection.h"

#include <array>
#include <cstddef>

namespace calderine {

class TiltFilter;
namespace tiltlanes {
template <class Lanes, std::size_t Width>
struct Run;
} // namespace tiltlanes

// Spectral tilt around a corner f: a low shelf at f/10 cut by 1/g and high shelves at f and
// 10 f each boosted by g, scaled by 1/sqrt(g). Net gain g^(-3/2) at DC and g^(3/2) at Nyquist;
// g = 1 is the identity. A filter outputs silence until it is first designed.
class TiltFilter {
public:
    static constexpr std::size_t kSectionCount = 3;

    // frequency: normalised corner (cycles per sample); gain: linear, > 0. Clears the histories.
    void design(double frequency, double gain) noexcept;

    // Takes the coefficients of source but keeps this filter's histories, so a running filter
    // changes its response without a discontinuity from cleared state.
    void assignCoefficients(const TiltFilter& source) noexcept;

    void clearHistory() noexcept;

    // |H(e^jw)| of the whole cascade, outputScale included, at a normalised frequency (cycles
    // per sample, 0 to 0.5). For design-time inspection only, never on the audio path.
    double magnitudeAt(double frequency) const noexcept;

    double processSample(double input) noexcept {
        double value = input;
        for (auto& section : sections_) {
            value = section.processSample(value);
        }
        return outputScale_ * value;
    }

    // The same step for block loops: a local copy of the filter's state and coefficients that
    // the compiler keeps in registers across the loop, written back once at the end. Ticking
    // the member filter instead stores and reloads every history on every sample, and that
    // round trip lies on the recurrence's critical path.
    class Runner {
    public:
        explicit Runner(const TiltFilter& filter) noexcept
            : low(filter.sections_[0]), mid(filter.sections_[1]), high(filter.sections_[2]),
              outputScale(filter.outputScale_) {}

        // processSample's arithmetic, in its order.
        double tick(double input) noexcept {
            return outputScale * high.processSample(mid.processSample(low.processSample(input)));
        }

        // Hands the histories back; the coefficients cannot have changed meanwhile.
        void storeHistories(TiltFilter& filter) const noexcept {
            filter.sections_[0] = low;
            filter.sections_[1] = mid;
            filter.sections_[2] = high;
        }

    private:
        ShelfSection low, mid, high;
        double outputScale;
    };

    // output[i] = processSample(input[i]) for i = 0 .. count-1, the histories in registers
    // throughout; input and output may be the same array.
    void processBlock(const double* input, double* output, std::size_t count) noexcept {
        Runner runner(*this);
        for (std::size_t i = 0; i < count; ++i) {
            output[i] = runner.tick(input[i]);
        }
        runner.storeHistories(*this);
    }

    // processBlock for two filters at once, each on its own signal, in place: first's
    // firstSignal[i] becomes first.processSample(firstSignal[i]), likewise for second, to the bit.
    // The two run in the two lanes of a 128-bit vector with the same operations in the same order
    // as processSample, so one instruction stream ticks both recurrences: a lone filter's loop is
    // bound by its 28 floating-point operations per sample, which the pair shares. The two
    // arrays must not overlap.
    static void processPair(TiltFilter& first, double* firstSignal, TiltFilter& second,
                            double* secondSignal, std::size_t count) noexcept;

    // processPair for four filters: signals[k][i] becomes filters[k]->processSample of itself,
    // to the bit, for k = 0 .. 3 and i = 0 .. count-1. The arrays must not overlap.
    using QuadKernel = void (*)(TiltFilter* const* filters, double* const* signals,
                                std::size_t count) noexcept;
    // The build to run: with wide set, four lanes of a 256-bit vector where this build carries
    // them and the CPU has AVX2 (half the instructions of two pairs); otherwise two pairs. Both
    // give the same bits. Call outside processing: it may query the CPU.
    static QuadKernel quadKernel(bool wide) noexcept;

    const ShelfSection& section(std::size_t index) const noexcept { return sections_[index]; }
    double outputScale() const noexcept { return outputScale_; }

private:
    template <class Lanes, std::size_t Width>
    friend struct tiltlanes::Run;

    std::array<ShelfSection, kSectionCount> sections_{}; // low shelf, then two high shelves
    double outputScale_ = 0.0;
};

} // namespace calderine
