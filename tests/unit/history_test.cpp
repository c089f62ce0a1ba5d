// The history file: reading one section, the whole-file rewrite of the
// single-file editor and the one-section rewrite of the list editor.
#include "platform/platform.h"
#include "sonrik/history_file.h"
#include "tag_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using sonrik::HistorySection;
using sonrik::ReadHistorySection;
using sonrik::ReplaceHistorySection;
using sonrik::SectionEntries;
using sonrik::SplitLines;
using sonrik::WriteHistorySections;
using sonrik::testing::ReadBytes;
using sonrik::testing::TempDir;
using sonrik::testing::WriteBytes;
using Lines = std::vector<std::string>;

TEST(HistoryText, LinesEndAtCrLfOrBoth)
{
    EXPECT_EQ(SplitLines(""), Lines{});
    EXPECT_EQ(SplitLines("a"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitLines("\r\n"), Lines{""});
}

TEST(HistoryText, SectionReadingRule)
{
    const Lines lines = {"Bach", "[YEARS]", "1999", "[artists]", "Abba", "Queen", "[COMMENTS]", "nice",
                         "", "lost", "[ARTISTS]", "Second"};
    EXPECT_EQ(SectionEntries(lines, "ARTISTS"), (Lines{"Abba", "Queen"}))
        << "first header found without letter case, ended by the next header";
    EXPECT_EQ(SectionEntries(lines, "YEARS"), Lines{"1999"});
    EXPECT_EQ(SectionEntries(lines, "COMMENTS"), Lines{"nice"}) << "an empty line ends the section";
    EXPECT_EQ(SectionEntries(lines, "TAG_NAME"), std::nullopt);
    EXPECT_EQ(SectionEntries({}, "ARTISTS"), std::nullopt);
    // Whole lines only: blanks around the header make another line.
    EXPECT_EQ(SectionEntries({" [ARTISTS]", "x"}, "ARTISTS"), std::nullopt);
    EXPECT_EQ(SectionEntries({"[ARTISTS] ", "x"}, "ARTISTS"), std::nullopt);
    // A header without entries is there, with none.
    EXPECT_EQ(SectionEntries({"[TAG_NAME]"}, "TAG_NAME"), Lines{});
    EXPECT_EQ(SectionEntries({"[TAG_NAME]", "[ARTISTS]", "x"}, "TAG_NAME"), Lines{});
    // Any line that begins with '[' ends the section, header or not.
    EXPECT_EQ(SectionEntries({"[YEARS]", "1", "[not a header", "2"}, "YEARS"), Lines{"1"});
    // Entries are kept as they are: blanks and letter case included.
    EXPECT_EQ(SectionEntries({"[YEARS]", " 1 ", "\t", "a]"}, "years"), (Lines{" 1 ", "\t", "a]"}));
}

TEST(HistoryText, StorableEntries)
{
    for (const std::string ok : {"Abba", " ", "a[b", "]", "<ARTIST> - <TITLE>", "x\ty"})
        EXPECT_TRUE(sonrik::IsStorableEntry(ok)) << ok;
    for (const std::string bad : {"", "[", "[ARTISTS]", "a\r\nb", "a\nb", "a\r"})
        EXPECT_FALSE(sonrik::IsStorableEntry(bad)) << bad;
}

class HistoryFile : public ::testing::Test {
protected:
    std::string path() const { return dir_.file("sonrik.txt"); }
    std::size_t filesInFolder() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator{}));
    }
    TempDir dir_;
};

TEST_F(HistoryFile, ReadsSectionsOfAFile)
{
    EXPECT_EQ(ReadHistorySection(path(), "ARTISTS"), std::nullopt) << "missing file";
    WriteBytes(path(), "stray\n[Artists]\nAbba\rQueen\r\n\r\nlost\r\n[YEARS]\r\n1999");
    EXPECT_EQ(ReadHistorySection(path(), "ARTISTS"), (Lines{"Abba", "Queen"}));
    EXPECT_EQ(ReadHistorySection(path(), "YEARS"), Lines{"1999"});
    EXPECT_EQ(ReadHistorySection(path(), "COMMENTS"), std::nullopt);
    // 8-bit texts come through as bytes.
    WriteBytes(path(), "[ARTISTS]\r\n\xc0\xe1\xe1\xe0\r\n");
    EXPECT_EQ(ReadHistorySection(path(), "ARTISTS"), Lines{"\xc0\xe1\xe1\xe0"});
}

