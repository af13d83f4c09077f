#include "tests/module/ParityRender.h"

#include "tests/support/BlockRender.h"
#include "tests/support/TestSignal.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace calderine::parity {

namespace {

constexpr std::int32_t kBlockFrames = 512;
constexpr char kFileMagic[8] = {'C', 'L', 'D', 'R', 'P', 'A', 'R', '1'};

// Parameter indices of the effect under test, as its host sees them.
constexpr std::int32_t kToneGain = 0;
constexpr std::int32_t kClipperThreshold = 1;
constexpr std::int32_t kClipperEmphasis = 2;
constexpr std::int32_t kNoiseTilt = 3;
constexpr std::int32_t kNoiseGain = 4;
constexpr std::int32_t kDryMix = 5;
constexpr std::int32_t kStereoMode = 6;
constexpr std::int32_t kToneTilt = 8;
constexpr std::int32_t kSeparationSlope = 9;

struct Setting {
    const char* name;
    std::vector<std::pair<std::int32_t, float>> normalised;
};

// The defaults, and one setting that puts every shaping element in the path (clipper with
// emphasis, both tilts, gains, dry mix) in M/S mode; the S mode also runs the mid signal
// through the plain delay line.
const std::vector<Setting>& settings() {
    static const std::vector<Setting> all = {
        {"default", {}},
        {"shaped",
         {{kToneGain, 0.35f},
          {kClipperThreshold, 0.4f},
          {kClipperEmphasis, 0.6f},
          {kNoiseTilt, 0.8f},
          {kNoiseGain, 0.6f},
          {kDryMix, 0.25f},
          {kStereoMode, 0.5f},
          {kToneTilt, 0.4f},
          {kSeparationSlope, 0.7f}}},
        {"side", {{kStereoMode, 1.0f}, {kToneGain, 0.7f}, {kNoiseTilt, 0.1f}}},
    };
    return all;
}

template <typename Sample>
std::vector<std::vector<Sample>> renderOne(const std::shared_ptr<const PluginModule>& module,
                                           float rate, const Setting& setting,
                                           const DoubleChannels& input) {
    HostedEffect effect(module);
    effect.setSampleRate(rate);
    effect.setBlockSize(kBlockFrames);
    for (const auto& [index, value] : setting.normalised) {
        effect.setParameter(index, value);
    }
    effect.resume();
    auto output = testing::renderInBlocks<Sample>(effect, input, kBlockFrames);
    effect.suspend();
    return output;
}

template <typename Sample>
void appendTracks(std::vector<Track>& tracks, const std::string& prefix,
                  const std::vector<std::vector<Sample>>& output) {
    const char* const sides[] = {"left", "right"};
    for (std::size_t channel = 0; channel < 2; ++channel) {
        tracks.push_back({prefix + sides[channel],
                          std::vector<double>(output[channel].begin(), output[channel].end())});
    }
}

template <typename Value>
void writeValue(std::ofstream& out, const Value& value) {
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename Value>
Value readValue(std::ifstream& in, const std::filesystem::path& file) {
    Value value{};
    if (!in.read(reinterpret_cast<char*>(&value), sizeof value)) {
        throw std::runtime_error("truncated track file '" + file.string() + "'");
    }
    return value;
}

} // namespace

std::vector<Track> render(const std::shared_ptr<const PluginModule>& module, float rate) {
    const auto frames = static_cast<std::size_t>(rate);
    const DoubleChannels input = testing::tonesOverNoise(frames);
    const std::string rateName = std::to_string(static_cast<long long>(rate)) + "/";
    std::vector<Track> tracks;
    for (const Setting& setting : settings()) {
        const std::string prefix = rateName + setting.name + "/";
        appendTracks(tracks, prefix + "float/", renderOne<float>(module, rate, setting, input));
        appendTracks(tracks, prefix + "double/", renderOne<double>(module, rate, setting, input));
    }
    return tracks;
}

std::vector<Track> renderAllRates(const std::shared_ptr<const PluginModule>& module) {
    std::vector<Track> tracks;
    for (const float rate : kSampleRates) {
        for (Track& track : render(module, rate)) {
            tracks.push_back(std::move(track));
        }
    }
    return tracks;
}

void writeTracks(const std::filesystem::path& file, const std::vector<Track>& tracks) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(kFileMagic, sizeof kFileMagic);
    writeValue(out, static_cast<std::uint64_t>(tracks.size()));
    for (const Track& track : tracks) {
        writeValue(out, static_cast<std::uint64_t>(track.name.size()));
        out.write(track.name.data(), static_cast<std::streamsize>(track.name.size()));
        writeValue(out, static_cast<std::uint64_t>(track.samples.size()));
        out.write(reinterpret_cast<const char*>(track.samples.data()),
                  static_cast<std::streamsize>(track.samples.size() * sizeof(double)));
    }
    if (!out.flush()) {
        throw std::runtime_error("cannot write track file '" + file.string() + "'");
    }
}

std::vector<Track> readTracks(const std::filesystem::path& file) {
    // Sizes read from the file are checked against what is left of it before anything is
    // allocated, so a damaged file fails cleanly.
    std::error_code error;
    const std::uintmax_t fileSize = std::filesystem::file_size(file, error);
    std::ifstream in(file, std::ios::binary);
    if (error || !in) {
        throw std::runtime_error("cannot read track file '" + file.string() + "'");
    }
    char magic[sizeof kFileMagic] = {};
    if (!in.read(magic, sizeof magic) || std::memcmp(magic, kFileMagic, sizeof magic) != 0) {
        throw std::runtime_error("'" + file.string() + "' is not a track file");
    }
    auto checkedSize = [&](std::uint64_t count, std::uint64_t unit) {
        const auto position = static_cast<std::uint64_t>(in.tellg());
        if (unit != 0 && count > (fileSize - position) / unit) {
            throw std::runtime_error("damaged track file '" + file.string() + "'");
        }
        return static_cast<std::size_t>(count);
    };
    const std::size_t count =
        checkedSize(readValue<std::uint64_t>(in, file), 2 * sizeof(std::uint64_t));
    std::vector<Track> tracks(count);
    for (Track& track : tracks) {
        track.name.resize(checkedSize(readValue<std::uint64_t>(in, file), 1));
        in.read(track.name.data(), static_cast<std::streamsize>(track.name.size()));
        track.samples.resize(checkedSize(readValue<std::uint64_t>(in, file), sizeof(double)));
        in.read(reinterpret_cast<char*>(track.samples.data()),
                static_cast<std::streamsize>(track.samples.size() * sizeof(double)));
        if (!in) {
            throw std::runtime_error("truncated track file '" + file.string() + "'");
        }
    }
    return tracks;
}

} // namespace calderine::parity
