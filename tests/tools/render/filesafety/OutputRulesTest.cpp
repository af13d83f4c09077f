// The files a render writes beside its audio, a --save-preset file and the demo's files, under
// the same rules as the audio: no input and no other output of the run may be replaced, a
// device or a pipe stays what it is, a symbolic link stays a link, a read-only file needs
// --force, any legal name works, and nothing planted where temporaries go is followed.
#include "tests/tools/render/support/FolderSnapshot.h"
#include "tests/tools/render/support/PipeReader.h"
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <vector>

namespace calderine {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr std::size_t kFrames = 4410;
constexpr int kPcm16Wav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kUsageExit = 2;
constexpr std::size_t kLongName = 250; // legal: Linux file systems take 255 bytes
// Linux's null device, character major 1, minor 3; made privately, never the system's.
constexpr unsigned kMemoryMajor = 1;
constexpr unsigned kNullMinor = 3;
// Time for the slowest case, the demo (about a second); a hanging run fails instead.
constexpr auto kPatience = std::chrono::seconds(60);
// An owner that cannot exist (above Linux's largest pid_max, 2^22), so the sweep of abandoned
// temporaries takes the planted name for one.
constexpr const char* kPlantedName = ".calderine-render-2147483000-AbCdEf";

std::string modeOf(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return "absent";
    }
    if (S_ISCHR(status.st_mode)) {
        return "device " + std::to_string(::major(status.st_rdev)) + "," +
               std::to_string(::minor(status.st_rdev));
    }
    return S_ISFIFO(status.st_mode)  ? "pipe"
           : S_ISLNK(status.st_mode) ? "link"
           : S_ISREG(status.st_mode) ? "file " + std::to_string(status.st_mode & 0777)
                                     : "other";
}

// The tool's hidden names left anywhere in the scratch folder.
std::vector<std::string> temporariesLeft(const TempFolder& folder) {
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
        if (entry.path().filename().string().starts_with(".calderine-render-")) {
            left.push_back(fs::relative(entry.path(), folder.path()).string());
        }
    }
    return left;
}

bool holdsSettings(const std::string& text) {
    // A parameter of the effect, as --set names it.
    return text.find("\nTone_Gain=") != std::string::npos;
}

bool holdsSound(const fs::path& path) {
    return readSound<double>(path).frames() > 0;
}

struct Scene {
    TempFolder folder;
    Scene() {
        writeSound(folder / "in.wav", kPcm16Wav, 2, kRate, testSignal(kFrames, 2, kRate));
        fs::create_directories(folder / "sub");
        fs::create_directories(folder / "d");
        // A file nobody named as an output; a link planted by someone else points at it.
        std::ofstream(folder / "victim") << "keep me\n";
    }
    fs::path operator/(const std::string& name) const { return folder / name; }
};

using Step = std::function<bool(const Scene&)>; // false: cannot be prepared here
using Check = std::function<void(const Scene&, const std::string& piped)>;

bool readOnly(const fs::path& path) {
    std::ofstream(path) << "old\n";
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    return true;
}

bool privateNull(const fs::path& path) {
    return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(kMemoryMajor, kNullMinor)) == 0;
}

bool planted(const Scene& scene, const std::string& folder) {
    fs::create_symlink(scene / "victim", scene / folder / kPlantedName);
    return true;
}

