#include "simd/CpuBuild.h"

#include <cstdlib>
#include <cstring>

namespace calderine::simd {

namespace {

// CALDERINE_FFT_BASELINE=1 in the process environment makes everything run the baseline build
// even where the CPU has AVX2. It is a diagnostic and testing switch only, so that the tests
// (CALDERINE_FFT_BASELINE=1 ctest ...) and anyone comparing renders between machines can exercise
// the build that CPUs without AVX2 run; it configures nothing about the effect, which is
// configured by its host parameters alone. Any other value, or none, leaves the choice to the CPU.
// It is read once, never while processing; later changes to the environment are ignored.
constexpr const char* kBaselineSwitch = "CALDERINE_FFT_BASELINE";

bool baselineRequested() noexcept {
    const char* value = std::getenv(kBaselineSwitch);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

} // namespace

bool avx2Available() noexcept {
#if defined(CALDERINE_SIMD_AVX2)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

Build activeBuild() noexcept {
    // Chosen on the first call (thread-safe); afterwards a plain load.
    static const Build chosen =
        !baselineRequested() && avx2Available() ? Build::avx2 : Build::baseline;
    return chosen;
}

const char* buildName(Build build) noexcept {
    return build == Build::avx2 ? "avx2" : "baseline";
}

} // namespace calderine::simd
