// File-name templates: the text operations, new names from tags and their
// checks, tags from file names, and the template list in the history file.
#include "batch/id3v2_names.h"
#include "batch/templates.h"
#include "text/codepage.h"
#include "platform/platform.h"
#include "text/text.h"
#include "codepage_test_support.h"
#include "tag_test_support.h"
#include "twID3/twID3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace sonrik::batch;
using sonrik::PathStyle;
using sonrik::testing::ReadBytes;
using sonrik::testing::TempDir;
using sonrik::testing::WriteBytes;
using Lines = std::vector<std::string>;

// Files on a pretend disk; `ignoreCase` makes it behave like a Windows
// volume, which folds letters as the code page has them.
struct FakeDisk {
    std::set<std::string> files;
    bool ignoreCase = false;

    bool same(const std::string& a, const std::string& b) const
    {
        return ignoreCase ? sonrik::text::SameIgnoringCase(a, b) : a == b;
    }
    bool has(const std::string& p) const
    {
        return std::any_of(files.begin(), files.end(), [&](const std::string& f) { return same(f, p); });
    }
    NameFiles services()
    {
        return {[this](const std::string& p) { return has(p); },
                [this](const std::string& a, const std::string& b) { return has(a) && same(a, b); },
                {}};
    }
};

TFTag Song(std::string path, std::string artist = "Abba", std::string title = "SOS", std::string track = "0")
{
    TFTag tag;
    tag.FilePath = std::move(path);
    tag.ArtistText = std::move(artist);
    tag.TitleText = std::move(title);
    tag.TrackText = std::move(track);
    return tag;
}

// ---- Text operations ------------------------------------------------------------

TEST(TemplateText, TextBeforeFindsTheFirstExactSeparator)
{
    EXPECT_EQ(TextBefore("A - B - C", " - "), "A");
    EXPECT_EQ(TextBefore("A-B", " - "), "A-B");
    EXPECT_EQ(TextBefore("x.MP3", ".mp3"), "x.MP3");
    EXPECT_EQ(TextBefore(".mp3", ".mp3"), "");
    EXPECT_EQ(TextBefore("abc", ""), "abc");
}

TEST(TemplateText, ForbiddenAndControlCharactersAreRemoved)
{
    EXPECT_EQ(StripForbiddenChars("AC/DC"), "ACDC");
    EXPECT_EQ(StripForbiddenChars("a\"b:c*d,e\\f/g?h<i>j|k$l=m"), "abcdefghijklm");
    EXPECT_EQ(StripForbiddenChars(std::string("t\x01\t\r\n\x1f\0x", 8)), "tx");
    // Everything else stays, bytes of the code page included.
    EXPECT_EQ(StripForbiddenChars("Ab 1-_&.()[]'!\x7f\xe0\xff"), "Ab 1-_&.()[]'!\x7f\xe0\xff");
}

TEST(TemplateText, EndsWithContentAppendPartAndWholeNumbers)
{
    for (const char* ok : {"a", "Abba - SOS", "x.", "1"}) EXPECT_TRUE(EndsWithContent(ok)) << ok;
    for (const char* bad : {"", "a ", "a-", "a_", "a&"}) EXPECT_FALSE(EndsWithContent(bad)) << bad;

    EXPECT_EQ(AppendPart("Abba", " - "), "Abba - ");
    EXPECT_EQ(AppendPart("Abba", ""), "Abba ");

    for (const char* ok : {"0", "12", "+5", "-3", "007", "99999999999"}) EXPECT_TRUE(IsWholeNumber(ok)) << ok;
    for (const char* bad : {"", "+", "-", "1a", " 1", "1 ", "+-1", "1.0"}) EXPECT_FALSE(IsWholeNumber(bad)) << bad;
}

TEST(TemplateText, TrackNumbersAreWholeNumbersFrom0To255)
{
    const std::vector<std::pair<const char*, int>> cases = {
        {"0", 0}, {"7", 7}, {"+7", 7}, {"007", 7}, {"255", 255}, {"-0", 0},
        {"256", -1}, {"300", -1}, {"-3", -1}, {"99999999999", -1}, {"4294967303", -1}, {"1a", -1}, {"", -1},
    };
    for (const auto& [text, expected] : cases) {
        const auto value = TrackNumberValue(text);
        EXPECT_EQ(value ? int(*value) : -1, expected) << text;
    }
}

TEST(TemplateText, GenreNamesAreFoundWithoutLetterCase)
{
    EXPECT_EQ(GenreNumber("Rock"), 17);
    EXPECT_EQ(GenreNumber("rOCK"), 17);
    EXPECT_EQ(GenreNumber("Synthpop"), 147);
    EXPECT_EQ(GenreNumber("Contemporary Ch?"), 140);
    EXPECT_EQ(GenreNumber("Rock "), std::nullopt);
    EXPECT_EQ(GenreNumber(""), std::nullopt);
}

TEST(TemplateText, DeviceNamesOfWindowsAreReserved)
{
    for (const char* device : {"CON", "con", "Prn", "AUX", "nul", "COM1", "com9", "LPT1", "lPt9", "CON.txt",
                               "nul.tar.gz", "AUX ", "CON  .x", "COM\xb9", "LPT\xb2", "com\xb3.mp3",
                               // the same superscripts in the command line's UTF-8 names
                               "COM\xc2\xb9", "LPT\xc2\xb2.mp3", "com\xc2\xb3"})
        EXPECT_TRUE(IsReservedDeviceName(device)) << device;
    for (const char* name : {"CONSOLE", "ACON", " CON", "COM", "COM0", "COM10", "LPT", "LPTX", "CO N", "NULL",
                             "Abba - CON", "x.CON", ""})
        EXPECT_FALSE(IsReservedDeviceName(name)) << name;
}

