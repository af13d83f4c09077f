#pragma once

// Several tilt filters ticked side by side, one per vector lane. Each build of the lane loops
// instantiates these templates with a vector width of its own (two lanes in the baseline build,
// four in the AVX2 one), so no instantiation is shared between sources compiled for different
// instruction sets and the linker cannot pick one build's copy for the other.

#include "shaping/ShelfSection.h"
#include "shaping/TiltFilter.h"

#include <cstddef>

namespace calderine::tiltlanes {

// One shelf section's coefficients for each filter, side by side.
template <class Lanes>
struct Coefficients {
    Lanes b0, b1, b2, c1, c2;
};

// The signal at one point of each filter's cascade, side by side: the latest sample and the two
// before it. In a cascade a section's input history is the previous section's output history
// (ShelfSection keeps both, always equal), so four of these hold all three sections' state:
// twelve vectors, few enough for the registers. Holding the sections' six histories each
// (eighteen, and the coefficients) spilled every one of them to the stack on every sample.
template <class Lanes>
struct Taps {
    Lanes v0, v1, v2;

    void push(Lanes value) noexcept {
        v2 = v1;
        v1 = v0;
        v0 = value;
    }
};

template <class Lanes, std::size_t Width>
struct Run {
    Coefficients<Lanes> sections[TiltFilter::kSectionCount];
    Lanes outputScale;
    Taps<Lanes> input, low, mid, high;

    explicit Run(TiltFilter* const* filters) noexcept {
        for (std::size_t lane = 0; lane < Width; ++lane) {
            const TiltFilter& f = *filters[lane];
            for (std::size_t k = 0; k < TiltFilter::kSectionCount; ++k) {
                const ShelfSection& s = f.sections_[k];
                sections[k].b0[lane] = s.b0;
                sections[k].b1[lane] = s.b1;
                sections[k].b2[lane] = s.b2;
                sections[k].c1[lane] = s.c1;
                sections[k].c2[lane] = s.c2;
            }
            outputScale[lane] = f.outputScale_;
            load(input, lane, f.sections_[0].x0, f.sections_[0].x1, f.sections_[0].x2);
            load(low, lane, f.sections_[0].y0, f.sections_[0].y1, f.sections_[0].y2);
            load(mid, lane, f.sections_[1].y0, f.sections_[1].y1, f.sections_[1].y2);
            load(high, lane, f.sections_[2].y0, f.sections_[2].y1, f.sections_[2].y2);
        }
    }

    static void load(Taps<Lanes>& taps, std::size_t lane, double v0, double v1,
                     double v2) noexcept {
        taps.v0[lane] = v0;
        taps.v1[lane] = v1;
        taps.v2[lane] = v2;
    }

    // ShelfSection::step for the section between two points of the cascade.
    static void step(const Coefficients<Lanes>& k, const Taps<Lanes>& in,
                     Taps<Lanes>& out) noexcept {
        out.push(ShelfSection::response(k.b0, k.b1, k.b2, k.c1, k.c2, in.v0, in.v1, in.v2, out.v0,
                                        out.v1));
    }

    // Hands the histories back, each section's input history from the point before it.
    void store(TiltFilter* const* filters) const noexcept {
        const Taps<Lanes>* const points[TiltFilter::kSectionCount + 1] = {&input, &low, &mid,
                                                                          &high};
        for (std::size_t lane = 0; lane < Width; ++lane) {
            for (std::size_t k = 0; k < TiltFilter::kSectionCount; ++k) {
                ShelfSection& s = filters[lane]->sections_[k];
                s.x0 = points[k]->v0[lane];
                s.x1 = points[k]->v1[lane];
                s.x2 = points[k]->v2[lane];
                s.y0 = points[k + 1]->v0[lane];
                s.y1 = points[k + 1]->v1[lane];
                s.y2 = points[k + 1]->v2[lane];
            }
        }
    }
};

// signals[lane][i] = filters[lane]->processSample(signals[lane][i]) for every lane, to the bit:
// the same operations in the same order, lane by lane.
//
// The sections run skewed: each trip of the loop takes the third section through sample i - 2,
// the second through i - 1 and the first through i, so that the three steps of a trip do not wait
// on one another. Sample by sample, a sample went through the three sections in turn, and its
// path through them (five dependent operations a section) needed more in flight than the
// scheduler holds; only each section's own feedback (three operations) now sets the pace. Each
// step still reads the histories it read before: the third section's input history is read
// before the second pushes its next sample, the second's before the first pushes.
template <class Lanes, std::size_t Width>
void run(TiltFilter* const* filters, double* const* signals, std::size_t count) noexcept {
    static_assert(TiltFilter::kSectionCount == 3, "the cascade names each section");
    Run<Lanes, Width> state(filters);
    const auto input = [signals](std::size_t i) {
        Lanes x;
        for (std::size_t lane = 0; lane < Width; ++lane) {
            x[lane] = signals[lane][i];
        }
        return x;
    };
    const auto output = [signals, &state](std::size_t i) {
        const Lanes y = state.outputScale * state.high.v0;
        for (std::size_t lane = 0; lane < Width; ++lane) {
            signals[lane][i] = y[lane];
        }
    };
    const auto first = [&state](Lanes x) {
        state.input.push(x);
        Run<Lanes, Width>::step(state.sections[0], state.input, state.low);
    };
    const auto second = [&state] {
        Run<Lanes, Width>::step(state.sections[1], state.low, state.mid);
    };
    const auto third = [&state] {
        Run<Lanes, Width>::step(state.sections[2], state.mid, state.high);
    };
    if (count < 2) {
        for (std::size_t i = 0; i < count; ++i) {
            first(input(i));
            second();
            third();
            output(i);
        }
    } else {
        first(input(0));
        second();
        first(input(1));
        for (std::size_t i = 2; i < count; ++i) {
            third();
            output(i - 2);
            second();
            first(input(i));
        }
        third();
        output(count - 2);
        second();
        third();
        output(count - 1);
    }
    state.store(filters);
}

} // namespace calderine::tiltlanes

namespace calderine {
// TiltFilterAvx2.cpp: run() over four lanes of 256 bits. Only on CPUs with AVX2.
void tiltQuadAvx2(TiltFilter* const* filters, double* const* signals, std::size_t count) noexcept;
} // namespace calderine
