#include "tools/render/StandardOutputWriter.h"

#include "tools/render/AudioFileError.h"

#include <cstdio>
#include <sndfile.h>
#include <string>

namespace calderine {

namespace {

constexpr const char* kWhere = "standard output";

} // namespace

StandardOutputWriter::StandardOutputWriter(int format, const StreamShape& shape)
    : channelCount(shape.channels) {
    SF_INFO info{};
    info.format = format;
    info.channels = shape.channels;
    info.samplerate = shape.sampleRate;
    // Left open on close: the descriptor belongs to the process, not to this writer.
    const int descriptor = fileno(stdout);
    const bool intoPipe = PipeSoundFile::isPipe(descriptor);
    file = intoPipe ? pipe.open(descriptor, format, shape)
                    : sf_open_fd(descriptor, SFM_WRITE, &info, SF_FALSE);
    if (file == nullptr) {
        throw AudioFileError(std::string("cannot write to ") + kWhere + ": " +
                             (intoPipe ? pipe.failure() : std::string(sf_strerror(nullptr))));
    }
    // As for files: clip overs of integer encodings instead of wrapping them around.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

StandardOutputWriter::~StandardOutputWriter() {
    if (file != nullptr) {
        sf_close(file);
    }
}

template <typename Sample, typename Write>
void StandardOutputWriter::writeFrames(std::span<const Sample> frames, Write write) {
    if (file == nullptr) {
        throw AudioFileError(std::string("cannot write to ") + kWhere + ": already finished");
    }
    const auto count =
        static_cast<sf_count_t>(frames.size() / static_cast<std::size_t>(channelCount));
    if (write(file, frames.data(), count) != count) {
        throw AudioFileError(std::string("cannot write to ") + kWhere + ": " + sf_strerror(file));
    }
}

void StandardOutputWriter::write(std::span<const float> frames) {
    writeFrames(frames, sf_writef_float);
}

void StandardOutputWriter::write(std::span<const double> frames) {
    writeFrames(frames, sf_writef_double);
}

void StandardOutputWriter::finish() {
    if (file == nullptr) {
        return;
    }
    sf_private_tag* closing = file;
    file = nullptr;
    if (sf_close(closing) != 0) {
        throw AudioFileError(std::string("cannot complete the sound on ") + kWhere);
    }
}

} // namespace calderine