TEST(TemplatePaths, FolderNameAndJoin)
{
    struct Case {
        const char *path, *folder, *name;
        PathStyle style = PathStyle::Windows;
    };
    for (const Case& c : std::vector<Case>{
             {"C:\\Music\\Abba - SOS.mp3", "C:\\Music", "Abba - SOS.mp3"},
             {"c:\\x.mp3", "c:\\", "x.mp3"},
             {"c:x.mp3", "c:", "x.mp3"},
             {"\\x.mp3", "\\", "x.mp3"},
             {"/home/u/x.mp3", "/home/u", "x.mp3"},
             {"/x.mp3", "/", "x.mp3"},
             {"\\\\srv\\share\\x.mp3", "\\\\srv\\share", "x.mp3"},
             {"x.mp3", "", "x.mp3"},
             // On POSIX only '/' ends a folder.
             {"/m/AC\\DC - x.mp3", "/m", "AC\\DC - x.mp3", PathStyle::Posix},
             {"/m/c:x.mp3", "/m", "c:x.mp3", PathStyle::Posix},
             {"a:/x.mp3", "a:", "x.mp3", PathStyle::Posix},
             {"/x.mp3", "/", "x.mp3", PathStyle::Posix},
             {"x\\y.mp3", "", "x\\y.mp3", PathStyle::Posix},
         }) {
        EXPECT_EQ(FolderOf(c.path, c.style), c.folder) << c.path;
        EXPECT_EQ(FileNameOf(c.path, c.style), c.name) << c.path;
        // Joining the two again gives the path back.
        EXPECT_EQ(JoinPath(FolderOf(c.path, c.style), FileNameOf(c.path, c.style), c.style), c.path) << c.path;
    }
    EXPECT_EQ(JoinPath("C:\\M", "a.mp3", PathStyle::Posix), "C:\\M/a.mp3");
    EXPECT_EQ(JoinPath("C:\\Music", "a.mp3"), "C:\\Music\\a.mp3");
    EXPECT_EQ(JoinPath("C:\\Music\\", "a.mp3"), "C:\\Music\\a.mp3");
    EXPECT_EQ(JoinPath("/srv/music", "a.mp3"), "/srv/music/a.mp3");
    EXPECT_EQ(JoinPath("", "a.mp3"), "a.mp3");

    TFTag upper;
    upper.FilePath = "C:\\M\\x.MP3";
    EXPECT_EQ(CurrentFileName(upper), "x") << "the extension in any letter case";
    upper.FilePath = "C:\\M\\a.mp3.Mp3";
    EXPECT_EQ(CurrentFileName(upper), "a.mp3") << "only the extension";
}

TEST(TemplatePaths, PosixRecordsKeepBackslashesAndColonsInTheirNames)
{
    TTagArray tags{Song("/m/AC\\DC - T:1.mp3", "", "")};
    FakeDisk disk;
    TemplateContext context(tags, disk.services());
    context.pathStyle = PathStyle::Posix;
    EXPECT_EQ(FillFromName(context, 0, "<ARTIST> - <TITLE>"), stTestOk);
    EXPECT_EQ(tags[0].ArtistText, "AC\\DC");
    EXPECT_EQ(tags[0].TitleText, "T:1");
    EXPECT_EQ(TestRename(context, 0, "<TITLE> - <ARTIST>"), stTestOk);
    EXPECT_EQ(tags[0].NewPath, "/m/T1 - ACDC.mp3");
}

TEST(RecordTexts, StatusesAndColumnsInBothLanguages)
{
    EXPECT_EQ(sonrik::text::Bytes(RowStatusText(stTestOk, true)), "Test OK");
    EXPECT_EQ(sonrik::text::Bytes(RowStatusText(stTagsRecorded, true)), "TAG(s) is recorded");
    EXPECT_EQ(sonrik::text::Bytes(RowStatusText(stRenamed, true)), "File is renamed");
    EXPECT_EQ(sonrik::text::Bytes(RowStatusText(stWriteError, false)), "Ошибка записи в файл");
    EXPECT_EQ(sonrik::text::Bytes(RowStatusText(stNotEnoughInfo, false)), "Недостаточно информации");
    EXPECT_EQ(sonrik::text::Bytes(RowStatusText(TRowStatus(8), true)), "");
    EXPECT_EQ(sonrik::text::Bytes(FieldKindCaption(fkTrack, true)), "Track number");
    EXPECT_EQ(sonrik::text::Bytes(FieldKindCaption(fkComment, false)), "Комментарий");
    EXPECT_EQ(sonrik::text::Bytes(FieldKindCaption(fkStatus, true)), "Status");
    EXPECT_EQ(sonrik::text::Bytes(FieldKindCaption(8, true)), "");
    for (bool english : {true, false}) {
        std::set<std::u8string_view> statuses, columns;
        for (int i = 0; i < RowStatusCount; ++i) statuses.insert(RowStatusText(TRowStatus(i), english));
        for (int i = 0; i < FieldKindCount; ++i) columns.insert(FieldKindCaption(std::uint8_t(i), english));
        EXPECT_EQ(statuses.size(), 8u);
        EXPECT_EQ(columns.size(), 8u);
    }
}

// ---- Tag values to a file name ---------------------------------------------------------

TEST(MakeNewName, NamesTakeTheWholeValuesOfTheID3v2Tag)
{
    const std::string long40 = "A Title Longer Than Thirty Bytes - Whole";
    struct Case {
        const char* what;
        bool hasRecord;
        std::string recordTitle, recordTrack;
        std::vector<std::string> v2Title, v2Track;
        std::string name;  // by "<TRACK NUM> <TITLE>"
        bool note = false;
    };
    for (const Case& c : std::vector<Case>{
             {"no record", false, "", "0", {"Whole"}, {"3/12"}, "3 Whole"},
             {"cut at 30", true, long40.substr(0, 30), "5", {long40}, {"9"}, "5 " + long40},
             {"cut before a blank", true, "Ends Here", "5", {"Ends Here" + std::string(21, ' ') + "and goes on"}, {}, "5 Ends Here" + std::string(21, ' ') + "and goes on"},
             {"the tags differ: ID3v1 decides", true, "Mine", "5", {"Theirs"}, {"9"}, "5 Mine"},
             {"empty field, track 0", true, "", "0", {"Whole"}, {"7"}, "7 Whole"},
             {"track out of range", false, "", "0", {"T"}, {"0/12"}, "0 T"},
             {"several values", false, "", "0", {"One", "Two"}, {}, "0 One & Two"},
             {"a character the code page cannot hold", true, "", "5", {"\xD0\x9F"}, {}, "old", true},
         }) {
        SCOPED_TRACE(c.what);
        TTagArray tags{Song("C:\\M\\old.mp3", "", c.recordTitle, c.recordTrack)};
        sonrik::twID3::ID3v2Tag v2;
        v2.title = c.v2Title;
        v2.track = c.v2Track;
        const auto notes = TakeID3v2Names(tags[0], v2, c.hasRecord, *sonrik::text::CodePage::Find(1252));
        EXPECT_EQ(notes.size(), c.note ? 1u : 0u);
        FakeDisk disk;
        TemplateContext context(tags, disk.services());
        MakeNewName(context, 0, "<TRACK NUM> <TITLE>");
        EXPECT_EQ(tags[0].NewName, c.name);
        EXPECT_EQ(tags[0].TitleText, c.recordTitle) << "the record's own fields stay";
    }
}

