#include "tag_test_support.h"

#include "platform/errors.h"
#include "twID3/twID3.h"

#include <gtest/gtest.h>

using namespace sonrik::twID3;
using namespace sonrik::testing;

namespace {

class Lyrics3Test : public ::testing::Test {
protected:
    TtwLyrics3& Load(std::string_view bytes)
    {
        WriteBytes(path, bytes);
        tag.LoadFromFile(path);
        return l3();
    }
    TtwLyrics3& l3() { return tag.ID3v1().Lyrics3(); }
    bool UseLyrics3() { return tag.ID3v1().UseLyrics3(); }

    TempDir dir;
    std::string path = dir.file("song.mp3");
    TtwID3 tag;
    const std::string audio = Audio(20000);
    const std::string record = Record("Song", "Band");
};

}  // namespace

TEST_F(Lyrics3Test, Version2BlockIsWrittenByteForByteAndReadBack)
{
    Load(audio + record);
    tag.ID3v1().SetUseLyrics3(true);
    l3().SetUseLyrics3v2(true);
    l3().Lyrics() = {"Hello"};
    l3().SetAuthor("Me");
    tag.Save();
    ASSERT_EQ(tag.Success(), id3Success);

    const std::string expected = std::string("LYRICSBEGININD0000210") + "LYR00007Hello\r\n" + "AUT00002Me" +
                                 "000046" + "LYRICS200";
    ASSERT_EQ(expected.size(), 61u);
    EXPECT_TRUE(SameBytes(ReadBytes(path), audio + expected + record));

    Load(ReadBytes(path));
    EXPECT_TRUE(UseLyrics3());
    EXPECT_TRUE(l3().UseLyrics3v2());
    EXPECT_EQ(l3().Lyrics(), LineList{"Hello"});
    EXPECT_EQ(l3().Author(), "Me");
    EXPECT_FALSE(l3().UseTimestamp());
}

TEST_F(Lyrics3Test, Version1BlockHoldsOnlyLyrics)
{
    Load(audio + BlockV1("ab\r\nc") + record);
    EXPECT_TRUE(UseLyrics3());
    EXPECT_FALSE(l3().UseLyrics3v2());
    EXPECT_EQ(l3().Lyrics(), (LineList{"ab", "c"}));
    EXPECT_EQ(l3().Title(), "");
    EXPECT_EQ(l3().Author(), "");

    l3().Lyrics().push_back("d");
    tag.Save();
    EXPECT_TRUE(SameBytes(ReadBytes(path), audio + BlockV1("ab\r\nc\r\nd\r\n") + record));
}

TEST_F(Lyrics3Test, ChangedVersion2BlockIsRebuiltInFixedOrderKeepingWhatItCannotRead)
{
    const std::string fields = std::string("IND00003111") + "IMG00003img" + "XYZ00004skip" + "ETT00005Title" +
                               "EAR00006Artist" + "EAL00005Album" + "INF00004info" + "AUT00002Au" + "LYR00003abc";
    auto& lyr = Load(audio + BlockV2(fields) + record);
    EXPECT_TRUE(lyr.UseTimestamp());
    EXPECT_EQ(lyr.Title(), "Title");
    EXPECT_EQ(lyr.Artist(), "Artist");
    EXPECT_EQ(lyr.Album(), "Album");
    EXPECT_EQ(lyr.Author(), "Au");
    EXPECT_EQ(lyr.Images(), LineList{"img"});
    EXPECT_EQ(lyr.Infos(), LineList{"info"});
    EXPECT_EQ(lyr.Lyrics(), LineList{"abc"});

    lyr.SetAuthor("Au2");
    tag.Save();
    const std::string rewritten = std::string("IND00003111") + "LYR00005abc\r\n" + "AUT00003Au2" + "EAL00005Album" +
                                  "EAR00006Artist" + "ETT00005Title" + "INF00006info\r\n" + "IMG00005img\r\n" +
                                  "XYZ00004skip";
    EXPECT_TRUE(SameBytes(ReadBytes(path), audio + BlockV2(rewritten) + record));
}

