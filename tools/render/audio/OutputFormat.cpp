#include "tools/render/audio/OutputFormat.h"

#include "tools/render/audio/EncoderCheck.h"
#include "tools/render/audio/FormatChoiceError.h"
#include "tools/render/audio/PipeSoundFile.h"
#include "tools/render/audio/SampleEncoding.h"
#include "tools/render/common/AudioFileError.h"
#include "tools/render/common/StandardStream.h"
#include "tools/render/common/TextForms.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>
#include <vector>

namespace calderine {

namespace {

struct FormatEntry {
    std::string_view name;
    std::string_view title; // as people call it, for messages
    int major;
    // The one encoding of a lossy format; 0 where the encoding follows the input.
    int codec;
    // Written front to back, without seeking back to patch a header (see PipeSoundFile).
    bool streams;
    std::array<std::string_view, 2> extensions;
};

constexpr std::array<FormatEntry, 10> kFormats = {{
    {"wav", "WAV", SF_FORMAT_WAV, 0, true, {".wav", ".wave"}},
    {"flac", "FLAC", SF_FORMAT_FLAC, 0, true, {".flac", ""}},
    {"aiff", "AIFF", SF_FORMAT_AIFF, 0, false, {".aiff", ".aif"}},
    {"caf", "CAF", SF_FORMAT_CAF, 0, false, {".caf", ""}},
    {"w64", "W64", SF_FORMAT_W64, 0, false, {".w64", ""}},
    {"rf64", "RF64", SF_FORMAT_RF64, 0, false, {".rf64", ""}},
    {"au", "AU", SF_FORMAT_AU, 0, true, {".au", ".snd"}},
    {"ogg", "Ogg Vorbis", SF_FORMAT_OGG, SF_FORMAT_VORBIS, true, {".ogg", ".oga"}},
    {"opus", "Opus", SF_FORMAT_OGG, SF_FORMAT_OPUS, true, {".opus", ""}},
    {"mp3", "MP3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III, true, {".mp3", ""}},
}};

// Encodings for a source whose samples have no bit depth of their own (lossy, companded,
// ADPCM): 24 bits keep the effect's output far above the noise floor of any listening chain
// and are read everywhere.
constexpr std::array<int, 2> kDefaultSubtypes = {SF_FORMAT_PCM_24, SF_FORMAT_PCM_16};

// Any rate every codec here takes, so that availability does not depend on the input.
constexpr StreamShape kProbeShape{1, 48000};

bool available(const FormatEntry& entry) {
    return canEncode(entry.major | (entry.codec != 0 ? entry.codec : SF_FORMAT_PCM_16),
                     kProbeShape);
}

const FormatEntry* byName(std::string_view name) {
    const std::string wanted = lowerCase(name);
    for (const FormatEntry& entry : kFormats) {
        if (entry.name == wanted) {
            return &entry;
        }
    }
    return nullptr;
}

const FormatEntry* byExtension(const std::string& extension) {
    // Unused extension slots are empty; an empty extension names nothing.
    if (extension.empty()) {
        return nullptr;
    }
    for (const FormatEntry& entry : kFormats) {
        if (std::find(entry.extensions.begin(), entry.extensions.end(), extension) !=
            entry.extensions.end()) {
            return &entry;
        }
    }
    return nullptr;
}

std::string namesWhere(bool (*wanted)(const FormatEntry&)) {
    std::string names;
    for (const FormatEntry& entry : kFormats) {
        if (available(entry) && wanted(entry)) {
            names += names.empty() ? "" : ", ";
            names += entry.name;
        }
    }
    return names;
}

bool any(const FormatEntry&) {
    return true;
}

bool streaming(const FormatEntry& entry) {
    return entry.streams;
}

std::string extensionOf(const std::filesystem::path& output) {
    return lowerCase(output.extension().string());
}

// Best first: the input's own format in its own container, then encodings that keep its
// precision, then the defaults. An input encoding without a bit depth of its own (companded,
// ADPCM, lossy) comes last: written back it would lose again what it lost once, so it is kept
// only in a container that holds nothing else (Ogg, MPEG).
std::vector<int> candidates(int major, int inputFormat) {
    const std::vector<int> keeping = SampleEncoding::keeping(inputFormat & SF_FORMAT_SUBMASK);
    const bool sameContainer = (inputFormat & SF_FORMAT_TYPEMASK) == major;
    std::vector<int> formats;
    if (sameContainer && !keeping.empty()) {
        formats.push_back(inputFormat);
    }
    for (const int subtype : keeping) {
        formats.push_back(major | subtype);
    }
    for (const int subtype : kDefaultSubtypes) {
        formats.push_back(major | subtype);
    }
    if (sameContainer && keeping.empty()) {
        formats.push_back(inputFormat);
    }
    return formats;
}

// Rates people record at, to tell which a codec of few rates takes, in Hz.
constexpr std::array kCommonRates{8000,  11025, 12000, 16000, 22050,  24000, 32000,
                                  44100, 48000, 88200, 96000, 176400, 192000};

// 44100 -> "44.1", 8000 -> "8": exact, locale-free.
std::string thousands(int rate) {
    std::string text = std::to_string(rate / 1000);
    std::string fraction = std::to_string(1000 + rate % 1000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') {
        fraction.pop_back();
    }
    return fraction.empty() ? text : text + "." + fraction;
}

std::string kilohertz(int rate) {
    return thousands(rate) + " kHz";
}

// The container's own name: the input's, when OUTPUT named none.
std::string titleOf(const FormatEntry* entry, int major) {
    if (entry != nullptr) {
        return std::string(entry->title);
    }
    SF_FORMAT_INFO info{};
    info.format = major;
    sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info);
    return info.name != nullptr ? std::string(info.name) : "the input's format";
}

// Why format cannot hold the stream, told by what it lacks: the encoding at all, the rate, or
// the channels.
std::string whyNot(const std::string& title, int format, const StreamShape& shape,
                   bool encodingAsked) {
    const int subtype = format & SF_FORMAT_SUBMASK;
    const std::string encoding = SampleEncoding::nameOf(subtype);
    const std::string with = encodingAsked ? " with --encoding " + encoding : "";
    if (encodingAsked && !canEncode(format, kProbeShape) &&
        !canEncode(format, {1, shape.sampleRate})) {
        return title + " has no " + encoding + " encoding";
    }
    if (!canEncode(format, {1, shape.sampleRate})) {
        std::string rates;
        std::size_t count = 0;
        for (const int rate : kCommonRates) {
            count += canEncode(format, {1, rate}) ? 1 : 0;
        }
        std::size_t listed = 0;
        for (const int rate : kCommonRates) {
            if (canEncode(format, {1, rate})) {
                ++listed;
                rates += listed == 1 ? "" : (listed == count ? " and " : ", ");
                rates += thousands(rate);
            }
        }
        return title + with + " does not serve " + kilohertz(shape.sampleRate) +
               (count > 0 ? "; it takes " + rates + " kHz" : "");
    }
    return title + with + " cannot hold " + std::to_string(shape.channels) + " channels";
}
} // namespace

bool OutputFormat::streams(int format, const StreamShape& shape) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    // Whatever header bytes this writes stay in the pipe's buffer and go with it.
    PipeSoundFile pipe;
    SNDFILE* file = pipe.open(ends[1], format, shape);
    const bool streaming = file != nullptr;
    if (streaming) {
        sf_close(file);
    }
    ::close(ends[0]);
    ::close(ends[1]);
    return streaming;
}

