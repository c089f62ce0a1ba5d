// The ID3v2 writer: the bytes of the tags it makes, the two ways a save takes
// and a save failing at every file call along either.
#include "tag_test_support.h"

#include "platform/errors.h"
#include "platform/platform.h"
#include "twID3/id3v2_write.h"
#include "twID3/twID3.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace sonrik::twID3;
using namespace sonrik::testing;
using namespace std::string_literals;
using sonrik::platform::FileCall;
using sonrik::platform::FileCallFaults;

namespace {

std::string SyncSafe(std::uint32_t n) { return {char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)}; }
std::string Plain(std::uint32_t n) { return {char(n >> 24), char(n >> 16), char(n >> 8), char(n)}; }

std::string Frame(int version, std::string_view id, std::string_view data, char flags = 0)
{
    const auto n = static_cast<std::uint32_t>(data.size());
    if (version == 2) return std::string(id) + Plain(n).substr(1) + std::string(data);
    return std::string(id) + (version == 4 ? SyncSafe(n) : Plain(n)) + '\0' + flags + std::string(data);
}

std::string Tag(int version, std::string_view body, char flags = 0, std::size_t padding = 0)
{
    return "ID3"s + char(version) + '\0' + flags + SyncSafe(static_cast<std::uint32_t>(body.size() + padding)) +
           std::string(body) + std::string(padding, '\0');
}

ID3v2Read ReadFile(const std::string& path)
{
    auto opened = sonrik::platform::File::openExisting(path, sonrik::platform::OpenMode::Read);
    return ReadID3v2(opened->file, opened->size, opened->size);
}

const std::string kPicture = "\0image/png\0\3\0"s + "\x89PNG\xFF\0\x01"s;
const std::string kPrivate = Frame(3, "PRIV", "owner\0\xFF\xFE\x01"s);
const std::string kUnknown = Frame(3, "XYZW", "\1\2\3");

const std::pair<std::optional<std::string> ID3v2Changes::*, std::vector<std::string> ID3v2Tag::*> kReadBack[] = {
    {&ID3v2Changes::title, &ID3v2Tag::title},     {&ID3v2Changes::artist, &ID3v2Tag::artist},
    {&ID3v2Changes::album, &ID3v2Tag::album},     {&ID3v2Changes::year, &ID3v2Tag::year},
    {&ID3v2Changes::track, &ID3v2Tag::track},     {&ID3v2Changes::genre, &ID3v2Tag::genre},
    {&ID3v2Changes::comment, &ID3v2Tag::comment}, {&ID3v2Changes::lyrics, &ID3v2Tag::lyrics},
    {&ID3v2Changes::lyricist, &ID3v2Tag::lyricist},
};

struct BuildCase {
    const char* what;
    std::string old;  // a tag; empty: none
    ID3v2Changes changes;
    int version;         // of the new tag
    std::string frames;  // what the new tag's frames must be
    std::vector<std::string> dropped = {};
};

class ID3v2WriteTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("song.mp3");
    const std::string audio = Audio(5000) + Record("Song");

    // The files in the folder beside the song: none may be left over.
    int OtherFiles() const
    {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) n += e.path().filename() != "song.mp3";
        return n;
    }
};

}  // namespace

