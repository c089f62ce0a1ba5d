// sonrik-tag as a user runs it: the built program on files in a temporary
// folder, checked by its output, its exit status and the bytes of the files.
#include "twID3/twID3.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

struct Result {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& arg)
{
    std::string quoted = "'";
    for (const char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Bytes that stand for the audio in front of the tags.
std::string Audio(std::size_t size = 300)
{
    std::string bytes = "\xFF\xFB\x90\x64";
    for (std::size_t i = bytes.size(); i < size; ++i) bytes += static_cast<char>(i * 7 + 3);
    return bytes;
}

std::string Field(std::string_view value, std::size_t width)
{
    std::string field(value);
    field.resize(width, '\0');
    return field;
}

// An ID3v1.1 record (track > 0) or an ID3v1.0 one, whose comment is padded
// with spaces (a zero byte at 125 would make it read as ID3v1.1).
std::string Record(std::string_view title, std::string_view artist, int genre, int track = 0)
{
    std::string record = "TAG" + Field(title, 30) + Field(artist, 30) + Field("Album", 30) + "2001";
    record += track > 0 ? Field("Comment", 28) + '\0' + static_cast<char>(track) : "Comment" + std::string(23, ' ');
    return record + static_cast<char>(genre);
}

const std::string kV2Block = "LYRICSBEGININD0000210LYR00007Hello\r\nAUT00002Me000046LYRICS200";
const std::string kV1Block = "LYRICSBEGINab\r\ncLYRICSEND";

class SonrikTag : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "sonrik-tag-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                                  | fs::perms::others_read | fs::perms::others_exec);
        // set writes its journal here (also when run as another user), never into the home folder.
        fs::create_directory(dir_ / "state");
        fs::permissions(dir_ / "state", fs::perms::all);
        ::setenv("SONRIK_STATE_DIR", (dir_ / "state").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }

    // Runs the program; `prefix` goes in front of it (to run it as another user).
    Result Run(const std::vector<std::string>& args, const std::string& prefix = "") const
    {
        const fs::path errFile = dir_ / "stderr.txt";
        std::string command = prefix + Quote(SONRIK_TAG_EXE);
        for (const auto& arg : args) command += " " + Quote(arg);
        command += " 2>" + Quote(errFile.string());
        Result result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) return result;
        std::array<char, 4096> buffer;
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) result.out.append(buffer.data(), n);
        const int status = ::pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.err = ReadAll(errFile);
        return result;
    }

    fs::path dir_;
};

TEST_F(SonrikTag, ShowsBothTagsOrWhyThereAreNone)
{
    const auto tagged = Write("tagged.mp3", Audio() + kV2Block + Record("Title", "Artist", 17, 5));
    const auto v1 = Write("v1.mp3", Audio() + kV1Block + Record("T", "A", 255));
    const auto bare = Write("bare.mp3", Audio());

    const Result r = Run({"show", tagged, v1, bare});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, tagged + "\n  ID3v1.1 tag\n    Title:     Title\n    Artist:    Artist\n    Album:     Album\n"
                     "    Year:      2001\n    Comment:   Comment\n    Genre:     17 (Rock)\n    Track:     5\n"
                     "  Lyrics3 tag, version 2.00\n    Title:     \n    Artist:    \n    Album:     \n"
                     "    Author:    Me\n    Timestamp: no\n    Lyrics:\n      Hello\n    Infos:  (none)\n"
                     "    Images:  (none)\n  No ID3v2 tag\n\n"
                     + v1 + "\n  ID3v1 tag\n    Title:     T\n    Artist:    A\n    Album:     Album\n"
                     "    Year:      2001\n    Comment:   Comment\n    Genre:     255 (no name)\n"
                     "  Lyrics3 tag, version 1\n    Lyrics:\n      ab\n      c\n  No ID3v2 tag\n\n"
                     + bare + "\n  id3NoTags: the file has no ID3v1 tag, and so no Lyrics3 tag either\n  No ID3v2 tag\n");
}

