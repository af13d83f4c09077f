#include "tools/render/commands/PluginSearch.h"

#include "tests/tools/render/support/TempFolder.h"
#include "tools/vsthost/HostError.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

std::vector<std::string> folders(const PluginSearch& search) {
    std::vector<std::string> list;
    for (const auto& folder : search.folders()) {
        list.push_back(folder.string());
    }
    return list;
}

TEST(PluginSearch, LooksInTheFoldersLinuxHostsScanInOrder) {
    const struct {
        const char* what;
        const char* vstPath;
        const char* home;
        const char* install;
        std::vector<std::string> expected;
    } cases[] = {
        {"everything",
         "/a:/b/",
         "/h",
         "/opt/x/lib/vst",
         {"/a", "/b/", "/h/.vst", "/h/.lxvst", "/usr/local/lib/vst", "/usr/lib/vst",
          "/opt/x/lib/vst"}},
        {"nothing set", nullptr, nullptr, "", {"/usr/local/lib/vst", "/usr/lib/vst"}},
        {"empty entries are no folders",
         "::/a::",
         "",
         "",
         {"/a", "/usr/local/lib/vst", "/usr/lib/vst"}},
        {"each folder once, the earliest place kept",
         "/usr/lib/vst:/h/.vst:/a/../h/.vst",
         "/h",
         "/usr/local/lib/vst",
         {"/usr/lib/vst", "/h/.vst", "/h/.lxvst", "/usr/local/lib/vst"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(folders(PluginSearch(c.vstPath, c.home, c.install)), c.expected);
    }
}

TEST(PluginSearch, TellsNamesFromPaths) {
    EXPECT_TRUE(PluginSearch::isName("calderine"));
    EXPECT_TRUE(PluginSearch::isName("calderine.so"));
    EXPECT_FALSE(PluginSearch::isName("./calderine.so"));
    EXPECT_FALSE(PluginSearch::isName("/usr/lib/vst/calderine.so"));
    EXPECT_FALSE(PluginSearch::isName("lib/calderine.so"));
}

TEST(PluginSearch, FindsTheFirstFolderHoldingTheName) {
    const TempFolder root;
    for (const char* folder : {"first", "second", "home/.vst"}) {
        std::filesystem::create_directories(root / folder);
    }
    std::ofstream(root / "second" / "fx.so") << "second";
    std::ofstream(root / "home" / ".vst" / "fx.so") << "home";
    std::ofstream(root / "home" / ".vst" / "other.so") << "other";
    std::ofstream(root / "first" / "plain") << "no extension";
    std::filesystem::create_directories(root / "first" / "folder.so");
    const std::string vstPath = (root / "first").string() + ":" + (root / "second").string();
    const PluginSearch search(vstPath.c_str(), (root / "home").c_str(), "");

    EXPECT_EQ(search.find("fx"), root / "second" / "fx.so");
    EXPECT_EQ(search.find("fx.so"), root / "second" / "fx.so");
    EXPECT_EQ(search.find("other"), root / "home" / ".vst" / "other.so");
    for (const char* absent : {"plain", "folder", "missing"}) {
        SCOPED_TRACE(absent);
        try {
            search.find(absent);
            ADD_FAILURE() << "found";
        } catch (const HostError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find((root / "first").string() + ", " + (root / "second").string() +
                                   ", " + (root / "home" / ".vst").string()),
                      std::string::npos)
                << message;
        }
    }
}

} // namespace
} // namespace calderine
