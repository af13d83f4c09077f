// The per-bin loops built for 256-bit AVX2 vectors. Compiled with -mavx2 and without fused
// multiply-add, so that results match the reference and baseline builds bit for bit; runs only
// where avx2BinMath() has seen the CPU support AVX2.

#include "simd/Lanes.h"
#include "vecmath/BinMath.h"
#include "vecmath/BinMathKernels.h"

namespace calderine::binmath {
namespace {

using simd::QuadLanes;

} // namespace

const BinMathTable& avx2BinMathUnchecked() noexcept {
    static constexpr BinMathTable table = kernelTable<QuadLanes>();
    return table;
}

} // namespace calderine::binmath