TEST_F(SonrikTag, JsonHasOneObjectPerFile)
{
    const auto tagged = Write("t.mp3", Audio() + kV2Block + Record("Title", "Artist", 17, 5));
    const auto tiny = Write("ten.mp3", "0123456789");
    const auto missing = (dir_ / "missing.mp3").string();

    const Result r = Run({"show", "--json", tagged, missing, tiny});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[\n  {\n    \"file\": \"" + tagged + R"(",
    "status": "id3Success",
    "id3v1": {
      "title": "Title",
      "artist": "Artist",
      "album": "Album",
      "year": "2001",
      "comment": "Comment",
      "genre_id": 17,
      "genre": "Rock",
      "track": 5,
      "v11": true
    },
    "lyrics3": {
      "version": "2.00",
      "lyrics": [
        "Hello"
      ],
      "infos": [],
      "images": [],
      "author": "Me",
      "title": "",
      "artist": "",
      "album": "",
      "timestamp": false
    },
    "id3v2": null,
    "id3v2_error": null
  },
  {
    "file": ")" + missing + R"(",
    "status": "id3NoSuchFile",
    "id3v1": null,
    "lyrics3": null,
    "id3v2": null,
    "id3v2_error": null
  },
  {
    "file": ")" + tiny + R"(",
    "status": "id3NoTags",
    "id3v1": null,
    "lyrics3": null,
    "id3v2": null,
    "id3v2_error": null
  }
]
)");
    // A file too short for a record has none.
    EXPECT_EQ(r.err, "sonrik-tag: " + missing + ": id3NoSuchFile: there is no such file\n");
}

TEST_F(SonrikTag, SetThenShowRoundTrips)
{
    const auto bare = Write("bare.mp3", Audio());
    const Result set = Run({"set", "--title", "Song", "--artist", "Band", "--album", "LP", "--year", "1987",
                            "--comment", "hi", "--genre", "jazz", "--track", "12", bare});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, bare + ": saved\n");
    const std::string file = ReadAll(bare);
    ASSERT_EQ(file.size(), Audio().size() + 128);
    EXPECT_EQ(file.substr(0, Audio().size()), Audio());
    EXPECT_EQ(file.substr(Audio().size()), "TAG" + Field("Song", 30) + Field("Band", 30) + Field("LP", 30) + "1987"
                                               + Field("hi", 28) + '\0' + '\x0C' + '\x08');

    // A second set changes only what it names; without ID3v1.1 the track
    // number is gone (the short comment's zero padding still reads as 1.1).
    ASSERT_EQ(Run({"set", "--no-v11", "--artist", "Other", bare}).status, 0);
    const Result show = Run({"show", bare});
    EXPECT_NE(show.out.find("    Title:     Song\n    Artist:    Other\n    Album:     LP\n    Year:      1987\n"
                            "    Comment:   hi\n    Genre:     8 (Jazz)\n    Track:     0\n  No Lyrics3 tag\n"),
              std::string::npos) << show.out;
}

TEST_F(SonrikTag, CyrillicIsStoredInTheChosenCodePage)
{
    const auto f = Write("ru.mp3", Audio() + Record("x", "y", 0));
    ASSERT_EQ(Run({"set", "--title", "Привет", "--codepage", "1251", f}).status, 0);
    EXPECT_EQ(ReadAll(f).substr(Audio().size() + 3, 7), "\xCF\xF0\xE8\xE2\xE5\xF2\0"s);
    EXPECT_NE(Run({"show", "--codepage", "1251", f}).out.find("Title:     Привет\n"), std::string::npos);
    EXPECT_NE(Run({"show", f}).out.find("Title:     Ïðèâåò\n"), std::string::npos);

    const std::string before = ReadAll(f);
    const Result refused = Run({"set", "--title", "Привет", f});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("\"П\" (U+041F) cannot be stored in code page 1252"), std::string::npos);
    EXPECT_EQ(ReadAll(f), before);
}