TEST(MakeNewName, TemplatesOverTagValues)
{
    struct Case {
        const char *templ, *artist, *title, *track, *name;
        TRowStatus status;
    };
    // A refused name leaves the record's present name, "old", as its new name.
    for (const Case& c : std::vector<Case>{
             {"<ARTIST> - <TITLE>", "Abba", "SOS", "0", "Abba - SOS", stTestOk},
             {"<artist> - <Title>", "Abba", "SOS", "0", "Abba - SOS", stTestOk},
             {"<ARTIST> - <TITLE>", "Abba", "", "0", "old", stTestError},  // "Abba -  " ends in a blank
             {"<ARTIST> - <TITLE>", "", "", "0", "old", stTestError},
             {"<ARTIST> - <TITLE>", "", "SOS", "0", "  - SOS", stTestOk},
             {"<ARTIST> - <TITLE>", "AC/DC", "T.N.T?", "0", "ACDC - T.N.T", stTestOk},
             {"<TRACK NUM>. <TITLE>", "", "SOS", "7", "7. SOS", stTestOk},
             {"<TRACK NUM>. <TITLE>", "", "SOS", "0", "0. SOS", stTestOk},
             {"<YEAR><year><TITLE>", "", "SOS", "0", "SOS", stTestOk},     // the year adds nothing
             {"<FOO><TITLE>", "", "SOS", "0", "SOS", stTestOk},            // nor an unknown name
             {"<TITLE >x", "", "SOS", "0", "x", stTestOk},                 // spacing counts
             {"a>b<TITLE>", "", "SOS", "0", "abSOS", stTestOk},            // lone '>' is literal, then stripped
             {"<<TITLE>", "", "SOS", "0", "old", stTestError},             // "<<TITLE" is no name: empty
             {"x <TITLE><ARTIST", "Abba", "SOS", "0", "x SOS", stTestOk},  // still open at the end
             {"<ARTIST>", "CON", "", "0", "old", stTestError},
             {"<ARTIST>.txt", "lpt3", "", "0", "old", stTestError},
             {"<ARTIST>", "Console", "", "0", "Console", stTestOk},
             {"<ARTIST>", "Tab\there", "", "0", "Tabhere", stTestOk},
             {"<ARTIST> &", "Abba", "", "0", "old", stTestError},
         }) {
        TTagArray tags{Song("C:\\M\\old.mp3", c.artist, c.title, c.track)};
        FakeDisk disk;
        TemplateContext context(tags, disk.services());
        EXPECT_EQ(MakeNewName(context, 0, c.templ), c.status) << c.templ << " / " << c.artist;
        EXPECT_EQ(tags[0].NewName, c.name) << c.templ << " / " << c.artist;
        EXPECT_EQ(tags[0].RenameReady, c.status == stTestOk);
    }
}

TEST(MakeNewName, NoNewNameLeavesTheFolder)
{
    const std::vector<std::string> hostile = {
        "..\\..\\Windows\\evil", "../../etc/passwd", "C:\\evil", "\\\\server\\share\\x", "c:", "..", ":x:",
        "a\\", "/", std::string("a\0/b", 4), "\x01..\x1f\\x", "x\r\n\\y",
    };
    int renamed = 0;
    for (const std::string& folder : {std::string("C:\\Music\\Abba"), std::string("/srv/music")}) {
        for (const std::string& value : hostile) {
            TTagArray tags{Song(JoinPath(folder, "old.mp3"), value, value)};
            FakeDisk disk;
            TemplateContext context(tags, disk.services());
            for (const char* templ : {"<ARTIST>", "<ARTIST> - <TITLE>", "x<TITLE>"}) {
                if (TestRename(context, 0, templ) != stTestOk) continue;
                ++renamed;
                EXPECT_EQ(FolderOf(tags[0].NewPath), folder) << value;
                EXPECT_EQ(FileNameOf(tags[0].NewPath), tags[0].NewName + ".mp3") << value;
                EXPECT_EQ(tags[0].NewName.find_first_of(std::string("\\/:\0", 4)), std::string::npos) << value;
            }
        }
    }
    EXPECT_GT(renamed, 50);
}

TEST(TestRenameWithReason, TheNameMadeAndWhyItCannotBeUsed)
{
    struct Case {
        const char *templ, *artist, *track;
        int width;
        TRowStatus status;
        NameProblem problem;
        const char* name;
    };
    for (const Case& c : std::vector<Case>{
             {"<ARTIST> - <TITLE>", "Abba", "0", 0, stTestOk, NameProblem::None, "Abba - SOS"},
             {"<YEAR>", "Abba", "0", 0, stTestError, NameProblem::Empty, ""},
             {"<ARTIST>", "", "0", 0, stTestError, NameProblem::BadEnding, " "},
             {"<ARTIST>.x", "Nul", "0", 0, stTestError, NameProblem::DeviceName, "Nul.x"},
             {"<ARTIST> &", "Abba", "0", 0, stTestError, NameProblem::BadEnding, "Abba &"},
             {"<ARTIST>", "Taken", "0", 0, stFileExists, NameProblem::None, "Taken"},
             {"<TRACK NUM>. <TITLE>", "", "7", 0, stTestOk, NameProblem::None, "7. SOS"},
             {"<TRACK NUM>. <TITLE>", "", "+7", 2, stTestOk, NameProblem::None, "07. SOS"},
             {"<TRACK NUM>", "", "7", 3, stTestOk, NameProblem::None, "007"},
             {"<TRACK NUM>", "", "123", 2, stTestOk, NameProblem::None, "123"},
         }) {
        const std::string where = std::string(c.templ) + " / " + c.artist + " / " + c.track;
        FakeDisk disk;
        disk.files = {"C:\\M\\Taken.mp3"};
        TTagArray tags{Song("C:\\M\\old.mp3", c.artist, "SOS", c.track)};
        TemplateContext context(tags, disk.services());
        context.trackWidth = c.width;
        const RenameTest test = TestRenameWithReason(context, 0, c.templ);
        EXPECT_EQ(test.check.status, c.status) << where;
        EXPECT_EQ(test.check.problem, c.problem) << where;
        EXPECT_EQ(test.name, c.name) << where;
        EXPECT_EQ(NameProblemText(c.problem).empty(), c.problem == NameProblem::None) << where;
    }
}

