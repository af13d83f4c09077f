#include "tools/render/OutputFormat.h"

#include "tools/render/AudioFileError.h"
#include "tools/render/EncoderCheck.h"
#include "tools/render/SampleEncoding.h"

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
    int major;
    // The one encoding of a lossy format; 0 where the encoding follows the input.
    int codec;
    // libsndfile writes it front to back, without seeking back to patch a header.
    bool streams;
    std::array<std::string_view, 2> extensions;
};

constexpr std::array<FormatEntry, 10> kFormats = {{
    {"wav", SF_FORMAT_WAV, 0, false, {".wav", ".wave"}},
    {"flac", SF_FORMAT_FLAC, 0, true, {".flac", ""}},
    {"aiff", SF_FORMAT_AIFF, 0, false, {".aiff", ".aif"}},
    {"caf", SF_FORMAT_CAF, 0, false, {".caf", ""}},
    {"w64", SF_FORMAT_W64, 0, false, {".w64", ""}},
    {"rf64", SF_FORMAT_RF64, 0, false, {".rf64", ""}},
    {"au", SF_FORMAT_AU, 0, true, {".au", ".snd"}},
    {"ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS, true, {".ogg", ".oga"}},
    {"opus", SF_FORMAT_OGG, SF_FORMAT_OPUS, true, {".opus", ""}},
    {"mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III, true, {".mp3", ""}},
}};

// Encodings for a source whose samples have no bit depth of their own (lossy, companded,
// ADPCM): 24 bits keep the effect's output far above the noise floor of any listening chain
// and are read everywhere.
constexpr std::array<int, 2> kDefaultSubtypes = {SF_FORMAT_PCM_24, SF_FORMAT_PCM_16};

// Any rate every codec here takes, so that availability does not depend on the input.
constexpr StreamShape kProbeShape{1, 48000};

constexpr std::string_view kStandardStream = "-";

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

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
// precision, then the defaults.
std::vector<int> candidates(int major, int inputFormat) {
    std::vector<int> formats;
    if ((inputFormat & SF_FORMAT_TYPEMASK) == major) {
        formats.push_back(inputFormat);
    }
    for (const int subtype : SampleEncoding::keeping(inputFormat & SF_FORMAT_SUBMASK)) {
        formats.push_back(major | subtype);
    }
    for (const int subtype : kDefaultSubtypes) {
        formats.push_back(major | subtype);
    }
    return formats;
}

std::string shapeText(const StreamShape& shape) {
    return std::to_string(shape.channels) + " channels at " + std::to_string(shape.sampleRate) +
           " Hz";
}

} // namespace

bool OutputFormat::streams(int format, const StreamShape& shape) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    SF_INFO info{};
    info.format = format;
    info.channels = shape.channels;
    info.samplerate = shape.sampleRate;
    // Whatever header bytes this writes stay in the pipe's buffer and go with it.
    SNDFILE* file = sf_open_fd(ends[1], SFM_WRITE, &info, SF_FALSE);
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

bool OutputFormat::isStandardStream(const std::filesystem::path& path) {
    return path.native() == kStandardStream;
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
                                                         int encoding,
                                                         std::string_view encodingName) {
    const FormatEntry* entry = name ? byName(*name) : byExtension(extensionOf(output));
    if (entry == nullptr || !available(*entry)) {
        return std::nullopt;
    }
    if (entry->codec != 0) {
        return "--encoding does not apply to " + std::string(entry->name) +
               ", which has one encoding of its own";
    }
    if (!canEncode(entry->major | encoding, kProbeShape)) {
        return "the " + std::string(entry->name) +
               " format cannot be written with that --encoding (" + std::string(encodingName) + ")";
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
    const std::string described =
        entry != nullptr ? "the " + std::string(entry->name) + " format" : "the input's format";

    std::vector<int> formats;
    if (encoding) {
        if (entry != nullptr && entry->codec != 0) {
            throw AudioFileError("--encoding does not apply to " + std::string(entry->name) +
                                 ", which has one encoding of its own");
        }
        formats.push_back(major | *encoding);
    } else if (entry != nullptr && entry->codec != 0) {
        formats.push_back(entry->major | entry->codec);
    } else {
        formats = candidates(major, inputFormat);
    }
    for (const int format : formats) {
        if (canEncode(format, shape)) {
            return format;
        }
    }
    throw AudioFileError(described + (encoding ? " with that --encoding" : "") + " cannot hold " +
                         shapeText(shape) + " ('" + output.string() + "')");
}

} // namespace calderine
