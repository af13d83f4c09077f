// Sample rates the effect does not serve: the effect ignores them and would render at the rate
// it had, so calderine-render must refuse instead of writing a file of the wrong sound.
#include "tests/tools/render/pipeline/RateCases.h"
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

constexpr int kPcm16Wav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr std::size_t kFrames = 64;

TEST(RenderRates, UnservedRatesAreRefusedWithoutOutput) {
    for (const RateCase& c : kRateCases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz");
        const TempFolder folder;
        const auto input = folder / "in.wav";
        writeSound(input, kPcm16Wav, 2, c.rate, testSignal(kFrames, 2, 44100));
        const ToolResult result = runTool({input.string(), (folder / "out.wav").string()});
        if (c.served) {
            ASSERT_EQ(result.status, 0) << result.err;
            EXPECT_EQ(readSound<float>(folder / "out.wav").sampleRate, c.rate);
            continue;
        }
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_NE(result.err.find(std::to_string(c.rate) + " Hz"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("ignores"), std::string::npos) << result.err;
        EXPECT_EQ(folder.names(), std::vector<std::string>{"in.wav"});
    }
}

} // namespace
} // namespace calderine