TEST_F(HistoryFile, WholeRewriteWritesGivenSectionsInOrder)
{
    WriteBytes(path(), "[TAG_NAME]\r\n<ARTIST> - <TITLE>\r\n<TITLE>\r\n[OTHER]\r\nkept?\r\n[ARTISTS]\r\nOld\r\n");
    const auto templates = ReadHistorySection(path(), "TAG_NAME");
    ASSERT_TRUE(templates);
    WriteHistorySections(path(), {{"TAG_NAME", *templates},
                                  {"ARTISTS", {"Abba", "Queen"}},
                                  {"YEARS", {}},
                                  {"COMMENTS", {"nice"}}});
    EXPECT_EQ(ReadBytes(path()), "[TAG_NAME]\r\n<ARTIST> - <TITLE>\r\n<TITLE>\r\n"
                                 "[ARTISTS]\r\nAbba\r\nQueen\r\n"
                                 "[COMMENTS]\r\nnice\r\n");
    EXPECT_EQ(filesInFolder(), 1u) << "temporary file left behind";
}

TEST_F(HistoryFile, WholeRewriteWithNothingToWriteLeavesTheFile)
{
    WriteHistorySections(path(), {{"ARTISTS", {}}, {"YEARS", {""}}});
    EXPECT_FALSE(fs::exists(path())) << "nothing to write creates nothing";
    WriteBytes(path(), "[TAG_NAME]\r\n[OTHER]\r\nx\r\n");
    WriteHistorySections(path(), {{"TAG_NAME", {}}, {"ARTISTS", {}}});
    EXPECT_EQ(ReadBytes(path()), "[TAG_NAME]\r\n[OTHER]\r\nx\r\n");
}

// An entry that would end its section when read is kept out, so the entries
// after it survive the round trip.
TEST_F(HistoryFile, EntriesThatWouldEndTheirSectionAreKeptOut)
{
    WriteHistorySections(path(), {{"ARTISTS", {"Abba", "", "[Weird]", "Queen", "two\r\nlines", "Yes"}},
                                  {"YEARS", {"", "["}},
                                  {"COMMENTS", {"c1", "", "c2"}}});
    EXPECT_EQ(ReadBytes(path()), "[ARTISTS]\r\nAbba\r\nQueen\r\nYes\r\n[COMMENTS]\r\nc1\r\nc2\r\n");
    EXPECT_EQ(ReadHistorySection(path(), "ARTISTS"), (Lines{"Abba", "Queen", "Yes"}));
    EXPECT_EQ(ReadHistorySection(path(), "COMMENTS"), (Lines{"c1", "c2"}));
    EXPECT_EQ(ReadHistorySection(path(), "YEARS"), std::nullopt);

    ReplaceHistorySection(path(), {"TAG_NAME", {"", "<ARTIST> - <TITLE>", "[x]", "<TITLE>"}});
    EXPECT_EQ(ReadHistorySection(path(), "TAG_NAME"), (Lines{"<ARTIST> - <TITLE>", "<TITLE>"}));
    EXPECT_EQ(ReadHistorySection(path(), "ARTISTS"), (Lines{"Abba", "Queen", "Yes"}));
}

