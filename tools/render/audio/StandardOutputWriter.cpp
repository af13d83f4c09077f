#include "tools/render/audio/StandardOutputWriter.h"

#include "tools/render/common/AudioFileError.h"

#include <cstdio>

namespace calderine {

namespace {

constexpr const char* kWhere = "standard output";

} // namespace

StandardOutputWriter::StandardOutputWriter(int format, const StreamShape& shape,
                                           const EncoderSettings& settings)
    : stream(fileno(stdout), PipeSoundFile::isPipe(fileno(stdout)), format, shape, settings,
             kWhere) {}

void StandardOutputWriter::write(std::span<const float> frames) {
    stream.write(frames);
}

void StandardOutputWriter::write(std::span<const double> frames) {
    stream.write(frames);
}

void StandardOutputWriter::finish() {
    if (const auto reason = stream.close()) {
        throw AudioFileError(std::string("cannot complete the sound on ") + kWhere + ": " +
                             *reason);
    }
}

} // namespace calderine
