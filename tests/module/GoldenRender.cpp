#include "tests/module/GoldenRender.h"

#include "tests/support/BlockRender.h"
#include "tests/support/TestSignal.h"
#include "tools/vsthost/HostedEffect.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <type_traits>
#include <utility>

namespace calderine::golden {

namespace {

// Parameter indices as a host sees them.
enum ParameterIndex : std::int32_t {
    kToneGain = 0,
    kClipperThreshold = 1,
    kClipperEmphasis = 2,
    kNoiseTilt = 3,
    kNoiseGain = 4,
    kDryMix = 5,
    kStereoMode = 6,
    kBypass = 7,
    kToneTilt = 8,
    kSeparationSlope = 9,
};

// Normalised StereoMode values: five modes, rounded half up from 4 * value.
constexpr float kMono = 0.0f;
constexpr float kStereo = 0.25f;
constexpr float kMidSide = 0.5f;
constexpr float kMid = 0.75f;
constexpr float kSide = 1.0f;

using Settings = std::vector<std::pair<std::int32_t, float>>;

struct Setting {
    const char* name;
    std::int32_t blockFrames;
    Settings atStart;
    // Applied before the block that starts at half the render, then at three quarters.
    Settings atHalf;
    Settings atThreeQuarters;
};

// Each parameter is away from its default in at least one setting; gains at 0 are "mute".
const std::vector<Setting>& settings() {
    static const std::vector<Setting> all = {
        {"default", 512, {}, {}, {}},
        {"mono-clipper",
         256,
         {{kStereoMode, kMono},
          {kClipperThreshold, 0.5f},
          {kClipperEmphasis, 0.7f},
          {kNoiseTilt, 0.8f},
          {kToneTilt, 0.3f},
          {kSeparationSlope, 1.0f},
          {kDryMix, 0.3f},
          {kToneGain, 0.6f},
          {kNoiseGain, 0.75f}},
         {},
         {}},
        {"midside-tone-muted",
         333,
         {{kStereoMode, kMidSide},
          {kToneGain, 0.0f},
          {kClipperThreshold, 0.85f},
          {kClipperEmphasis, 1.0f},
          {kNoiseTilt, 0.2f},
          {kDryMix, 0.5f}},
         {},
         {}},
        {"mid-noise-muted",
         128,
         {{kStereoMode, kMid},
          {kNoiseGain, 0.0f},
          {kToneTilt, 1.0f},
          {kSeparationSlope, 0.5f},
          {kToneGain, 0.4f}},
         {},
         {}},
        {"side-changes",
         64,
         {{kStereoMode, kSide}, {kNoiseTilt, 0.0f}},
         {{kToneGain, 0.8f},
          {kClipperThreshold, 0.25f},
          {kClipperEmphasis, 0.4f},
          {kNoiseTilt, 1.0f},
          {kSeparationSlope, 1.0f},
          {kToneTilt, 0.6f}},
         {{kBypass, 1.0f}}},
        {"stereo-to-midside",
         480,
         {{kNoiseGain, 0.3f}, {kToneTilt, 0.5f}},
         {{kStereoMode, kMidSide}, {kDryMix, 1.0f}},
         {{kStereoMode, kStereo}, {kSeparationSlope, 0.25f}}},
    };
    return all;
}

constexpr std::array<int, 3> kRates = {44100, 48000, 96000};
// Samples per excerpt, and how far an excerpt starts before the event it shows.
constexpr std::size_t kExcerptFrames = 512;
constexpr std::size_t kLeadIn = 128;

constexpr char kFileMagic[8] = {'C', 'L', 'D', 'R', 'G', 'O', 'L', 'D'};
constexpr char kFileSuffix[] = ".golden";

std::string caseName(int rate, const Setting& setting) {
    return std::to_string(rate) + "-" + setting.name;
}

template <typename Sample>
std::vector<std::vector<Sample>> renderSetting(const std::shared_ptr<const PluginModule>& module,
                                               int rate, const Setting& setting,
                                               const std::vector<std::vector<double>>& input) {
    HostedEffect effect(module);
    effect.setSampleRate(static_cast<float>(rate));
    effect.setBlockSize(setting.blockFrames);
    auto apply = [&](const Settings& values) {
        for (const auto& [index, value] : values) {
            effect.setParameter(index, value);
        }
    };
    apply(setting.atStart);
    effect.resume();

    const std::size_t frames = input.front().size();
    const std::size_t block = static_cast<std::size_t>(setting.blockFrames);
    const std::size_t half = frames / 2 / block * block;
    const std::size_t threeQuarters = frames * 3 / 4 / block * block;
    auto output = testing::renderInBlocks<Sample>(effect, input, block, [&](std::size_t start) {
        if (start == half) {
            apply(setting.atHalf);
        }
        if (start == threeQuarters) {
            apply(setting.atThreeQuarters);
        }
    });
    effect.suspend();
    return output;
}

// Where the excerpts start: the first output of the separator (one latency in), each change of
// settings, and the end.
std::vector<std::size_t> excerptStarts(std::size_t frames, std::size_t latency,
                                       const Setting& setting) {
    const std::size_t block = static_cast<std::size_t>(setting.blockFrames);
    std::vector<std::size_t> starts = {latency - kLeadIn};
    if (!setting.atHalf.empty()) {
        starts.push_back(frames / 2 / block * block - kLeadIn);
    }
    if (!setting.atThreeQuarters.empty()) {
        starts.push_back(frames * 3 / 4 / block * block - kLeadIn);
    }
    if (setting.atHalf.empty()) {
        starts.push_back(frames / 2);
    }
    starts.push_back(frames - kExcerptFrames);
    return starts;
}

template <typename Sample>
void appendExcerpts(CaseRender& render, const char* precision,
                    const std::vector<std::vector<Sample>>& output,
                    const std::vector<std::size_t>& starts) {
    const char* const sides[] = {"left", "right"};
    for (std::size_t channel = 0; channel < 2; ++channel) {
        for (const std::size_t start : starts) {
            const auto first = output[channel].begin() + static_cast<std::ptrdiff_t>(start);
            render.excerpts.push_back(
                {std::string(precision) + "/" + sides[channel] + "/" + std::to_string(start), start,
                 std::vector<double>(first, first + static_cast<std::ptrdiff_t>(kExcerptFrames))});
        }
    }
}

// Little-endian encoding, so that golden files are the same bytes on every machine.
void putUnsigned(std::string& out, std::uint64_t value) {
    for (int byte = 0; byte < 8; ++byte) {
        out.push_back(static_cast<char>((value >> (8 * byte)) & 0xFFu));
    }
}

std::uint64_t getUnsigned(const std::string& in, std::size_t& at, const std::string& file) {
    if (in.size() - at < 8) {
        throw std::runtime_error("truncated golden file '" + file + "'");
    }
    std::uint64_t value = 0;
    for (int byte = 0; byte < 8; ++byte) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[at++])) << (8 * byte);
    }
    return value;
}

} // namespace

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const int rate : kRates) {
        for (const Setting& setting : settings()) {
            names.push_back(caseName(rate, setting));
        }
    }
    return names;
}