TEST_F(HistoryFile, OneSectionRewriteMovesItToTheEnd)
{
    WriteBytes(path(), "stray line\n"
                       "[tag_name]\n"
                       "old one\n"
                       "old two\n"
                       "\n"
                       "after the gap\n"
                       "[ARTISTS]\r\n"
                       "Abba\r\n"
                       "[TAG_NAME]\r\n"
                       "second copy\r\n"
                       "[YEARS]\r"
                       "1999");
    ReplaceHistorySection(path(), {"TAG_NAME", {"<ARTIST> - <TITLE>", "<TITLE>"}});
    EXPECT_EQ(ReadBytes(path()), "stray line\r\n"
                                 "\r\n"
                                 "after the gap\r\n"
                                 "[ARTISTS]\r\n"
                                 "Abba\r\n"
                                 "[TAG_NAME]\r\n"
                                 "second copy\r\n"
                                 "[YEARS]\r\n"
                                 "1999\r\n"
                                 "[TAG_NAME]\r\n"
                                 "<ARTIST> - <TITLE>\r\n"
                                 "<TITLE>\r\n");
    EXPECT_EQ(filesInFolder(), 1u) << "temporary file left behind";
}

TEST_F(HistoryFile, OneSectionRewriteWithoutEntriesDropsTheSection)
{
    WriteBytes(path(), "[TAG_NAME]\r\nold\r\n[ARTISTS]\r\nAbba\r\n");
    ReplaceHistorySection(path(), {"TAG_NAME", {}});
    EXPECT_EQ(ReadBytes(path()), "[ARTISTS]\r\nAbba\r\n");
}

TEST_F(HistoryFile, OneSectionRewriteCreatesTheFile)
{
    ReplaceHistorySection(path(), {"TAG_NAME", {"<TITLE>"}});
    EXPECT_EQ(ReadBytes(path()), "[TAG_NAME]\r\n<TITLE>\r\n");
    fs::remove(path());
    ReplaceHistorySection(path(), {"TAG_NAME", {}});
    EXPECT_TRUE(fs::exists(path()));
    EXPECT_EQ(ReadBytes(path()), "");
}

int IoCodeOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const sonrik::IoError& e) {
        return e.code();
    }
    return 0;
}

TEST_F(HistoryFile, FailedWritesLeaveNothingBehind)
{
    const std::string nowhere = dir_.file("missing") + "/sonrik.txt";
    EXPECT_EQ(IoCodeOf([&] { WriteHistorySections(nowhere, {{"ARTISTS", {"Abba"}}}); }), 3);
    EXPECT_EQ(IoCodeOf([&] { ReplaceHistorySection(nowhere, {"TAG_NAME", {"<TITLE>"}}); }), 3);
    EXPECT_EQ(filesInFolder(), 0u);

    // A folder in the file's place cannot be read as lines or replaced.
    fs::create_directory(path());
    EXPECT_EQ(ReadHistorySection(path(), "TAG_NAME"), std::nullopt);
    EXPECT_NE(IoCodeOf([&] { ReplaceHistorySection(path(), {"TAG_NAME", {"<TITLE>"}}); }), 0);
    EXPECT_NE(IoCodeOf([&] { WriteHistorySections(path(), {{"ARTISTS", {"Abba"}}}); }), 0);
    EXPECT_TRUE(fs::is_directory(path()));
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(HistoryFile, ReadOnlyFileIsLeftAsItWas)
{
    const std::string before = "[ARTISTS]\r\nAbba\r\n";
    WriteBytes(path(), before);
    sonrik::platform::SetReadOnly(path(), true);
    EXPECT_EQ(ReadHistorySection(path(), "ARTISTS"), Lines{"Abba"});
    if (std::fstream probe(path(), std::ios::in | std::ios::out | std::ios::binary); probe.is_open())
        GTEST_SKIP() << "this account writes read-only files regardless (root)";
    EXPECT_EQ(IoCodeOf([&] { WriteHistorySections(path(), {{"ARTISTS", {"Queen"}}}); }), 5);
    EXPECT_EQ(IoCodeOf([&] { ReplaceHistorySection(path(), {"TAG_NAME", {"<TITLE>"}}); }), 5);
    EXPECT_EQ(ReadBytes(path()), before);
    EXPECT_EQ(filesInFolder(), 1u);
}

}  // namespace
