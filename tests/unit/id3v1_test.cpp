#include "tag_test_support.h"

#include "platform/errors.h"
#include "twID3/twID3.h"

#include <gtest/gtest.h>

using namespace sonrik::twID3;
using namespace sonrik::testing;

namespace {

std::string RawString(const TtwID3v1& v1)
{
    return std::string(reinterpret_cast<const char*>(v1.RawTag().data()), v1.RawTag().size());
}

class ID3v1Test : public ::testing::Test {
protected:
    // Writes `bytes` to a file and loads it.
    TtwID3v1& Load(std::string_view bytes)
    {
        WriteBytes(path, bytes);
        tag.LoadFromFile(path);
        return tag.ID3v1();
    }

    TempDir dir;
    std::string path = dir.file("song.mp3");
    TtwID3 tag;
};

}  // namespace

TEST_F(ID3v1Test, AFieldEndsAtItsFirstZeroByteAndLosesTrailingSpaces)
{
    // Leftovers of an older, longer value stand behind the zero byte in
    // files that other tools wrote.
    const std::string full(30, 'x');
    std::string rec = Record("Abc" + std::string(27, ' '), std::string("12345\0junk", 10),
                             std::string("Artist Name\0Older Al", 21), "1999", full);
    auto& v1 = Load(Audio(1000) + rec);
    EXPECT_EQ(tag.Success(), id3Success);
    EXPECT_EQ(v1.Title(), "Abc");
    EXPECT_EQ(v1.Artist(), "12345");
    EXPECT_EQ(v1.Album(), "Artist Name");
    EXPECT_EQ(v1.Year(), "1999");
    EXPECT_EQ(v1.Comment(), full);
}

TEST_F(ID3v1Test, ByteAt125DecidesBetweenV10AndV11)
{
    std::string rec = Record("t", "", "", "", std::string(28, 'c'), 7);
    auto& v1 = Load(Audio(500) + rec);
    EXPECT_TRUE(v1.UseID3v11());
    EXPECT_EQ(v1.TrackNo(), 7);
    EXPECT_EQ(v1.Comment(), std::string(28, 'c'));

    rec = Record("t", "", "", "", std::string(30, 'c'));
    Load(Audio(500) + rec);
    EXPECT_FALSE(v1.UseID3v11());
    EXPECT_EQ(v1.TrackNo(), 0);
    EXPECT_EQ(v1.Comment(), std::string(30, 'c'));
}

TEST_F(ID3v1Test, UntaggedFileLoadsAsClearedRecord)
{
    auto& v1 = Load(Audio(4000));
    EXPECT_EQ(tag.Success(), id3NoTags);
    EXPECT_FALSE(tag.UseID3v1());
    EXPECT_EQ(v1.Title(), "");
    EXPECT_EQ(v1.GenreID(), 0);
    EXPECT_EQ(v1.TrackNo(), 0);
    EXPECT_FALSE(v1.UseID3v11());
    EXPECT_FALSE(v1.UseLyrics3());
    EXPECT_EQ(RawString(v1), "TAG" + std::string(124, ' ') + std::string(1, '\0'));
}

TEST_F(ID3v1Test, GenreAbove147IsKeptAndWrittenBack)
{
    auto& v1 = Load(Audio(300) + Record("x", "", "", "", "", -1, 255));
    EXPECT_EQ(v1.GenreID(), 255);
    EXPECT_EQ(v1.Genre(), "");
    v1.SetTitle("y");
    tag.Save();
    EXPECT_EQ(static_cast<unsigned char>(ReadBytes(path).back()), 255);

    v1.SetGenreID(200);  // ignored, but still marks the record for saving
    EXPECT_EQ(v1.GenreID(), 255);
    v1.SetGenreID(17);
    EXPECT_EQ(v1.Genre(), "Rock");
    tag.Save();
    EXPECT_EQ(ReadBytes(path).back(), 17);
}

