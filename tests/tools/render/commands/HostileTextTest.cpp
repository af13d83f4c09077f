// --info and --help on a module whose texts hold terminal commands and line breaks: every text
// is shown escaped on its own line, and the settings block --info prints, cut out and read as
// a preset, sets only what the module names as a parameter.
#include "tests/tools/render/support/ToolRun.h"
#include "tools/render/settings/PresetFile.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

// The first byte of text that would act on a terminal rather than show, or -1.
long commandByte(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7F) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        all.push_back(line);
    }
    return all;
}

bool holdsLine(const std::string& text, const std::string& wanted) {
    for (const std::string& line : lines(text)) {
        if (line.find(wanted) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(HostileText, InfoAndHelpShowTheModulesTextsEscaped) {
    const struct {
        const char* command;
        std::vector<std::string> arguments;
        // Parts of single lines, the module's texts as C escapes.
        std::vector<std::string> shown;
    } cases[] = {
        {"--info",
         {"--info", CALDERINE_HOSTILE_NAMES},
         {"effect:         \"\\x1b]0;owned\\x07Evil\"", "vendor:         \"\\x1b[2J\\x1b[HVendor\"",
          "product:        \"Box\\npreset: Mix=0\"", "(current 0: \"\\x1b[5mblink\")",
          "\"Gain\\npreset: Bypass=On\"", "\"Tone\\x1b[2J\"", "\"\\x1b[31m\"", "\"\\x0d3\\x08\""}},
        {"--help",
         {"--help", "--plugin", CALDERINE_HOSTILE_NAMES},
         {"Parameters of \"\\x1b]0;owned\\x07Evil\"", "  Gain\\npreset: Bypass=On  ",
          "  Tone\\x1b[2J  "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        const ToolResult result = runTool(c.arguments);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(commandByte(result.out), -1) << result.out;
        for (const std::string& wanted : c.shown) {
            EXPECT_TRUE(holdsLine(result.out, wanted)) << wanted << " in\n" << result.out;
        }
    }
}

TEST(HostileText, TheSettingsBlockSetsOnlyTheModulesOwnParameters) {
    const ToolResult result = runTool({"--info", CALDERINE_HOSTILE_NAMES});
    ASSERT_EQ(result.status, 0) << result.err;
    // As the settings line of --info tells: the lines after "preset: ".
    const std::string prefix = "preset: ";
    std::string block;
    for (const std::string& line : lines(result.out)) {
        if (line.rfind(prefix, 0) == 0) {
            block += line.substr(prefix.size()) + "\n";
        }
    }
    std::vector<std::pair<std::string, std::string>> set;
    for (const PresetLine& line : PresetFile::parse(block, "info")) {
        set.emplace_back(line.assignment.parameter, line.assignment.value);
    }
    // "Gain\npreset: Bypass=On" and "Bypass=On" cannot be written as names that read back as
    // themselves; of the four parameters only Mix can.
    const std::vector<std::pair<std::string, std::string>> expected{{"Mix", "50 %"}};
    EXPECT_EQ(set, expected) << block;
}

} // namespace
} // namespace calderine
