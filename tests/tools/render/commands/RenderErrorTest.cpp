// calderine-render on bad input: one clear line on standard error, a non-zero exit, and no
// output file, partial or temporary, left behind.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

struct Case {
    const char* what;
    std::vector<std::string> arguments; // "@" stands for the scratch folder
    const char* fragment;
};

TEST(RenderErrors, FailCleanlyWithOneLine) {
    const Case cases[] = {
        {"missing input", {"@/absent.wav", "@/out.wav"}, "no input file at '"},
        {"text renamed .wav", {"@/text.wav", "@/out.wav"}, "cannot read '"},
        {"three channels", {"@/three.wav", "@/out.wav"}, "3 channels does not fit"},
        {"unknown parameter",
         {"@/in.wav", "@/out.wav", "--set", "Loudness=3"},
         "Loudness=3: unknown parameter 'Loudness'; the parameters are Tone_Gain, "},
        {"out of range",
         {"@/in.wav", "@/out.wav", "--set", "Tone_Gain=25"},
         "Tone_Gain=25: out of range; Tone_Gain takes mute, -18.0 .. 18.0 dB"},
        {"unparsable value",
         {"@/in.wav", "@/out.wav", "--set", "DryMix=lots"},
         "DryMix=lots: not a value it shows; DryMix takes 0.0 .. 100.0 %"},
        {"normalised out of range",
         {"@/in.wav", "@/out.wav", "--set-normalized", "0=1.5"},
         "0=1.5: a normalised value is a number from 0 to 1"},
        {"not a plug-in",
         {"@/in.wav", "@/out.wav", "--plugin", "@/text.wav"},
         "cannot load module '"},
        {"missing plug-in",
         {"@/in.wav", "@/out.wav", "--plugin", "@/absent.so"},
         "no module file at '"},
        {"stems from a stranger",
         {"@/in.wav", "@/out.wav", "--stems", "--plugin", CALDERINE_FAKE_DELAY_MODULE},
         "--stems needs the parameters Tone_Gain, Noise_Gain and DryMix"},
        {"missing output folder", {"@/in.wav", "@/absent/out.wav"}, "cannot write '"},
        {"output is a folder", {"@/in.wav", "@"}, "is a folder"},
        {"extension of no format", {"@/in.wav", "@/out.xyz"}, "cannot tell a format from the"},
        {"opus at 44.1 kHz", {"@/in.wav", "@/out.opus"}, "Opus does not serve 44.1 kHz"},
        {"no float in flac",
         {"@/in.wav", "@/out.flac", "--encoding", "float"},
         "FLAC has no float encoding"},
        {"aiff on standard output",
         {"@/in.wav", "-", "--format", "aiff"},
         "cannot be written to standard output"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder folder;
        writeSound(folder / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100,
                   testSignal(4410, 2, 44100));
        writeSound(folder / "three.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 44100,
                   testSignal(4410, 3, 44100));
        std::ofstream(folder / "text.wav") << "RIFF? no, just some words\n";
        const auto inputs = folder.names();

        std::vector<std::string> arguments;
        for (std::string argument : c.arguments) {
            if (argument.starts_with('@')) {
                argument.replace(0, 1, folder.path().string());
            }
            arguments.push_back(argument);
        }
        const ToolResult result = runTool(arguments);
        EXPECT_NE(result.status, 0);
        EXPECT_NE(result.status, -1) << "the tool crashed";
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_TRUE(result.err.starts_with("calderine-render: ")) << result.err;
        EXPECT_NE(result.err.find(c.fragment), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(folder.names(), inputs) << "something was left behind";
    }
}

} // namespace
} // namespace calderine