TEST_F(SonrikTag, SetWritesLyrics3Blocks)
{
    const auto lyrics = Write("lyrics.txt", "Hello\n");
    const auto v2 = Write("v2.mp3", Audio());
    ASSERT_EQ(Run({"set", "--lyrics-file", lyrics, "--author", "Me", v2}).status, 0);
    EXPECT_EQ(ReadAll(v2).substr(Audio().size(), kV2Block.size()), kV2Block);

    // Lyrics alone make a new block version 2.00, but keep a version 1 block at version 1.
    const auto lyricsOnly = Write("lyrics-only.mp3", Audio());
    ASSERT_EQ(Run({"set", "--lyrics-file", lyrics, lyricsOnly}).status, 0);
    // A new record names no genre.
    EXPECT_EQ(ReadAll(lyricsOnly), Audio() + "LYRICSBEGININD0000210LYR00007Hello\r\n000036LYRICS200TAG"
                                       + std::string(124, '\0') + "\xFF");
    const auto keepsV1 = Write("keeps-v1.mp3", Audio() + kV1Block + Record("T", "A", 1, 2));
    ASSERT_EQ(Run({"set", "--lyrics-file", lyrics, keepsV1}).status, 0);
    EXPECT_EQ(ReadAll(keepsV1), Audio() + "LYRICSBEGINHello\r\nLYRICSEND" + Record("T", "A", 1, 2));

    const auto v1 = Write("v1.mp3", Audio() + kV2Block + Record("T", "A", 1, 2));
    ASSERT_EQ(Run({"set", "--lyrics3-v1", v1}).status, 0);
    EXPECT_EQ(ReadAll(v1), Audio() + "LYRICSBEGINHello\r\nLYRICSEND" + Record("T", "A", 1, 2));

    ASSERT_EQ(Run({"set", "--no-lyrics3", v1}).status, 0);
    EXPECT_EQ(ReadAll(v1), Audio() + Record("T", "A", 1, 2));

    // A set of ID3v1 values alone leaves a block from another tool as it stands.
    const std::string foreign = "LYRICSBEGININD00003101LYR00003abcCRC00008ABCDEF01000049LYRICS200";
    const auto kept = Write("kept.mp3", Audio() + foreign + Record("T", "A", 1, 2));
    ASSERT_EQ(Run({"set", "--title", "New", kept}).status, 0);
    EXPECT_EQ(ReadAll(kept), Audio() + foreign + Record("New", "A", 1, 2));

    // Lyrics that a version 1 block cannot hold: refused, nothing written.
    const auto big = Write("big.txt", std::string(6000, 'x'));
    const Result refused = Run({"set", "--lyrics-file", big, "--lyrics3-v1", v1});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(v1 + ": not saved: "), std::string::npos) << refused.err;
    EXPECT_EQ(ReadAll(v1), Audio() + Record("T", "A", 1, 2));
}

TEST_F(SonrikTag, ExitStatusTellsWhatHappened)
{
    const auto good = Write("good.mp3", Audio());
    const auto missing = (dir_ / "missing.mp3").string();
    const Result some = Run({"set", "--year", "2024", missing, good});
    EXPECT_EQ(some.status, 1);
    EXPECT_EQ(some.err, "sonrik-tag: " + missing + ": id3NoSuchFile: there is no such file\n");
    EXPECT_EQ(some.out, good + ": saved\n");
    EXPECT_FALSE(fs::exists(missing));

    const std::string before = ReadAll(good);
    for (const std::vector<std::string>& usage : std::vector<std::vector<std::string>>{
             {"set", "--track", "300", good}, {"set", good}, {"show"}, {"show", "--frobnicate", good}, {}}) {
        const Result r = Run(usage);
        EXPECT_EQ(r.status, 2) << testing::PrintToString(usage);
        EXPECT_NE(r.err.find("Try 'sonrik-tag --help'"), std::string::npos);
    }
    EXPECT_EQ(ReadAll(good), before);

    const Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: sonrik-tag [OPTIONS] [SUBCOMMAND]"), std::string::npos) << help.out;
    EXPECT_EQ(Run({"set", "--no-lyrics3", Write("bare.mp3", Audio())}).status, 1);  // nothing to write
}

