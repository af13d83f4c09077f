// A sound file written straight to standard output, for "-" as OUTPUT: the format must be one
// that streams (see OutputFormat::problem), since a pipe cannot seek back; on a pipe it goes
// out as PipeSoundFile writes it.
#pragma once

#include "tools/render/audio/EncodedStream.h"
#include "tools/render/audio/EncoderSettings.h"
#include "tools/render/audio/OutputFormat.h"
#include "tools/render/audio/SampleSink.h"

namespace calderine {

class StandardOutputWriter final : public SampleSink {
public:
    // Throws AudioFileError when libsndfile cannot write the format there.
    StandardOutputWriter(int format, const StreamShape& shape,
                         const EncoderSettings& settings = {});

    void write(std::span<const float> frames) override;
    void write(std::span<const double> frames) override;

    // Flushes the encoder's last frames; standard output itself stays open, the process's.
    void finish();

private:
    EncodedStream stream;
};

} // namespace calderine
