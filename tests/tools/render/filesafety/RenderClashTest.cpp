// calderine-render refuses, before any work, outputs that would destroy an input or each
// other, and read-only outputs unless forced; OUTPUT naming INPUT of a single render stays
// allowed.
#include "tests/tools/render/support/FolderSnapshot.h"
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace calderine {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr std::size_t kFrames = 4410;
constexpr int kPcm16Wav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kUsageExit = 2;

TEST(RenderClash, OutputsThatWouldDestroyTheInputOrEachOtherAreRefused) {
    struct Case {
        const char* what;
        const char* input;
        std::vector<std::pair<const char*, const char*>> hardLinks; // new name, existing file
        std::vector<std::pair<const char*, const char*>> symLinks;  // new name, link text
        std::vector<std::string> arguments;
        const char* fragment;
    };
    const Case cases[] = {
        {"a stem named like the input",
         "take.tone.wav",
         {},
         {},
         {"@/take.tone.wav", "@/take.wav", "--stems"},
         "'@/take.tone.wav' would overwrite the input"},
        {"a stem that is a hard link to the input",
         "in.wav",
         {{"out.noise.wav", "in.wav"}},
         {},
         {"@/in.wav", "@/out.wav", "--stems"},
         "'@/out.noise.wav' would overwrite the input"},
        {"a stem that is a symbolic link to the input",
         "in.wav",
         {},
         {{"out.tone.wav", "in.wav"}},
         {"@/in.wav", "@/out.wav", "--stems"},
         "'@/out.tone.wav' would overwrite the input"},
        {"a stem that links to the mix",
         "in.wav",
         {},
         {{"out.tone.wav", "out.wav"}},
         {"@/in.wav", "@/out.wav", "--stems"},
         "'@/out.wav' and '@/out.tone.wav' are the same file"},
        {"a stem that links to where the mix will be",
         "in.wav",
         {},
         {{"out.noise.wav", "out.wav"}},
         {"@/in.wav", "@/out.wav", "--stems"},
         "'@/out.wav' and '@/out.noise.wav' are the same file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder folder;
        writeSound(folder / c.input, kPcm16Wav, 2, kRate, testSignal(kFrames, 2, kRate));
        if (std::string(c.what) == "a stem that links to the mix") {
            writeSound(folder / "out.wav", kPcm16Wav, 1, kRate, {0.25, 0.25});
        }
        for (const auto& [name, existing] : c.hardLinks) {
            fs::create_hard_link(folder / existing, folder / name);
        }
        for (const auto& [name, text] : c.symLinks) {
            fs::create_symlink(text, folder / name);
        }
        const auto before = snapshot(folder);
        const ToolResult result = runTool(withFolder(folder, c.arguments));
        EXPECT_EQ(result.status, kUsageExit);
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_NE(result.err.find(withFolder(folder, {c.fragment}).front()), std::string::npos)
            << result.err;
        EXPECT_EQ(snapshot(folder), before) << "a file was touched";
    }
}

// With many inputs, or in the demo, nothing may replace an input, whatever name leads to it,
// and the refusal comes before the first file is rendered.
TEST(RenderClash, NoOutputOfABatchOrTheDemoIsAnInput) {
    struct Case {
        const char* what;
        std::vector<const char*> sounds; // written first
        std::vector<const char*> folders;
        std::vector<std::pair<const char*, const char*>> hardLinks; // new name, existing file
        std::vector<std::pair<const char*, const char*>> symLinks;  // new name, link text
        std::vector<std::string> arguments;
        const char* fragment;
    };
    const Case cases[] = {
        {"a batch into its inputs' own folder",
         {"a/take1.wav", "a/take2.wav"},
         {},
         {},
         {},
         {"@/a/take1.wav", "@/a/take2.wav", "--output-dir", "@/a"},
         "'@/a/take1.wav' would overwrite the input '@/a/take1.wav'"},
        {"a batch into a link to its inputs' folder",
         {"a/take.wav"},
         {},
         {},
         {{"out", "a"}},
         {"@/a/take.wav", "--output-dir", "@/out"},
         "'@/out/take.wav' would overwrite the input '@/a/take.wav'"},
        {"a batch output that is a hard link to its input",
         {"a/take.wav"},
         {"out"},
         {{"out/take.wav", "a/take.wav"}},
         {},
         {"@/a/take.wav", "--output-dir", "@/out"},
         "'@/out/take.wav' would overwrite the input '@/a/take.wav'"},
        {"a stem of one input linked to another, rendered earlier",
         {"a/x.wav", "a/y.wav"},
         {"out"},
         {},
         {{"out/y.tone.wav", "../a/x.wav"}},
         {"@/a/x.wav", "@/a/y.wav", "--output-dir", "@/out", "--stems", "--jobs", "1"},
         "'@/out/y.tone.wav' would overwrite the input '@/a/x.wav'"},
        {"a stem of one input linked to another, rendered later",
         {"a/x.wav", "a/y.wav"},
         {"out"},
         {},
         {{"out/x.noise.wav", "../a/y.wav"}},
         {"@/a/x.wav", "@/a/y.wav", "--output-dir", "@/out", "--stems", "--jobs", "1"},
         "'@/out/x.noise.wav' would overwrite the input '@/a/y.wav'"},
        {"the demo's mix linked to the demo's input",
         {},
         {"demo"},
         {},
         {{"demo/mix.wav", "input.wav"}},
         {"--demo", "@/demo"},
         "'@/demo/input.wav' and '@/demo/mix.wav' are the same file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder folder;
        for (const char* sound : c.sounds) {
            fs::create_directories((folder / sound).parent_path());
            writeSound(folder / sound, kPcm16Wav, 2, kRate, testSignal(kFrames, 2, kRate));
        }
        for (const char* sub : c.folders) {
            fs::create_directories(folder / sub);
        }
        for (const auto& [name, existing] : c.hardLinks) {
            fs::create_hard_link(folder / existing, folder / name);
        }
        for (const auto& [name, text] : c.symLinks) {
            fs::create_symlink(text, folder / name);
        }
        const auto before = snapshot(folder);
        const ToolResult result = runTool(withFolder(folder, c.arguments));
        EXPECT_EQ(result.status, kUsageExit);
        EXPECT_EQ(result.errLines(), 1) << result.err;
        EXPECT_NE(result.err.find(withFolder(folder, {c.fragment}).front()), std::string::npos)
            << result.err;
        EXPECT_EQ(snapshot(folder), before) << "a file was touched";
    }
}

// The mix may replace the input: it is written aside and takes the name only at the end.
TEST(RenderClash, OutputNamingTheInputIsReplacedAtTheEnd) {
    const TempFolder folder;
    const fs::path take = folder / "take.wav";
    writeSound(take, kPcm16Wav, 2, kRate, testSignal(kFrames, 2, kRate));
    const std::string original = bytesOf(take);
    const ToolResult result = runTool({take.string(), take.string(), "--stems"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{"take.noise.wav", "take.tone.wav", "take.wav"}));
    EXPECT_NE(bytesOf(take), original);
    EXPECT_EQ(readSound<double>(take).frames(), kFrames);
}

TEST(RenderClash, ReadOnlyOutputNeedsForce) {
    struct Case {
        const char* what;
        const char* output;  // what OUTPUT names
        const char* guarded; // the read-only file
        bool linked;         // OUTPUT is a symbolic link to it
        bool stems;
    };
    const Case cases[] = {
        {"the output itself", "out.wav", "out.wav", false, false},
        {"through a symbolic link", "link.wav", "out.wav", true, false},
        {"a stem", "out.wav", "out.tone.wav", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder folder;
        const fs::path input = folder / "in.wav";
        writeSound(input, kPcm16Wav, 2, kRate, testSignal(kFrames, 2, kRate));
        const fs::path guarded = folder / c.guarded;
        writeSound(guarded, kPcm16Wav, 1, kRate, {0.25, 0.25});
        fs::permissions(guarded,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        if (c.linked) {
            fs::create_symlink(c.guarded, folder / c.output);
        }
        std::vector<std::string> arguments{input.string(), (folder / c.output).string()};
        if (c.stems) {
            arguments.push_back("--stems");
        }
        const auto before = snapshot(folder);
        const ToolResult refused = runTool(arguments);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.errLines(), 1) << refused.err;
        const std::string complaint =
            std::string(1, '\'').append(guarded.string()).append("' is read-only");
        EXPECT_NE(refused.err.find(complaint), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
        EXPECT_EQ(snapshot(folder), before) << "a file was touched";

        arguments.push_back("--force");
        const ToolResult forced = runTool(arguments);
        ASSERT_EQ(forced.status, 0) << forced.err;
        EXPECT_EQ(readSound<double>(guarded).frames(), kFrames);
        // Replaced, not made writable: the new content keeps the old file's permissions.
        struct stat status {};
        ASSERT_EQ(::stat(guarded.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0444u);
    }
}

// A replaced file keeps its permissions; a new one gets what the umask leaves of 0666.
TEST(RenderClash, ReplacedFilesKeepTheirPermissions) {
    const TempFolder folder;
    const fs::path input = folder / "in.wav";
    writeSound(input, kPcm16Wav, 2, kRate, testSignal(kFrames, 2, kRate));
    const fs::path kept = folder / "kept.wav";
    writeSound(kept, kPcm16Wav, 1, kRate, {0.25});
    ::chmod(kept.c_str(), 0640);
    ASSERT_EQ(runTool({input.string(), kept.string()}).status, 0);
    const fs::path fresh = folder / "fresh.wav";
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ASSERT_EQ(runTool({input.string(), fresh.string()}).status, 0);
    struct stat status {};
    ASSERT_EQ(::stat(kept.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    ASSERT_EQ(::stat(fresh.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666u & ~mask);
}

} // namespace
} // namespace calderine