TEST_F(SonrikTag, FoldersAndListFilesGiveTheirMp3Files)
{
    const auto a = Write("a.MP3", Audio() + Record("T", "A", 1));
    const auto b = Write("b.mp3", Audio());
    Write("c.txt", Audio());
    fs::create_directories(dir_ / "sub" / "empty");
    const auto d = Write("sub/d.mp3", Audio());
    const Result set = Run({"set", "--year", "1990", "-r", dir_.string()});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, a + ": saved\n" + b + ": saved\n" + d + ": saved\n");
    EXPECT_EQ(ReadAll(d).substr(Audio().size() + 93, 4), "1990");

    const auto list = Write("list.m3u", b + "\r\n" + dir_.string() + "/c.txt\r\n");
    const Result listed = Run({"show", "--json", "--list", list, (dir_ / "sub" / "empty").string()});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out.substr(0, listed.out.find(",\n")), "[\n  {\n    \"file\": \"" + b + "\"");
    EXPECT_EQ(listed.err, "sonrik-tag: warning: " + (dir_ / "sub" / "empty").string() + ": no MP3 files there\n");
    EXPECT_EQ(Run({"show", "--json", (dir_ / "sub" / "empty").string()}).out, "[]\n");
}

TEST_F(SonrikTag, UnreadableAndDamagedFilesAreReportedNotCrashedOn)
{
    const auto locked = Write("locked.mp3", Audio() + Record("T", "A", 1));
    fs::permissions(locked, fs::perms::none);
    // Permissions do not bind root; run the program as an unprivileged user then.
    std::string prefix;
    if (::geteuid() == 0) {
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        if (Run({"--version"}, prefix).status != 0) GTEST_SKIP() << "cannot run as an unprivileged user";
    }
    const Result r = Run({"show", locked}, prefix);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "sonrik-tag: " + locked + ": Permission denied (OS error 13)\n");

    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Result set = Run({"set", "--title", "new", locked}, prefix);
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.err, "sonrik-tag: " + locked + ": left as it is: the file is read-only (--readonly=remove or "
                       "--readonly=restore writes it)\n");
    EXPECT_EQ(ReadAll(locked), Audio() + Record("T", "A", 1));

    const auto lockedDir = (dir_ / "locked").string();
    fs::create_directory(lockedDir);
    fs::permissions(lockedDir, fs::perms::none);
    const Result folder = Run({"show", "-r", dir_.string()}, prefix);
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "sonrik-tag: " + lockedDir + ": the folder cannot be read: Permission denied (OS error 13)\n");

    // Markers with nonsense sizes and truncated fields.
    const auto damaged = Write("damaged.mp3", "LYRICSBEGINLYR99999abcIND00001x" "9x9x9xLYRICS200" + Record("", "", 0));
    const Result d = Run({"show", "--json", damaged, Write("short.mp3", "TAG")});
    EXPECT_EQ(d.status, 0);
    EXPECT_NE(d.out.find("\"status\": \"id3Success\""), std::string::npos) << d.out;
    EXPECT_NE(d.out.find("\"status\": \"id3NoTags\""), std::string::npos) << d.out;
}

TEST_F(SonrikTag, AReportThatCannotBeWrittenIsAFailure)
{
    const auto file = Write("a.mp3", Audio() + Record("T", "A", 1));
    const int status = std::system((Quote(SONRIK_TAG_EXE) + " show " + Quote(file) + " >/dev/full 2>/dev/null").c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
}

TEST_F(SonrikTag, ARenameInAFolderTheUserCannotWriteFailsItsTest)
{
    fs::create_directory(dir_ / "locked");
    Write("locked/a.mp3", Audio() + Record("Song", "Band", 1));
    fs::permissions(dir_ / "locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                         fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    // Permissions do not bind root; run the program as an unprivileged user then.
    std::string prefix;
    if (::geteuid() == 0) {
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        if (Run({"--version"}, prefix).status != 0) GTEST_SKIP() << "cannot run as an unprivileged user";
    }
    const Result r = Run({"rename", "--apply", "-t", "<ARTIST> - <TITLE>", (dir_ / "locked").string()}, prefix);
    fs::permissions(dir_ / "locked", fs::perms::owner_all);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Test ERROR\tthe folder cannot be written"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir_ / "locked" / "a.mp3"));
}

}  // namespace
