// Sound files for the tests, written and read back with libsndfile, and a test signal
// with both steady tones and noise in it so that an effect separating the two has work.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <sndfile.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace calderine {

template <typename Sample>
struct TestSound {
    int channels = 0;
    int sampleRate = 0;
    int format = 0;
    std::vector<Sample> samples; // interleaved

    std::size_t frames() const { return samples.size() / static_cast<std::size_t>(channels); }
};

// Tones at a few hundred hertz over noise from a fixed linear congruential generator, a
// different mixture per channel, peaking below 0.5.
inline std::vector<double> testSignal(std::size_t frames, int channels, int sampleRate) {
    std::vector<double> samples(frames * static_cast<std::size_t>(channels));
    std::uint32_t state = 12345u;
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / sampleRate;
        for (int c = 0; c < channels; ++c) {
            state = state * 1664525u + 1013904223u;
            const double noise = (static_cast<double>(state >> 8) / (1u << 24)) * 2.0 - 1.0;
            const double tone = std::sin(2.0 * std::numbers::pi * (220.0 + 110.0 * c) * t) +
                                0.5 * std::sin(2.0 * std::numbers::pi * 660.0 * t);
            samples[n * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                0.2 * tone + 0.1 * noise;
        }
    }
    return samples;
}

inline void writeSound(const std::filesystem::path& path, int format, int channels, int sampleRate,
                       const std::vector<double>& samples) {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = sampleRate;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        throw std::runtime_error("cannot write " + path.string() + ": " + sf_strerror(nullptr));
    }
    // Full scale both ways: libsndfile scales symmetrically only when clipping.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_writef_double(file, samples.data(),
                     static_cast<sf_count_t>(samples.size() / static_cast<std::size_t>(channels)));
    sf_close(file);
}

inline sf_count_t readFrames(SNDFILE* file, float* frames, sf_count_t count) {
    return sf_readf_float(file, frames, count);
}

inline sf_count_t readFrames(SNDFILE* file, double* frames, sf_count_t count) {
    return sf_readf_double(file, frames, count);
}

template <typename Sample>
TestSound<Sample> readSound(const std::filesystem::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        throw std::runtime_error("cannot read " + path.string() + ": " + sf_strerror(nullptr));
    }
    TestSound<Sample> sound{info.channels, info.samplerate, info.format, {}};
    // Read to the end rather than trusting the header: a file written to a pipe cannot state
    // its length.
    constexpr sf_count_t kBlockFrames = 4096;
    std::vector<Sample> block(static_cast<std::size_t>(kBlockFrames * info.channels));
    for (sf_count_t got; (got = readFrames(file, block.data(), kBlockFrames)) > 0;) {
        sound.samples.insert(sound.samples.end(), block.begin(),
                             block.begin() + static_cast<std::ptrdiff_t>(got * info.channels));
    }
    sf_close(file);
    return sound;
}

template <typename Sample>
double rms(const std::vector<Sample>& samples) {
    double energy = 0.0;
    for (const Sample s : samples) {
        energy += static_cast<double>(s) * static_cast<double>(s);
    }
    return samples.empty() ? 0.0 : std::sqrt(energy / static_cast<double>(samples.size()));
}

} // namespace calderine