std::string OutputFormat::streamingNames(const StreamShape& shape, std::string_view separator) {
    std::string names;
    for (const FormatEntry& entry : kFormats) {
        if (available(entry) &&
            streams(entry.major | (entry.codec != 0 ? entry.codec : SF_FORMAT_PCM_16), shape)) {
            names += names.empty() ? "" : separator;
            names += entry.name;
        }
    }
    return names;
}

std::string OutputFormat::knownNames() {
    return namesWhere(&any);
}

bool OutputFormat::isKnown(std::string_view name) {
    const FormatEntry* entry = byName(name);
    return entry != nullptr && available(*entry);
}

std::optional<std::string> OutputFormat::problem(const std::optional<std::string>& name,
                                                 const std::filesystem::path& output) {
    const bool stream = isStandardStream(output);
    if (name) {
        const FormatEntry* entry = byName(*name);
        if (entry == nullptr) {
            return "--format takes one of " + knownNames() + ", got '" + *name + "'";
        }
        if (!available(*entry)) {
            return "this libsndfile cannot write " + std::string(entry->name) +
                   " files; --format takes one of " + knownNames();
        }
        if (stream && !entry->streams) {
            return std::string(entry->name) +
                   " cannot be written to standard output (it needs seeking); choose one of " +
                   namesWhere(&streaming);
        }
        return std::nullopt;
    }
    if (stream) {
        return "writing to standard output ('-') needs --format, one of " + namesWhere(&streaming);
    }
    const std::string extension = extensionOf(output);
    if (extension.empty()) {
        return std::nullopt; // the input's own format
    }
    const FormatEntry* entry = byExtension(extension);
    if (entry == nullptr) {
        return "cannot tell a format from the extension of '" + output.string() +
               "'; name one with --format (" + knownNames() + ")";
    }
    if (!available(*entry)) {
        return "this libsndfile cannot write " + std::string(entry->name) + " files ('" +
               output.string() + "'); choose one of " + knownNames();
    }
    return std::nullopt;
}

