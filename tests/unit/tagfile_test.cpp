#include "tag_test_support.h"

#include "platform/errors.h"
#include "platform/platform.h"
#include "twID3/twID3.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

using namespace sonrik::twID3;
using namespace sonrik::testing;

namespace {

class TagFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string tagged = dir.file("tagged.mp3");
    std::string untagged = dir.file("untagged.mp3");
    std::string missing = dir.file("missing.mp3");
    const std::string audio = Audio(8000);
    TtwID3 tag;

    void SetUp() override
    {
        WriteBytes(tagged, audio + BlockV2("ETT00006L3Name") + Record("Title", "Artist"));
        WriteBytes(untagged, audio);
    }
};

}  // namespace

TEST_F(TagFileTest, AutoLoadFollowsTheFileName)
{
    tag.SetFilename(tagged);
    EXPECT_EQ(tag.ID3v1().Title(), "");  // AutoLoad is off

    tag.SetAutoLoad(true);  // the name already names a file: loads it
    EXPECT_EQ(tag.ID3v1().Title(), "Title");
    EXPECT_EQ(tag.Success(), id3Success);
    EXPECT_TRUE(tag.UseID3v1());

    tag.SetFilename(missing);
    EXPECT_EQ(tag.Success(), id3NoSuchFile);

    TtwID3 empty;
    empty.SetAutoLoad(true);  // no name yet: nothing happens
    EXPECT_EQ(empty.Success(), id3Success);
    EXPECT_EQ(empty.Filename(), "");
}

TEST_F(TagFileTest, SuccessCannotBeWrittenFromOutside)
{
    tag.LoadFromFile(untagged);
    tag.SetSuccess(id3Success);
    EXPECT_EQ(tag.Success(), id3NoTags);
}

TEST_F(TagFileTest, UntaggedFileIsOnlyWrittenOnceAValueIsSet)
{
    tag.LoadFromFile(untagged);
    EXPECT_EQ(tag.Success(), id3NoTags);
    EXPECT_FALSE(tag.UseID3v1());

    tag.Save();
    EXPECT_EQ(tag.Success(), id3NoTags);
    EXPECT_FALSE(tag.UseID3v1());
    EXPECT_TRUE(SameBytes(ReadBytes(untagged), audio));

    tag.ID3v1().SetTitle("New");
    tag.Save();
    EXPECT_EQ(tag.Success(), id3Success);
    EXPECT_TRUE(tag.UseID3v1());
    EXPECT_TRUE(SameBytes(ReadBytes(untagged), audio + Record("New")));
}

TEST_F(TagFileTest, SaveBeforeAnyLoadWritesNothing)
{
    tag.ID3v1().SetTitle("x");  // the record buffer still lacks "TAG"
    tag.SaveToFile(tagged);
    EXPECT_EQ(tag.Success(), id3NoTags);
    EXPECT_EQ(tag.Filename(), "");
    tag.SaveToFile(missing);
    EXPECT_EQ(tag.Success(), id3NoSuchFile);
    EXPECT_FALSE(sonrik::platform::FileExists(missing));
}

TEST_F(TagFileTest, MissingFileKeepsTheLastFileAndRevertsUnsavedValues)
{
    tag.LoadFromFile(tagged);
    tag.ID3v1().SetTitle("Unsaved");
    tag.LoadFromFile(missing);
    EXPECT_EQ(tag.Success(), id3NoSuchFile);
    EXPECT_EQ(tag.Filename(), tagged);
    EXPECT_TRUE(tag.UseID3v1());
    EXPECT_EQ(tag.ID3v1().Title(), "Title");
    EXPECT_EQ(tag.ID3v1().Lyrics3().Title(), "L3Name");

    tag.SaveToFile(missing);
    EXPECT_EQ(tag.Success(), id3NoSuchFile);
    EXPECT_FALSE(sonrik::platform::FileExists(missing));
}

TEST_F(TagFileTest, SaveWithUseID3v1OffLeavesFileAndStateAlone)
{
    tag.LoadFromFile(tagged);
    const std::string before = ReadBytes(tagged);
    tag.ID3v1().SetTitle("changed");
    tag.SetUseID3v1(false);
    tag.Save();
    EXPECT_TRUE(SameBytes(ReadBytes(tagged), before));
    EXPECT_EQ(tag.Success(), id3Success);
    EXPECT_TRUE(tag.UseID3v1());  // follows Success
}