// Blocks other tools wrote: fields of ids outside the table, more indicator
// characters, lyrics without a final line end.
TEST_F(Lyrics3Test, UntouchedBlockKeepsItsBytesAndAChangedOneKeepsOtherFields)
{
    const auto setAuthor = [](TtwLyrics3& l) { l.SetAuthor("Me"); };
    const auto addLine = [](TtwLyrics3& l) { l.Lyrics().push_back("d"); };
    struct Case {
        const char* what;
        std::string block;
        void (*change)(TtwLyrics3&);
        std::string rebuilt;
        const char* author;   // read back from the rebuilt block
        std::size_t lyricLines;
    };
    const Case cases[] = {
        {"CRC after the known fields", BlockV2("IND0000210LYR00003abcETT00005TitleCRC00008ABCDEF01"), setAuthor,
         BlockV2("IND0000210LYR00005abc\r\nAUT00002MeETT00005TitleCRC00008ABCDEF01"), "Me", 1},
        {"CRC before them", BlockV2("CRC00008ABCDEF01IND0000210ETT00005Title"), setAuthor,
         BlockV2("IND0000200AUT00002MeETT00005TitleCRC00008ABCDEF01"), "Me", 0},
        {"three indicators", BlockV2("IND00003101LYR00003abc"), setAuthor,
         BlockV2("IND00003101LYR00005abc\r\nAUT00002Me"), "Me", 1},
        {"version 1 without a final line end", BlockV1("ab\r\nc"), addLine, BlockV1("ab\r\nc\r\nd\r\n"), "", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // An ID3v1 change, with every Lyrics3 value set to what it was (as
        // the editor's save does), leaves the block as it stood.
        auto& lyr = Load(audio + c.block + record);
        lyr.SetTitle(std::string(lyr.Title()));
        lyr.SetArtist(std::string(lyr.Artist()));
        lyr.SetUseTimestamp(lyr.UseTimestamp());
        lyr.Lyrics() = LineList(lyr.Lyrics());
        tag.ID3v1().SetTitle("New title");
        tag.Save();
        EXPECT_TRUE(SameBytes(ReadBytes(path), audio + c.block + Record("New title", "Band")));

        c.change(Load(audio + c.block + record));
        tag.Save();
        EXPECT_TRUE(SameBytes(ReadBytes(path), audio + c.rebuilt + record));
        Load(ReadBytes(path));
        EXPECT_TRUE(UseLyrics3());
        EXPECT_EQ(l3().Author(), c.author);
        EXPECT_EQ(l3().Lyrics().size(), c.lyricLines);
    }
}

TEST_F(Lyrics3Test, FieldParsingStopsAtTheFirstBadFieldAndKeepsEarlierOnes)
{
    auto& lyr = Load(audio + BlockV2("IND000011ETT00003OneEAR0000xBadAUT00003Not") + record);
    EXPECT_FALSE(lyr.UseTimestamp());  // a one-byte indicator has no timestamp character
    EXPECT_EQ(lyr.Title(), "One");
    EXPECT_EQ(lyr.Artist(), "");
    EXPECT_EQ(lyr.Author(), "");

    Load(audio + BlockV2("ETT00003OneETT00003Two") + record);
    EXPECT_EQ(lyr.Title(), "Two");  // a later field with the same id wins

    Load(audio + BlockV2("ETT99999short") + record);  // size runs past the block
    EXPECT_EQ(lyr.Title(), "");
    EXPECT_TRUE(UseLyrics3());
}

TEST_F(Lyrics3Test, OthersAreWrittenRawCountedAndNotReadBack)
{
    Load(audio + record);
    l3().SetOthers({"ZZZ00001q"});
    EXPECT_TRUE(l3().UseLyrics3v2());
    EXPECT_TRUE(UseLyrics3());
    tag.Save();
    EXPECT_TRUE(SameBytes(ReadBytes(path), audio + BlockV2("IND0000200ZZZ00001q\r\n") + record));
    Load(ReadBytes(path));
    EXPECT_TRUE(l3().Others().empty());
}

TEST_F(Lyrics3Test, BrokenSizeFieldFallsBackToTheSearch)
{
    std::string block = BlockV2("ETT00004Name");
    block.replace(block.size() - 15, 6, "12x456");
    auto& lyr = Load(audio + block + record);
    EXPECT_TRUE(lyr.UseLyrics3v2());
    EXPECT_EQ(lyr.Title(), "Name");

    // A size that points at something other than the start marker is not trusted either.
    block = BlockV2("ETT00004Name");
    block.replace(block.size() - 15, 6, "000100");
    Load(audio + block + record);
    EXPECT_EQ(lyr.Title(), "Name");
    lyr.SetTitle("New");
    tag.Save();
    EXPECT_TRUE(SameBytes(ReadBytes(path), audio + BlockV2("IND0000200ETT00003New") + record));
}

TEST_F(Lyrics3Test, StartMarkerIsFoundWhereverItLiesInTheSearchWindow)
{
    // Version 1 blocks of every lyrics length up to the limit, including ones
    // whose start marker straddles the old 4096-byte chunk boundaries.
    for (std::size_t len : {0u, 1u, 4075u, 4076u, 4080u, 4086u, 4087u, 5100u}) {
        const std::string lyrics(len, 'x');
        auto& lyr = Load(audio + BlockV1(lyrics) + record);
        ASSERT_TRUE(UseLyrics3()) << len;
        EXPECT_EQ(LinesToText(lyr.Lyrics()), len ? lyrics + "\r\n" : "") << len;
    }
}

TEST_F(Lyrics3Test, BlocksAreNotLookedForBeyondWhatTheirVersionCanHold)
{
    // A version 1 marker whose start lies further back than 5100 bytes of lyrics.
    const std::string tooFar = BlockV1(std::string(5101, 'x'));
    Load(audio + tooFar + record);
    EXPECT_FALSE(UseLyrics3());
    tag.ID3v1().SetTitle("t");
    tag.Save();
    // Nothing in front of the record was taken for a block.
    EXPECT_TRUE(SameBytes(ReadBytes(path), audio + tooFar + Record("t", "Band")));
}

TEST_F(Lyrics3Test, SaveWithoutEndMarkerNeverCutsIntoTheFile)
{
    // A stray start marker in the audio, with no end marker in front of the record.
    const std::string stray = audio.substr(0, 5000) + "LYRICSBEGIN" + audio.substr(5000);
    auto& lyr = Load(stray + record);
    EXPECT_FALSE(UseLyrics3());
    lyr.SetAuthor("A");
    tag.Save();
    EXPECT_TRUE(SameBytes(ReadBytes(path), stray + BlockV2("IND0000200AUT00001A") + record));
}

TEST_F(Lyrics3Test, SizeFieldLargerThanTheFileIsNoBlock)
{
    std::string block = BlockV2("ETT00001x");
    block.replace(block.size() - 15, 6, "999999");
    const std::string junk = block.substr(11);  // no start marker anywhere
    Load(audio + junk + record);
    EXPECT_FALSE(UseLyrics3());
    tag.ID3v1().SetTitle("t");
    tag.Save();
    EXPECT_EQ(tag.Success(), id3Success);
    EXPECT_TRUE(SameBytes(ReadBytes(path), audio + junk + Record("t", "Band")));
}

TEST_F(Lyrics3Test, SavingWithoutLyrics3RemovesTheBlock)
{
    Load(audio + BlockV2("LYR00003abc") + record);
    tag.ID3v1().SetUseLyrics3(false);
    tag.Save();
    EXPECT_TRUE(SameBytes(ReadBytes(path), audio + record));
}

TEST_F(Lyrics3Test, SettersRaiseFlagsOnlyForValues)
{
    TtwID3 fresh;
    auto& lyr = fresh.ID3v1().Lyrics3();
    lyr.SetTitle("");
    EXPECT_FALSE(lyr.UseLyrics3v2());
    EXPECT_FALSE(fresh.ID3v1().UseLyrics3());
    EXPECT_FALSE(fresh.UseID3v1());

    lyr.SetLyrics({"line"});  // lyrics alone fit a version 1 block
    EXPECT_FALSE(lyr.UseLyrics3v2());
    EXPECT_TRUE(fresh.ID3v1().UseLyrics3());
    EXPECT_TRUE(fresh.UseID3v1());

    lyr.SetUseTimestamp(false);
    EXPECT_FALSE(lyr.UseLyrics3v2());
    lyr.SetTitle(std::string(300, 'x'));
    EXPECT_EQ(lyr.Title().size(), 250u);
    EXPECT_TRUE(lyr.UseLyrics3v2());

    TtwID3 other;
    other.ID3v1().Lyrics3().SetInfos({"i"});
    EXPECT_TRUE(other.ID3v1().Lyrics3().UseLyrics3v2());
    other.ID3v1().Lyrics3().Assign(lyr);
    EXPECT_EQ(other.ID3v1().Lyrics3().Title(), lyr.Title());
    EXPECT_EQ(other.ID3v1().Lyrics3().Lyrics(), LineList{"line"});
    EXPECT_TRUE(other.ID3v1().Lyrics3().Infos().empty());
    lyr.ClearLyrics();
    EXPECT_TRUE(lyr.Lyrics().empty());
    EXPECT_EQ(lyr.Title().size(), 250u);
}

TEST_F(Lyrics3Test, BlocksTheFormatCannotHoldAreRefusedBeforeWriting)
{
    const std::string original = audio + BlockV2("LYR00003abc") + record;
    struct Case {
        const char* what;
        void (*fill)(TtwLyrics3&);
        const char* limit;
    };
    const Case cases[] = {
        {"v2 field", [](TtwLyrics3& l) { l.Lyrics() = {std::string(99998, 'x')}; }, "99999"},
        {"v2 block", [](TtwLyrics3& l) {
             l.Lyrics() = {std::string(99000, 'l')};
             l.Infos() = {std::string(99000, 'i')};
             for (int i = 0; i < 9; ++i) l.Others().push_back(std::string(90000, 'o'));
         }, "999999"},
        {"v1 lyrics", [](TtwLyrics3& l) {
             l.SetUseLyrics3v2(false);
             l.Lyrics() = {std::string(5099, 'x')};
         }, "5100"},
    };
    for (const auto& c : cases) {
        auto& lyr = Load(original);
        c.fill(lyr);
        try {
            tag.Save();
            ADD_FAILURE() << c.what << ": the save should refuse";
        } catch (const sonrik::Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.limit), std::string::npos) << e.what();
        }
        EXPECT_TRUE(SameBytes(ReadBytes(path), original)) << c.what;
        EXPECT_EQ(tag.Success(), id3Success) << c.what;
    }
    // Version 1 lyrics that contain a marker would not be found again.
    for (const char* marker : {"LYRICSBEGIN", "LYRICSEND"}) {
        auto& l = Load(original);
        l.SetUseLyrics3v2(false);
        l.Lyrics() = {std::string("see ") + marker + " here"};
        EXPECT_THROW(tag.Save(), sonrik::Error) << marker;
        EXPECT_TRUE(SameBytes(ReadBytes(path), original)) << marker;
    }
    // The largest that fit are written and read back whole.
    auto& lyr = Load(original);
    lyr.SetUseLyrics3v2(false);
    lyr.Lyrics() = {std::string(5098, 'x')};
    tag.Save();
    Load(ReadBytes(path));
    EXPECT_EQ(lyr.Lyrics(), LineList{std::string(5098, 'x')});
}

