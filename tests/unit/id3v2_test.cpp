#include "tag_test_support.h"

#include "twID3/twID3.h"

#include <gtest/gtest.h>

using namespace sonrik::twID3;
using namespace sonrik::testing;
using namespace std::string_literals;

namespace {

std::string SyncSafe(std::uint32_t n) { return {char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)}; }
std::string Plain(std::uint32_t n) { return {char(n >> 24), char(n >> 16), char(n >> 8), char(n)}; }

std::string Frame(int version, std::string_view id, std::string_view data, char flags = 0, bool plain = false)
{
    const auto n = static_cast<std::uint32_t>(data.size());
    return std::string(id) + (version == 4 && !plain ? SyncSafe(n) : Plain(n)) + '\0' + flags + std::string(data);
}

std::string Tag(int version, std::string_view body, char flags = 0)
{
    return "ID3"s + char(version) + '\0' + flags + SyncSafe(static_cast<std::uint32_t>(body.size())) + std::string(body);
}

struct Case {
    const char* what;
    std::string bytes;
    const char* error;  // part of the reason; empty: a tag is read
    std::vector<std::string> title;
    std::vector<std::string> unread = {};
    bool note = false;
};

class ID3v2Test : public ::testing::Test {
protected:
    const ID3v2Read& Load(const std::string& bytes)
    {
        WriteBytes(path, bytes);
        tag.LoadFromFile(path);
        return tag.ID3v2();
    }
    TempDir dir;
    std::string path = dir.file("song.mp3");
    TtwID3 tag;
    const std::string audio = Audio(300);
};

}  // namespace

TEST_F(ID3v2Test, HostileBytesGiveAReasonOrTheValuesThatAreThere)
{
    const std::string a256(256, 'a');
    const Case cases[] = {
        {"size past the end of the file", "ID3\3\0\0"s + SyncSafe(100000) + Frame(3, "TIT2", "\0A"s), "claims", {}},
        {"size not sync-safe", "ID3\3\0\0\0\0\x80\0"s, "sync-safe", {}},
        {"unknown version", Tag(5, Frame(3, "TIT2", "\0A"s)), "version 2.5", {}},
        {"frame past the end of the tag", Tag(3, "TIT2"s + Plain(50) + "\0\0\0abc"s), "claims 50", {}},
        {"garbage after a good header", Tag(3, "\x01garbage bytes!"), "no frame", {}},
        {"junk after the frames", Tag(3, Frame(3, "TIT2", "\0A"s) + "xyz!!"), "", {"A"}, {}, true},
        {"zero-size frame", Tag(3, Frame(3, "TXXX", "") + Frame(3, "TIT2", "\0B"s)), "", {"B"}},
        {"unknown encoding", Tag(3, Frame(3, "TIT2", "\x07" "abc")), "", {}, {"TIT2"}},
        {"odd UTF-16 length", Tag(3, Frame(3, "TIT2", "\x01\xFF\xFE" "A\0B"s)), "", {"A\xEF\xBF\xBD"}},
        {"lone surrogate", Tag(3, Frame(3, "TIT2", "\x01\xFF\xFE\x00\xD8" "A\0"s)), "", {"\xEF\xBF\xBD" "A"}},
        {"2.3 unsynchronised tag", Tag(3, "TIT2"s + Plain(3) + "\0\0\0\xFF\x00\xE0"s, '\x80'), "", {"\xC3\xBF\xC3\xA0"}},
        {"2.4 unsynchronised frame", Tag(4, Frame(4, "TIT2", "\0\xFF\x00\x00x"s, 2)), "", {"\xC3\xBF", "x"}},
        {"2.4 plain-number size", Tag(4, Frame(4, "TIT2", "\0"s + a256, 0, true) + Frame(4, "TPE1", "\0B"s)), "", {a256}},
        {"extended header too large", Tag(4, SyncSafe(1000) + "\x01\0"s, 0x40), "extended header", {}},
        {"compressed 2.4 frame", Tag(4, Frame(4, "TIT2", "\0\0\0\x05xx"s, 9)), "", {}, {"TIT2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto& read = Load(c.bytes + audio);
        if (*c.error) {
            EXPECT_FALSE(read.tag);
            EXPECT_NE(read.error.find(c.error), std::string::npos) << read.error;
            continue;
        }
        ASSERT_TRUE(read.tag) << read.error;
        EXPECT_EQ(read.tag->title, c.title);
        EXPECT_EQ(read.tag->unread, c.unread);
        EXPECT_EQ(read.tag->note.empty(), !c.note) << read.tag->note;
    }
}

TEST_F(ID3v2Test, BrokenTagKeepsTheRecordAndTheBlockLoading)
{
    const auto& read = Load(Tag(3, "TIT2"s + Plain(500) + "\0A"s) + audio + BlockV2("ETT00004Long") + Record("Short"));
    EXPECT_FALSE(read.error.empty());
    EXPECT_EQ(tag.Success(), id3Success);
    EXPECT_EQ(tag.ID3v1().Title(), "Short");
    EXPECT_EQ(tag.ID3v1().Lyrics3().Title(), "Long");
}

TEST_F(ID3v2Test, AppendedTagIsFoundByItsFooterInFrontOfTheTailArea)
{
    const std::string body = Frame(4, "TIT2", "\0End"s), size = SyncSafe(static_cast<std::uint32_t>(body.size()));
    const std::string appended = "ID3\4\0\x10"s + size + body + "3DI\4\0\x10"s + size;
    const auto& read = Load(audio + appended + BlockV1("la") + Record("t"));
    ASSERT_TRUE(read.tag) << read.error;
    EXPECT_TRUE(read.tag->atEnd);
    EXPECT_EQ(read.tag->offset, static_cast<std::int64_t>(audio.size()));
    EXPECT_EQ(read.tag->title, std::vector<std::string>{"End"});
    EXPECT_NE(Load(audio + "3DI\4\0\x10"s + SyncSafe(100000) + Record("t")).error.find("footer"), std::string::npos);
}

TEST_F(ID3v2Test, FramesAreListedWhereTheyStandAndAMissingFileResetsTheTag)
{
    const std::string title = Frame(3, "TIT2", "\0A"s), picture = Frame(3, "APIC", std::string(70000, 'p'));
    const auto& read = Load(Tag(3, picture + title + std::string(7, '\0')) + audio);
    ASSERT_TRUE(read.tag);
    EXPECT_EQ(read.tag->title, std::vector<std::string>{"A"});
    ASSERT_EQ(read.tag->frames.size(), 2u);
    EXPECT_EQ(read.tag->frames[1].offset, 10 + static_cast<std::int64_t>(picture.size()));
    EXPECT_EQ(read.tag->frames[1].size, static_cast<std::int64_t>(title.size()));
    EXPECT_EQ(read.tag->padding, 7);
    tag.LoadFromFile(dir.file("missing.mp3"));
    EXPECT_FALSE(tag.ID3v2().tag);
}
