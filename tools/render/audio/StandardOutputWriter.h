// A sound file written straight to standard output, for "-" as OUTPUT: the format must be one
// that streams (see OutputFormat::problem), since a pipe cannot seek back; on a pipe it goes
// out as PipeSoundFile writes it.
#pragma once

#include "tools/render/audio/EncoderSettings.h"
#include "tools/render/audio/OutputFormat.h"
#include "tools/render/audio/PipeSoundFile.h"
#include "tools/render/audio/SampleSink.h"
#include "tools/render/audio/SoundFileChannel.h"

#include <memory>
#include <string>

struct sf_private_tag;

namespace calderine {

class StandardOutputWriter final : public SampleSink {
public:
    // Throws AudioFileError when libsndfile cannot write the format there.
    StandardOutputWriter(int format, const StreamShape& shape,
                         const EncoderSettings& settings = {});
    ~StandardOutputWriter() override;

    StandardOutputWriter(const StandardOutputWriter&) = delete;
    StandardOutputWriter& operator=(const StandardOutputWriter&) = delete;

    void write(std::span<const float> frames) override;
    void write(std::span<const double> frames) override;

    // Flushes the encoder's last frames; standard output itself stays open.
    void finish();

private:
    template <typename Sample, typename Write>
    void writeFrames(std::span<const Sample> frames, Write write);
    std::string failure() const;

    // Unless standard output is a pipe, which libsndfile must see as one to stream into it.
    std::unique_ptr<SoundFileChannel> channel;
    // How a pipe is written; the file is closed before it goes.
    PipeSoundFile pipe;
    sf_private_tag* file = nullptr;
    int channelCount = 0;
};

} // namespace calderine
