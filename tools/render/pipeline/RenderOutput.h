// One output of a render: the file (or standard output) it goes to, the fold to mono when the
// file has fewer channels than the effect, the samples that were not finite (written as 0) and
// the count of samples its encoding clips.
#pragma once

#include "tools/render/audio/OutputFormat.h"
#include "tools/render/audio/SoundFileWriter.h"
#include "tools/render/audio/StandardOutputWriter.h"
#include "tools/render/filesafety/OutputDestination.h"
#include "tools/render/pipeline/ClipCounter.h"
#include "tools/render/pipeline/MonoFold.h"
#include "tools/render/pipeline/NonFiniteGuard.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace calderine {

class RenderOutput {
public:
    // destination: where a file lands, as inspected beforehand; null for standard output.
    // shape: of the file; effectChannels: per frame of what sink() receives. A file of one
    // channel takes the mean of the effect's channels.
    RenderOutput(const std::filesystem::path& path, const OutputDestination* destination,
                 int format, const StreamShape& shape, int effectChannels,
                 const EncoderSettings& settings = {});

    RenderOutput(const RenderOutput&) = delete;
    RenderOutput& operator=(const RenderOutput&) = delete;

    SampleSink& sink() noexcept { return fold ? static_cast<SampleSink&>(*fold) : guard; }
    const std::filesystem::path& path() const noexcept { return destination; }

    // As SoundFileWriter's: complete everything first, then give the files their names.
    void finish();
    void commit();

    // A line for standard error when the encoding clipped samples the effect produced.
    std::optional<std::string> clipWarning() const;
    // "'out.wav': 12 samples from the effect were not finite (NaN or infinity)" when the effect
    // produced such samples for this output (they went on as 0).
    std::optional<std::string> nonFiniteReport() const;

private:
    std::filesystem::path destination;
    int format;
    StreamShape shape;
    std::unique_ptr<SoundFileWriter> file;
    std::unique_ptr<StandardOutputWriter> stream;
    ClipCounter counter;
    NonFiniteGuard guard;
    std::optional<MonoFold> fold;
};

} // namespace calderine
