#include "tools/render/SoundFileWriter.h"

#include "tools/render/AudioFileError.h"
#include "tools/render/SoundFileOpen.h"

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <system_error>

namespace calderine {

namespace {

// Hidden, and distinct per run so that two renders into one folder never share it.
std::filesystem::path temporaryBeside(const std::filesystem::path& destination) {
    std::random_device entropy;
    const std::uint64_t tag = (std::uint64_t{entropy()} << 32) ^ entropy();
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx.part", static_cast<unsigned long long>(tag));
    std::string name = destination.filename().string();
    name.insert(name.begin(), '.');
    name += suffix;
    return destination.parent_path() / name;
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

} // namespace

SoundFileWriter::SoundFileWriter(const std::filesystem::path& path, int format,
                                 const StreamShape& shape)
    : destination(path), temporary(temporaryBeside(path)), channelCount(shape.channels) {
    std::error_code error;
    if (std::filesystem::is_directory(destination, error)) {
        throw AudioFileError("cannot write " + quoted(destination) + ": it is a folder");
    }
    SF_INFO info{};
    info.format = format;
    info.channels = shape.channels;
    info.samplerate = shape.sampleRate;
    file = openSoundFile(temporary, SFM_WRITE, &info);
    if (file == nullptr) {
        throw AudioFileError("cannot write " + quoted(destination) + ": " + sf_strerror(nullptr));
    }
    // Without it libsndfile wraps integer samples of overs around instead of clipping them,
    // which turns a slight over into a full-scale click.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

SoundFileWriter::~SoundFileWriter() {
    if (file != nullptr) {
        sf_close(file);
    }
    if (!committed) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
    }
}

template <typename Sample, typename Write>
void SoundFileWriter::writeFrames(std::span<const Sample> frames, Write write) {
    if (file == nullptr) {
        throw AudioFileError("cannot write " + quoted(destination) + ": already finished");
    }
    const auto count =
        static_cast<sf_count_t>(frames.size() / static_cast<std::size_t>(channelCount));
    if (write(file, frames.data(), count) != count) {
        throw AudioFileError("cannot write " + quoted(destination) + ": " + sf_strerror(file));
    }
}

void SoundFileWriter::write(std::span<const float> frames) {
    writeFrames(frames, sf_writef_float);
}

void SoundFileWriter::write(std::span<const double> frames) {
    writeFrames(frames, sf_writef_double);
}

void SoundFileWriter::closeFile() {
    sf_private_tag* closing = file;
    file = nullptr;
    if (sf_close(closing) != 0) {
        throw AudioFileError("cannot complete " + quoted(destination));
    }
}

void SoundFileWriter::finish() {
    if (file != nullptr) {
        // Pending header updates and buffered samples reach the disk only here.
        sf_write_sync(file);
        closeFile();
    }
}

void SoundFileWriter::commit() {
    finish();
    std::error_code error;
    std::filesystem::rename(temporary, destination, error);
    if (error) {
        throw AudioFileError("cannot write " + quoted(destination) + ": " + error.message());
    }
    committed = true;
}

} // namespace calderine
