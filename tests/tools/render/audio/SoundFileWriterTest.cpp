#include "tools/render/audio/SoundFileWriter.h"

#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tools/render/common/AudioFileError.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <sndfile.h>
#include <vector>

namespace calderine {
namespace {

constexpr int kFloatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
constexpr StreamShape kStereo{2, 48000};

TEST(SoundFileWriter, NothingAppearsUnlessCommitted) {
    const TempFolder folder;
    {
        SoundFileWriter writer(folder / "out.wav", kFloatWav, kStereo);
        writer.write(std::vector<float>{0.5f, -0.5f, 0.25f, -0.25f});
        writer.finish();
        EXPECT_EQ(folder.names().size(), 1u); // only the hidden temporary file
    }
    EXPECT_TRUE(folder.names().empty());
}

TEST(SoundFileWriter, CommitReplacesTheDestinationWithTheCompleteFile) {
    const TempFolder folder;
    writeSound(folder / "out.wav", kFloatWav, 1, 44100, {1.0, 2.0, 3.0});
    {
        SoundFileWriter writer(folder / "out.wav", kFloatWav, kStereo);
        writer.write(std::vector<double>{0.5, -0.5, 0.25, -0.25});
        writer.commit();
    }
    EXPECT_EQ(folder.names(), std::vector<std::string>{"out.wav"});
    const auto written = readSound<float>(folder / "out.wav");
    EXPECT_EQ(written.channels, 2);
    EXPECT_EQ(written.sampleRate, 48000);
    EXPECT_EQ(written.samples, (std::vector<float>{0.5f, -0.5f, 0.25f, -0.25f}));
}

// The temporary file lies beside the link's target, not the link, so that renaming it into
// place stays within one file system and leaves the link alone.
TEST(SoundFileWriter, WritesThroughALinkIntoItsTargetsFolder) {
    const TempFolder folder;
    std::filesystem::create_directory(folder / "sub");
    writeSound(folder / "sub" / "target.wav", kFloatWav, 1, 44100, {1.0});
    std::filesystem::create_symlink("sub/target.wav", folder / "link.wav");
    {
        SoundFileWriter writer(folder / "link.wav", kFloatWav, kStereo);
        writer.write(std::vector<float>{0.5f, -0.5f});
        EXPECT_EQ(folder.names(), (std::vector<std::string>{"link.wav", "sub"}));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "sub"),
                                std::filesystem::directory_iterator()),
                  2);
        writer.commit();
    }
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.wav"));
    EXPECT_EQ(readSound<float>(folder / "sub" / "target.wav").samples,
              (std::vector<float>{0.5f, -0.5f}));
}

TEST(SoundFileWriter, ClipsOversInIntegerFilesInsteadOfWrappingThem) {
    const TempFolder folder;
    {
        SoundFileWriter writer(folder / "out.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, {1, 44100});
        writer.write(std::vector<float>{1.5f, -1.5f});
        writer.commit();
    }
    const auto written = readSound<double>(folder / "out.wav");
    ASSERT_EQ(written.samples.size(), 2u);
    EXPECT_GT(written.samples[0], 0.999);
    EXPECT_LE(written.samples[1], -0.999);
}

TEST(SoundFileWriter, RefusesAFolderOrAMissingParent) {
    const TempFolder folder;
    EXPECT_THROW(SoundFileWriter(folder.path(), kFloatWav, kStereo), AudioFileError);
    EXPECT_THROW(SoundFileWriter(folder / "missing" / "out.wav", kFloatWav, kStereo),
                 AudioFileError);
    EXPECT_TRUE(folder.names().empty());
}

} // namespace
} // namespace calderine