TEST_F(TagFileTest, AutoSaveWritesAfterEverySetter)
{
    tag.LoadFromFile(tagged);
    tag.SetAutoSave(true);
    tag.ID3v1().SetArtist("Auto");
    TtwID3 reader;
    reader.LoadFromFile(tagged);
    EXPECT_EQ(reader.ID3v1().Artist(), "Auto");

    tag.ID3v1().Lyrics3().SetAuthor("Writer");
    reader.LoadFromFile(tagged);
    EXPECT_EQ(reader.ID3v1().Lyrics3().Author(), "Writer");
    EXPECT_EQ(reader.ID3v1().Lyrics3().Title(), "L3Name");
}

TEST_F(TagFileTest, RepeatedSavesAreStableAndKeepTheAudio)
{
    tag.LoadFromFile(tagged);
    tag.Save();
    const std::string once = ReadBytes(tagged);
    for (int i = 0; i < 3; ++i) {
        tag.LoadFromFile(tagged);
        tag.Save();
    }
    EXPECT_TRUE(SameBytes(ReadBytes(tagged), once));
    EXPECT_TRUE(SameBytes(once.substr(0, audio.size()), audio));
}

TEST_F(TagFileTest, ReadOnlyFileFailsTheSaveAndKeepsTheState)
{
    tag.LoadFromFile(tagged);
    const std::string before = ReadBytes(tagged);
    sonrik::platform::SetReadOnly(tagged, true);
    if (std::fstream probe(tagged, std::ios::in | std::ios::out | std::ios::binary); probe.is_open()) {
        probe.close();
        sonrik::platform::SetReadOnly(tagged, false);
        GTEST_SKIP() << "this account writes read-only files regardless (root)";
    }
    tag.ID3v1().SetTitle("blocked");
    try {
        tag.Save();
        ADD_FAILURE() << "a read-only file cannot be opened for writing";
    } catch (const sonrik::IoError& e) {
        EXPECT_EQ(e.code(), 5);
        EXPECT_STREQ(e.what(), "File access denied");
    }
    EXPECT_EQ(tag.Success(), id3Success);
    sonrik::platform::SetReadOnly(tagged, false);
    EXPECT_TRUE(SameBytes(ReadBytes(tagged), before));
}

#ifndef _WIN32
// A disk that cannot take the larger tags: the file size limit makes the
// growing write come up short.
TEST_F(TagFileTest, ShortWriteLeavesTheFileAsItWas)
{
    tag.LoadFromFile(tagged);
    const std::string before = ReadBytes(tagged);
    tag.ID3v1().Lyrics3().SetInfos({std::string(4000, 'i')});

    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = before.size() + 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    tag.Save();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(tag.Success(), id3IOError);
    EXPECT_FALSE(tag.UseID3v1());
    EXPECT_TRUE(SameBytes(ReadBytes(tagged), before));
}
#endif

TEST_F(TagFileTest, LoadOpensOnceAndReadsHeadAndTailInOnePositionedReadEach)
{
    using sonrik::platform::FileCall;
    using sonrik::platform::FileCallFaults;
    struct Case {
        const char* what;
        std::string bytes;
        int reads;  // the head, the record with what is in front (a block of up to 1 KB), and a larger block
    };
    // An ID3v2 tag whose title stands behind a large picture: that is read
    // where the title begins, the picture not at all.
    const std::string picture = "APIC" + std::string("\0\1\0\0", 4) + std::string(2, '\0') + std::string(65536, 'p');
    const std::string title = "TIT2" + std::string("\0\0\0\2\0\0\0", 7) + "A";
    const std::string id3v2 = std::string("ID3\3\0\0\0\4\0\x15", 10) + picture + title;
    const Case cases[] = {
        {"untagged", audio, 2},
        {"record only", audio + Record("t"), 2},
        {"version 1 block", audio + BlockV1("words") + Record("t"), 3},  // no size: searched 5 KB back
        {"version 2.00 block", audio + BlockV2("ETT00001x") + Record("t"), 2},
        {"larger block", audio + BlockV2("LYR02000" + std::string(2000, 'w')) + Record("t"), 3},
        {"ID3v2 tag with a picture in front", id3v2 + audio + Record("t"), 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(tagged, c.bytes);
        FileCallFaults opens({FileCall::Open}, 0);
        FileCallFaults reads({FileCall::ReadAt}, 0);
        FileCallFaults others({FileCall::Size, FileCall::Read, FileCall::Write, FileCall::WriteAt, FileCall::Truncate}, 0);
        tag.LoadFromFile(tagged);
        EXPECT_EQ(opens.calls(), 1);
        EXPECT_EQ(reads.calls(), c.reads);
        EXPECT_EQ(others.calls(), 0);
    }
}
