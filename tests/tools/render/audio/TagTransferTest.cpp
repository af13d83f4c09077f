// calderine-render carrying the input's tags (title, artist and the rest) into every output
// format that has room for them, stems included.
#include "tests/tools/render/support/TempFolder.h"
#include "tests/tools/render/support/TestAudio.h"
#include "tests/tools/render/support/ToolRun.h"

#include <gtest/gtest.h>
#include <map>
#include <sndfile.h>
#include <string>
#include <vector>

namespace calderine {
namespace {

constexpr int kRate = 48000; // one Opus takes
constexpr std::size_t kFrames = 4800;

const std::map<int, std::string> kTags = {
    {SF_STR_TITLE, "Night Drive"},
    {SF_STR_ARTIST, "The Example Band"},
    {SF_STR_ALBUM, "Second Album"},
    {SF_STR_COMMENT, "mixed at home"},
    {SF_STR_DATE, "2021"},
    {SF_STR_GENRE, "Ambient"},
    {SF_STR_TRACKNUMBER, "7"},
    {SF_STR_COPYRIGHT, "(c) 2021 Example"},
    {SF_STR_SOFTWARE, "Example Editor"},
    {SF_STR_LICENSE, "CC-BY-4.0"},
};

void writeTagged(const std::filesystem::path& path) {
    SF_INFO info{};
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16; // Vorbis comments hold every field
    info.channels = 2;
    info.samplerate = kRate;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    for (const auto& [type, text] : kTags) {
        sf_set_string(file, type, text.c_str());
    }
    const std::vector<double> samples = testSignal(kFrames, 2, kRate);
    sf_writef_double(file, samples.data(), kFrames);
    sf_close(file);
}

std::map<int, std::string> readTags(const std::filesystem::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    std::map<int, std::string> tags;
    if (file == nullptr) {
        return tags;
    }
    for (int type = SF_STR_FIRST; type <= SF_STR_LAST; ++type) {
        if (const char* text = sf_get_string(file, type)) {
            tags[type] = text;
        }
    }
    sf_close(file);
    return tags;
}

// The fields each container's tag scheme has (and this libsndfile writes): Vorbis comments
// take any field; RIFF INFO and CAF's info chunk have no license; ID3 as LAME writes it has
// title, artist, album, year, comment, genre and track; AIFF has name, author, copyright and
// annotation. AU and W64 have no tags.
constexpr int kVorbisFields[] = {
    SF_STR_TITLE, SF_STR_ARTIST,      SF_STR_ALBUM,     SF_STR_COMMENT,  SF_STR_DATE,
    SF_STR_GENRE, SF_STR_TRACKNUMBER, SF_STR_COPYRIGHT, SF_STR_SOFTWARE, SF_STR_LICENSE};

TEST(TagTransfer, EveryFormatWithTagsKeepsTheInputs) {
    const TempFolder folder;
    writeTagged(folder / "in.flac");
    ASSERT_EQ(readTags(folder / "in.flac").size(), kTags.size()) << "the input lost its tags";
    const std::vector<int> riff = {SF_STR_TITLE,       SF_STR_ARTIST,    SF_STR_ALBUM,
                                   SF_STR_COMMENT,     SF_STR_DATE,      SF_STR_GENRE,
                                   SF_STR_TRACKNUMBER, SF_STR_COPYRIGHT, SF_STR_SOFTWARE};
    const std::vector<int> vorbis(std::begin(kVorbisFields), std::end(kVorbisFields));
    const struct {
        const char* extension;
        std::vector<int> fields;
    } cases[] = {
        {"flac", vorbis},
        {"ogg", vorbis},
        {"opus", vorbis},
        {"wav", riff},
        {"rf64", riff},
        {"caf", riff},
        {"mp3",
         {SF_STR_TITLE, SF_STR_ARTIST, SF_STR_ALBUM, SF_STR_COMMENT, SF_STR_DATE, SF_STR_GENRE,
          SF_STR_TRACKNUMBER}},
        {"aiff", {SF_STR_TITLE, SF_STR_ARTIST, SF_STR_COPYRIGHT, SF_STR_COMMENT}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        const auto out = folder / (std::string("out.") + c.extension);
        const ToolResult result = runTool(
            {(folder / "in.flac").string(), out.string(), "--plugin", CALDERINE_FAKE_DELAY_MODULE});
        ASSERT_EQ(result.status, 0) << result.err;
        const std::map<int, std::string> tags = readTags(out);
        for (const int field : c.fields) {
            SCOPED_TRACE(field);
            ASSERT_TRUE(tags.contains(field));
            // libsndfile names itself after the software that wrote the file.
            EXPECT_TRUE(tags.at(field).starts_with(kTags.at(field))) << tags.at(field);
        }
    }
}

TEST(TagTransfer, StemsCarryTheTagsToo) {
    const TempFolder folder;
    writeTagged(folder / "in.flac");
    const ToolResult result =
        runTool({(folder / "in.flac").string(), (folder / "out.flac").string(), "--stems",
                 "--plugin", CALDERINE_MODULE_PATH});
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* name : {"out.flac", "out.tone.flac", "out.noise.flac"}) {
        SCOPED_TRACE(name);
        const auto tags = readTags(folder / name);
        EXPECT_EQ(tags.count(SF_STR_TITLE) ? tags.at(SF_STR_TITLE) : "", "Night Drive");
        EXPECT_EQ(tags.count(SF_STR_ARTIST) ? tags.at(SF_STR_ARTIST) : "", "The Example Band");
    }
}

} // namespace
} // namespace calderine
