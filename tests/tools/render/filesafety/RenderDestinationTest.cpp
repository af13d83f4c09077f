// calderine-render writing to what is not a plain file: a device or a named pipe must get the
// sound and stay what it was, a symbolic link must stay a link while its target gets the sound.
// The stand-in effect only delays, so a compensated render is the input itself.
#include "tests/tools/render/support/PipeReader.h"
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace calderine {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
constexpr std::size_t kFrames = 3000;
constexpr int kPcm16Wav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
// Linux's device numbers of the null and full devices (character major 1).
constexpr unsigned kMemoryMajor = 1;
constexpr unsigned kNullMinor = 3;
constexpr unsigned kFullMinor = 7;
constexpr std::size_t kNameMax = 255; // bytes of one file name on Linux file systems

struct Scene {
    TempFolder folder;
    fs::path input = folder / "in.wav";
    Scene() { writeSound(input, kPcm16Wav, 2, kRate, testSignal(kFrames, 2, kRate)); }

    ToolResult render(const fs::path& output, std::vector<std::string> extra = {}) const {
        std::vector<std::string> arguments{input.string(), output.string(), "--plugin",
                                           CALDERINE_FAKE_DELAY_MODULE};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return runTool(arguments);
    }

    void expectCopyOfInput(const fs::path& written) const {
        const auto in = readSound<double>(input);
        const auto out = readSound<double>(written);
        EXPECT_EQ(out.channels, 2);
        EXPECT_EQ(out.sampleRate, kRate);
        EXPECT_TRUE(out.samples == in.samples) << written;
    }
};

bool isCharacterDevice(const fs::path& path, unsigned major, unsigned minor) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode) &&
           ::major(status.st_rdev) == major && ::minor(status.st_rdev) == minor;
}

std::vector<std::string> hiddenNames(const TempFolder& folder) {
    std::vector<std::string> hidden;
    for (const std::string& name : folder.names()) {
        if (name.starts_with('.')) {
            hidden.push_back(name);
        }
    }
    return hidden;
}

// Devices of the test's own, so that a tool that replaces them harms nothing of the system's.
TEST(RenderDestination, PrivateDevicesStayDevices) {
    const Scene scene;
    const fs::path null = scene.folder / "null";
    const fs::path full = scene.folder / "full";
    if (::mknod(null.c_str(), S_IFCHR | 0666, makedev(kMemoryMajor, kNullMinor)) != 0 ||
        ::mknod(full.c_str(), S_IFCHR | 0666, makedev(kMemoryMajor, kFullMinor)) != 0) {
        GTEST_SKIP() << "making device files needs root";
    }
    const ToolResult toNull = scene.render(null);
    EXPECT_EQ(toNull.status, 0) << toNull.err;
    EXPECT_TRUE(isCharacterDevice(null, kMemoryMajor, kNullMinor));

    const ToolResult toFull = scene.render(full);
    EXPECT_EQ(toFull.status, 1);
    EXPECT_NE(toFull.err.find("No space left on device"), std::string::npos) << toFull.err;
    EXPECT_TRUE(isCharacterDevice(full, kMemoryMajor, kFullMinor));
    EXPECT_EQ(scene.folder.names(), (std::vector<std::string>{"full", "in.wav", "null"}));
}

TEST(RenderDestination, SystemNullDeviceTakesTheRenderAndStaysADevice) {
    const Scene scene;
    const ToolResult result = scene.render("/dev/null");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(isCharacterDevice("/dev/null", kMemoryMajor, kNullMinor));
}

TEST(RenderDestination, SystemFullDeviceReportsTheRealError) {
    const Scene scene;
    const ToolResult result = scene.render("/dev/full");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errLines(), 1) << result.err;
    EXPECT_NE(result.err.find("No space left on device"), std::string::npos) << result.err;
    EXPECT_TRUE(isCharacterDevice("/dev/full", kMemoryMajor, kFullMinor));
}

TEST(RenderDestination, SymbolicLinkStaysALinkAndItsTargetGetsTheSound) {
    struct Case {
        const char* what;
        const char* link;     // in the scratch folder
        const char* linkText; // what the link holds, "@" for the scratch folder
        const char* target;   // where the sound must land, in the scratch folder
        bool targetExists;
    };
    const Case cases[] = {
        {"relative, beside", "out.wav", "target.wav", "target.wav", true},
        {"absolute, into a subfolder", "out.wav", "@/sub/target.wav", "sub/target.wav", true},
        {"relative, into a subfolder", "out.wav", "sub/target.wav", "sub/target.wav", true},
        {"dangling", "out.wav", "sub/new.wav", "sub/new.wav", false},
        {"a chain of two", "out.wav", "hop.wav", "target.wav", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Scene scene;
        fs::create_directory(scene.folder / "sub");
        std::string linkText = c.linkText;
        if (linkText.starts_with('@')) {
            linkText = scene.folder.path().string() + linkText.substr(1);
        }
        if (std::string(c.what) == "a chain of two") {
            fs::create_symlink("target.wav", scene.folder / "hop.wav");
        }
        const fs::path target = scene.folder / c.target;
        if (c.targetExists) {
            writeSound(target, kPcm16Wav, 1, 8000, {0.5, 0.5});
        }
        const fs::path link = scene.folder / c.link;
        fs::create_symlink(linkText, link);

        const ToolResult result = scene.render(link);
        ASSERT_EQ(result.status, 0) << result.err;
        ASSERT_TRUE(fs::is_symlink(fs::symlink_status(link)));
        EXPECT_EQ(fs::read_symlink(link).string(), linkText);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target)));
        scene.expectCopyOfInput(target);
        EXPECT_TRUE(hiddenNames(scene.folder).empty());
    }
}

TEST(RenderDestination, NamedPipeGetsAStreamingFormatAndStaysAPipe) {
    for (const std::string format : {"flac", "wav"}) {
        SCOPED_TRACE(format);
        const Scene scene;
        const fs::path pipe = scene.folder / "out.fifo";
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        PipeReader reader(pipe);
        const ToolResult result = scene.render(pipe, {"--format", format});
        const std::string bytes = reader.finish();
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
        const fs::path received = scene.folder / ("received." + format);
        std::ofstream(received, std::ios::binary) << bytes;
        scene.expectCopyOfInput(received);
    }
}

TEST(RenderDestination, NamedPipeRefusesAFormatThatNeedsSeeking) {
    const Scene scene;
    const fs::path pipe = scene.folder / "out.aiff";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Held open both ways, so a tool that writes anyway cannot block on opening the pipe.
    const int held = ::open(pipe.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(held, 0);
    const ToolResult result = scene.render(pipe);
    char byte = 0;
    const ssize_t leaked = ::read(held, &byte, 1);
    ::close(held);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errLines(), 1) << result.err;
    EXPECT_NE(result.err.find("pipe"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("--format wav or flac"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
    EXPECT_LE(leaked, 0) << "the tool wrote into the pipe";
}

TEST(RenderDestination, LongestLegalOutputNamesWork) {
    for (const std::size_t length : {kNameMax - 23, kNameMax - 10, kNameMax}) {
        SCOPED_TRACE(length);
        const Scene scene;
        const std::string name = std::string(length - 4, 'n') + ".wav";
        const ToolResult result = scene.render(scene.folder / name);
        ASSERT_EQ(result.status, 0) << result.err;
        scene.expectCopyOfInput(scene.folder / name);
        EXPECT_EQ(scene.folder.names(), (std::vector<std::string>{"in.wav", name}));
    }
}

} // namespace
} // namespace calderine
