// calderine-render --quality on each lossy encoder's own scale (and FLAC's compression
// level), measured by what it does to the file; values outside a scale, and formats without
// one, refused as mistakes on the command line.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <string>
#include <vector>

namespace calderine {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 48000;
constexpr double kSeconds = 5.0;

struct Scene {
    TempFolder folder;
    fs::path input = folder / "in.wav";
    Scene() {
        const auto frames = static_cast<std::size_t>(kSeconds * kRate);
        writeSound(input, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, kRate, testSignal(frames, 2, kRate));
    }
    ToolResult render(const fs::path& output, std::vector<std::string> extra) const {
        std::vector<std::string> arguments{input.string(), output.string(), "--plugin",
                                           CALDERINE_FAKE_DELAY_MODULE};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return runTool(arguments);
    }
    // kbit/s of a rendered file, headers and all.
    double bitrate(const fs::path& file) const {
        return static_cast<double>(fs::file_size(file)) * 8.0 / kSeconds / 1000.0;
    }
};

TEST(EncoderQuality, EachScaleMovesTheEncoderTheWayItsUsersKnow) {
    const Scene scene;
    struct Case {
        const char* extension;
        const char* smaller; // the setting that should give the smaller file
        const char* larger;
    };
    const Case cases[] = {
        {"flac", "8", "0"},    // compression level: 8 smallest
        {"ogg", "0", "10"},    // oggenc -q: 10 best
        {"mp3", "9", "0"},     // lame -V: 0 best
        {"opus", "24", "192"}, // kbit/s
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        const fs::path small = scene.folder / (std::string("small.") + c.extension);
        const fs::path large = scene.folder / (std::string("large.") + c.extension);
        const ToolResult first = scene.render(small, {"--quality", c.smaller});
        const ToolResult second = scene.render(large, {"--quality", c.larger});
        ASSERT_EQ(first.status, 0) << first.err;
        ASSERT_EQ(second.status, 0) << second.err;
        const double low = scene.bitrate(small);
        const double high = scene.bitrate(large);
        std::cout << c.extension << ": " << low << " and " << high << " kbit/s\n";
        if (std::string(c.extension) == "flac") {
            // Lossless at every level: the same samples, packed tighter (by 1.7 % here: the
            // noise in the test signal leaves little to gain).
            EXPECT_LT(low, 0.99 * high);
            EXPECT_EQ(readSound<double>(small).samples, readSound<double>(large).samples);
        } else if (std::string(c.extension) == "opus") {
            // A bitrate is a bitrate: the file's, within what VBR and headers add.
            EXPECT_NEAR(low, 24.0, 0.3 * 24.0);
            EXPECT_NEAR(high, 192.0, 0.3 * 192.0);
        } else {
            // Vorbis q0 is about 64 kbit/s and q10 about 500; LAME -V9 about 65, -V0 about
            // 245 for stereo music.
            EXPECT_GT(high, 2.5 * low);
        }
    }
}

TEST(EncoderQuality, RefusesWhatTheFormatCannotTakeAsACommandLineMistake) {
    const Scene scene;
    struct Case {
        const char* extension;
        std::vector<std::string> options;
        const char* reason;
    };
    const Case cases[] = {
        {"ogg", {"--quality", "11"}, "from 0 (smallest) to 10 (best)"},
        {"ogg", {"--quality", "-1"}, "from 0 (smallest) to 10 (best)"},
        {"mp3", {"--quality", "9.5"}, "from 0 (best) to 9 (smallest)"},
        {"opus", {"--quality", "11"}, "from 12 to 512 for 2 channels"},
        {"opus", {"--quality", "513"}, "from 12 to 512 for 2 channels"},
        {"flac", {"--quality", "4.5"}, "a whole number from 0 (fastest) to 8 (smallest)"},
        {"flac", {"--quality", "9"}, "a whole number from 0 (fastest) to 8 (smallest)"},
        {"wav", {"--quality", "5"}, "--quality applies to FLAC, Ogg Vorbis, Opus and MP3"},
        {"aiff", {"--quality", "5"}, "--quality applies to FLAC, Ogg Vorbis, Opus and MP3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.extension) + " " + testing::PrintToString(c.options));
        const fs::path out = scene.folder / (std::string("out.") + c.extension);
        const ToolResult result = scene.render(out, c.options);
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

} // namespace
} // namespace calderine