TEST(CheckTemplate, ProblemsThatTheCommandLineRefuses)
{
    using enum TemplateFault;
    struct Case {
        const char* templ;
        TemplateUse use;
        std::optional<TemplateFault> fault;
        const char* named;  // in the message
    };
    for (const Case& c : std::vector<Case>{
             {"<ARTIST> - <TITLE>", TemplateUse::Rename, std::nullopt, ""},
             {"<ARTIST><TITLE>", TemplateUse::Rename, std::nullopt, ""},
             {"<track num>. <Year>", TemplateUse::Fill, std::nullopt, ""},
             {"x<TITLE>", TemplateUse::Fill, std::nullopt, ""},
             {"<ARTIST> - <TITLE><ALBUM>", TemplateUse::Fill, std::nullopt, ""},  // not only the last one counts
             {"<ARTIST> - <TITLE", TemplateUse::Rename, Unclosed, "position 12"},
             {"<ARTIST> - <FOO>", TemplateUse::Fill, Unknown, "<FOO>"},
             {"<TITLE >", TemplateUse::Rename, Unknown, "<TITLE >"},
             {"<<TITLE>", TemplateUse::Rename, Unknown, "<<TITLE>"},
             {"<YEAR> <TITLE>", TemplateUse::Rename, NotInNames, "<YEAR>"},
             {"Song >", TemplateUse::Rename, NoPlaceholder, "<ARTIST>"},
             {"", TemplateUse::Fill, NoPlaceholder, "<TITLE>"},
             {"<ARTIST><TITLE>", TemplateUse::Fill, NothingToCutAt, "cut"},
         }) {
        const auto problem = CheckTemplate(c.templ, c.use);
        EXPECT_EQ(problem ? std::optional(problem->fault) : std::nullopt, c.fault) << c.templ;
        if (problem) {
            EXPECT_NE(problem->message.find(c.named), std::string::npos) << problem->message;
        }
    }
}

TEST(CheckNewName, ExistingFilesOnARealFolder)
{
    TempDir dir;
    WriteBytes(dir.file("Abba - SOS.mp3"), "x");
    WriteBytes(dir.file("Mine.mp3"), "x");
    TTagArray tags{Song(dir.file("Mine.mp3"))};
    TemplateContext context(tags);
    const std::string folder = dir.path().string();
    EXPECT_EQ(CheckNewName(context, 0, folder, "Abba - SOS"), stFileExists);
    EXPECT_EQ(CheckNewName(context, 0, folder, "Mine"), stFileExists) << "the present name is taken";
    EXPECT_EQ(CheckNewName(context, 0, folder, "Free"), stTestOk);
    EXPECT_EQ(CheckNewName(context, 0, folder, "Free -"), stTestError);
    EXPECT_EQ(CheckNewName(context, 0, folder, ""), stTestError);
    EXPECT_EQ(CheckNewName(context, 0, folder, "nul"), stTestError);
    // Longer than any system takes (255 bytes, or 255 UTF-16 units), and a
    // folder the system would not rename in: the rename would be refused.
    EXPECT_EQ(CheckName(context, 0, folder, std::string(260, 'x')).problem, NameProblem::TooLong);
    FakeDisk disk;
    NameFiles locked = disk.services();
    locked.folderWritable = [](const std::string&) { return false; };
    TemplateContext lockedContext(tags, locked);
    EXPECT_EQ(CheckName(lockedContext, 0, folder, "Free").problem, NameProblem::FolderNotWritable);
    // The system's own rules: on a volume that keeps letter case apart the
    // respelled name is another, free one; on one that ignores it, the file
    // itself under another spelling.
    EXPECT_EQ(CheckNewName(context, 0, folder, "MINE"), stTestOk);
}

TEST(CheckNewName, LetterCaseOnlyRenamesPassWhereCaseIsIgnored)
{
    FakeDisk disk;
    disk.ignoreCase = true;
    disk.files = {"C:\\M\\abba - sos.mp3", "C:\\M\\Other.mp3"};
    TTagArray tags{Song("C:\\M\\abba - sos.mp3"), Song("C:\\M\\x.mp3")};
    TemplateContext context(tags, disk.services());
    EXPECT_EQ(CheckNewName(context, 0, "C:\\M", "abba - sos"), stFileExists) << "an identical name";
    EXPECT_EQ(CheckNewName(context, 0, "C:\\M", "OTHER"), stFileExists) << "another file's name";
    EXPECT_EQ(CheckNewName(context, 1, "C:\\M", "ABBA - SOS"), stFileExists) << "another record's file";
}

// The volume decides what is the file itself in other letters, by the code
// page's letters: Cyrillic and Latin-1 letters and the extension too.
TEST(CheckNewName, LetterCaseOnlyRenamesPassInTheCodePage)
{
    const struct {
        unsigned codePage;
        const char *present, *artist;
    } cases[] = {
        {1252, "abba - SOS.mp3", "Abba"},
        {1252, "Abba - SOS.MP3", "Abba"},
        {1251, "\xB8\xEB\xEA\xE0 - SOS.mp3", "\xA8\xEB\xEA\xE0"},  // ёлка, Ёлка
        {1252, "\xFF - SOS.mp3", "\x9F"},                              // ÿ, Ÿ
    };
    for (const auto& c : cases) {
        const sonrik::testing::AnsiCodePageScope scope(c.codePage);
        if (!scope.active()) continue;
        SCOPED_TRACE(c.present);
        FakeDisk disk;
        disk.ignoreCase = true;
        disk.files = {std::string("C:\\M\\") + c.present};
        TTagArray tags{Song(std::string("C:\\M\\") + c.present, c.artist)};
        TemplateContext context(tags, disk.services());
        EXPECT_EQ(TestRename(context, 0, "<ARTIST> - <TITLE>"), stTestOk);
        EXPECT_EQ(tags[0].NewPath, std::string("C:\\M\\") + c.artist + " - SOS.mp3");
    }
}

