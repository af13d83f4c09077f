#pragma once

#include "spectral/BinMath.h"
#include "spectral/FftWorkspace.h"

#include <cstdint>
#include <span>
#include <vector>

namespace calderine {

// Real-cepstrum construction of a minimum-phase response: from N/2 + 1 gain magnitudes, the
// response with the moduli max(logFloor, |gain|) whose impulse response is causal, with its
// energy as early as the magnitudes allow.
//
// Real-time contract: build() allocates nothing and cannot throw; its temporaries are members.
class MinimumPhase {
public:
    // -144 dB: the smallest gain magnitude taken into the logarithm, so that a zero gain still
    // has a finite log.
    static constexpr double logFloor = 6.30957344480193e-8;

    // frameSize: N, even and at least 2. build: the transform passes and per-bin loops to run
    // (every build gives the same bits; tests pit them against each other). Throws
    // std::bad_alloc.
    explicit MinimumPhase(std::uint32_t frameSize,
                          binmath::AnalysisBuild build = binmath::activeAnalysisBuild());

    // gains: N/2 + 1 bins, |gains| finite. result: N doubles, the response as a spectrum in the
    // transform's packed layout (Fft.h), ready for a backward transform; DC and Nyquist are real
    // and positive. Uses the size-N plan and the buffers of workspace.
    void build(std::span<const double> gains, std::span<double> result,
               FftWorkspace& workspace) noexcept;

private:
    binmath::AnalysisBuild build_;
    std::vector<double> logGains_; // N/2 + 1
};

} // namespace calderine
