#include "spectral/FftPassTable.h"

#include <cstdlib>
#include <cstring>

namespace calderine::fftpass {

namespace {

// CALDERINE_FFT_BASELINE=1 in the process environment makes the transform run the baseline
// passes even where the CPU has AVX2. It is a diagnostic and testing switch only, so that the
// tests (CALDERINE_FFT_BASELINE=1 ctest ...) and anyone comparing renders between machines can
// exercise the build that CPUs without AVX2 run; it configures nothing about the effect, which is
// configured by its host parameters alone. Any other value, or none, leaves the choice to the CPU.
// It is read once, when the passes are first chosen (the first plan's creation, or an earlier
// call of activeFftPasses), never while processing; later changes to the environment are ignored.
constexpr const char* kBaselineSwitch = "CALDERINE_FFT_BASELINE";

bool baselineRequested() noexcept {
    const char* value = std::getenv(kBaselineSwitch);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

const FftPassTable& choosePasses() noexcept {
    const FftPassTable* wide = baselineRequested() ? nullptr : avx2FftPasses();
    return wide != nullptr ? *wide : baselineFftPasses();
}

} // namespace

void detectCpuFeatures() noexcept {
#if defined(CALDERINE_FFT_AVX2)
    __builtin_cpu_init();
#endif
    // Fixes the choice now, outside any processing call.
    static_cast<void>(activeFftPasses());
}

const FftPassTable* avx2FftPasses() noexcept {
#if defined(CALDERINE_FFT_AVX2)
    if (__builtin_cpu_supports("avx2")) {
        return &avx2FftPassesUnchecked();
    }
#endif
    return nullptr;
}

const FftPassTable& activeFftPasses() noexcept {
    // Chosen on the first call (thread-safe); afterwards a plain load.
    static const FftPassTable& chosen = choosePasses();
    return chosen;
}

const char* activeFftPassesName() noexcept {
    return &activeFftPasses() == &baselineFftPasses() ? "baseline" : "avx2";
}

} // namespace calderine::fftpass