std::optional<std::string> OutputFormat::encodingProblem(const std::optional<std::string>& name,
                                                         const std::filesystem::path& output,
                                                         int encoding) {
    const FormatEntry* entry = name ? byName(*name) : byExtension(extensionOf(output));
    if (entry == nullptr || !available(*entry)) {
        return std::nullopt;
    }
    const std::string title = titleOf(entry, entry->major);
    if (entry->codec != 0) {
        return "--encoding does not apply to " + title + ", which has one encoding of its own";
    }
    if (!canEncode(entry->major | encoding, kProbeShape)) {
        return title + " has no " + SampleEncoding::nameOf(encoding) + " encoding";
    }
    return std::nullopt;
}

int OutputFormat::choose(int inputFormat, const StreamShape& shape,
                         const std::optional<std::string>& name,
                         const std::filesystem::path& output, std::optional<int> encoding) {
    if (const auto why = problem(name, output)) {
        throw AudioFileError(*why);
    }
    const FormatEntry* entry = name ? byName(*name) : byExtension(extensionOf(output));
    const int major = entry != nullptr ? entry->major : inputFormat & SF_FORMAT_TYPEMASK;
    const std::string title = titleOf(entry, major);

    std::vector<int> formats;
    if (encoding) {
        if (entry != nullptr && entry->codec != 0) {
            throw FormatChoiceError("--encoding does not apply to " + title +
                                    ", which has one encoding of its own");
        }
        formats.push_back(major | *encoding);
    } else if (entry != nullptr && entry->codec != 0) {
        formats.push_back(entry->major | entry->codec);
    } else {
        formats = candidates(major, inputFormat);
    }
    // Standard output may be a pipe: only what streams (WAV from an ADPCM input does not).
    const bool stream = isStandardStream(output);
    for (const int format : formats) {
        if (canEncode(format, shape) && (!stream || streams(format, shape))) {
            return format;
        }
    }
    // The first candidate is the one the user would expect; its lack is the reason.
    throw FormatChoiceError(whyNot(title, formats.front(), shape, encoding.has_value()) + " ('" +
                            output.string() + "')");
}

} // namespace calderine