CaseRender renderCase(const std::shared_ptr<const PluginModule>& module, const std::string& name) {
    for (const int rate : kRates) {
        for (const Setting& setting : settings()) {
            if (caseName(rate, setting) != name) {
                continue;
            }
            // One second plus a latency, so that the last excerpt holds a full second's input.
            const std::size_t latency = [&] {
                HostedEffect probe(module);
                probe.setSampleRate(static_cast<float>(rate));
                return static_cast<std::size_t>(probe.record().initialDelay);
            }();
            const std::size_t frames = static_cast<std::size_t>(rate) + latency;
            const auto input = testing::tonesOverNoise(frames);
            const auto starts = excerptStarts(frames, latency, setting);
            CaseRender render{name, {}};
            appendExcerpts(render, "float", renderSetting<float>(module, rate, setting, input),
                           starts);
            appendExcerpts(render, "double", renderSetting<double>(module, rate, setting, input),
                           starts);
            return render;
        }
    }
    throw std::invalid_argument("no golden case named '" + name + "'");
}

void writeCase(const std::filesystem::path& folder, const CaseRender& render) {
    std::string bytes(kFileMagic, sizeof kFileMagic);
    putUnsigned(bytes, render.excerpts.size());
    for (const Excerpt& excerpt : render.excerpts) {
        putUnsigned(bytes, excerpt.name.size());
        bytes += excerpt.name;
        putUnsigned(bytes, excerpt.start);
        putUnsigned(bytes, excerpt.samples.size());
        for (const double sample : excerpt.samples) {
            putUnsigned(bytes, std::bit_cast<std::uint64_t>(sample));
        }
    }
    const std::filesystem::path target = folder / (render.name + kFileSuffix);
    const std::filesystem::path temporary = folder / ("." + render.name + ".tmp");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            std::filesystem::remove(temporary);
            throw std::runtime_error("cannot write golden file '" + temporary.string() + "'");
        }
    }
    std::filesystem::rename(temporary, target);
}

CaseRender readCase(const std::filesystem::path& folder, const std::string& name) {
    const std::filesystem::path path = folder / (name + kFileSuffix);
    const std::string file = path.string();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read golden file '" + file + "'");
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof kFileMagic ||
        std::memcmp(bytes.data(), kFileMagic, sizeof kFileMagic) != 0) {
        throw std::runtime_error("'" + file + "' is not a golden file");
    }
    std::size_t at = sizeof kFileMagic;
    // Counts are checked against the bytes left before anything is allocated.
    auto count = [&](std::uint64_t unit) {
        const std::uint64_t value = getUnsigned(bytes, at, file);
        if (value > (bytes.size() - at) / unit) {
            throw std::runtime_error("damaged golden file '" + file + "'");
        }
        return static_cast<std::size_t>(value);
    };
    CaseRender render{name, {}};
    render.excerpts.resize(count(24));
    for (Excerpt& excerpt : render.excerpts) {
        const std::size_t nameSize = count(1);
        excerpt.name = bytes.substr(at, nameSize);
        at += nameSize;
        excerpt.start = getUnsigned(bytes, at, file);
        excerpt.samples.resize(count(8));
        for (double& sample : excerpt.samples) {
            sample = std::bit_cast<double>(getUnsigned(bytes, at, file));
        }
    }
    if (at != bytes.size()) {
        throw std::runtime_error("damaged golden file '" + file + "'");
    }
    return render;
}

} // namespace calderine::golden
