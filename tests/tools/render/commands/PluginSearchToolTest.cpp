// --plugin NAME and --list-plugins against folders made for the test: VST_PATH and HOME point
// at them, holding links to the built module and to a stand-in effect.
#include "tests/tools/render/support/ScopedEnvironment.h"
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/ToolRun.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace calderine {
namespace {

// Folders the tool must not find anything in, as on a machine without plug-ins installed.
bool systemFoldersHoldModules() {
    for (const char* folder : {"/usr/local/lib/vst", "/usr/lib/vst"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (entry.path().extension() == ".so") {
                return true;
            }
        }
    }
    return false;
}

// vst/ holds the stand-in as "delay.so" and as "calderine.so"; home/.vst the real module.
class PluginFolders {
public:
    PluginFolders() {
        std::filesystem::create_directories(root / "vst");
        std::filesystem::create_directories(root / "home" / ".vst");
        std::filesystem::create_directories(root / "home" / ".lxvst");
        std::filesystem::create_symlink(CALDERINE_FAKE_DELAY_MODULE, root / "vst" / "delay.so");
        std::filesystem::copy_file(CALDERINE_FAKE_DELAY_MODULE, root / "vst" / "shadow.so");
        std::filesystem::create_symlink(CALDERINE_MODULE_PATH,
                                        root / "home" / ".vst" / "calderine.so");
        std::filesystem::create_symlink(CALDERINE_MODULE_PATH,
                                        root / "home" / ".lxvst" / "shadow.so");
        std::ofstream(root / "home" / ".lxvst" / "notes.so") << "not a module\n";
        environment.set("VST_PATH", (root / "vst").string());
        environment.set("HOME", (root / "home").string());
    }

    std::filesystem::path operator/(const std::string& name) const { return root / name; }

private:
    TempFolder root;
    ScopedEnvironment environment;
};

std::string moduleLine(const ToolResult& result) {
    std::istringstream lines(result.out);
    std::string line;
    std::getline(lines, line);
    return line;
}

TEST(PluginSearchTool, LoadsAModuleByName) {
    const PluginFolders folders;
    const struct {
        const char* name;
        std::filesystem::path expected;
    } cases[] = {
        {"delay", folders / "vst/delay.so"},
        {"delay.so", folders / "vst/delay.so"},
        {"calderine", folders / "home/.vst/calderine.so"},
        // VST_PATH comes before the home folders.
        {"shadow", folders / "vst/shadow.so"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolResult result = runTool({"--info", "--plugin", c.name});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(moduleLine(result),
                  "module:         " + c.expected.string() + " (entry VSTPluginMain)");
    }
}

// The tool's working folder for one test, put back when it ends.
class ScopedWorkingFolder {
public:
    explicit ScopedWorkingFolder(const std::filesystem::path& folder)
        : saved(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~ScopedWorkingFolder() { std::filesystem::current_path(saved); }
    ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
    ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

private:
    std::filesystem::path saved;
};

// A name is looked up only in folders that stay the same wherever the tool is started: the
// working folder holds a module under every relative entry, and none of them may load.
TEST(PluginSearchTool, SearchesOnlyAbsoluteVstPathEntries) {
    const TempFolder root;
    for (const char* folder : {"~/.vst", "lib", "abs", "home"}) {
        std::filesystem::create_directories(root / folder);
        std::filesystem::create_symlink(CALDERINE_FAKE_DELAY_MODULE, root / folder / "probe.so");
    }
    std::filesystem::create_symlink(CALDERINE_FAKE_DELAY_MODULE, root / "probe.so");
    const std::string absolute = (root / "abs").string();
    const struct {
        std::string vstPath;
        const char* ignored; // the entries the one warning names; null: no warning
        bool found;          // in the absolute folder
    } cases[] = {
        {"~/.vst", "'~/.vst'", false},
        {"lib", "'lib'", false},
        {"./lib/", "'./lib/'", false},
        {"", nullptr, false},
        {":", nullptr, false},
        {absolute, nullptr, true},
        {"lib:~/.vst::" + absolute, "'lib', '~/.vst'", true},
    };
    ScopedEnvironment environment;
    environment.set("HOME", (root / "no-home").string());
    const ScopedWorkingFolder here(root.path());
    for (const auto& c : cases) {
        SCOPED_TRACE("VST_PATH=" + c.vstPath);
        environment.set("VST_PATH", c.vstPath);
        const ToolResult result = runTool({"--info", "--plugin", "probe"});
        EXPECT_EQ(result.status, c.found ? 0 : 1) << result.err;
        EXPECT_EQ(result.out.find((root / "abs" / "probe.so").string()) != std::string::npos,
                  c.found)
            << result.out;
        std::istringstream lines(result.err);
        int warnings = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("calderine-render: warning: VST_PATH: ")) {
                ++warnings;
                ASSERT_NE(c.ignored, nullptr) << line;
                EXPECT_TRUE(line.ends_with(c.ignored)) << line;
            }
        }
        EXPECT_EQ(warnings, c.ignored ? 1 : 0) << result.err;
        if (!c.found) {
            EXPECT_NE(result.err.find("no module named 'probe.so'"), std::string::npos)
                << result.err;
        }
    }
}

TEST(PluginSearchTool, AnUnknownNameFailsNamingTheFoldersSearched) {
    const PluginFolders folders;
    const ToolResult result = runTool({"--info", "--plugin", "absent"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errLines(), 1) << result.err;
    for (const char* folder : {"vst", "home/.vst", "home/.lxvst"}) {
        EXPECT_NE(result.err.find((folders / folder).string()), std::string::npos) << result.err;
    }
    EXPECT_EQ(result.out, "");
}

TEST(PluginSearchTool, ListsEveryModuleWithNameAndPath) {
    if (systemFoldersHoldModules()) {
        GTEST_SKIP() << "this machine has modules installed; the list would hold them too";
    }
    const PluginFolders folders;
    const ToolResult result = runTool({"--list-plugins"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> row;
        for (std::string word; words >> word;) {
            row.push_back(word);
        }
        rows.push_back(row);
    }
    const std::vector<std::vector<std::string>> expected = {
        {"delay", (folders / "vst/delay.so").string()},
        {"shadow", (folders / "vst/shadow.so").string()},
        {"calderine", (folders / "home/.vst/calderine.so").string()},
        {"notes", (folders / "home/.lxvst/notes.so").string(), "(not", "a", "VST", "2.4",
         "module)"},
        {"shadow", (folders / "home/.lxvst/shadow.so").string(), "(hidden:", "an", "earlier",
         "folder", "holds", "the", "same", "name)"},
    };
    EXPECT_EQ(rows, expected) << result.out;
}

TEST(PluginSearchTool, FindingNoModuleSaysWhereItLooked) {
    if (systemFoldersHoldModules()) {
        GTEST_SKIP() << "this machine has modules installed";
    }
    const TempFolder root;
    ScopedEnvironment environment;
    environment.set("VST_PATH", (root / "empty").string());
    environment.set("HOME", (root / "home").string());
    const ToolResult result = runTool({"--list-plugins"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errLines(), 1) << result.err;
    EXPECT_EQ(result.out, "");
    for (const std::string& folder :
         {(root / "empty").string(), (root / "home/.vst").string(), (root / "home/.lxvst").string(),
          std::string("/usr/lib/vst")}) {
        EXPECT_NE(result.err.find(folder), std::string::npos) << result.err;
    }
}

} // namespace
} // namespace calderine
