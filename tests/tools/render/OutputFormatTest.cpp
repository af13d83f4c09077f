#include "tools/render/OutputFormat.h"

#include "tools/render/AudioFileError.h"

#include <gtest/gtest.h>
#include <sndfile.h>

namespace calderine {
namespace {

constexpr StreamShape kStereo{2, 44100};

TEST(OutputFormat, FollowsTheNameThenTheExtensionThenTheInput) {
    struct Case {
        int input;
        std::optional<std::string> name;
        const char* output;
        int expected;
    };
    const int wav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const Case cases[] = {
        // Same container: the input's encoding, endianness and all.
        {wav16, std::nullopt, "out.wav", wav16},
        {SF_FORMAT_AIFF | SF_FORMAT_PCM_24 | SF_ENDIAN_LITTLE, std::nullopt, "out.aif",
         SF_FORMAT_AIFF | SF_FORMAT_PCM_24 | SF_ENDIAN_LITTLE},
        {wav16, std::nullopt, "out", wav16},
        {wav16, std::nullopt, "out.unknown", wav16},
        // Another container keeps the encoding where it fits.
        {wav16, std::nullopt, "out.FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
        {wav16, std::string("flac"), "out.wav", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
        // ... and falls back where it does not.
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, std::nullopt, "out.flac",
         SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {SF_FORMAT_OGG | SF_FORMAT_VORBIS, std::nullopt, "out.wav",
         SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {wav16, std::string("ogg"), "out.wav", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.output) + " " + c.name.value_or("-"));
        EXPECT_EQ(OutputFormat::choose(c.input, kStereo, c.name, c.output), c.expected);
    }
}

TEST(OutputFormat, RefusesWhatNoFormatCanHold) {
    EXPECT_THROW(OutputFormat::choose(SF_FORMAT_WAV | SF_FORMAT_PCM_16, kStereo, std::string("mp9"),
                                      "out.wav"),
                 AudioFileError);
    // FLAC holds at most 8 channels, and G.721 in WAV only mono, with no other container
    // named to fall back to.
    EXPECT_THROW(OutputFormat::choose(SF_FORMAT_WAV | SF_FORMAT_PCM_16, {9, 44100}, std::nullopt,
                                      "out.flac"),
                 AudioFileError);
    EXPECT_THROW(
        OutputFormat::choose(SF_FORMAT_WAV | SF_FORMAT_G721_32, kStereo, std::nullopt, "out.snd"),
        AudioFileError);
    EXPECT_TRUE(OutputFormat::isKnown("WAV"));
    EXPECT_FALSE(OutputFormat::isKnown("mp3"));
}

// Containers whose header holds lengths that are known only at the end must seek back to
// complete it, which a pipe cannot; FLAC and Ogg are written front to back.
TEST(OutputFormat, KnowsWhichFormatsStreamIntoAPipe) {
    struct Case {
        int format;
        bool streams;
    };
    const Case cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, false},  {SF_FORMAT_W64 | SF_FORMAT_FLOAT, false},
        {SF_FORMAT_AIFF | SF_FORMAT_PCM_24, false}, {SF_FORMAT_CAF | SF_FORMAT_PCM_24, false},
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, true},  {SF_FORMAT_OGG | SF_FORMAT_VORBIS, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(OutputFormat::streams(c.format, kStereo), c.streams);
    }
    EXPECT_EQ(OutputFormat::streamingNames(kStereo, " or "), "flac or ogg");
}

} // namespace
} // namespace calderine
