// The built-in test material of calderine-render --demo: a few seconds of stereo with a
// chord of harmonic tones over broadband noise, different chords and noise left and right,
// so that the tone and noise parts are easy to tell apart by ear and on a spectrogram.
#pragma once

#include <cstdint>
#include <random>
#include <span>

namespace calderine {

class DemoSignal {
public:
    static constexpr int kChannels = 2;
    static constexpr int kSampleRate = 44100;

    DemoSignal();

    std::int64_t frames() const noexcept { return totalFrames; }

    // Fills the front of interleaved with the next whole frames and returns how many; 0 once
    // all are delivered.
    std::size_t next(std::span<double> interleaved);

private:
    double tones(int channel, std::int64_t frame) const;
    double noise(int channel);

    std::int64_t totalFrames;
    std::int64_t position = 0;
    std::mt19937 noiseLeft;
    std::mt19937 noiseRight;
};

} // namespace calderine