TEST(ID3v1Setters, CutValuesAndRaiseTheOwnerFlag)
{
    TtwID3 tag;
    auto& v1 = tag.ID3v1();
    EXPECT_FALSE(tag.UseID3v1());
    v1.SetTitle(std::string(40, 't'));
    EXPECT_EQ(v1.Title(), std::string(30, 't'));
    EXPECT_TRUE(tag.UseID3v1());

    tag.SetUseID3v1(false);
    v1.SetGenreID(200);
    EXPECT_TRUE(tag.UseID3v1());
    EXPECT_EQ(v1.GenreID(), 0);

    v1.SetYear("199999");
    EXPECT_EQ(v1.Year(), "1999");

    v1.SetComment(std::string(30, 'c'));
    v1.SetTrackNo(0);
    EXPECT_TRUE(v1.UseID3v11());
    EXPECT_EQ(v1.Comment(), std::string(28, 'c'));

    v1.SetUseID3v11(false);
    v1.SetComment(std::string(30, 'd'));
    v1.SetUseID3v11(true);  // keeps the value; only the record loses its end
    EXPECT_EQ(v1.Comment(), std::string(30, 'd'));
    v1.EncodeRecord();
    EXPECT_EQ(v1.RawTag()[124], 'd');
    EXPECT_EQ(v1.RawTag()[125], 0);
    EXPECT_EQ(v1.RawTag()[126], 0);
}

TEST_F(ID3v1Test, ShortCommentIsWrittenSoItReadsBackAsV11)
{
    auto& v1 = Load(Audio(300) + Record("x", "", "", "", std::string(30, 'c')));
    v1.SetComment("short");
    tag.Save();
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes[bytes.size() - 3], '\0');
    tag.LoadFromFile(path);
    EXPECT_TRUE(v1.UseID3v11());
    EXPECT_EQ(v1.TrackNo(), 0);
    EXPECT_EQ(v1.Comment(), "short");
}

TEST_F(ID3v1Test, SaveAppendsToUntaggedFileAndReplacesExistingRecord)
{
    const std::string audio = Audio(10000);
    auto& v1 = Load(audio);
    v1.ClearRecord();
    v1.SetTitle("Title");
    v1.SetArtist("Artist");
    v1.SetAlbum("Album");
    v1.SetYear("2001");
    v1.SetComment("Comment");
    v1.SetGenreID(13);
    v1.SetTrackNo(4);
    tag.Save();
    EXPECT_EQ(tag.Success(), id3Success);
    std::string bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), audio.size() + 128);
    EXPECT_TRUE(SameBytes(bytes.substr(0, audio.size()), audio));
    EXPECT_EQ(bytes.substr(audio.size()), Record("Title", "Artist", "Album", "2001", "Comment", 4, 13));

    v1.SetTitle("Other");
    tag.Save();
    bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), audio.size() + 128);
    EXPECT_EQ(bytes.substr(audio.size()), Record("Other", "Artist", "Album", "2001", "Comment", 4, 13));
}

TEST_F(ID3v1Test, FilesTooShortForARecord)
{
    WriteBytes(path, "tiny");
    try {
        tag.LoadFromFile(path);
        FAIL() << "a 4-byte file has no place for a record";
    } catch (const sonrik::IoError& e) {
        EXPECT_EQ(e.code(), 131);
    }
    // A file that is nothing but a record has no room for a Lyrics3 marker.
    auto& v1 = Load(Record("only"));
    EXPECT_EQ(tag.Success(), id3Success);
    EXPECT_EQ(v1.Title(), "only");
    EXPECT_FALSE(v1.UseLyrics3());
    v1.SetTitle("again");
    tag.Save();
    EXPECT_TRUE(SameBytes(ReadBytes(path), Record("again")));
}

TEST_F(ID3v1Test, AssignCopiesValuesRecordAndOwnerButNotLyrics)
{
    auto& v1 = Load(Audio(300) + BlockV1("words") + Record("src", "art", "alb", "1990", "com", 3, 9));
    TtwID3 other;
    other.ID3v1().Assign(v1);
    EXPECT_EQ(other.ID3v1().Title(), "src");
    EXPECT_EQ(other.ID3v1().TrackNo(), 3);
    EXPECT_TRUE(other.ID3v1().UseLyrics3());
    EXPECT_EQ(other.ID3v1().RawTag(), v1.RawTag());
    EXPECT_EQ(&other.ID3v1().Owner(), &tag);
    EXPECT_TRUE(other.ID3v1().Lyrics3().Lyrics().empty());
}
