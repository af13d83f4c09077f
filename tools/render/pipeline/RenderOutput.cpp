#include "tools/render/pipeline/RenderOutput.h"

#include "tools/render/audio/EncoderCheck.h"
#include "tools/render/audio/SampleEncoding.h"
#include "tools/render/common/StandardStream.h"
#include "tools/render/common/TextForms.h"
#include "tools/render/pipeline/LevelMeter.h"

#include <sndfile.h>

namespace calderine {

namespace {

SampleSink& openWriter(const std::filesystem::path& path, const OutputDestination* destination,
                       int format, const StreamShape& shape, const EncoderSettings& settings,
                       std::unique_ptr<SoundFileWriter>& file,
                       std::unique_ptr<StandardOutputWriter>& stream) {
    if (destination == nullptr || isStandardStream(path)) {
        stream = std::make_unique<StandardOutputWriter>(format, shape, settings);
        return *stream;
    }
    file = std::make_unique<SoundFileWriter>(*destination, format, shape, settings);
    return *file;
}

} // namespace

RenderOutput::RenderOutput(const std::filesystem::path& path, const OutputDestination* destination,
                           int format, const StreamShape& shape, int effectChannels,
                           const EncoderSettings& settings)
    : destination(path), format(format), shape(shape),
      counter(openWriter(path, destination, format, shape, settings, file, stream)),
      guard(counter) {
    if (shape.channels == 1 && effectChannels > 1) {
        fold.emplace(guard, effectChannels);
    }
}

void RenderOutput::finish() {
    if (file) {
        file->finish();
    } else {
        stream->finish();
    }
}

void RenderOutput::commit() {
    if (file) {
        file->commit();
    }
}

std::optional<std::string> RenderOutput::clipWarning() const {
    if (counter.clipped() == 0 || SampleEncoding::holdsOvers(format & SF_FORMAT_SUBMASK)) {
        return std::nullopt;
    }
    const bool floatHere = canEncode((format & SF_FORMAT_TYPEMASK) | SF_FORMAT_FLOAT, shape);
    // Appended step by step: GCC 12 reports a false -Wrestrict for "'" + std::string at -O3.
    std::string text = "warning: ";
    text += std::to_string(counter.clipped());
    text += " samples clipped in ";
    if (file) {
        text += quoted(destination);
    } else {
        text += "standard output";
    }
    text += " (peak ";
    text += LevelMeter::decibels(counter.peak());
    text += "); ";
    text += floatHere ? "--encoding float" : "a float format such as --format wav --encoding float";
    text += " keeps them";
    return text;
}

std::optional<std::string> RenderOutput::nonFiniteReport() const {
    if (guard.replaced() == 0) {
        return std::nullopt;
    }
    std::string text = file ? quoted(destination) : std::string("standard output");
    text += ": ";
    text += counted(guard.replaced(), "sample");
    text += " from the effect ";
    text += guard.replaced() == 1 ? "was" : "were";
    text += " not finite (NaN or infinity)";
    return text;
}

} // namespace calderine