TEST(IsNameTaken, PathsAndTargetsOfOtherRecords)
{
    TTagArray tags{Song("C:\\M\\a.mp3"), Song("C:\\M\\b.mp3"), Song("C:\\M\\c.mp3")};
    tags[1].NewPath = "C:\\M\\target.mp3";
    tags[2].NewPath = "C:\\M\\c.mp3";  // same as its own path, as after a rename
    TemplateContext context(tags);
    struct Case {
        const char* path;
        std::size_t self;
        bool taken;
    };
    const std::vector<Case> cases = {
        {"C:\\M\\a.mp3", 1, true},        {"C:\\M\\a.mp3", 0, false},      {"C:\\M\\A.mp3", 1, false},
        {"C:\\M\\target.mp3", 0, true},   {"C:\\M\\target.mp3", 1, false}, {"C:\\M\\c.mp3", 2, false},
        {"C:\\M\\c.mp3", 0, true},        {"C:\\M\\d.mp3", 0, false},      {"", 0, false},
        {"C:\\M\\a.mp3", TemplateContext::kNoRecord, true},
    };
    // The same answers from a walk over the records and from the index of a pass.
    for (const bool inPass : {false, true}) {
        std::optional<TemplateContext::TestPass> pass;
        if (inPass) pass.emplace(context);
        for (const Case& c : cases)
            EXPECT_EQ(context.IsNameTaken(c.path, c.self), c.taken) << c.path << " self " << c.self << " pass " << inPass;
        context.SetNewPath(1, "C:\\M\\moved.mp3");
        EXPECT_FALSE(context.IsNameTaken("C:\\M\\target.mp3", 0));
        EXPECT_TRUE(context.IsNameTaken("C:\\M\\moved.mp3", 0));
        context.SetNewPath(1, "C:\\M\\target.mp3");
    }
}

TEST(TestAllRenames, ClashesWithinAPassAndWithThePreviousPass)
{
    TTagArray tags{Song("C:\\M\\1.mp3", "A", "X"), Song("C:\\M\\2.mp3", "A", "X"), Song("C:\\M\\3.mp3", "B", "Y")};
    FakeDisk disk;
    TemplateContext context(tags, disk.services());
    TestAllRenames(context, "<ARTIST> - <TITLE>");
    EXPECT_EQ(tags[0].Status, stTestOk);
    EXPECT_EQ(tags[1].Status, stFileExists) << "the first record took the name";
    EXPECT_EQ(tags[1].NewName, "2");
    EXPECT_EQ(tags[2].Status, stTestOk);

    // A re-test is not blocked by a record's own earlier target, but a later
    // record still holds its target of the previous pass.
    tags[0].TitleText = "Y";
    tags[0].ArtistText = "B";
    TestAllRenames(context, "<ARTIST> - <TITLE>");
    EXPECT_EQ(tags[0].Status, stFileExists);
    EXPECT_EQ(tags[1].Status, stTestOk) << "record 0 gave up \"A - X\" in this pass";
    EXPECT_EQ(tags[2].Status, stTestOk);
    EXPECT_EQ(tags[2].NewPath, "C:\\M\\B - Y.mp3");
}

TEST(TestAllRenames, IndexGivesTheAnswersOfAWalk)
{
    // Many records with clashing names: a pass with its index and record-by-
    // record tests without one must agree on every status.
    TTagArray indexed;
    for (int i = 0; i < 300; ++i) {
        // Titles clash with each other, with later records' files and with
        // targets left from an earlier pass.
        indexed.push_back(Song("C:\\M\\f" + std::to_string(i) + ".mp3", "",
                               i % 5 ? "T" + std::to_string(i % 11) : "f" + std::to_string(i + 1)));
        indexed.back().NewPath = i % 3 ? "" : "C:\\M\\T" + std::to_string(i % 13) + ".mp3";
    }
    TTagArray walked = indexed;
    FakeDisk disk;
    TemplateContext withIndex(indexed, disk.services());
    TemplateContext withWalk(walked, disk.services());
    TestAllRenames(withIndex, "<TITLE>");
    for (std::size_t i = 0; i < walked.size(); ++i) TestRename(withWalk, i, "<TITLE>");
    int taken = 0;
    for (std::size_t i = 0; i < walked.size(); ++i) {
        EXPECT_EQ(indexed[i].Status, walked[i].Status) << i;
        EXPECT_EQ(indexed[i].NewPath, walked[i].NewPath) << i;
        taken += walked[i].Status == stFileExists;
    }
    EXPECT_GT(taken, 100);
}

TEST(TestAllRenames, APassReadsEachFolderOnceInsteadOfAskingPerName)
{
    // Two folders; "Abba - SOS" is on the disk in the first only.
    FakeDisk disk;
    disk.files = {"C:\\A\\1.mp3", "C:\\A\\2.mp3", "C:\\A\\Abba - SOS.mp3", "C:\\B\\3.mp3"};
    for (const bool readable : {true, false}) {
        TTagArray tags{Song("C:\\A\\1.mp3"), Song("C:\\A\\2.mp3", "Abba", "Waterloo"), Song("C:\\B\\3.mp3")};
        NameFiles files = disk.services();
        int asked = 0;
        std::vector<std::string> read;
        files.fileExists = [&](const std::string& p) { return ++asked, disk.has(p); };
        files.folderFiles = [&](const std::string& folder) -> NameFiles::FolderLookup {
            read.push_back(folder);
            if (!readable) throw sonrik::IoError(sonrik::ioerr::AccessDenied);
            return [&disk](const std::string& p) { return disk.has(p); };
        };
        TemplateContext context(tags, files);
        TestAllRenames(context, "<ARTIST> - <TITLE>");
        EXPECT_EQ(read, (Lines{"C:\\A", "C:\\B"})) << "readable " << readable;
        EXPECT_EQ(asked, readable ? 0 : 3) << "an unreadable folder's names are asked one by one";
        EXPECT_EQ(tags[0].Status, stFileExists) << "readable " << readable;
        EXPECT_EQ(tags[1].Status, stTestOk) << "readable " << readable;
        EXPECT_EQ(tags[2].Status, stTestOk) << "readable " << readable;
    }
}

