#include "twID3/twID3.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace sonrik::twID3;

TEST(GenreTable, NumbersAndNamesMatchTheRecordByte)
{
    EXPECT_EQ(GenreNames.size(), 148u);
    EXPECT_EQ(GenreName(0), "Blues");
    EXPECT_EQ(GenreName(17), "Rock");
    EXPECT_EQ(GenreName(127), "Drum");
    EXPECT_EQ(GenreName(140), "Contemporary Ch?");
    EXPECT_EQ(GenreName(144), "Trash Metal");
    EXPECT_EQ(GenreName(147), "Synthpop");
    EXPECT_EQ(GenreName(148), "");
    EXPECT_EQ(GenreName(255), "");
}

TEST(GenreTable, NamesArePlainAsciiAndUnique)
{
    for (const auto name : GenreNames) {
        EXPECT_FALSE(name.empty());
        EXPECT_LE(name.size(), 17u) << name;
        EXPECT_TRUE(std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7f; }))
            << name;
        EXPECT_EQ(std::count(GenreNames.begin(), GenreNames.end(), name), 1) << name;
    }
}

TEST(LineLists, SplitAtEveryKindOfLineEnd)
{
    EXPECT_EQ(TextToLines("a\r\nb\rc\nd"), (LineList{"a", "b", "c", "d"}));
    EXPECT_EQ(TextToLines("a\r\n"), (LineList{"a"}));              // no empty line after a final end
    EXPECT_EQ(TextToLines("a\n\nb\r\n\r\n"), (LineList{"a", "", "b", ""}));
    EXPECT_EQ(TextToLines("\n\r"), (LineList{"", ""}));            // LF then a lone CR
    EXPECT_EQ(TextToLines(""), LineList{});
    EXPECT_EQ(TextToLines(std::string_view("ab\0cd\r\nx", 8)), (LineList{"ab"}));  // a zero byte ends the text
}

TEST(LineLists, TextFormEndsEveryLineWithCrLfAndRoundTrips)
{
    EXPECT_EQ(LinesToText({}), "");
    EXPECT_EQ(LinesToText({"ab", "", "c"}), "ab\r\n\r\nc\r\n");
    const LineList lines{"first", "", "\xE0\xE1 bytes kept", "last"};
    EXPECT_EQ(TextToLines(LinesToText(lines)), lines);
}

TEST(States, NamesForTheTool)
{
    EXPECT_EQ(StateName(id3Success), "id3Success");
    EXPECT_EQ(StateName(id3NoTags), "id3NoTags");
    EXPECT_EQ(StateName(id3NoSuchFile), "id3NoSuchFile");
    EXPECT_EQ(StateName(id3IOError), "id3IOError");
}