TEST_F(Lyrics3Test, BrokenSizeFieldSkipsAStartMarkerQuotedInsideAField)
{
    const std::string lyrics = "They sang LYRICSBEGIN and more\r\n";
    const std::string quoted = "LYR" + std::string("000") + std::to_string(lyrics.size()) + lyrics + "ETT00004Name";
    struct Case {
        const char* what;
        std::string sizeDigits;
    };
    for (const Case& c : {Case{"not digits", "12x456"}, Case{"points elsewhere", "000100"}}) {
        SCOPED_TRACE(c.what);
        std::string block = BlockV2(quoted);
        block.replace(block.size() - 15, 6, c.sizeDigits);
        auto& lyr = Load(audio + block + record);
        EXPECT_EQ(lyr.Title(), "Name");
        EXPECT_EQ(lyr.Lyrics(), LineList{"They sang LYRICSBEGIN and more"});
        lyr.SetAuthor("A");
        tag.Save();
        EXPECT_TRUE(SameBytes(ReadBytes(path), audio + BlockV2("IND0000210" + quoted.substr(0, 8 + lyrics.size()) +
                                                                "AUT00001AETT00004Name") + record));
    }
    // When no marker starts whole fields, the nearest one still bounds the block.
    std::string block = BlockV2("XX");
    block.replace(block.size() - 15, 6, "12x456");
    Load(audio + block + record);
    EXPECT_TRUE(UseLyrics3());
    tag.ID3v1().SetUseLyrics3(false);
    tag.Save();
    EXPECT_TRUE(SameBytes(ReadBytes(path), audio + record));
}