TEST(CommitNewName, TypedNamesAreCleanedAndChecked)
{
    FakeDisk disk;
    disk.files = {"C:\\M\\Taken.mp3"};
    TTagArray tags{Song("C:\\M\\old.mp3")};
    TemplateContext context(tags, disk.services());

    const TypedName refused = CommitNewName(context, 0, "name -");
    EXPECT_FALSE(refused.accepted);
    EXPECT_EQ(tags[0].NewName, "");
    EXPECT_FALSE(CommitNewName(context, 0, "??").accepted) << "nothing left of it";

    const TypedName taken = CommitNewName(context, 0, "Taken");
    EXPECT_TRUE(taken.accepted);
    EXPECT_EQ(taken.status, stFileExists);
    EXPECT_FALSE(tags[0].RenameReady);

    const TypedName typed = CommitNewName(context, 0, "new/name?");
    EXPECT_TRUE(typed.accepted);
    EXPECT_EQ(typed.text, "newname");
    EXPECT_EQ(tags[0].Status, stTestOk);
    EXPECT_TRUE(tags[0].RenameReady);
    EXPECT_EQ(tags[0].NewPath, "C:\\M\\newname.mp3");

    EXPECT_EQ(CommitNewName(context, 0, "COM1").status, stTestError);
}

// ---- File name to tag values -------------------------------------------------------------

TEST(StoreField, ValuesByKind)
{
    struct Case {
        std::uint8_t kind;
        const char* value;
        TRowStatus status;
        const char* stored;  // nullptr: nothing stored
    };
    for (const Case& c : std::vector<Case>{
             {fkTitle, "SOS", stTestOk, "SOS"},
             {fkTitle, "", stNotEnoughInfo, nullptr},
             {fkTrack, "12", stTestOk, "12"},
             {fkTrack, "+5", stTestOk, "+5"},
             {fkTrack, "255", stTestOk, "255"},
             {fkTrack, "1a", stTestError, nullptr},
             {fkTrack, "-3", stTestError, nullptr},
             {fkTrack, "300", stTestError, nullptr},
             {fkTrack, "99999999999", stTestError, nullptr},
             {fkGenre, "rock", stTestOk, "Rock"},
             {fkGenre, "Rockish", stTestError, nullptr},
             {fkYear, "1976", stTestOk, "1976"},
             {fkComment, "any text", stTestOk, "any text"},
             {fkStatus, "x", stNoChanges, nullptr},
             {fkStatus, "", stNotEnoughInfo, nullptr},
         }) {
        TFTag tag;
        EXPECT_EQ(StoreField(tag, c.kind, c.value, false), c.status) << int(c.kind) << " " << c.value;
        if (c.kind >= fkStatus) continue;
        EXPECT_EQ(*FieldText(tag, c.kind), c.stored ? c.stored : "") << c.value;
        EXPECT_EQ(*FieldMark(tag, c.kind), c.stored != nullptr) << c.value;
    }
}

TEST(StoreField, EmptyOnlyKeepsFilledFields)
{
    TFTag tag;
    tag.ArtistText = "Kept";
    tag.TrackText = "0";  // a file without a track number
    tag.YearText = "0";
    EXPECT_EQ(StoreField(tag, fkArtist, "New", true), stTestOk);
    EXPECT_EQ(StoreField(tag, fkAlbum, "Filled", true), stTestOk);
    EXPECT_EQ(StoreField(tag, fkTrack, "07", true), stTestOk);
    EXPECT_EQ(StoreField(tag, fkYear, "1999", true), stTestOk);
    EXPECT_EQ(tag.ArtistText, "Kept");
    EXPECT_FALSE(tag.ArtistSet);
    EXPECT_EQ(tag.AlbumText, "Filled");
    EXPECT_TRUE(tag.AlbumSet);
    EXPECT_EQ(tag.TrackText, "07");  // track 0 is no track
    EXPECT_TRUE(tag.TrackSet);
    EXPECT_EQ(tag.YearText, "0");  // a year "0" is text like any other
    EXPECT_FALSE(tag.YearSet);
    tag.TrackText = "3";
    EXPECT_EQ(StoreField(tag, fkTrack, "9", true), stTestOk);
    EXPECT_EQ(tag.TrackText, "3");
}

