#pragma once

#include "fft/FftWorkspace.h"
#include "spectral/AnalysisBuild.h"
#include "vecmath/BinMath.h"

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
    explicit MinimumPhase(std::uint32_t frameSize, AnalysisBuild build = activeAnalysisBuild());

    // gains: N/2 + 1 bins, |gains| finite. result: N doubles, the response as a spectrum in the
    // transform's packed layout (Fft.h), ready for a backward transform; DC and Nyquist are real
    // and positive. Runs its own size-N/2 plan on the buffers of workspace (whose plans it does
    // not use); for an odd N/2 it sums directly instead, in O(N^2).
    void build(std::span<const double> gains, std::span<double> result,
               FftWorkspace& workspace) noexcept;

private:
    // The cepstrum c_1 .. c_M (M = N/2) of logGains_, into cepstrum_.
    void cepstrumOfLogs(FftWorkspace& workspace) noexcept;
    // The phases -sum_n d_n sin(pi k n / M) for k = 1 .. M-1, d_n = 2 (c_n - c_M), at [1 .. M-1]
    // of the returned array (the workspace's input).
    const double* phasesOfCepstrum(FftWorkspace& workspace) noexcept;

    AnalysisBuild build_;
    std::uint32_t half_;           // M = N/2
    FftPlanPtr halfPlan_;          // size M; null where the transform cannot take M
    std::vector<double> sines_;    // sin(pi k / M), k = 0 .. M-1
    std::vector<double> cosines_;  // cos(pi k / M), k = 0 .. M-1
    std::vector<double> logGains_; // M + 1
    std::vector<double> cepstrum_; // M + 1; [0] unused
};

} // namespace calderine
