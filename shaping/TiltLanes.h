#pragma once

// Several tilt filters ticked side by side, one per vector lane. Each build of the lane loops
// instantiates these templates with a vector width of its own (two lanes in the baseline build,
// four in the AVX2 one), so no instantiation is shared between sources compiled for different
// instruction sets and the linker cannot pick one build's copy for the other.

#include "shaping/ShelfSection.h"
#include "shaping/TiltFilter.h"

#include <cstddef>

namespace calderine::tiltlanes {

// One shelf section of each filter, side by side: ShelfSection's fields as lane vectors.
template <class Lanes, std::size_t Width>
struct Sections {
    Lanes b0, b1, b2, c1, c2;
    Lanes x0, x1, x2, y0, y1, y2;

    Sections(TiltFilter* const* filters, std::size_t index) noexcept {
        for (std::size_t lane = 0; lane < Width; ++lane) {
            const ShelfSection& s = filters[lane]->sections_[index];
            b0[lane] = s.b0;
            b1[lane] = s.b1;
            b2[lane] = s.b2;
            c1[lane] = s.c1;
            c2[lane] = s.c2;
            x0[lane] = s.x0;
            x1[lane] = s.x1;
            x2[lane] = s.x2;
            y0[lane] = s.y0;
            y1[lane] = s.y1;
            y2[lane] = s.y2;
        }
    }

    // ShelfSection::processSample, lane by lane.
    Lanes tick(Lanes input) noexcept {
        return ShelfSection::step(input, b0, b1, b2, c1, c2, x0, x1, x2, y0, y1, y2);
    }

    void storeHistories(TiltFilter* const* filters, std::size_t index) const noexcept {
        for (std::size_t lane = 0; lane < Width; ++lane) {
            ShelfSection& s = filters[lane]->sections_[index];
            s.x0 = x0[lane];
            s.x1 = x1[lane];
            s.x2 = x2[lane];
            s.y0 = y0[lane];
            s.y1 = y1[lane];
            s.y2 = y2[lane];
        }
    }
};

// signals[lane][i] = filters[lane]->processSample(signals[lane][i]) for every lane, to the bit:
// the same operations in the same order, lane by lane.
template <class Lanes, std::size_t Width>
void run(TiltFilter* const* filters, double* const* signals, std::size_t count) noexcept {
    static_assert(TiltFilter::kSectionCount == 3, "the loop names each section");
    Sections<Lanes, Width> low(filters, 0);
    Sections<Lanes, Width> mid(filters, 1);
    Sections<Lanes, Width> high(filters, 2);
    Lanes outputScale;
    for (std::size_t lane = 0; lane < Width; ++lane) {
        outputScale[lane] = filters[lane]->outputScale_;
    }
    for (std::size_t i = 0; i < count; ++i) {
        Lanes x;
        for (std::size_t lane = 0; lane < Width; ++lane) {
            x[lane] = signals[lane][i];
        }
        const Lanes y = outputScale * high.tick(mid.tick(low.tick(x)));
        for (std::size_t lane = 0; lane < Width; ++lane) {
            signals[lane][i] = y[lane];
        }
    }
    low.storeHistories(filters, 0);
    mid.storeHistories(filters, 1);
    high.storeHistories(filters, 2);
}

} // namespace calderine::tiltlanes

namespace calderine {
// TiltFilterAvx2.cpp: run() over four lanes of 256 bits. Only on CPUs with AVX2.
void tiltQuadAvx2(TiltFilter* const* filters, double* const* signals, std::size_t count) noexcept;
} // namespace calderine
