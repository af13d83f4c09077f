// Deterministic test material shared by the tests and benchmarks. The tones and the LCG noise
// are computed with +, -, * and / only, so every build and every C runtime feeds the effect the
// same bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace calderine::testing {

// A 32-bit linear congruential generator (Numerical Recipes' constants), uniform in
// [-0.5, 0.5) with 24 significant bits.
class LcgNoise {
public:
    explicit LcgNoise(std::uint32_t seed) : state(seed) {}
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 16777216.0 - 0.5;
    }

private:
    std::uint32_t state;
};

// Periods in samples, not in hertz: the signal is the same sample sequence at every rate.
inline double saw(std::uint64_t n, std::uint64_t period) {
    return 2.0 * static_cast<double>(n % period) / static_cast<double>(period) - 1.0;
}

inline double triangle(std::uint64_t n, std::uint64_t period) {
    const double phase = static_cast<double>(n % period) / static_cast<double>(period);
    return phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
}

// n values uniform in [-amplitude, amplitude), reproducible from the seed (the Mersenne twister
// and its uniform distribution give the same sequence with every standard library here).
inline std::vector<double> uniformNoise(std::size_t n, unsigned seed, double amplitude = 1.0) {
    std::mt19937_64 engine(seed);
    std::uniform_real_distribution<double> uniform(-amplitude, amplitude);
    std::vector<double> x(n);
    for (double& value : x) {
        value = uniform(engine);
    }
    return x;
}

// Harmonic tones over broadband noise, different on the two sides: both parts of the
// separation are busy. Peaks stay below 0.9.
inline std::vector<std::vector<double>> tonesOverNoise(std::size_t frames) {
    std::vector<std::vector<double>> signal(2, std::vector<double>(frames));
    LcgNoise leftNoise(12345u);
    LcgNoise rightNoise(67890u);
    for (std::size_t n = 0; n < frames; ++n) {
        signal[0][n] = 0.3 * saw(n, 101) + 0.2 * triangle(n, 523) + 0.25 * leftNoise.next();
        signal[1][n] = 0.25 * saw(n, 89) + 0.15 * saw(n, 37) + 0.3 * rightNoise.next();
    }
    return signal;
}

} // namespace calderine::testing
