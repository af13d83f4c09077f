// --preset NAME: the shipped presets beside the installed tool, a path read as given.
#include "tools/render/settings/PresetLocator.h"

#include "tests/tools/render/support/TempFolder.h"
#include "tools/render/commandline/ArgumentParser.h"
#include "tools/render/settings/PresetFile.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace calderine {
namespace {

TEST(PresetLocator, LooksInShareBesideTheToolsBinFolderFirst) {
    const PresetLocator locator("/opt/x/bin/calderine-render");
    ASSERT_FALSE(locator.folders().empty());
    EXPECT_EQ(locator.folders().front(), "/opt/x/share/calderine/presets");
}

TEST(PresetLocator, FindsNamesInTheFirstFolderThatHasThemAndReadsPathsAsGiven) {
    const TempFolder near;
    const TempFolder far;
    std::filesystem::create_directory(near / "sub");
    std::ofstream(near / "calm.preset") << "Tone_Gain=-3\n";
    std::ofstream(far / "calm.preset") << "Tone_Gain=-9\n";
    std::ofstream(far / "loud.preset") << "Tone_Gain=6\n";
    std::ofstream(near / "sub" / "own.preset") << "DryMix=5\n";
    const std::vector<std::filesystem::path> folders = {near.path(), far.path()};
    const struct {
        std::string value;
        std::string found; // "" for a refusal
    } cases[] = {
        {"calm", (near / "calm.preset").string()},
        {"loud", (far / "loud.preset").string()},
        {(near / "sub" / "own.preset").string(), (near / "sub" / "own.preset").string()},
        {"sub/own.preset", "sub/own.preset"}, // a path, relative to the current folder
        {"own.preset", "own.preset"},         // an extension makes it a path
        {"nowhere", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        if (c.found.empty()) {
            try {
                PresetLocator::resolve(c.value, folders);
                ADD_FAILURE() << "found";
            } catch (const PresetError& error) {
                const std::string message = error.what();
                EXPECT_NE(message.find("no preset named 'nowhere'"), std::string::npos) << message;
                EXPECT_NE(message.find("there are: calm, loud"), std::string::npos) << message;
            }
            continue;
        }
        EXPECT_EQ(PresetLocator::resolve(c.value, folders).string(), c.found);
    }
    EXPECT_EQ(PresetLocator::names(folders), (std::vector<std::string>{"calm", "loud"}));

    const std::vector<std::string_view> line = {"in.wav", "out.wav", "--preset", "calm"};
    const RenderOptions options = ArgumentParser(folders).parse(line);
    ASSERT_EQ(options.assignments.size(), 1u);
    EXPECT_EQ(options.assignments[0].value, "-3");
    EXPECT_EQ(options.assignmentOrigins[0], (near / "calm.preset").string() + ":1");
}

} // namespace
} // namespace calderine
