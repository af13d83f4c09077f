#include "tools/render/commands/DemoSignal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace calderine {

namespace {

constexpr double kSeconds = 4.0;
constexpr int kChordsPerChannel = 2;
constexpr int kNotesPerChord = 3;
constexpr int kHarmonics = 16;
// Keeps the loudest moment of the chords and noise together below -6 dBFS.
constexpr double kToneAmplitude = 0.022;
constexpr double kNoiseAmplitude = 0.12;
// Soft edges keep the chord changes free of clicks, which would be broadband themselves.
constexpr double kAttackSeconds = 0.02;
constexpr double kReleaseSeconds = 0.05;
constexpr double kConcertPitch = 440.0;
constexpr int kConcertPitchNote = 69;
constexpr double kSemitonesPerOctave = 12.0;
constexpr std::uint32_t kLeftSeed = 1;
constexpr std::uint32_t kRightSeed = 2;

// MIDI note numbers: left A major then D major, right E major then B minor.
constexpr std::array<std::array<std::array<int, kNotesPerChord>, kChordsPerChannel>,
                     DemoSignal::kChannels>
    kChords = {{
        {{{57, 61, 64}, {62, 66, 69}}},
        {{{52, 56, 59}, {59, 62, 66}}},
    }};

double frequency(int note) {
    return kConcertPitch * std::pow(2.0, (note - kConcertPitchNote) / kSemitonesPerOctave);
}

} // namespace

DemoSignal::DemoSignal()
    : totalFrames(static_cast<std::int64_t>(kSeconds * kSampleRate)), noiseLeft(kLeftSeed),
      noiseRight(kRightSeed) {}

double DemoSignal::tones(int channel, std::int64_t frame) const {
    const double chordSeconds = kSeconds / kChordsPerChannel;
    const double time = static_cast<double>(frame) / kSampleRate;
    const int chord = std::min(static_cast<int>(time / chordSeconds), kChordsPerChannel - 1);
    const double sinceStart = time - chord * chordSeconds;
    const double untilEnd = chordSeconds - sinceStart;
    const double envelope =
        std::clamp(std::min(sinceStart / kAttackSeconds, untilEnd / kReleaseSeconds), 0.0, 1.0);
    const double nyquist = kSampleRate / 2.0;
    double sum = 0.0;
    for (const int note :
         kChords[static_cast<std::size_t>(channel)][static_cast<std::size_t>(chord)]) {
        const double fundamental = frequency(note);
        for (int harmonic = 1; harmonic <= kHarmonics && harmonic * fundamental < nyquist;
             ++harmonic) {
            sum += std::sin(2.0 * std::numbers::pi * harmonic * fundamental * time) /
                   std::sqrt(harmonic);
        }
    }
    return kToneAmplitude * envelope * sum;
}

// White noise from the generator's raw output, which unlike the standard distributions is
// the same on every platform, so the demo renders identically everywhere.
double DemoSignal::noise(int channel) {
    std::mt19937& generator = channel == 0 ? noiseLeft : noiseRight;
    const double unit = static_cast<double>(generator()) / static_cast<double>(std::mt19937::max());
    return kNoiseAmplitude * (2.0 * unit - 1.0);
}

std::size_t DemoSignal::next(std::span<double> interleaved) {
    const auto room = static_cast<std::int64_t>(interleaved.size() / kChannels);
    const auto count = std::min(room, totalFrames - position);
    for (std::int64_t i = 0; i < count; ++i) {
        for (int channel = 0; channel < kChannels; ++channel) {
            interleaved[static_cast<std::size_t>(i * kChannels + channel)] =
                tones(channel, position + i) + noise(channel);
        }
    }
    position += count;
    return static_cast<std::size_t>(count);
}

} // namespace calderine
