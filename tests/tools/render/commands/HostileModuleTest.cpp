// calderine-render against modules that lie in their record or texts: each is refused with a
// message naming the lie, or, where the lie costs nothing, handled; never a crash, never a
// scrambled file.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

constexpr int kRate = 44100;
constexpr std::size_t kFrames = kRate / 2;

std::string hostileModule(const std::string& kind) {
    return std::string(CALDERINE_HOSTILE_MODULE_DIR) + "/" + CALDERINE_HOSTILE_MODULE_PREFIX +
           "calderine_hostile_" + kind + CALDERINE_HOSTILE_MODULE_SUFFIX;
}

std::string repeated(const std::string& unit, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += unit;
    }
    return text;
}

// What a run must end with: its exit status and a text its output (--info) or error (render,
// or any failure) must hold.
struct Outcome {
    int status;
    std::string text;
};

struct Case {
    const char* kind;
    Outcome info;
    Outcome render;
};

const std::string kLongText = "\"" + repeated("x", 256) + "\"";
// Cut at a character, not inside one: 'x' and 127 two-byte characters are 255 bytes.
const std::string kLongAccentedText = "\"x" + repeated("\xC3\xA9", 127) + "\"";

const Case kCases[] = {
    {"no_dispatcher", {1, "leaves out its dispatcher"}, {1, "leaves out its dispatcher"}},
    {"no_set_parameter", {1, "leaves out its setParameter"}, {1, "leaves out its setParameter"}},
    {"no_get_parameter", {1, "leaves out its getParameter"}, {1, "leaves out its getParameter"}},
    {"no_process_replacing", {0, "outputs: "}, {1, "cannot process float samples"}},
    {"negative_latency_resumed", {0, "latency: "}, {1, "a latency of -1000 samples"}},
    {"huge_latency_resumed",
     {0, "latency: "},
     {1, "a latency of 2147483647 samples; a render takes 0 to 26460000"}},
    {"outputs_grow_resumed",
     {0, "outputs: "},
     {1, "switched on with 2 inputs and 8 outputs instead of 2 inputs and 2 outputs"}},
    {"inputs_grow_resumed",
     {0, "inputs: "},
     {1, "switched on with 8 inputs and 2 outputs instead of 2 inputs and 2 outputs"}},
    {"huge_parameter_count",
     {1, "reports 2147483647 parameters; a host takes 0 to "},
     {1, "reports 2147483647 parameters"}},
    {"huge_program_count",
     {1, "reports 2147483647 programs; a host takes 0 to "},
     {1, "reports 2147483647 programs"}},
    {"huge_output_count", {1, "reports 100000 outputs"}, {1, "reports 100000 outputs"}},
    {"negative_input_count", {1, "reports -2 inputs"}, {1, "reports -2 inputs"}},
    {"long_texts", {0, kLongText}, {0, ""}},
    {"long_accented_texts", {0, kLongAccentedText}, {0, ""}},
};

TEST(HostileModule, IsRefusedOrHandledNeverCrashesOrScrambles) {
    const TempFolder folder;
    const auto in = folder / "in.wav";
    writeSound(in, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, kRate, testSignal(kFrames, 2, kRate));
    const auto input = readSound<float>(in);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.kind);
        const std::string module = hostileModule(c.kind);

        const ToolResult info = runTool({"--info", module});
        EXPECT_EQ(info.status, c.info.status) << info.err;
        EXPECT_NE((c.info.status == 0 ? info.out : info.err).find(c.info.text), std::string::npos)
            << info.out << info.err;
        if (c.info.status == 0) {
            EXPECT_EQ(info.err, "");
        }

        const auto out = folder / (std::string(c.kind) + ".wav");
        const ToolResult render = runTool({in.string(), out.string(), "--plugin", module});
        EXPECT_EQ(render.status, c.render.status) << render.err;
        EXPECT_NE(render.err.find(c.render.text), std::string::npos) << render.err;
        if (c.render.status == 0) {
            // A pass-through: the input itself, at its length.
            EXPECT_EQ(render.err, "");
            const auto output = readSound<float>(out);
            EXPECT_EQ(output.channels, 2);
            EXPECT_EQ(output.samples, input.samples);
        } else {
            EXPECT_FALSE(std::filesystem::exists(out));
        }
    }
    // Nothing but the input and the files of successful renders is left behind.
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{"in.wav", "long_accented_texts.wav", "long_texts.wav"}));
}

} // namespace
} // namespace calderine