TEST(FillFromName, TemplatesOverFileNames)
{
    struct Case {
        const char *templ, *file;
        bool underscores;
        TRowStatus status;
        const char *track, *title, *artist, *album, *year;  // "-" : left as it was
    };
    for (const Case& c : std::vector<Case>{
             {"<ARTIST>-<ALBUM> - <TITLE>", "Art-Alb - Tit", false, stTestOk, "-", "Tit", "Art", "Alb", "-"},
             {"<ARTIST> - <TITLE>", "A - B - C", false, stTestOk, "-", "B", "A", "-", "-"},
             {"<ARTIST> - <TITLE>", "NoSeparator", false, stTestOk, "-", "-", "NoSeparator", "-", "-"},
             {"<ARTIST> - <TITLE>", "The_Band - Song", true, stTestOk, "-", "Song", "The Band", "-", "-"},
             {"<ARTIST> - <TITLE>", "The_Band - Song", false, stTestOk, "-", "Song", "The_Band", "-", "-"},
             {"<artist> - <year>", "Abba - 1976", false, stTestOk, "-", "-", "Abba", "-", "1976"},
             {"<TRACK NUM>. <TITLE>", "07. Song", false, stTestOk, "07", "Song", "-", "-", "-"},
             {"<TRACK NUM>. <TITLE>", "-3. Song", false, stTestError, "-", "Song", "-", "-", "-"},
             {"<TRACK NUM>. <TITLE>", "300. Song", false, stTestError, "-", "Song", "-", "-", "-"},
             {"<TRACK NUM>. <TITLE>", "99999999999. Song", false, stTestError, "-", "Song", "-", "-", "-"},
             {"<TITLE> - <TRACK NUM>", "Song - 1a", false, stTestError, "-", "Song", "-", "-", "-"},
             {"(<TRACK NUM>) <TITLE>", "(07) Song", false, stTestOk, "07", "Song", "-", "-", "-"},
             {"<X> - <TITLE>", "skipped - Song", false, stTestOk, "-", "Song", "-", "-", "-"},
             {"<ARTIST> - <TITLE>", " - Song", false, stTestOk, "-", "Song", "-", "-", "-"},
             {"<ARTIST> - <TITLE>", "Abba - ", false, stNotEnoughInfo, "-", "-", "Abba", "-", "-"},
             {"<ARTIST> - <TITLE>.x", "A - B.x", false, stTestOk, "-", "B.x", "A", "-", "-"},
             {"<TITLE>", "Song", false, stTestError, "-", "-", "-", "-", "-"},
             {"<ARTIST><TITLE>", "Song", false, stTestError, "-", "-", "-", "-", "-"},
             {"", "Song", false, stTestError, "-", "-", "-", "-", "-"},
         }) {
        const std::string where = std::string(c.templ) + " / " + c.file;
        TTagArray tags{Song(std::string("C:\\M\\") + c.file + ".mp3", "-", "-", "-")};
        tags[0].AlbumText = tags[0].YearText = "-";
        TemplateContext context(tags);
        context.emptyOnly = false;
        context.underscoreBySpaces = c.underscores;
        EXPECT_EQ(FillFromName(context, 0, c.templ), c.status) << where;
        EXPECT_EQ(tags[0].TrackText, c.track) << where;
        EXPECT_EQ(tags[0].TitleText, c.title) << where;
        EXPECT_EQ(tags[0].ArtistText, c.artist) << where;
        EXPECT_EQ(tags[0].AlbumText, c.album) << where;
        EXPECT_EQ(tags[0].YearText, c.year) << where;
        EXPECT_EQ(tags[0].TitleSet, std::string(c.title) != "-") << where;
        EXPECT_FALSE(tags[0].TrackSet && std::string(c.track) == "-") << where;
    }
    // The extension goes in any letter case.
    TTagArray upper{Song("C:\\M\\Band - Song.MP3", "", "")};
    TemplateContext context(upper);
    EXPECT_EQ(FillFromName(context, 0, "<ARTIST> - <TITLE>"), stTestOk);
    EXPECT_EQ(upper[0].TitleText, "Song");
}

TEST(FillFromName, EmptyOnlyFillsOnlyEmptyFields)
{
    TTagArray tags{Song("C:\\M\\New Artist-Album - Title.mp3", "Old Artist", "")};
    TemplateContext context(tags);
    ASSERT_TRUE(context.emptyOnly);
    EXPECT_EQ(FillFromName(context, 0, "<ARTIST>-<ALBUM> - <TITLE>"), stTestOk);
    EXPECT_EQ(tags[0].ArtistText, "Old Artist");
    EXPECT_FALSE(tags[0].ArtistSet);
    EXPECT_EQ(tags[0].AlbumText, "Album");
    EXPECT_TRUE(tags[0].AlbumSet);
    EXPECT_EQ(tags[0].TitleText, "Title");
}

TEST(PreviewFill, GivesTheFieldsToWriteAndLeavesTheRecordAsItWas)
{
    TTagArray tags{Song("C:\\M\\New - 07 - Song.mp3", "Old", "")};
    tags[0].AlbumText = "Typed";  // marked by hand before: written too
    tags[0].AlbumSet = true;
    TemplateContext context(tags);
    const std::string templ = "<ARTIST> - <TRACK NUM> - <TITLE>";
    const FillPreview preview = PreviewFill(context, 0, templ);
    Lines changes;
    for (const FieldChange& change : preview.changes)
        changes.push_back(std::to_string(change.kind) + ":" + change.now + ">" + change.then);
    EXPECT_EQ(preview.status, stTestOk);
    EXPECT_EQ(changes, (Lines{"0:0>07", "1:>Song", "3:Typed>Typed"})) << "the artist is kept: empty fields only";
    EXPECT_EQ(tags[0].TitleText, "");
    EXPECT_FALSE(tags[0].TitleSet || tags[0].TrackSet);
    EXPECT_EQ(FillFromName(context, 0, templ), preview.status);
    EXPECT_EQ(tags[0].TrackText + tags[0].TitleText, "07Song") << "the fill itself does what was shown";
}

// ---- Apply -----------------------------------------------------------------------------------

TEST(ApplyRename, TheTargetIsCheckedAgainJustBeforeTheRename)
{
    const struct {
        const char *name, *present;
        bool appears;  // a file of the target's name after the test
        TRowStatus status;
        Lines onDisk;
    } cases[] = {
        {"free", "a.mp3", false, stRenamed, {"X - T.mp3"}},
        {"taken after the test", "a.mp3", true, stFileExists, {"X - T.mp3", "a.mp3"}},
#ifndef _WIN32
        {"a present name with '\\' and ':'", "a\\b:c.mp3", false, stRenamed, {"X - T.mp3"}},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteBytes(dir.file(c.present), "song");
        TTagArray tags{Song(dir.file(c.present), "X", "T")};
        TemplateContext context(tags);
        context.pathStyle = sonrik::kNativePathStyle;
        TestAllRenames(context, "<ARTIST> - <TITLE>");
        ASSERT_EQ(tags[0].Status, stTestOk);
        if (c.appears) WriteBytes(dir.file("X - T.mp3"), "other");
        EXPECT_EQ(ApplyRename(context, 0, SystemRenameFiles(context.pathStyle)), c.status);
        Lines names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.onDisk);
        EXPECT_EQ(ReadBytes(dir.file("X - T.mp3")), c.appears ? "other" : "song");
        EXPECT_EQ(ApplyRename(context, 0, SystemRenameFiles(context.pathStyle)), stFileExists) << "done already";
    }
}