TEST(OutputRules, PresetAndDemoFilesObeyTheRulesOfEveryOutput) {
    struct Case {
        const char* what;
        Step prepare;
        std::vector<std::string> arguments; // "@" for the scratch folder
        int status;
        const char* fragment;       // on standard error; empty for a run that succeeds
        Check check;                // after a run that succeeds
        const char* pipe = nullptr; // read while the tool runs
    };
    const auto none = [](const Scene&) { return true; };
    const std::string longName(kLongName, 'p');
    const Case cases[] = {
        // A preset that would replace audio of the same run, the input above all.
        {"the preset is the input",
         none,
         {"@/in.wav", "@/out.wav", "--save-preset", "@/in.wav"},
         kUsageExit,
         "the preset '@/in.wav' would overwrite the input '@/in.wav'",
         {}},
        {"the preset is a link to the input",
         [](const Scene& s) {
             fs::create_symlink("in.wav", s / "p.lnk");
             return true;
         },
         {"@/in.wav", "@/out.wav", "--save-preset", "@/p.lnk"},
         kUsageExit,
         "would overwrite the input '@/in.wav'",
         {}},
        {"the preset is the render's output",
         none,
         {"@/in.wav", "@/out.wav", "--save-preset", "@/out.wav"},
         kUsageExit,
         "the preset '@/out.wav' would overwrite '@/out.wav'",
         {}},
        {"the preset is a stem",
         none,
         {"@/in.wav", "@/out.wav", "--stems", "--save-preset", "@/out.noise.wav"},
         kUsageExit,
         "would overwrite '@/out.noise.wav'",
         {}},
        {"the preset is a file of the batch",
         none,
         {"@/in.wav", "--output-dir", "@/sub", "--save-preset", "@/sub/in.wav"},
         kUsageExit,
         "would overwrite '@/sub/in.wav'",
         {}},
        {"the preset is the demo's input",
         none,
         {"--demo", "@/d", "--save-preset", "@/d/input.wav"},
         kUsageExit,
         "would overwrite '@/d/input.wav'",
         {}},
        {"the preset links to where the demo's mix will be",
         [](const Scene& s) {
             fs::create_symlink("d/mix.wav", s / "p.lnk");
             return true;
         },
         {"--demo", "@/d", "--save-preset", "@/p.lnk"},
         kUsageExit,
         "would overwrite '@/d/mix.wav'",
         {}},

        // Standard output, which the test captures in a file, under a name procfs keeps.
        {"the preset is standard output, where the audio goes",
         none,
         {"@/in.wav", "-", "--format", "wav", "--save-preset", "/proc/self/fd/1"},
         kUsageExit,
         "the preset '/proc/self/fd/1' is standard output, where the audio goes",
         {}},
        {"the audio is standard output, where the preset goes",
         none,
         {"@/in.wav", "/proc/self/fd/1", "--format", "wav", "--save-preset", "-"},
         kUsageExit,
         "'/proc/self/fd/1' is standard output, where --save-preset - writes",
         {}},

        // Where a preset lands.
        {"the preset into a named pipe",
         [](const Scene& s) { return ::mkfifo((s / "p.fifo").c_str(), 0600) == 0; },
         {"--save-preset", "@/p.fifo"},
         0,
         "",
         [](const Scene& s, const std::string& piped) {
             EXPECT_EQ(modeOf(s / "p.fifo"), "pipe");
             EXPECT_TRUE(holdsSettings(piped)) << piped;
         },
         "p.fifo"},
        {"the preset into a device of the test's own",
         [](const Scene& s) { return privateNull(s / "null"); },
         {"--save-preset", "@/null"},
         0,
         "",
         [](const Scene& s, const std::string&) { EXPECT_EQ(modeOf(s / "null"), "device 1,3"); }},
        {"the preset through a symbolic link into another folder",
         [](const Scene& s) {
             std::ofstream(s / "sub/target.preset") << "old\n";
             fs::create_symlink("sub/target.preset", s / "p.lnk");
             return true;
         },
         {"--save-preset", "@/p.lnk"},
         0,
         "",
         [](const Scene& s, const std::string&) {
             EXPECT_EQ(modeOf(s / "p.lnk"), "link");
             EXPECT_TRUE(holdsSettings(bytesOf(s / "sub/target.preset")));
         }},
        {"the preset through a dangling link",
         [](const Scene& s) {
             fs::create_symlink("sub/new.preset", s / "p.lnk");
             return true;
         },
         {"--save-preset", "@/p.lnk"},
         0,
         "",
         [](const Scene& s, const std::string&) {
             EXPECT_EQ(modeOf(s / "p.lnk"), "link");
             EXPECT_TRUE(holdsSettings(bytesOf(s / "sub/new.preset")));
         }},
        {"the preset is read-only",
         [](const Scene& s) { return readOnly(s / "p.preset"); },
         {"--save-preset", "@/p.preset"},
         1,
         "'@/p.preset' is read-only; --force",
         {}},
        {"the preset is read-only, forced",
         [](const Scene& s) { return readOnly(s / "p.preset"); },
         {"--save-preset", "@/p.preset", "--force"},
         0,
         "",
         [](const Scene& s, const std::string&) {
             EXPECT_EQ(modeOf(s / "p.preset"), "file 292"); // 0444: replaced, not made writable
             EXPECT_TRUE(holdsSettings(bytesOf(s / "p.preset")));
         }},
        {"the preset has a name of 250 characters",
         none,
         {"--save-preset", "@/" + longName},
         0,
         "",
         [longName](const Scene& s, const std::string&) {
             EXPECT_TRUE(holdsSettings(bytesOf(s / longName)));
         }},
        {"the preset beside a link planted under a temporary's name",
         [](const Scene& s) { return planted(s, "."); },
         {"--save-preset", "@/p.preset"},
         0,
         "",
         [](const Scene& s, const std::string&) {
             EXPECT_TRUE(holdsSettings(bytesOf(s / "p.preset")));
         }},

        // The demo's files.
        {"the demo's input is a named pipe",
         [](const Scene& s) { return ::mkfifo((s / "d/input.wav").c_str(), 0600) == 0; },
         {"--demo", "@/d"},
         1,
         "'@/d/input.wav': the demo reads its files back",
         {}},
        {"the demo's mix is a device of the test's own",
         [](const Scene& s) { return privateNull(s / "d/mix.wav"); },
         {"--demo", "@/d"},
         1,
         "'@/d/mix.wav': the demo reads its files back",
         {}},
        {"a demo stem is a symbolic link into another folder",
         [](const Scene& s) {
             fs::create_symlink("../sub/tone.wav", s / "d/mix.tone.wav");
             return true;
         },
         {"--demo", "@/d"},
         0,
         "",
         [](const Scene& s, const std::string&) {
             EXPECT_EQ(modeOf(s / "d/mix.tone.wav"), "link");
             EXPECT_TRUE(holdsSound(s / "sub/tone.wav"));
         }},
        {"the demo's input is read-only",
         [](const Scene& s) { return readOnly(s / "d/input.wav"); },
         {"--demo", "@/d"},
         1,
         "'@/d/input.wav' is read-only; --force",
         {}},
        {"the demo's input is read-only, forced",
         [](const Scene& s) { return readOnly(s / "d/input.wav"); },
         {"--demo", "@/d", "--force"},
         0,
         "",
         [](const Scene& s, const std::string&) {
             EXPECT_EQ(modeOf(s / "d/input.wav"), "file 292");
             EXPECT_TRUE(holdsSound(s / "d/input.wav"));
         }},
        {"the demo into a folder of 250 characters",
         none,
         {"--demo", "@/" + longName},
         0,
         "",
         [longName](const Scene& s, const std::string&) {
             EXPECT_TRUE(holdsSound(s / (longName + "/mix.noise.wav")));
         }},
        {"the demo beside a link planted under a temporary's name",
         [](const Scene& s) { return planted(s, "d"); },
         {"--demo", "@/d"},
         0,
         "",
         [](const Scene& s, const std::string&) { EXPECT_TRUE(holdsSound(s / "d/mix.wav")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Scene scene;
        if (!c.prepare(scene)) {
            std::cout << "not run here (making a device needs root): " << c.what << '\n';
            continue;
        }
        const auto before = snapshot(scene.folder);
        const auto plantedBefore = temporariesLeft(scene.folder);
        std::unique_ptr<PipeReader> reader;
        if (c.pipe != nullptr) {
            reader = std::make_unique<PipeReader>(scene / c.pipe);
        }
        const ToolResult result =
            RunningTool(withFolder(scene.folder, c.arguments)).waitAtMost(kPatience);
        const std::string piped = reader ? reader->finish() : "";
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_EQ(temporariesLeft(scene.folder), plantedBefore);
        EXPECT_EQ(bytesOf(scene / "victim"), "keep me\n");
        if (c.status != 0) {
            EXPECT_EQ(result.errLines(), 1) << result.err;
            EXPECT_NE(result.err.find(withFolder(scene.folder, {c.fragment}).front()),
                      std::string::npos)
                << result.err;
            EXPECT_EQ(snapshot(scene.folder), before) << "a file was touched";
        } else if (result.status == 0) {
            c.check(scene, piped);
        }
    }
}

} // namespace
} // namespace calderine
