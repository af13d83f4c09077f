#include "tools/render/pipeline/LevelMeter.h"

#include "tools/render/audio/SoundFileReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace calderine {

namespace {

constexpr std::size_t kBlockFrames = 4096;
constexpr double kDecibelsPerDecade = 20.0;

} // namespace

Levels LevelMeter::measure(const std::filesystem::path& file) {
    SoundFileReader reader(file);
    std::vector<double> block(kBlockFrames * static_cast<std::size_t>(reader.channels()));
    double peak = 0.0;
    double energy = 0.0;
    std::size_t samples = 0;
    for (std::size_t frames; (frames = reader.read(std::span<double>(block))) > 0;) {
        const std::size_t count = frames * static_cast<std::size_t>(reader.channels());
        for (std::size_t i = 0; i < count; ++i) {
            peak = std::max(peak, std::abs(block[i]));
            energy += block[i] * block[i];
        }
        samples += count;
    }
    return {peak, samples == 0 ? 0.0 : std::sqrt(energy / static_cast<double>(samples))};
}

std::string LevelMeter::decibels(double level) {
    if (level <= 0.0) {
        return "-inf dBFS";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dBFS", kDecibelsPerDecade * std::log10(level));
    return text;
}

} // namespace calderine
