#include "tools/render/audio/OutputFormat.h"

#include "tools/render/audio/EncoderCheck.h"
#include "tools/render/audio/FormatChoiceError.h"
#include "tools/render/common/AudioFileError.h"

#include <gtest/gtest.h>
#include <sndfile.h>

namespace calderine {
namespace {

constexpr StreamShape kStereo{2, 44100};
constexpr int kMp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;

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
        // Another container keeps the encoding where it fits.
        {wav16, std::nullopt, "out.FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
        {wav16, std::string("flac"), "out.wav", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
        // ... and falls back where it does not.
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, std::nullopt, "out.flac",
         SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {SF_FORMAT_OGG | SF_FORMAT_VORBIS, std::nullopt, "out.wav",
         SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {wav16, std::string("ogg"), "out.wav", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        // MPEG audio decodes to samples of no bit depth: 24 bits, never the MPEG encoding that
        // sf_format_check() wrongly accepts inside WAV.
        {kMp3, std::nullopt, "out.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {kMp3, std::string("wav"), "out.mp3", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {kMp3, std::nullopt, "out.aif", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
        // Floating point stays floating point wherever the container has it.
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, std::nullopt, "out.aiff",
         SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
        {SF_FORMAT_WAV | SF_FORMAT_DOUBLE, std::nullopt, "out.caf",
         SF_FORMAT_CAF | SF_FORMAT_DOUBLE},
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, std::nullopt, "out.au",
         SF_FORMAT_AU | SF_FORMAT_PCM_16},
        // 8 bits stay 8 bits, in the sign the container has.
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, std::nullopt, "out.aiff",
         SF_FORMAT_AIFF | SF_FORMAT_PCM_S8},
        // 32 bits where FLAC has no more than 24.
        {SF_FORMAT_WAV | SF_FORMAT_PCM_32, std::nullopt, "out.flac",
         SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        // G.721 in WAV holds mono only; stereo takes the default encoding of the same container.
        {SF_FORMAT_WAV | SF_FORMAT_G721_32, std::nullopt, "out", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        // A lossy input's own codec only where its container holds nothing else.
        {SF_FORMAT_OGG | SF_FORMAT_VORBIS, std::nullopt, "out", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {kMp3, std::nullopt, "out", kMp3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.output) + " " + c.name.value_or("-"));
        EXPECT_EQ(OutputFormat::choose(c.input, kStereo, c.name, c.output), c.expected);
    }
}

// MPEG audio exists at nine rates; any other is refused before the writer is opened (under
// AddressSanitizer a writer opened at another rate shows up as a leak in the encoder library).
TEST(OutputFormat, Mp3HoldsTheMpegRatesOnly) {
    if (!canEncode(kMp3, kStereo)) {
        GTEST_SKIP() << "this libsndfile writes no MPEG audio";
    }
    const struct {
        int rate;
        bool holds;
    } cases[] = {{8000, true},   {11025, true},  {22050, true},  {32000, true},
                 {44100, true},  {48000, true},  {7999, false},  {48012, false},
                 {88200, false}, {96000, false}, {192000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        EXPECT_EQ(canEncode(kMp3, {2, c.rate}), c.holds);
        EXPECT_EQ(canEncode(kMp3, {1, c.rate}), c.holds);
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
    // Opus takes 8, 12, 16, 24 and 48 kHz only.
    EXPECT_THROW(
        OutputFormat::choose(SF_FORMAT_WAV | SF_FORMAT_PCM_16, kStereo, std::nullopt, "out.opus"),
        AudioFileError);
    EXPECT_THROW(
        OutputFormat::choose(SF_FORMAT_WAV | SF_FORMAT_PCM_16, kStereo, std::nullopt, "out.xyz"),
        AudioFileError);
    EXPECT_TRUE(OutputFormat::isKnown("WAV"));
    EXPECT_FALSE(OutputFormat::isKnown("mp9"));
}

TEST(OutputFormat, TakesTheEncodingAskedForWhereTheContainerHasIt) {
    const int wav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    EXPECT_EQ(OutputFormat::choose(wav16, kStereo, std::nullopt, "out.wav", SF_FORMAT_FLOAT),
              SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(OutputFormat::choose(wav16, kStereo, std::nullopt, "out.flac", SF_FORMAT_PCM_24),
              SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    EXPECT_THROW(OutputFormat::choose(wav16, kStereo, std::nullopt, "out.flac", SF_FORMAT_FLOAT),
                 AudioFileError);
    EXPECT_THROW(OutputFormat::choose(wav16, kStereo, std::nullopt, "out.ogg", SF_FORMAT_PCM_16),
                 AudioFileError);
}

TEST(OutputFormat, RefusalsNameWhatTheFormatLacks) {
    struct Case {
        StreamShape shape;
        const char* output;
        std::optional<int> encoding;
        const char* reason;
    };
    const Case cases[] = {
        {kStereo, "out.flac", SF_FORMAT_FLOAT, "FLAC has no float encoding ('out.flac')"},
        {kStereo, "out.flac", SF_FORMAT_DOUBLE, "FLAC has no double encoding"},
        {kStereo, "out.opus", std::nullopt,
         "Opus does not serve 44.1 kHz; it takes 8, 12, 16, 24 and 48 kHz"},
        {{2, 96000}, "out.mp3", std::nullopt, "MP3 does not serve 96 kHz"},
        {kStereo, "out.ogg", SF_FORMAT_PCM_16, "--encoding does not apply to Ogg Vorbis"},
        {{9, 44100}, "out.flac", std::nullopt, "FLAC cannot hold 9 channels"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        try {
            OutputFormat::choose(SF_FORMAT_WAV | SF_FORMAT_PCM_16, c.shape, std::nullopt, c.output,
                                 c.encoding);
            ADD_FAILURE() << "accepted";
        } catch (const FormatChoiceError& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
        }
    }
}

TEST(OutputFormat, NamesTheProblemOfAnOutputBeforeAnyWork) {
    struct Case {
        std::optional<std::string> name;
        const char* output;
        const char* fragment; // null: no problem
    };
    const Case cases[] = {
        {std::nullopt, "out.wav", nullptr},
        {std::nullopt, "out.FLAC", nullptr},
        {std::nullopt, "out", nullptr},
        {std::string("au"), "-", nullptr},
        {std::nullopt, "out.xyz", "cannot tell a format from the extension of 'out.xyz'"},
        {std::nullopt, "-", "needs --format"},
        {std::string("caf"), "-", "caf cannot be written to standard output"},
        {std::string("mp9"), "out.wav", "--format takes one of wav"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.output) + " " + c.name.value_or("-"));
        const auto problem = OutputFormat::problem(c.name, c.output);
        if (c.fragment == nullptr) {
            EXPECT_FALSE(problem) << *problem;
        } else {
            ASSERT_TRUE(problem);
            EXPECT_NE(problem->find(c.fragment), std::string::npos) << *problem;
        }
    }
}

// Containers whose header holds lengths that are known only at the end must seek back to
// complete it, which a pipe cannot; FLAC, Ogg and AU are written front to back, and WAV with
// lengths that say "unknown", which holds plain samples only.
TEST(OutputFormat, KnowsWhichFormatsStreamIntoAPipe) {
    struct Case {
        int format;
        bool streams;
    };
    const Case cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, true},     {SF_FORMAT_WAV | SF_FORMAT_FLOAT, true},
        {SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, false}, {SF_FORMAT_W64 | SF_FORMAT_FLOAT, false},
        {SF_FORMAT_AIFF | SF_FORMAT_PCM_24, false},   {SF_FORMAT_CAF | SF_FORMAT_PCM_24, false},
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, true},    {SF_FORMAT_OGG | SF_FORMAT_VORBIS, true},
        {SF_FORMAT_AU | SF_FORMAT_PCM_16, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(OutputFormat::streams(c.format, kStereo), c.streams);
    }
    // The list names the streaming formats this libsndfile writes, and none that seek.
    const std::string names = OutputFormat::streamingNames(kStereo, " or ");
    for (const char* streaming : {"wav", "flac", "ogg", "au"}) {
        EXPECT_NE(names.find(streaming), std::string::npos) << names;
    }
    for (const char* seeking : {"aiff", "caf", "w64"}) {
        EXPECT_EQ(names.find(seeking), std::string::npos) << names;
    }
}

} // namespace
} // namespace calderine
