#include "tools/render/commands/InfoWriter.h"

#include <cctype>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace calderine {
namespace {

TEST(InfoWriter, ShowsUniqueIdsAsCharactersAndNumber) {
    EXPECT_EQ(formatUniqueId(0x434C4452), "'CLDR' (0x434C4452)");
    EXPECT_EQ(formatUniqueId(0), "'....' (0x00000000)");
    EXPECT_EQ(formatUniqueId(static_cast<std::int32_t>(0xFF41420A)), "'.AB.' (0xFF41420A)");
}

TEST(InfoWriter, NamesKnownFlagsAndKeepsUnknownOnes) {
    EXPECT_EQ(formatFlags(0x1018), "0x00001018 (canMono canReplacing canDoubleReplacing)");
    EXPECT_EQ(formatFlags(0), "0x00000000 ()");
    EXPECT_EQ(formatFlags(0x10 | 0x40000), "0x00040010 (canReplacing 0x00040000)");
    EXPECT_EQ(formatFlags(-1), "0xFFFFFFFF (hasEditor hasClip hasVu canMono canReplacing "
                               "programChunks isSynth canDoubleReplacing 0xFFFFEEC0)");
}

TEST(InfoWriter, PrintsOneRowPerParameter) {
    EffectInfo info;
    info.effectName = "fx";
    info.uniqueId = 0x434C4452;
    info.initialDelay = 2304;
    info.parameters = {{0, "Tone_Gain", "dB", "-3.0", 0.25f}, {1, "", "", "", 1.0f}};
    std::ostringstream out;
    writeEffectInfo(out, info);
    const std::string text = out.str();
    EXPECT_NE(text.find("effect:         \"fx\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("unique id:      'CLDR' (0x434C4452)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("latency:        2304 samples\n"), std::string::npos) << text;
    EXPECT_NE(text.find("parameters:     2\n"), std::string::npos) << text;

    // Rows are the lines that start with a parameter index.
    std::vector<std::string> rows;
    std::vector<std::vector<std::string>> cells;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> row;
        for (std::string word; words >> word;) {
            row.push_back(word);
        }
        if (!row.empty() && std::isdigit(static_cast<unsigned char>(row[0][0])) != 0) {
            rows.push_back(line);
            cells.push_back(row);
        }
    }
    ASSERT_EQ(rows.size(), 2u) << text;
    EXPECT_EQ(cells[0],
              (std::vector<std::string>{"0", "\"Tone_Gain\"", "\"dB\"", "\"-3.0\"", "0.250000"}));
    EXPECT_EQ(cells[1], (std::vector<std::string>{"1", "\"\"", "\"\"", "\"\"", "1.000000"}));
    // Columns line up whatever the texts' lengths.
    EXPECT_EQ(rows[0].size(), rows[1].size());
}

} // namespace
} // namespace calderine