TEST_F(Lyrics3Test, Version1BlockHoldingAMarkerIsWrittenBackAsItWas)
{
    const std::string block = BlockV1("first LYRICSEND second");  // no line end at the end, as found
    Load(audio + block + record);
    ASSERT_EQ(l3().Lyrics(), LineList{"first LYRICSEND second"});
    tag.ID3v1().SetTitle("Only the record");
    tag.Save();
    EXPECT_TRUE(SameBytes(ReadBytes(path), audio + block + Record("Only the record", "Band")));

    // Changed lyrics that hold the marker are still refused.
    Load(ReadBytes(path));
    l3().Lyrics().push_back("third");
    const std::string before = ReadBytes(path);
    EXPECT_THROW(tag.Save(), sonrik::Error);
    EXPECT_TRUE(SameBytes(ReadBytes(path), before));
}

TEST_F(Lyrics3Test, ZeroByteInAValueIsRefusedNamingTheField)
{
    const std::string original = audio + BlockV2("ETT00004Name") + record;
    const std::string zero("a\0b", 3);
    struct Case {
        const char* field;
        void (*fill)(TtwLyrics3&, const std::string&);
    };
    const Case cases[] = {
        {"LYR", [](TtwLyrics3& l, const std::string& v) { l.Lyrics() = {v}; }},
        {"AUT", [](TtwLyrics3& l, const std::string& v) { l.SetAuthor(v); }},
        {"EAL", [](TtwLyrics3& l, const std::string& v) { l.SetAlbum(v); }},
        {"EAR", [](TtwLyrics3& l, const std::string& v) { l.SetArtist(v); }},
        {"ETT", [](TtwLyrics3& l, const std::string& v) { l.SetTitle(v); }},
        {"INF", [](TtwLyrics3& l, const std::string& v) { l.Infos() = {v}; }},
        {"IMG", [](TtwLyrics3& l, const std::string& v) { l.Images() = {v}; }},
        {"LYR (version 1)", [](TtwLyrics3& l, const std::string& v) {
             l.SetUseLyrics3v2(false);
             l.Lyrics() = {v};
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        c.fill(Load(original), zero);
        try {
            tag.Save();
            ADD_FAILURE() << "a value with a zero byte was written";
        } catch (const sonrik::Error& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find(std::string(c.field).substr(0, 3)), std::string::npos) << text;
            EXPECT_NE(text.find("zero byte"), std::string::npos) << text;
        }
        EXPECT_TRUE(SameBytes(ReadBytes(path), original));
    }
}
