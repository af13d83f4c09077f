#include "tools/render/filesafety/OutputDestination.h"

#include "tests/tools/render/support/TempFolder.h"
#include "tools/render/common/AudioFileError.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace calderine {
namespace {

namespace fs = std::filesystem;

// What each kind of name leads to: the kind, and where the sound of a written-aside file lands.
TEST(OutputDestination, FindsWhatANameLeadsTo) {
    struct Case {
        const char* what;
        const char* name; // in the scratch folder, or an absolute path
        DestinationKind kind;
        const char* resolved; // in the scratch folder; null: the name itself
    };
    const Case cases[] = {
        {"a new file", "new.wav", DestinationKind::NewFile, "new.wav"},
        {"a regular file", "file.wav", DestinationKind::RegularFile, "file.wav"},
        {"a link to a file", "to-file.wav", DestinationKind::RegularFile, "file.wav"},
        {"a link to a link to a file", "to-link.wav", DestinationKind::RegularFile, "file.wav"},
        {"a link to nothing yet", "to-nothing.wav", DestinationKind::NewFile, "sub/later.wav"},
        {"a name with dot segments", "sub/../new.wav", DestinationKind::NewFile, "new.wav"},
        {"a folder", "sub", DestinationKind::Folder, nullptr},
        {"a named pipe", "pipe", DestinationKind::Pipe, nullptr},
        {"the null device", "/dev/null", DestinationKind::Device, nullptr},
    };
    const TempFolder folder;
    const fs::path base = fs::canonical(folder.path());
    fs::create_directory(base / "sub");
    std::ofstream(base / "file.wav") << "sound";
    fs::create_symlink("file.wav", base / "to-file.wav");
    fs::create_symlink(base / "to-file.wav", base / "to-link.wav");
    fs::create_symlink("sub/later.wav", base / "to-nothing.wav");
    ASSERT_EQ(::mkfifo((base / "pipe").c_str(), 0600), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path name = fs::path(c.name).is_absolute() ? fs::path(c.name) : base / c.name;
        const OutputDestination destination = OutputDestination::inspect(name);
        EXPECT_EQ(destination.kind(), c.kind);
        EXPECT_EQ(destination.named(), name);
        EXPECT_EQ(destination.resolved(), c.resolved ? base / c.resolved : name);
        EXPECT_EQ(destination.writtenAside(),
                  c.kind == DestinationKind::NewFile || c.kind == DestinationKind::RegularFile);
    }
}

TEST(OutputDestination, KnowsTheSameFileByAnyName) {
    const TempFolder folder;
    std::ofstream(folder / "a.wav") << "sound";
    std::ofstream(folder / "b.wav") << "sound";
    fs::create_hard_link(folder / "a.wav", folder / "hard.wav");
    fs::create_symlink("a.wav", folder / "soft.wav");
    fs::create_symlink("new.wav", folder / "to-new.wav");
    const auto at = [&](const char* name) { return OutputDestination::inspect(folder / name); };
    EXPECT_TRUE(at("a.wav").sameFileAs(at("hard.wav")));
    EXPECT_TRUE(at("a.wav").sameFileAs(at("soft.wav")));
    EXPECT_TRUE(at("new.wav").sameFileAs(at("to-new.wav")));
    EXPECT_FALSE(at("a.wav").sameFileAs(at("b.wav")));
    EXPECT_FALSE(at("new.wav").sameFileAs(at("other.wav")));
    EXPECT_FALSE(at("a.wav").sameFileAs(at("new.wav")));
    EXPECT_EQ(FileIdentity::of(folder / "a.wav"), FileIdentity::of(folder / "hard.wav"));
    EXPECT_FALSE(FileIdentity::of(folder / "new.wav"));
}

TEST(OutputDestination, ReadOnlyAndPermissionsComeFromTheFile) {
    struct Case {
        mode_t mode;
        bool readOnly;
    };
    // Without any write bit a file counts as read-only even for root, who could write it.
    const Case cases[] = {{0644, false}, {0600, false}, {0444, true}, {0400, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        const TempFolder folder;
        std::ofstream(folder / "out.wav") << "sound";
        ASSERT_EQ(::chmod((folder / "out.wav").c_str(), c.mode), 0);
        const OutputDestination destination = OutputDestination::inspect(folder / "out.wav");
        EXPECT_EQ(destination.readOnly(), c.readOnly);
        EXPECT_EQ(destination.permissions(), c.mode);
        EXPECT_TRUE(destination.owner().has_value());
    }
}

TEST(OutputDestination, RefusesALoopOfLinks) {
    const TempFolder folder;
    fs::create_symlink("b.wav", folder / "a.wav");
    fs::create_symlink("a.wav", folder / "b.wav");
    EXPECT_THROW(OutputDestination::inspect(folder / "a.wav"), AudioFileError);
}

} // namespace
} // namespace calderine