TEST(ApplyFields, MarkedFieldsAndReadOnlyFilesByPolicy)
{
    using enum ReadOnlyPolicy;
    const std::string old = sonrik::testing::Record("Old", "Band");
    const std::string written = sonrik::testing::Record("New", "Band", "", "", "", 7, 17);
    const struct {
        const char* name;
        bool readOnly;
        ReadOnlyPolicy policy;
        const char* track;
        bool marked, failWrites;
        TRowStatus status;
        bool changed, leftAlone, readOnlyAfter;
    } cases[] = {
        {"writable", false, Leave, "+7", true, false, stTagsRecorded, true, false, false},
        {"nothing marked", false, Leave, "+7", false, false, stNoChanges, false, false, false},
        {"a track beyond 255", false, Leave, "300", true, false, stTestError, false, false, false},
        {"read-only, left alone", true, Leave, "+7", true, false, stTestOk, false, true, true},
        {"read-only, made writable", true, MakeWritable, "+7", true, false, stTagsRecorded, true, false, false},
        {"read-only, given back", true, WriteAndRestore, "+7", true, false, stTagsRecorded, true, false, true},
        {"a write that fails", true, WriteAndRestore, "+7", true, true, stWriteError, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.file("a.mp3");
        const std::string audio = sonrik::testing::Audio(300);
        WriteBytes(path, audio + old);
        if (c.readOnly) sonrik::platform::SetFileAttributeWord(path, sonrik::platform::kAttributeReadOnly);
        TFTag tag = Song(path, "Band", "New", c.track);
        tag.GenreText = "rock";
        tag.TitleSet = tag.GenreSet = tag.TrackSet = c.marked;
        sonrik::twID3::TtwID3 id3;
        id3.SetUseID3v1(true);
        id3.ID3v1().SetUseID3v11(true);
        std::optional<sonrik::platform::FileCallFaults> faults;
        using Faults = sonrik::platform::FileCallFaults;
        if (c.failWrites) faults.emplace(sonrik::platform::kFileChanges, 1, Faults::Mode::FromThenOn);
        const TagWrite write = ApplyFields(id3, tag, c.policy);
        faults.reset();
        EXPECT_EQ(tag.Status, c.status);
        EXPECT_EQ(write.leftAlone, c.leftAlone);
        EXPECT_TRUE(sonrik::testing::SameBytes(ReadBytes(path), audio + (c.changed ? written : old)));
        EXPECT_EQ(sonrik::platform::IsReadOnly(path), c.readOnlyAfter);
        sonrik::platform::SetFileAttributeWord(path, 0);
    }
}

// ---- The template list -----------------------------------------------------------------------

TEST(TemplateList, LoadFromTheHistoryFile)
{
    TempDir dir;
    const std::string path = dir.file("sonrik.txt");
    EXPECT_EQ(LoadTemplates(path), DefaultTemplates()) << "no file";
    WriteBytes(path, "[ARTISTS]\r\nAbba\r\n");
    EXPECT_EQ(LoadTemplates(path), DefaultTemplates()) << "no section";
    WriteBytes(path, "[tag_name]\r\n[ARTISTS]\r\nAbba\r\n");
    EXPECT_EQ(LoadTemplates(path), Lines{}) << "an empty section";
    WriteBytes(path, "[ARTISTS]\nAbba\n[TAG_NAME]\r<TITLE>\r\n<ARTIST> = <TITLE>\n\n<lost>\n");
    EXPECT_EQ(LoadTemplates(path), (Lines{"<TITLE>", "<ARTIST> = <TITLE>"}));
    EXPECT_EQ(DefaultTemplates(), (Lines{"<ARTIST> - <TITLE>", "<ALBUM> - <TITLE>", "<ARTIST>-<ALBUM> - <TITLE>",
                                         "<TRACK NUM>. <TITLE>"}));
}

TEST(TemplateList, SaveMovesTheSectionToTheEndAndKeepsTheRest)
{
    TempDir dir;
    const std::string path = dir.file("sonrik.txt");
    WriteBytes(path, "[TAG_NAME]\r\n<TITLE>\r\n[ARTISTS]\r\nAbba\r\nQueen\r\n");
    SaveTemplates(path, {"<ARTIST> - <TITLE>", "", "<TITLE>"});
    EXPECT_EQ(ReadBytes(path), "[ARTISTS]\r\nAbba\r\nQueen\r\n[TAG_NAME]\r\n<ARTIST> - <TITLE>\r\n<TITLE>\r\n")
        << "an empty template would end the section: it is not written";
    EXPECT_EQ(LoadTemplates(path), (Lines{"<ARTIST> - <TITLE>", "<TITLE>"}));

    SaveTemplates(path, {});
    EXPECT_EQ(ReadBytes(path), "[ARTISTS]\r\nAbba\r\nQueen\r\n");
    const std::string fresh = dir.file("new.txt");
    SaveTemplates(fresh, DefaultTemplates());
    EXPECT_EQ(LoadTemplates(fresh), DefaultTemplates());
}

TEST(TemplateList, TypedTemplatesAndTheStoredPosition)
{
    Lines templates = DefaultTemplates();
    EXPECT_FALSE(AddTemplate(templates, "<artist> - <title>")) << "listed, other letter case";
    EXPECT_FALSE(AddTemplate(templates, "")) << "an empty text is not a template";
    EXPECT_TRUE(AddTemplate(templates, "<TITLE>"));
    EXPECT_EQ(templates.size(), 5u);
    EXPECT_EQ(templates.back(), "<TITLE>");

    EXPECT_EQ(TemplateIndex(templates, "<album> - <title>"), 1);
    EXPECT_EQ(TemplateIndex(templates, "<ALBUM>"), -1);
    EXPECT_EQ(TemplateIndex({}, ""), -1);
    EXPECT_EQ(TemplateAt(templates, 0), "<ARTIST> - <TITLE>");
    EXPECT_EQ(TemplateAt(templates, 4), "<TITLE>");
    EXPECT_EQ(TemplateAt(templates, 5), "");
    EXPECT_EQ(TemplateAt(templates, -1), "");
}

}  // namespace
