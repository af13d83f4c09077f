// Reproducible test input for the transforms: n values uniform in [-1, 1).
#pragma once

#include <algorithm>
#include <random>
#include <vector>

namespace calderine::testing {

inline std::vector<double> randomSignal(int n, unsigned seed) {
    std::mt19937_64 engine(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> x(static_cast<std::size_t>(n));
    std::generate(x.begin(), x.end(), [&] { return uniform(engine); });
    return x;
}

} // namespace calderine::testing
