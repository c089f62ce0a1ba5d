// Test and Apply in the list editor: renames from tags, tag writes from file
// names, name clashes, the read-only question and the host's 2125 message,
// checked on the files themselves.
#include "codepage_test_support.h"
#include "listedit_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

using namespace sonrik;
using namespace sonrik::testing;
using sonrik::ui::headless::User;

namespace {

using ListApply = ListEditorTest;
using Lines = std::vector<std::string>;

// The .mp3 file names in the test folder, sorted.
Lines Mp3Names(const TempDir& dir)
{
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        if (batch::HasMp3Extension(entry.path().filename().string())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveSongs(const TempDir& dir)
{
    for (const std::string& name : Mp3Names(dir)) std::filesystem::remove(dir.file(name));
}

Lines Statuses(const TAListEditor& w)
{
    Lines statuses;
    for (const auto& row : [&w] {
             Lines rows;
             for (int i = 0; i < w.TagBox.Count(); ++i) rows.push_back(std::string(text::Bytes(w.TagBox.Item(i))));
             return rows;
         }())
        statuses.push_back(row.substr(row.rfind('|') + 1));
    return statuses;
}

// ---- "TAG to file name" ---------------------------------------------------------------------

TEST_F(ListApply, RenameFromTagsMovesTheFilesAndTheirListEntries)
{
    const std::string sos = kSongAudio + Record("SOS", "Abba");
    const Lines files{Song("x.mp3", Record("SOS", "Abba")), Song("y.mp3", Record("Waterloo", "Abba"))};
    auto& w = OnPage(files, 1, "<ARTIST> - <TITLE>", [](User& user, TAListEditor& w) {
        EXPECT_EQ(Rows(w), (Lines{"x|Abba - SOS|Test OK", "y|Abba - Waterloo|Test OK"}));
        user.Click(w.BTApply);
    });
    EXPECT_EQ(Rows(w), (Lines{"Abba - SOS|Abba - SOS|File is renamed", "Abba - Waterloo|Abba - Waterloo|File is renamed"}));
    EXPECT_EQ(Mp3Names(dir), (Lines{"Abba - SOS.mp3", "Abba - Waterloo.mp3"}));
    EXPECT_TRUE(SameBytes(ReadBytes(dir.file("Abba - SOS.mp3")), sos));
    EXPECT_EQ(w.FileList(), (Lines{dir.file("Abba - SOS.mp3"), dir.file("Abba - Waterloo.mp3")}));
    EXPECT_FALSE(w.BTApply.Enabled());
    ASSERT_EQ(HostCount(hostmsg::AboutToApply), 1u);
    EXPECT_EQ(backend.HostMessages()[0].window, kListHost);
    // Told before anything is touched: the first repaint comes after it.
    const auto& journal = backend.Journal();
    EXPECT_LT(std::find(journal.begin(), journal.end(), "host:2125,0"), std::find(journal.begin(), journal.end(), "process"));
}

TEST_F(ListApply, NewNamesTakeTheWholeValuesOfTheID3v2Tag)
{
    const std::string whole = "A Title Longer Than Thirty Bytes";
    WriteBytes(dir.file("x.mp3"), ID3v2TextTag({{"TIT2", whole}, {"TPE1", "Band"}}) + kSongAudio);
    const Lines files{dir.file("x.mp3"), Song("y.mp3", Record(whole.substr(0, 30), "Other"))};
    WriteBytes(dir.file("y.mp3"), ID3v2TextTag({{"TIT2", whole}}) + ReadBytes(dir.file("y.mp3")));
    OnPage(files, 1, "<ARTIST> - <TITLE>", [](User& user, TAListEditor& w) { user.Click(w.BTApply); });
    EXPECT_EQ(Mp3Names(dir), (Lines{"Band - " + whole + ".mp3", "Other - " + whole + ".mp3"}));
}

struct ClashCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> listed;  // file name, tag record
    Lines unlisted;                                           // other files in the folder
    const char* appearsAfterTest;                             // nullptr: none
    Lines tested, applied;                                    // statuses
    Lines onDisk;
};

TEST_F(ListApply, NameClashesAreFoundByTheTestAndAgainByApply)
{
    const std::string xt = Record("T", "X");
    const ClashCase cases[] = {
        {"two records, one name", {{"a.mp3", xt}, {"b.mp3", xt}}, {}, nullptr,
         {"Test OK", "File exists"}, {"File is renamed", "File exists"}, {"X - T.mp3", "b.mp3"}},
        {"a file of the folder", {{"a.mp3", xt}}, {"X - T.mp3"}, nullptr, {"File exists"}, {"File exists"},
         {"X - T.mp3", "a.mp3"}},
        {"a file that appears after the test", {{"a.mp3", xt}}, {}, "X - T.mp3", {"Test OK"}, {"File exists"},
         {"X - T.mp3", "a.mp3"}},
        {"the file's own name", {{"X - T.mp3", xt}}, {}, nullptr, {"File exists"}, {"File exists"}, {"X - T.mp3"}},
        {"the own name in other letter case", {{"x - t.mp3", xt}}, {}, nullptr, {"Test OK"}, {"File is renamed"},
         {"X - T.mp3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveSongs(dir);
        Lines files;
        for (const auto& [name, record] : c.listed) files.push_back(Song(name, record));
        for (const auto& name : c.unlisted) Song(name, "other");
        auto& w = OnPage(files, 1, "<ARTIST> - <TITLE>", [&c, this](User& user, TAListEditor& w) {
            EXPECT_EQ(Statuses(w), c.tested);
            if (c.appearsAfterTest) Song(c.appearsAfterTest, "other");
            user.Click(w.BTApply);
        });
        EXPECT_EQ(Statuses(w), c.applied);
        EXPECT_EQ(Mp3Names(dir), c.onDisk);
        if (!c.unlisted.empty() || c.appearsAfterTest) {
            EXPECT_EQ(ReadBytes(dir.file("X - T.mp3")), kSongAudio + "other");  // never replaced
        }
        win.reset();
    }
}

// The file's own name in other letters of the code page: the volume decides
// that it is the file itself (under Wine, as on Windows, it ignores letter
// case) and the rename goes ahead.
TEST_F(ListApply, OwnNameInOtherLettersOfTheCodePageIsRenamed)
{
    const struct {
        unsigned codePage;
        const char *present, *artist;
    } cases[] = {
        {1251, "\xB8\xEB\xEA\xE0 - T.mp3", "\xA8\xEB\xEA\xE0"},  // ёлка - T, Ёлка
        {1252, "\xFF - T.mp3", "\x9F"},                              // ÿ - T, Ÿ
    };
    for (const auto& c : cases) {
        const AnsiCodePageScope scope(c.codePage);
        if (!scope.active()) continue;
        SCOPED_TRACE(c.present);
        // Joined as bytes: a std::filesystem path would re-encode the name.
        const std::string anyFile = dir.file("x");
        const std::string song = anyFile.substr(0, anyFile.size() - 1) + c.present;
        WriteBytes(song, kSongAudio + Record("T", c.artist));
        auto& w = OnPage({song}, 1, "<ARTIST> - <TITLE>", [](User& user, TAListEditor& w) {
            EXPECT_EQ(Statuses(w), Lines{"Test OK"});
            user.Click(w.BTApply);
        });
        EXPECT_EQ(Statuses(w), Lines{"File is renamed"});
#ifndef _WIN32
        const Lines names = Mp3Names(dir);
        EXPECT_EQ(std::count(names.begin(), names.end(), std::string(c.artist) + " - T.mp3"), 1);
        EXPECT_EQ(std::count(names.begin(), names.end(), c.present), 0);
#endif
        win.reset();
    }
}

TEST_F(ListApply, NewNamesNeverNameADeviceNorLeaveTheFolder)
{
    const struct {
        std::string title, newName, status;
    } cases[] = {
        {"CON", "a", "Test ERROR"},
        {"lpt1.txt", "a", "Test ERROR"},
        {"Nul ", "a", "Test ERROR"},
        {"..\\..\\up", "....up", "Test OK"},
        {"../../up", "....up", "Test OK"},
        {"c:up", "cup", "Test OK"},
        {"Bell\x07 Tab\t", "Bell Tab", "Test OK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        RemoveSongs(dir);
        auto& w = OnPage({Song("a.mp3", Record(c.title))}, 1, "<TITLE>", [](User& user, TAListEditor& w) {
            user.Click(w.BTApply);
        });
        EXPECT_EQ(w.Tags()[0].NewName, c.newName);
        EXPECT_EQ(Statuses(w)[0], c.status == "Test OK" ? "File is renamed" : c.status);
        EXPECT_EQ(Mp3Names(dir), Lines{c.newName + ".mp3"});
        win.reset();
    }
}

// ---- "File name to TAG" -----------------------------------------------------------------------

TEST_F(ListApply, FillFromNamesFollowsEmptyOnlyAndUnderscores)
{
    const struct {
        bool emptyOnly, underscores;
        std::string title, artist;
    } cases[] = {
        {true, true, "Song One", "Old"},
        {true, false, "Song_One", "Old"},
        {false, true, "Song One", "The Band"},
        {false, false, "Song_One", "The_Band"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "EmptyOnly " << c.emptyOnly << ", _2Space " << c.underscores);
        Settings(setting::kEmptyOnly, c.emptyOnly ? "1" : "0");
        Settings(setting::kUnderscoreBySpaces, c.underscores ? "1" : "0");
        const std::string path = Song("The_Band - Song_One.mp3", Record("", "Old", "Disc"));
        auto& w = OnPage({path}, 2, "<ARTIST> - <TITLE>", [&c](User& user, TAListEditor& w) {
            EXPECT_EQ(Rows(w), Lines{"0|" + c.title + "|" + c.artist + "|Disc|Blues|||Test OK"});
            user.Click(w.BTApply);
        });
        EXPECT_EQ(Statuses(w), Lines{"TAG(s) is recorded"});
        EXPECT_TRUE(SameBytes(ReadBytes(path), kSongAudio + Record(c.title, c.artist, "Disc")));
        win.reset();
    }
}

TEST_F(ListApply, FilledFieldsWithEmptyOnlyChangeNoFile)
{
    const Lines files{Song("A - B.mp3", Record("Title", "Artist")), Song("C - D.mp3", Record("Other", "Band"))};
    auto& w = OnPage(files, 2, "<ARTIST> - <TITLE>", [](User& user, TAListEditor& w) { user.Click(w.BTApply); });
    EXPECT_EQ(Statuses(w), (Lines{"No changes", "No changes"}));
    EXPECT_EQ(ReadBytes(files[0]), kSongAudio + Record("Title", "Artist"));
    EXPECT_EQ(ReadBytes(files[1]), kSongAudio + Record("Other", "Band"));
    EXPECT_EQ(HostCount(hostmsg::AboutToApply), 1u);  // told all the same
}

TEST_F(ListApply, GenreByNameIsWrittenAsItsNumberAndAPlusTrackAsItsValue)
{
    Settings(setting::kEmptyOnly, "0");
    const std::string path = Song("+7. rock - Tune.mp3", Record("Old"));
    auto& w = OnPage({path}, 2, "<TRACK NUM>. <GENRE> - <TITLE>", [](User& user, TAListEditor& w) {
        user.Click(w.BTApply);
    });
    EXPECT_EQ(Rows(w), Lines{"+7|Tune|||Rock|||TAG(s) is recorded"});
    EXPECT_TRUE(SameBytes(ReadBytes(path), kSongAudio + Record("Tune", "", "", "", "", 7, 17)));
}

TEST_F(ListApply, TrackNumbersOutside0To255AreRefusedAndNothingIsWritten)
{
    Settings(setting::kEmptyOnly, "0");
    for (const std::string track : {"300", "-3", "99999999999", "256"}) {
        SCOPED_TRACE(track);
        RemoveSongs(dir);
        const std::string bad = Song(track + ". Bad.mp3", Record("Old"));
        const std::string good = Song("12. Good.mp3", Record("Old"));
        auto& w = OnPage({bad, good}, 2, "<TRACK NUM>. <TITLE>", [](User& user, TAListEditor& w) {
            user.Click(w.BTApply);
        });
        EXPECT_EQ(Statuses(w), (Lines{"Test ERROR", "TAG(s) is recorded"}));
        EXPECT_EQ(ReadBytes(bad), kSongAudio + Record("Old"));
        EXPECT_TRUE(SameBytes(ReadBytes(good), kSongAudio + Record("Good", "", "", "", "", 12)));
        EXPECT_TRUE(backend.ErrorBoxes().empty());
        win.reset();
    }
}

TEST_F(ListApply, ASaveThatWritesNothingShowsWriteError)
{
    Settings(setting::kEmptyOnly, "0");
    const std::string path = Song("A - B.mp3", Record("Old"));
    auto& w = OnPage({path}, 2, "<ARTIST> - <TITLE>", [&path](User& user, TAListEditor& w) {
        std::filesystem::remove(path);
        user.Click(w.BTApply);
    });
    EXPECT_EQ(Statuses(w), Lines{"Write Error"});
    EXPECT_FALSE(std::filesystem::exists(path));  // a save creates no file
}

TEST_F(ListApply, UserActionsWaitWhileAnApplyRuns)
{
    Settings(setting::kEmptyOnly, "0");
    const std::string path = Song("A - B.mp3", Record("Old"));
    backend.OnHostMessage([this](const ui::headless::HostMessage&) {
        User user(backend);
        user.SelectTab(win->AFilesPage, 0);
        user.Click(win->BTApply);
    });
    auto& w = OnPage({path}, 2, "<ARTIST> - <TITLE>", [](User& user, TAListEditor& w) { user.Click(w.BTApply); });
    EXPECT_EQ(HostCount(hostmsg::AboutToApply), 1u);
    EXPECT_EQ(w.AFilesPage.TabIndex(), 2);
    EXPECT_EQ(Statuses(w), Lines{"TAG(s) is recorded"});
}

// ---- read-only files ------------------------------------------------------------------------------

struct ReadOnlyCase {
    const char* name;
    bool autoRemove, autoRestore;
    Lines readOnly;       // which of a.mp3, b.mp3, c.mp3 start read-only
    int answer;           // 0: no question expected
    Lines statuses;
    Lines readOnlyAfter;  // which are read-only afterwards
    int waits;
};

TEST_F(ListApply, ReadOnlyFilesAreAskedForOnceAndRestoredWhenTold)
{
    const std::string written = "TAG(s) is recorded";
    const ReadOnlyCase cases[] = {
        {"asked, Yes", false, false, {"a", "c"}, ui::answer::Yes, {written, written, written}, {}, 2},
        {"asked, No", false, false, {"a", "c"}, ui::answer::No, {"Test OK", "Test OK", "Test OK"}, {"a", "c"}, 0},
        {"No after a written file", false, false, {"b"}, ui::answer::No, {written, "Test OK", "Test OK"}, {"b"}, 0},
        {"removed without asking", true, false, {"a", "b"}, 0, {written, written, written}, {}, 2},
        {"removed and restored", true, true, {"a", "b"}, 0, {written, written, written}, {"a", "b"}, 4},
    };
    Settings(setting::kEmptyOnly, "0");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Settings(setting::kAutoRemoveReadOnly, c.autoRemove ? "1" : "0");
        Settings(setting::kAutoRestoreReadOnly, c.autoRestore ? "1" : "0");
        std::map<std::string, std::string> paths;
        Lines files;
        for (const std::string name : {"a", "b", "c"}) {
            const std::string path = dir.file(name + ".mp3");
            if (std::filesystem::exists(path)) platform::SetFileAttributeWord(path, 0);
            files.push_back(paths[name] = Song(name + ".mp3", Record("Old")));
        }
        for (const auto& name : c.readOnly) platform::SetFileAttributeWord(paths[name], platform::kAttributeReadOnly);
        if (c.answer != 0) backend.QueueAnswer(c.answer);
        const std::size_t asked = backend.Questions().size();
        const std::size_t waited = backend.Waits().size();
        auto& w = OnPage(files, 2, "<TITLE>.<ARTIST>", [](User& user, TAListEditor& w) { user.Click(w.BTApply); });

        EXPECT_EQ(Statuses(w), c.statuses);
        EXPECT_EQ(backend.Questions().size() - asked, c.answer != 0 ? 1u : 0u);
        if (c.answer != 0) {
            const auto& q = backend.Questions().back();
            EXPECT_EQ(q.text, "File " + c.readOnly[0] +
                                  ".mp3 is \"Read only\".\rRemove this attribute beside all files to save changes?");
            EXPECT_EQ(q.ownerWindow, kListHost);
            EXPECT_EQ(q.caption, "Tag editor");
            EXPECT_EQ(q.flags, ui::mb::YesNo | ui::mb::IconQuestion);
        }
        for (const std::string name : {"a", "b", "c"}) {
            const bool readOnlyNow = platform::GetFileAttributeWord(paths[name]) & platform::kAttributeReadOnly;
            EXPECT_EQ(readOnlyNow, std::count(c.readOnlyAfter.begin(), c.readOnlyAfter.end(), name) == 1) << name;
        }
        EXPECT_EQ(backend.Waits().size() - waited, static_cast<std::size_t>(c.waits));
        EXPECT_EQ(w.BTApply.Enabled(), c.answer == ui::answer::No);  // a stopped Apply can be run again
        if (c.autoRestore) {
            EXPECT_EQ(Bytes(w.StatusBar.PanelText(0)), "Restore \"Read Only\" file attribute");
        }
        win.reset();
    }
}

TEST_F(ListApply, ReadOnlyFileIsWrittenByteForByteAfterYes)
{
    Settings(setting::kEmptyOnly, "0");
    const std::string path = Song("a.mp3", Record("Old", "", "", "", "Keep", 3, 9));
    platform::SetFileAttributeWord(path, platform::kAttributeReadOnly);
    backend.QueueAnswer(ui::answer::Yes);
    OnPage({path}, 2, "<TITLE>.<ARTIST>", [](User& user, TAListEditor& w) { user.Click(w.BTApply); });
    EXPECT_TRUE(SameBytes(ReadBytes(path), kSongAudio + Record("a", "", "", "", "Keep", 3, 9)));
}

// ---- renaming through a temporary name ----------------------------------------------------------

// A folder that ignores letter case, as Windows does.
struct CaseBlindFolder {
    std::map<std::string, std::string> entries;  // folded name -> spelling
    Lines renames;
    std::set<std::string> failOn;  // targets whose renames fail
    // Whether the file's own name in another letter case is refused; if not,
    // the rename "succeeds" and keeps the spelling, as under Wine.
    bool refusesOwnName = true;

    static std::string Fold(std::string s)
    {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }
    batch::RenameFiles Files()
    {
        return {[this](const std::string& p) { return entries.count(Fold(p)) != 0; },
                [this](const std::string& a, const std::string& b) {
                    return entries.count(Fold(a)) != 0 && Fold(a) == Fold(b);
                },
                [this](const std::string& from, const std::string& to) {
                    renames.push_back(from + ">" + to);
                    if (failOn.count(to) != 0 || entries.count(Fold(from)) == 0) throw IoError(ioerr::AccessDenied);
                    if (entries.count(Fold(to)) != 0) {
                        if (refusesOwnName || Fold(to) != Fold(from)) throw IoError(ioerr::AccessDenied);
                        return;
                    }
                    entries.erase(Fold(from));
                    entries[Fold(to)] = to;
                },
                refusesOwnName};
    }
};

TEST(ListRename, TheSystemsFilesSeeTheRenamesMadeThroughThem)
{
    TempDir dir;
    WriteBytes(dir.file("a.mp3"), "a");
    WriteBytes(dir.file("b.mp3"), "b");
    const batch::RenameFiles files = batch::SystemRenameFiles();
    EXPECT_TRUE(files.exists(dir.file("b.mp3")));
    EXPECT_EQ(batch::RenameToNewPath(files, dir.file("a.mp3"), dir.file("c.mp3")), batch::RenameOutcome::Renamed);
    EXPECT_EQ(batch::RenameToNewPath(files, dir.file("b.mp3"), dir.file("a.mp3")), batch::RenameOutcome::Renamed)
        << "the name given up is free";
    EXPECT_EQ(batch::RenameToNewPath(files, dir.file("a.mp3"), dir.file("c.mp3")), batch::RenameOutcome::TargetExists)
        << "the name taken is not";
    EXPECT_EQ(ReadBytes(dir.file("a.mp3")), "b");
    EXPECT_EQ(ReadBytes(dir.file("c.mp3")), "a");
}

TEST(ListRename, LetterCaseOnlyRenamesGoThroughATemporaryName)
{
    const struct {
        const char* name;
        std::string from, to;
        std::set<std::string> failOn;
        batch::RenameOutcome outcome;
        Lines renames;
        std::string spelling;  // of the file's entry afterwards
        bool refusesOwnName = true;
        std::string other = "d/c.mp3";  // the folder's other file
        std::string refusal = {};       // what the system said, when it refused
    } cases[] = {
        {"plain", "d/a.mp3", "d/b.mp3", {}, batch::RenameOutcome::Renamed, {"d/a.mp3>d/b.mp3"}, "d/b.mp3"},
        {"letter case", "d/a.mp3", "d/A.mp3", {}, batch::RenameOutcome::Renamed,
         {"d/a.mp3>d/A.mp3", "d/a.mp3>d/~a.mp3.0.tmp", "d/~a.mp3.0.tmp>d/A.mp3"}, "d/A.mp3"},
        {"letter case, looked up first", "d/a.mp3", "d/A.mp3", {}, batch::RenameOutcome::Renamed,
         {"d/a.mp3>d/~a.mp3.0.tmp", "d/~a.mp3.0.tmp>d/A.mp3"}, "d/A.mp3", false},
        {"another file, looked up first", "d/a.mp3", "d/c.mp3", {}, batch::RenameOutcome::TargetExists, {}, "d/a.mp3",
         false},
        {"second step refused", "d/a.mp3", "d/A.mp3", {"d/A.mp3"}, batch::RenameOutcome::Failed,
         {"d/a.mp3>d/A.mp3", "d/a.mp3>d/~a.mp3.0.tmp", "d/~a.mp3.0.tmp>d/A.mp3", "d/~a.mp3.0.tmp>d/a.mp3"},
         "d/a.mp3"},
        {"way back refused too", "d/a.mp3", "d/A.mp3", {"d/A.mp3", "d/a.mp3"}, batch::RenameOutcome::LeftAtTemporary,
         {"d/a.mp3>d/A.mp3", "d/a.mp3>d/~a.mp3.0.tmp", "d/~a.mp3.0.tmp>d/A.mp3", "d/~a.mp3.0.tmp>d/a.mp3"},
         "d/~a.mp3.0.tmp"},
        {"identical", "d/a.mp3", "d/a.mp3", {}, batch::RenameOutcome::TargetExists, {}, "d/a.mp3"},
        {"another file", "d/a.mp3", "d/c.mp3", {}, batch::RenameOutcome::TargetExists, {"d/a.mp3>d/c.mp3"}, "d/a.mp3"},
        {"refused", "d/a.mp3", "d/b.mp3", {"d/b.mp3"}, batch::RenameOutcome::Failed, {"d/a.mp3>d/b.mp3"}, "d/a.mp3",
         true, "d/c.mp3", "File access denied (OS error 5)"},
        {"temporary name taken", "d/a.mp3", "d/A.mp3", {}, batch::RenameOutcome::Renamed,
         {"d/a.mp3>d/A.mp3", "d/a.mp3>d/~a.mp3.1.tmp", "d/~a.mp3.1.tmp>d/A.mp3"}, "d/A.mp3", true, "d/~a.mp3.0.tmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CaseBlindFolder folder;
        folder.entries = {{"d/a.mp3", c.from}, {CaseBlindFolder::Fold(c.other), c.other}};
        folder.failOn = c.failOn;
        folder.refusesOwnName = c.refusesOwnName;
        std::string temporary, refusal;
        EXPECT_EQ(batch::RenameToNewPath(folder.Files(), c.from, c.to, PathStyle::Windows, &temporary, &refusal),
                  c.outcome);
        EXPECT_EQ(folder.renames, c.renames);
        EXPECT_EQ(temporary, c.outcome == batch::RenameOutcome::LeftAtTemporary ? c.spelling : "");
        if (!c.refusal.empty()) EXPECT_EQ(refusal, c.refusal);
        const auto it = std::find_if(folder.entries.begin(), folder.entries.end(),
                                     [&](const auto& e) { return e.second != c.other; });
        ASSERT_NE(it, folder.entries.end());
        EXPECT_EQ(it->second, c.spelling);
        EXPECT_EQ(folder.entries.size(), 2u);
    }
}

TEST(ListRename, TheListTakesEachNewPathAtTheFirstEntryOfTheOldOneIgnoringCase)
{
    const struct {
        const char *from, *to;
        bool found;
        Lines after;
    } steps[] = {
        {"M\\a.mp3", "M\\x.mp3", true, {"M\\x.mp3", "M\\b.mp3", "m\\A.MP3"}},
        {"M\\A.mp3", "M\\y.mp3", true, {"M\\x.mp3", "M\\b.mp3", "M\\y.mp3"}},  // the next one of that path
        {"m\\X.MP3", "M\\b.mp3", true, {"M\\b.mp3", "M\\b.mp3", "M\\y.mp3"}},  // a path it was given
        {"M\\b.mp3", "M\\z.mp3", true, {"M\\z.mp3", "M\\b.mp3", "M\\y.mp3"}},  // the first of two
        {"M\\none.mp3", "M\\w.mp3", false, {"M\\z.mp3", "M\\b.mp3", "M\\y.mp3"}},
    };
    Lines paths{"M\\a.mp3", "M\\b.mp3", "m\\A.MP3"};
    list::PathReplacer listed(paths);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.from);
        EXPECT_EQ(listed.Replace(step.from, step.to), step.found);
        EXPECT_EQ(paths, step.after);
    }
}

TEST(ListRename, AFileLeftAtItsTemporaryNameIsFollowed)
{
    CaseBlindFolder folder;
    folder.entries = {{"d/a.mp3", "d/a.mp3"}};
    folder.failOn = {"d/A.mp3", "d/a.mp3"};
    batch::TTagArray tags(1);
    tags[0].FilePath = "d/a.mp3";
    tags[0].NewName = "A";
    tags[0].NewPath = "d/A.mp3";
    tags[0].RenameReady = true;
    batch::TemplateContext context(tags);
    context.pathStyle = PathStyle::Posix;
    EXPECT_EQ(batch::ApplyRename(context, 0, folder.Files()), batch::stNoChanges);
    EXPECT_EQ(tags[0].FilePath, "d/~a.mp3.0.tmp") << "the record names the file where it is";
}

}  // namespace
