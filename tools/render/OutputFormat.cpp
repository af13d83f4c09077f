#include "tools/render/OutputFormat.h"

#include "tools/render/AudioFileError.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

namespace calderine {

namespace {

struct FormatEntry {
    std::string_view name;
    int major;
    // Used when the input's encoding does not fit the new container; 24 bits keep the
    // effect's output well above the noise floor of any listening chain.
    int fallbackSubtype;
    std::array<std::string_view, 2> extensions;
};

constexpr std::array<FormatEntry, 6> kFormats = {{
    {"wav", SF_FORMAT_WAV, SF_FORMAT_PCM_24, {".wav", ".wave"}},
    {"flac", SF_FORMAT_FLAC, SF_FORMAT_PCM_24, {".flac", ""}},
    {"aiff", SF_FORMAT_AIFF, SF_FORMAT_PCM_24, {".aiff", ".aif"}},
    {"ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS, {".ogg", ".oga"}},
    {"caf", SF_FORMAT_CAF, SF_FORMAT_PCM_24, {".caf", ""}},
    {"w64", SF_FORMAT_W64, SF_FORMAT_PCM_24, {".w64", ""}},
}};

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
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

const FormatEntry* byExtension(const std::filesystem::path& path) {
    const std::string extension = lowerCase(path.extension().string());
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

bool writable(int format, const StreamShape& shape) {
    SF_INFO info{};
    info.format = format;
    info.channels = shape.channels;
    info.samplerate = shape.sampleRate;
    return sf_format_check(&info) != 0;
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
        if (streams(entry.major | entry.fallbackSubtype, shape)) {
            names += names.empty() ? "" : separator;
            names += entry.name;
        }
    }
    return names;
}

std::string OutputFormat::knownNames() {
    std::string names;
    for (const FormatEntry& entry : kFormats) {
        names += names.empty() ? "" : ", ";
        names += entry.name;
    }
    return names;
}

bool OutputFormat::isKnown(std::string_view name) {
    return byName(name) != nullptr;
}

int OutputFormat::choose(int inputFormat, const StreamShape& shape,
                         const std::optional<std::string>& name,
                         const std::filesystem::path& output) {
    const FormatEntry* entry = name ? byName(*name) : byExtension(output);
    if (name && entry == nullptr) {
        throw AudioFileError("unknown output format '" + *name + "' (known: " + knownNames() + ")");
    }
    const int inputMajor = inputFormat & SF_FORMAT_TYPEMASK;
    // The input's own format, endianness included, whenever the container stays the same.
    if (entry == nullptr || entry->major == inputMajor) {
        if (writable(inputFormat, shape)) {
            return inputFormat;
        }
        if (entry == nullptr) {
            throw AudioFileError("cannot write '" + output.string() +
                                 "' in the input's format; choose one with --format (" +
                                 knownNames() + ")");
        }
    }
    const int keptSubtype = entry->major | (inputFormat & SF_FORMAT_SUBMASK);
    if (writable(keptSubtype, shape)) {
        return keptSubtype;
    }
    const int fallback = entry->major | entry->fallbackSubtype;
    if (writable(fallback, shape)) {
        return fallback;
    }
    throw AudioFileError("the " + std::string(entry->name) + " format cannot hold " +
                         std::to_string(shape.channels) + " channels at " +
                         std::to_string(shape.sampleRate) + " Hz ('" + output.string() + "')");
}

} // namespace calderine
