// --list-plugins over a folder holding a library that misbehaves when loaded, followed by a
// good module: the listing names the misbehaviour and goes on.
#include "tests/tools/render/support/ScopedEnvironment.h"
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/ToolRun.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace calderine {
namespace {

using Row = std::vector<std::string>;

// The words of the lines that name a file in folder: modules installed on the machine may be
// listed too.
std::vector<Row> rowsIn(const std::string& listing, const std::filesystem::path& folder) {
    std::vector<Row> rows;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(folder.string() + "/") == std::string::npos) {
            continue;
        }
        std::istringstream words(line);
        Row row;
        for (std::string word; words >> word;) {
            row.push_back(word);
        }
        rows.push_back(row);
    }
    return rows;
}

// Stands for the number of a crash's signal, which the sanitizers change.
constexpr const char* kAnySignal = "<SIGSEGV or SIGABRT>";

TEST(PluginProbeTool, ListsALibraryThatMisbehavesOnLoadAndGoesOn) {
    const struct {
        const char* what;
        const char* name;  // of the file, without ".so"
        const char* shown; // the name as listed
        const char* library;
        Row annotation;
    } cases[] = {
        {"crash",
         "hostile",
         "hostile",
         CALDERINE_HOSTILE_CRASH,
         // SIGSEGV, or SIGABRT where a sanitizer's handler turns the fault into an abort.
         {"(crashed", "while", "loading:", "signal", kAnySignal}},
        {"prints and exits 0",
         "hostile",
         "hostile",
         CALDERINE_HOSTILE_EXIT,
         {"(exited", "while", "loading:", "status", "0)"}},
        {"never returns",
         "hostile",
         "hostile",
         CALDERINE_HOSTILE_HANG,
         {"(did", "not", "answer", "within", "5", "s)"}},
        {"a name that clears the screen", "\x1b[2J", "\\x1b[2J", CALDERINE_FAKE_DELAY_MODULE, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder root;
        std::filesystem::create_directories(root / "vst");
        std::filesystem::create_directories(root / "home");
        const std::string file = std::string(c.name) + ".so";
        std::filesystem::create_symlink(c.library, root / "vst" / file);
        std::filesystem::create_symlink(CALDERINE_FAKE_DELAY_MODULE, root / "vst/later.so");
        ScopedEnvironment environment;
        environment.set("VST_PATH", (root / "vst").string());
        environment.set("HOME", (root / "home").string());

        const auto started = std::chrono::steady_clock::now();
        // Bounded here, so that a listing that hangs fails the test instead of stopping it.
        const ToolResult result =
            runShell("timeout 30 " + shellQuoted(CALDERINE_RENDER_TOOL) + " --list-plugins > " +
                     shellQuoted((root / "listing").string()));
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const std::string listing = slurp((root / "listing").string());
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        Row hostile{c.shown, (root / "vst").string() + "/" + c.shown + ".so"};
        hostile.insert(hostile.end(), c.annotation.begin(), c.annotation.end());
        const std::vector<Row> expected{hostile, {"later", (root / "vst/later.so").string()}};
        std::vector<Row> rows = rowsIn(listing, root / "vst");
        if (!rows.empty() && !rows.front().empty() && hostile.back() == kAnySignal &&
            (rows.front().back() == "11)" || rows.front().back() == "6)")) {
            rows.front().back() = kAnySignal;
        }
        EXPECT_EQ(rows, expected) << listing;
        EXPECT_EQ(listing.find("hostile library output"), std::string::npos) << listing;
        EXPECT_LT(seconds, 10.0);
    }
}

} // namespace
} // namespace calderine
