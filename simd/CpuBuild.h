#pragma once

// Which build of the lane loops runs: the baseline build (128-bit vectors, any CPU) or, where the
// library carries it and the CPU has it, the AVX2 build (256-bit vectors). Every build performs
// the same floating-point operations in the same order (no fused multiply-add), so the choice
// changes speed only, never a bit of the output. The FFT, the per-bin math and the tilt filters
// all follow this one choice.
namespace calderine::simd {

enum class Build { baseline, avx2 };

// Whether this library was built with AVX2 loops and the CPU runs them.
bool avx2Available() noexcept;

// The build that runs: AVX2 where available, unless the diagnostic switch CALDERINE_FFT_BASELINE=1
// was in the environment when the choice was made (see CpuBuild.cpp). Fixed on the first call,
// which the first FFT plan makes, outside any processing call; afterwards a plain load.
Build activeBuild() noexcept;

// "avx2" or "baseline", for tests and diagnostics.
const char* buildName(Build build) noexcept;

} // namespace calderine::simd