TEST_F(ID3v2WriteTest, BuiltTagsKeepOtherFramesAndWriteChangedOnes)
{
    const std::string title3 = Frame(3, "TIT2", "\0Old"s), apic3 = Frame(3, "APIC", kPicture);
    const BuildCase cases[] = {
        {"replaced in place, the rest byte for byte", Tag(3, title3 + apic3 + kPrivate + kUnknown, 0, 100),
         {.title = "New"}, 3, Frame(3, "TIT2", "\0New"s) + apic3 + kPrivate + kUnknown},
        {"new frames after the others, in field order", Tag(3, apic3),
         {.artist = "A", .year = "1999", .genre = "Rock", .lyrics = "La", .lyricist = "L"}, 3,
         apic3 + Frame(3, "TPE1", "\0A"s) + Frame(3, "TYER", "\0" "1999"s) + Frame(3, "TCON", "\0Rock"s) +
             Frame(3, "USLT", "\0eng\0La"s) + Frame(3, "TEXT", "\0L"s)},
        {"no tag: a new 2.3 tag", "", {.title = "T", .comment = "C"}, 3,
         Frame(3, "TIT2", "\0T"s) + Frame(3, "COMM", "\0eng\0C"s)},
        {"2.4 year in TDRC", Tag(4, Frame(4, "TIT2", "\3Old"s)), {.year = "2001"}, 4,
         Frame(4, "TIT2", "\3Old"s) + Frame(4, "TDRC", "\0" "2001"s)},
        {"2.3 year in TYER, the TDRC read before it goes",
         Tag(3, Frame(3, "TDRC", "\0" "2000"s) + Frame(3, "TYER", "\0" "1999"s) + kPrivate), {.year = "2002"}, 3,
         Frame(3, "TYER", "\0" "2002"s) + kPrivate},
        {"comment keeps its language; a described one stays",
         Tag(3, Frame(3, "COMM", "\0engdesc\0y"s) + Frame(3, "COMM", "\0deu\0x"s)), {.comment = "neu"}, 3,
         Frame(3, "COMM", "\0engdesc\0y"s) + Frame(3, "COMM", "\0deu\0neu"s)},
        {"text beyond ISO-8859-1 in UTF-16 with a BOM", Tag(3, kPrivate), {.title = "Я\xF0\x9F\x8E\xB5"}, 3,
         kPrivate + Frame(3, "TIT2", "\1\xFF\xFE\x2F\x04\x3C\xD8\xB5\xDF"s)},
        {"ISO-8859-1 text as single bytes; a UTF-16 comment's empty description", Tag(3, kPrivate),
         {.title = "Caf\xC3\xA9", .comment = "\xE2\x82\xAC"}, 3,
         kPrivate + Frame(3, "TIT2", "\0Caf\xE9"s) + Frame(3, "COMM", "\1eng\xFF\xFE\0\0\xFF\xFE\xAC\x20"s)},
        {"an empty value removes the frame", Tag(3, title3 + kPrivate), {.title = ""}, 3, kPrivate},
        {"2.2 as 2.3: ids mapped, picture format as MIME, CRM dropped",
         Tag(2, Frame(2, "TT2", "\0A"s) + Frame(2, "PIC", "\0PNG\3\0\x89PNG"s) + Frame(2, "CRM", "x\0y"s)),
         {.artist = "B"}, 3,
         Frame(3, "TIT2", "\0A"s) + Frame(3, "APIC", "\0image/png\0\3\0\x89PNG"s) + Frame(3, "TPE1", "\0B"s),
         {"CRM"}},
        {"whole-tag unsynchronisation written plain",
         Tag(3, Frame(3, "PRIV", "o\0\xFF\0\xE0\xFF\0\0"s).replace(7, 1, "\x06"s), '\x80'), {.title = "T"}, 3,
         Frame(3, "PRIV", "o\0\xFF\xE0\xFF\0"s) + Frame(3, "TIT2", "\0T"s)},
        {"2.4 frame unsynchronisation undone, its flag cleared",
         Tag(4, Frame(4, "PRIV", "o\0\xFF\0\xE0"s, '\x02') + Frame(4, "TIT2", "\0x"s)), {.title = "T"}, 4,
         Frame(4, "PRIV", "o\0\xFF\xE0"s) + Frame(4, "TIT2", "\0T"s)},
        {"a 2.4 size stored as a plain number written sync-safe",
         Tag(4, "TPE1"s + Plain(201) + "\0\0\0"s + std::string(200, 'x') + Frame(4, "TIT2", "\0x"s)),
         {.title = "T"}, 4, "TPE1"s + SyncSafe(201) + "\0\0\0"s + std::string(200, 'x') + Frame(4, "TIT2", "\0T"s)},
        {"compressed frame kept with its flags, or replaced by its changed field; extended header dropped",
         Tag(3, "\0\0\0\6\0\0\0\0\0\0"s + Frame(3, "TPE1", "\0\0\0\1zz"s, '\x80') +
                    Frame(3, "TIT2", "\0\0\0\1zz"s, '\x80') + kPrivate, '\x40'),
         {.title = "T"}, 3, Frame(3, "TPE1", "\0\0\0\1zz"s, '\x80') + Frame(3, "TIT2", "\0T"s) + kPrivate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(path, c.old + audio);
        const ID3v2Read read = ReadFile(path);
        ASSERT_EQ(read.tag.has_value(), !c.old.empty()) << read.error;
        const ID3v2Built built = BuildID3v2(read.tag ? &*read.tag : nullptr, c.old, c.changes);
        EXPECT_EQ(built.version, c.version);
        EXPECT_EQ(built.frames, c.frames);
        EXPECT_EQ(built.dropped, c.dropped);

        // Read back, the given values are there.
        WriteBytes(path, built.Bytes(built.MinSize() + 7) + audio);
        const ID3v2Read back = ReadFile(path);
        ASSERT_TRUE(back.tag) << back.error;
        EXPECT_EQ(back.tag->version, c.version);
        EXPECT_EQ(back.tag->padding, 7);
        for (const auto& [field, value] : kReadBack) {
            if (const auto& given = c.changes.*field) {
                EXPECT_EQ((*back.tag).*value, given->empty() ? std::vector<std::string>{} : std::vector{*given});
            }
        }
    }
}

TEST_F(ID3v2WriteTest, RefusesWhatItCannotWriteAndLeavesTheFile)
{
    const std::string footer = "3DI\4\0\x10"s + SyncSafe(12);
    const struct {
        const char* what;
        std::string file;
        ID3v2Changes changes;
        const char* error;
    } cases[] = {
        {"appended tag", Audio(300) + Tag(4, Frame(4, "TIT2", "\0A"s), '\x10') + footer, {.title = "T"}, "appended"},
        {"broken tag", Tag(3, "TIT2"s + Plain(50) + "\0\0\0abc"s) + audio, {.title = "T"}, "cannot be read"},
        {"value not UTF-8", audio, {.title = "\xC3"}, "not UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(path, c.file);
        try {
            SaveID3v2(path, c.changes);
            ADD_FAILURE() << "no error";
        } catch (const sonrik::Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadBytes(path), c.file);
        EXPECT_EQ(OtherFiles(), 0);
    }
}

namespace {

struct SaveCase {
    const char* what;
    std::string tag;  // at the head of the file; empty: none
    ID3v2Changes changes;
    bool inPlace;
};

std::vector<SaveCase> SaveCases()
{
    const std::string text = Frame(3, "TIT2", "\0Old title"s) + Frame(3, "APIC", kPicture);
    return {
        {"fits the padding", Tag(3, text, 0, 64), {.title = "A longer title", .artist = "Band"}, true},
        {"fits by shrinking", Tag(4, Frame(4, "TIT2", "\0Old title"s)), {.title = "New"}, true},
        {"grows", Tag(3, text), {.title = "A longer title"}, false},
        {"no tag", "", {.title = "New"}, false},
    };
}

}  // namespace

TEST_F(ID3v2WriteTest, SaveInPlaceWhenItFitsElseRewritesAroundTheSameAudio)
{
    for (const auto& c : SaveCases()) {
        SCOPED_TRACE(c.what);
        WriteBytes(path, c.tag + audio);
        const ID3v2Saved saved = SaveID3v2(path, c.changes);
        EXPECT_TRUE(saved.written);
        EXPECT_EQ(saved.inPlace, c.inPlace);
        const std::string after = ReadBytes(path);
        if (c.inPlace) EXPECT_EQ(saved.size, static_cast<std::int64_t>(c.tag.size()));
        else EXPECT_GE(saved.size, kID3v2GrowthPadding);
        ASSERT_EQ(after.size(), saved.size + audio.size());
        EXPECT_TRUE(after.substr(static_cast<std::size_t>(saved.size)) == audio) << "the audio moved or changed";
        const ID3v2Read back = ReadFile(path);
        ASSERT_TRUE(back.tag) << back.error;
        EXPECT_EQ(back.tag->size, saved.size);
        EXPECT_EQ(back.tag->title, std::vector{*c.changes.title});
        EXPECT_EQ(OtherFiles(), 0);
    }
    // Nothing to write into a file without a tag: the file is not touched.
    WriteBytes(path, audio);
    EXPECT_FALSE(SaveID3v2(path, {.title = ""}).written);
    EXPECT_EQ(ReadBytes(path), audio);
}

TEST_F(ID3v2WriteTest, SaveFailingAtAnyFileCallLeavesTheFileAsItWasOrAsSaved)
{
    const std::initializer_list<FileCall> all = {FileCall::Open,  FileCall::Size,     FileCall::Read,
                                                 FileCall::ReadAt, FileCall::Write,   FileCall::WriteAt,
                                                 FileCall::Truncate, FileCall::Sync, FileCall::Rename};
    for (const auto& c : SaveCases()) {
        WriteBytes(path, c.tag + audio);
        SaveID3v2(path, c.changes);
        const std::string saved = ReadBytes(path);
        for (const auto mode : {FileCallFaults::Mode::Once, FileCallFaults::Mode::FromThenOn}) {
            for (int k = 1;; ++k) {
                SCOPED_TRACE(std::string(c.what) + ", call " + std::to_string(k));
                WriteBytes(path, c.tag + audio);
                int calls = 0;
                bool failed = false;
                {
                    FileCallFaults faults(all, k, mode);
                    try {
                        SaveID3v2(path, c.changes);
                    } catch (const sonrik::IoError&) {
                        failed = true;
                    }
                    calls = faults.calls();
                }
                const std::string after = ReadBytes(path);
                EXPECT_TRUE(after == (failed ? c.tag + audio : saved)) << "the file is neither as it was nor as saved";
                EXPECT_EQ(OtherFiles(), 0);
                if (calls < k) break;
                EXPECT_TRUE(failed) << "a failing call went unreported";
            }
        }
    }
}
