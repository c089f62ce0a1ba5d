// rename, fill and undo as a user runs them: the built program (or, in the
// Windows build, sonrik-tag.exe) on real files in a temporary folder, each
// case one behaviour, checked by the output and the files on disk.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out, err;
};

// Names and paths as the tool takes them: UTF-8 on every system.
fs::path Path(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
std::string Utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Field(std::string_view value, std::size_t width)
{
    std::string field(value);
    field.resize(width, '\0');
    return field;
}

// Audio, then an ID3v1.1 record (no record for an empty title and artist).
std::string Song(std::string_view title, std::string_view artist, int track = 1)
{
    const std::string audio(200, '\x55');
    if (title.empty() && artist.empty()) return audio;
    return audio + "TAG" + Field(title, 30) + Field(artist, 30) + Field("", 30) + "2001" + Field("", 28) + '\0' +
           static_cast<char>(track) + '\x0c';
}

// A minimal ID3v2 tag at the head of a file: text frames of version 2.3
// (ISO-8859-1) or 2.4 (UTF-8); COMM and USLT get a language and no description.
std::string ID3v2(char version, const std::vector<std::pair<std::string, std::string>>& frames)
{
    const auto size = [version](std::size_t n, bool syncSafe) {
        const int shift = syncSafe ? 7 : 8;
        std::string bytes;
        for (int i = 3; i >= 0; --i) bytes += static_cast<char>((n >> (shift * i)) & (syncSafe ? 0x7F : 0xFF));
        return bytes;
    };
    std::string body;
    for (const auto& [id, value] : frames) {
        const bool described = id == "COMM" || id == "USLT";
        const std::string encoding = version == 4 ? "\x03" : std::string(1, '\0');
        const std::string data = encoding + (described ? std::string("eng\0", 4) : "") + value;
        body += id + size(data.size(), version == 4) + std::string(2, '\0') + data;
    }
    return std::string("ID3") + version + std::string(2, '\0') + size(body.size(), true) + body;
}

class Changes : public testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / (std::string("sonrik-changes-") + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "state");
#ifdef _WIN32
        _putenv_s("SONRIK_STATE_DIR", (dir_ / "state").string().c_str());
#else
        setenv("SONRIK_STATE_DIR", (dir_ / "state").c_str(), 1);
#endif
    }
    void TearDown() override
    {
        for (const auto& entry : fs::recursive_directory_iterator(dir_))
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
        fs::remove_all(dir_);
    }

    void Put(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(dir_ / Path(name), std::ios::binary) << bytes;
    }
    std::string Get(const std::string& name) const { return ReadAll(dir_ / Path(name)); }
    bool Has(const std::string& name) const
    {
        for (const auto& entry : fs::directory_iterator(dir_))
            if (Utf8(entry.path().filename()) == name) return true;  // spelled so, on any file system
        return false;
    }
    std::string Folder() const { return Utf8(dir_); }
    std::vector<std::string> Journals() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_ / "state")) names.push_back(Utf8(entry.path()));
        return names;
    }

    Result Run(const std::vector<std::string>& args) const
    {
        const fs::path errFile = dir_ / "stderr.txt";
#ifdef _WIN32
        // Through the wide call, so that UTF-8 arguments reach the program whole.
        std::string command = "\"\"" + Utf8(fs::path(SONRIK_TAG_EXE).make_preferred()) + "\"";
        for (const auto& arg : args) command += " \"" + arg + "\"";
        command += " 2>\"" + Utf8(errFile) + "\"\"";
        FILE* pipe = ::_wpopen(Path(command).wstring().c_str(), L"rb");
#else
        std::string command = SONRIK_TAG_EXE;
        for (const auto& arg : args) command += " '" + arg + "'";
        command += " 2>'" + errFile.string() + "'";
        FILE* pipe = ::popen(command.c_str(), "r");
#endif
        Result result;
        if (pipe == nullptr) return result;
        std::array<char, 4096> buffer;
        for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            result.out.append(buffer.data(), n);
#ifdef _WIN32
        result.status = ::_pclose(pipe);
#else
        const int status = ::pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
#endif
        result.err = ReadAll(errFile);
        return result;
    }

    // The status column of each line of tab-separated output, in order.
    static std::vector<std::string> Column(const std::string& out, int column)
    {
        std::vector<std::string> cells;
        std::size_t at = 0;
        while (at < out.size()) {
            const auto end = out.find('\n', at);
            std::string line = out.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();  // Windows' text output
            for (int c = 0; c < column; ++c) line.erase(0, line.find('\t') + 1);
            cells.push_back(line.substr(0, line.find('\t')));
            at = end + 1;
        }
        return cells;
    }

    fs::path dir_;
};

TEST_F(Changes, RenamePreviewAndApplyAgreeOnEveryFile)
{
    struct File {
        const char* name;
        std::string bytes;
        const char* preview;  // status, then the name the file has after --apply
        const char* after;
    };
    const std::vector<File> files = {
        {"01.mp3", Song("Song", "AC/DC"), "Test OK", "ACDC - Song.mp3"},
        {"02.mp3", Song("Song", "AC/DC"), "File exists", "02.mp3"},            // clash within the run
        {"03.mp3", Song("Here", "Taken"), "File exists", "03.mp3"},            // clash with a file on disk
        {"04.mp3", Song("What?", "A:B\x01"), "Test OK", "AB - What.mp3"},    // stripped characters
        {"05.mp3", Song("", "CON"), "Test ERROR", "05.mp3"},                  // ends in a blank
        {"Lower - case.mp3", Song("Case", "Lower"), "Test OK", "Lower - Case.mp3"},  // letter case only
        {"same - name.mp3", Song("name", "same"), "No changes", "same - name.mp3"},
        {"untagged.mp3", Song("", ""), "Test ERROR", "untagged.mp3"},
    };
    for (const File& f : files) Put(f.name, f.bytes);
    Put("Taken - Here.mp3", "not a song");
    const std::vector<std::string> args = {"rename", "-t", "<ARTIST> - <TITLE>", Folder()};

    const Result preview = Run(args);
    auto withApply = args;
    withApply.insert(withApply.begin() + 1, "--apply");
    const Result apply = Run(withApply);
    EXPECT_EQ(preview.status, 1);
    EXPECT_EQ(apply.status, 1);
    // Name order: the file on disk and the files of the run, as listed.
    const auto previewStatus = Column(preview.out, 2);
    const auto applyStatus = Column(apply.out, 2);
    ASSERT_EQ(previewStatus.size(), applyStatus.size()) << preview.out << apply.out;
    for (std::size_t i = 0; i < previewStatus.size(); ++i) {
        EXPECT_EQ(previewStatus[i] == "Test OK", applyStatus[i] == "File is renamed") << i << apply.out;
        EXPECT_EQ(Column(preview.out, 1)[i], Column(apply.out, 1)[i]);
    }
    for (const File& f : files) {
        auto line = preview.out.find(std::string(f.name) + "\t");
        while (line != std::string::npos && line > 0 && preview.out[line - 1] != '/' && preview.out[line - 1] != '\\')
            line = preview.out.find(std::string(f.name) + "\t", line + 1);
        ASSERT_NE(line, std::string::npos) << f.name;
        EXPECT_EQ(Column(preview.out.substr(line, preview.out.find('\n', line) - line + 1), 2)[0], f.preview)
            << f.name;
        EXPECT_TRUE(Has(f.after)) << f.name << " -> " << f.after << "\n" << apply.out;
    }
    EXPECT_EQ(Get("Taken - Here.mp3"), "not a song");
}

TEST_F(Changes, ATargetThatAppearsAfterThePreviewIsNeverOverwritten)
{
    Put("a.mp3", Song("Song", "Band"));
    const std::vector<std::string> preview = {"rename", "-t", "<ARTIST> - <TITLE>", Folder()};
    EXPECT_EQ(Column(Run(preview).out, 2)[0], "Test OK");
    Put("Band - Song.mp3", "came meanwhile");
    const Result apply = Run({"rename", "--apply", "--json", "-t", "<ARTIST> - <TITLE>", Folder() + "/a.mp3"});
    EXPECT_EQ(apply.status, 1);
    EXPECT_NE(apply.out.find("\"status\": \"File exists\""), std::string::npos) << apply.out;
    EXPECT_EQ(Get("Band - Song.mp3"), "came meanwhile");
    EXPECT_EQ(Get("a.mp3"), Song("Song", "Band"));
}

TEST_F(Changes, FillTakesEachOptionPair)
{
    struct Case {
        std::vector<std::string> options;
        const char* fields;  // the fields column
    };
    const std::vector<Case> cases = {
        {{}, R"(title: "" -> "Song")"},
        {{"--overwrite"}, R"(title: "" -> "Song", artist: "Old" -> "The Band")"},
        {{"--no-underscores", "--overwrite"}, R"(title: "" -> "Song", artist: "Old" -> "The_Band")"},
        {{"--no-underscores", "--empty-only"}, R"(title: "" -> "Song")"},
    };
    Put("The_Band - Song.MP3", Song("", "Old"));
    for (const Case& c : cases) {
        std::vector<std::string> args = {"fill", "-t", "<ARTIST> - <TITLE>"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(Folder());
        const Result r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Column(r.out, 1)[0], c.fields) << c.options.size();
    }
}

TEST_F(Changes, FillRefusesACharacterTheCodePageCannotHold)
{
    Put("\xD0\x93\xD1\x80\xD1\x83\xD0\xBF\xD0\xBF\xD0\xB0 - Song.mp3", Song("", ""));  // "Группа"
    const Result western = Run({"fill", "-t", "<ARTIST> - <TITLE>", Folder()});
    EXPECT_EQ(western.status, 1);
    EXPECT_EQ(Column(western.out, 2)[0], "Test ERROR");
    EXPECT_NE(Column(western.out, 3)[0].find("U+0413"), std::string::npos) << western.out;

    const Result cyrillic = Run({"fill", "--apply", "--codepage", "1251", "-t", "<ARTIST> - <TITLE>", Folder()});
    EXPECT_EQ(cyrillic.status, 0) << cyrillic.out;
    EXPECT_EQ(Get("\xD0\x93\xD1\x80\xD1\x83\xD0\xBF\xD0\xBF\xD0\xB0 - Song.mp3").substr(233, 6),
              "\xC3\xF0\xF3\xEF\xEF\xE0");
}

TEST_F(Changes, ReadOnlyFilesUnderEachOption)
{
    struct Case {
        const char* option;
        int status;
        bool changed, readOnlyAfter;
    };
    struct Command {
        std::vector<std::string> args;
        const char* nameAfter;
    };
    const std::string original = Song("", "Old");
    for (const Command& command : {Command{{"set", "--title", "New"}, "Band - Song.mp3"},
                                   Command{{"rename", "--apply", "-t", "<ARTIST>"}, "Old.mp3"},
                                   Command{{"fill", "--apply", "-t", "<ARTIST> - <TITLE>"}, "Band - Song.mp3"}}) {
        for (const Case& c : {Case{"--readonly=leave", 1, false, true}, Case{"--readonly=remove", 0, true, false},
                              Case{"--readonly=restore", 0, true, true}}) {
            SCOPED_TRACE(command.args[0] + " " + c.option);
            Put("Band - Song.mp3", original);
            const auto readOnly = [&](const char* name) {
                return (fs::status(dir_ / name).permissions() & fs::perms::owner_write) == fs::perms::none;
            };
            fs::permissions(dir_ / "Band - Song.mp3", fs::perms::owner_write | fs::perms::group_write |
                            fs::perms::others_write, fs::perm_options::remove);
            auto args = command.args;
            args.insert(args.begin() + 1, c.option);
            args.push_back(Folder() + "/Band - Song.mp3");
            const Result r = Run(args);
            EXPECT_EQ(r.status, c.status) << r.out << r.err;
            const char* now = c.changed ? command.nameAfter : "Band - Song.mp3";
            EXPECT_EQ(Has(now) && !(Get(now) == original && std::string(now) == "Band - Song.mp3"), c.changed);
            EXPECT_EQ(readOnly(now), c.readOnlyAfter);
            if (c.changed) {
                // Undo puts the file back as it was, read-only.
                EXPECT_EQ(Run({"undo"}).status, 0);
                EXPECT_EQ(Get("Band - Song.mp3"), original);
                EXPECT_TRUE(readOnly("Band - Song.mp3"));
            }
            fs::permissions(dir_ / "Band - Song.mp3", fs::perms::owner_write, fs::perm_options::add);
            fs::remove(dir_ / "Band - Song.mp3");
        }
    }
}

TEST_F(Changes, UndoPutsBackWhatEachKindOfRunChanged)
{
    const std::string before = ID3v2(4, {{"TIT2", "A title longer than thirty bytes"}}) + Song("Song", "Band");
    for (const auto& run : std::vector<std::vector<std::string>>{
             {"set", "--title", "Other", "--no-lyrics3"},
             {"rename", "--apply", "-t", "<TITLE> by <ARTIST>"},
             {"fill", "--apply", "--overwrite", "-t", "<ARTIST>-<TITLE>"},
             {"v2-to-v1", "--apply", "--overwrite"}}) {
        Put("x-y.mp3", before);
        auto args = run;
        args.push_back(Folder() + "/x-y.mp3");
        ASSERT_EQ(Run(args).status, 0) << run[0];
        ASSERT_FALSE(Has("x-y.mp3") && Get("x-y.mp3") == before) << run[0];

        const Result undo = Run({"undo"});
        EXPECT_EQ(undo.status, 0) << run[0] << undo.out << undo.err;
        EXPECT_EQ(Get("x-y.mp3"), before) << run[0];
        const Result again = Run({"undo"});
        EXPECT_EQ(again.status, 0);
        EXPECT_NE(again.err.find("nothing to undo"), std::string::npos) << run[0];
        EXPECT_EQ(Get("x-y.mp3"), before);
        for (const auto& journal : Journals()) fs::remove(journal);
    }
}

TEST_F(Changes, UndoLeavesAFileChangedSinceTheRunAndTheListSaysSo)
{
    Put("a.mp3", Song("A", "Band"));
    Put("b.mp3", Song("B", "Band"));
    ASSERT_EQ(Run({"set", "--year", "1999", Folder()}).status, 0);
    Put("b.mp3", Song("Changed", "Elsewhere"));
    const Result undo = Run({"undo"});
    EXPECT_EQ(undo.status, 1);
    EXPECT_EQ(Get("a.mp3"), Song("A", "Band"));
    EXPECT_EQ(Get("b.mp3"), Song("Changed", "Elsewhere"));
    EXPECT_NE(undo.out.find("b.mp3\ttags\tleft\tchanged since the run"), std::string::npos) << undo.out;
    ASSERT_EQ(Run({"set", "--year", "2001", Folder() + "/a.mp3"}).status, 0);
    EXPECT_EQ(Column(Run({"undo", "--list"}).out, 2),
              (std::vector<std::string>{"1 planned, 1 done", "2 planned, 2 done, undone: 1 put back, 1 left"}));
}

TEST_F(Changes, ABadJournalIsRefusedWithNothingChanged)
{
    struct Case {
        const char* name;
        std::string (*spoil)(std::string journal);
    };
    const std::vector<Case> cases = {
        {"a value edited", [](std::string j) { return j.replace(j.find("\"size\":") + 7, 1, "9"); }},
        {"the plan cut short", [](std::string j) { return j.substr(0, j.find('\n') + 1); }},
        {"the plan cut off in a line", [](std::string j) { return j.substr(0, j.find('\n', j.find('\n') + 1) - 5); }},
        {"a line taken out", [](std::string j) { return j.erase(j.find('\n') + 1, j.find('\n', j.find('\n') + 1) - j.find('\n')); }},
        {"a result edited", [](std::string j) { return j.replace(j.find("\"outcome\":\"done\""), 16, "\"outcome\":\"damaged\""); }},
    };
    Put("a.mp3", Song("A", "Band"));
    Put("b.mp3", Song("B", "Band"));
    ASSERT_EQ(Run({"set", "--year", "1999", Folder()}).status, 0);
    const std::string journal = Journals().at(0);
    const std::string good = ReadAll(journal);
    const std::string a = Get("a.mp3");
    for (const Case& c : cases) {
        std::ofstream(journal, std::ios::binary) << c.spoil(good);
        const Result undo = Run({"undo", journal});
        EXPECT_EQ(undo.status, 2) << c.name;
        EXPECT_NE(undo.err.find("nothing was changed"), std::string::npos) << c.name << undo.err;
        EXPECT_EQ(Get("a.mp3"), a) << c.name;
    }
}

TEST_F(Changes, AJournalThatCannotBeWrittenStopsTheRun)
{
    Put("a.mp3", Song("Song", "Band"));
    Put("state-file", "");
#ifdef _WIN32
    _putenv_s("SONRIK_STATE_DIR", (dir_ / "state-file").string().c_str());
#else
    setenv("SONRIK_STATE_DIR", (dir_ / "state-file").c_str(), 1);
#endif
    const Result r = Run({"rename", "--apply", "-t", "<ARTIST> - <TITLE>", Folder()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--no-journal"), std::string::npos) << r.err;
    EXPECT_TRUE(Has("a.mp3"));
    EXPECT_EQ(Run({"rename", "--apply", "--no-journal", "-t", "<ARTIST> - <TITLE>", Folder()}).status, 0);
    EXPECT_TRUE(Has("Band - Song.mp3"));
}

TEST_F(Changes, UsageErrorsExitWithTwo)
{
    Put("a.mp3", Song("Song", "Band"));
    Put("notes.txt", "notes");
    const std::string song = Folder() + "/a.mp3";
    std::vector<std::vector<std::string>> cases = {
        {"rename", Folder()},
        {"rename", "-t", "<YEAR>", Folder()},
        {"fill", "-t", "<ARTIST><TITLE>", Folder()},
        {"fill", "-t", "<ARTIST> - <TITEL>", Folder()},
        {"fill", "--readonly=keep", "-t", "<ARTIST> - <TITLE>", Folder()},
        {"undo", "a", "b"},
        {"set", "--artist", "X", song, Folder() + "/notes.txt"},
        {"show", "--list", Folder()},
        {"set", "--lyrics-file", Folder(), song},
        {"set", "--artist", "X", "--journal", Folder() + "/none/run.jsonl", song},
    };
#ifndef _WIN32
    cases.push_back({"rename", "-t", "<ARTIST> \xff", Folder()});  // Windows passes arguments as UTF-8 only
#endif
    for (const auto& args : cases) EXPECT_EQ(Run(args).status, 2) << args[1] << " " << args.back();
    EXPECT_TRUE(Journals().empty());
    EXPECT_EQ(Get("a.mp3"), Song("Song", "Band"));
    EXPECT_EQ(Get("notes.txt"), "notes");
    EXPECT_TRUE(Has("a.mp3"));
    EXPECT_EQ(Run({"set", "--any-name", "--no-journal", "--artist", "X", Folder() + "/notes.txt"}).status, 0);
}

TEST_F(Changes, ShortFilesHaveNoTagAndANewRecordNamesNoGenre)
{
    Put("empty.mp3", "");
    Put("tag.mp3", "TAG");
    const Result show = Run({"show", "--json", Folder()});
    EXPECT_EQ(show.status, 0) << show.err;
    // Both are reported as files without a tag, not as errors.
    EXPECT_NE(show.out.find("id3NoTags"), show.out.rfind("id3NoTags")) << show.out;
    EXPECT_EQ(show.out.find("\"error\""), std::string::npos) << show.out;
    EXPECT_EQ(Run({"set", "--no-journal", "--artist", "X", Folder() + "/tag.mp3"}).status, 0);
    EXPECT_EQ(Get("tag.mp3"), "TAG" "TAG" + Field("", 30) + Field("X", 30) + Field("", 64) + '\xFF');
}

TEST_F(Changes, RenameAndFillSayWhatTheyDoWithEachName)
{
    Put("a.mp3", Song("Song", "Band", 7));
    EXPECT_EQ(Run({"rename", "--apply", "--track-digits", "2", "-t", "<TRACK NUM>. <TITLE>", Folder()}).status, 0);
    EXPECT_TRUE(Has("07. Song.mp3"));

    // Longer than any system takes: the test refuses it, with its reason.
    Put("b.mp3", Song(std::string(30, 'x'), "Band"));
    std::string nine;
    for (int i = 0; i < 9; ++i) nine += "<TITLE>";
    const Result tooLong = Run({"rename", "--apply", "-t", nine, Folder() + "/b.mp3"});
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_EQ(Column(tooLong.out, 2)[0], "Test ERROR");
    EXPECT_NE(tooLong.out.find("longer than the file system allows"), std::string::npos) << tooLong.out;
    EXPECT_TRUE(Has("b.mp3"));

    // The cut of the template keeps the list editor's rule and says what it dropped.
    Put("01 - Artist One - Title One.mp3", Song("", ""));
    const Result fill = Run({"fill", "-t", "<ARTIST> - <TITLE>", Folder() + "/01 - Artist One - Title One.mp3"});
    EXPECT_EQ(Column(fill.out, 3)[0], "\" - Title One\" of the name is not used by the template") << fill.out;
}

TEST_F(Changes, RenameTakesTheWholeValuesOfTheID3v2Tag)
{
    const std::string whole = "A Title Longer Than Thirty Bytes";
    Put("only-v2.mp3", ID3v2(3, {{"TIT2", whole}, {"TPE1", "Band"}}) + Song("", ""));
    Put("cut.mp3", ID3v2(3, {{"TIT2", whole}}) + Song(whole.substr(0, 30), "Other"));
    Put("none.mp3", Song("", ""));
    const Result r = Run({"rename", "--apply", "-t", "<ARTIST> - <TITLE>", Folder()});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(Has("Band - " + whole + ".mp3")) << r.out;
    EXPECT_TRUE(Has("Other - " + whole + ".mp3")) << r.out;
    EXPECT_NE(r.out.find("neither an ID3v1 nor an ID3v2 tag"), std::string::npos) << r.out;
}

TEST_F(Changes, AFolderNamedLikeASongIsSaidToBeOne)
{
    fs::create_directory(dir_ / "Album.mp3");
    const Result r = Run({"show", Folder() + "/Album.mp3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("it is a folder, not a file"), std::string::npos) << r.err;
}

TEST_F(Changes, V2ToV1PreviewAndApplyAgreeOnEveryFile)
{
    const std::string long40 = "A title of forty bytes, whole in Lyrics3";
    struct File {
        const char* name;
        std::string bytes;
        const char* status;  // of the preview
        const char* reason;  // part of the reason column
        const char* title;   // the record's title after --apply
    };
    const std::vector<File> files = {
        {"1 long.mp3", ID3v2(4, {{"TIT2", long40}, {"TPE1", "Band"}}) + Song("", ""), "Test OK", "title: cut to 30",
         "A title of forty bytes, whole "},
        {"2 cyrillic.mp3", ID3v2(4, {{"TIT2", "\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F"}, {"TALB", "Album"}}) +
         Song("", "X"), "Test OK", "U+041F", ""},
        {"3 numbers.mp3",
         ID3v2(3, {{"TRCK", "3/12"}, {"TCON", "(17)"}, {"TYER", "1999"}, {"TIT2", "New"}}) + Song("", ""), "Test OK",
         "", "New"},
        {"4 plain.mp3", Song("Old", "X"), "No changes", "no ID3v2 tag", "Old"},
        {"5 broken.mp3", "ID3\3\0\0\0\x7F\0\0" + Song("Old", "X"), "Test ERROR", "ID3v2", "Old"},
        {"6 comment.mp3",  // an ID3v1.0 record, whose comment a track would cut
         ID3v2(4, {{"TRCK", "5"}}) + "TAG" + Field("Old", 90) + "2001" + std::string(30, 'c') + '\x0c', "No changes",
         "comment would lose", "Old"},
    };
    for (const File& f : files) Put(f.name, f.bytes);
    const Result preview = Run({"v2-to-v1", Folder()});
    const Result apply = Run({"v2-to-v1", "--apply", Folder()});
    EXPECT_EQ(preview.status, 1);
    EXPECT_EQ(apply.status, 1);
    ASSERT_EQ(Column(preview.out, 2).size(), files.size()) << preview.out;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const File& f = files[i];
        const std::string after = Get(f.name);
        EXPECT_EQ(Column(preview.out, 2)[i], f.status) << f.name;
        EXPECT_NE(Column(preview.out, 3)[i].find(f.reason), std::string::npos) << f.name << preview.out;
        EXPECT_EQ(Column(preview.out, 1)[i], Column(apply.out, 1)[i]) << f.name;
        EXPECT_EQ(Column(apply.out, 2)[i], f.status == std::string("Test OK") ? "TAG(s) is recorded" : f.status);
        EXPECT_EQ(after.substr(after.size() - 125, 30), Field(f.title, 30)) << f.name;
    }
    EXPECT_NE(Get("1 long.mp3").find("ETT00040" + long40), std::string::npos);
    EXPECT_EQ(Column(preview.out, 1)[2],
              R"(track: "" -> "3", title: "" -> "New", genre: "" -> "Rock", year: "" -> "1999")");
    EXPECT_EQ(Get("2 cyrillic.mp3").substr(Get("2 cyrillic.mp3").size() - 65, 5), "Album");
    EXPECT_EQ(Get("4 plain.mp3"), Song("Old", "X"));
}

TEST_F(Changes, V2ToV1TakesEachOptionPair)
{
    const std::string title = "A new title of thirty-one bytes";
    struct Case {
        std::vector<std::string> options;
        std::string fields, reason;
    };
    const std::vector<Case> cases = {
        {{}, "", "every field the ID3v2 tag gives a value for holds one already (--overwrite replaces them)"},
        {{"--overwrite"}, R"(title: "Old" -> ")" + title.substr(0, 30) + R"(", l3-title: "" -> ")" + title + "\"",
         "title: cut to 30 bytes; the whole value goes into the Lyrics3 block"},
        {{"--lyrics", "--empty-only"}, R"(author: "" -> "Me", lyrics: "" -> "2 lines")", ""},
    };
    Put("a.mp3", ID3v2(4, {{"TIT2", title}, {"TEXT", "Me"}, {"USLT", "la\nla"}}) + Song("Old", "X"));
    for (const Case& c : cases) {
        std::vector<std::string> args = {"v2-to-v1"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(Folder());
        Result r = Run(args);
        std::erase(r.out, '\r');
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Column(r.out, 1)[0], c.fields) << c.options.size();
        EXPECT_EQ(Column(r.out, 3)[0], c.reason) << c.options.size();
    }
}

TEST_F(Changes, ShowPrintsTheId3v2TagOfAFileWithoutARecord)
{
    Put("a.mp3", ID3v2(4, {{"TIT2", "\xD0\x9F"}, {"TPE1", std::string("One\0Two", 7)}}) + "audio");
    Result text = Run({"show", Folder()}), json = Run({"show", "--json", Folder()});
    std::erase(text.out, '\r');  // Windows writes its line ends as CR LF
    std::erase(json.out, '\r');
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("ID3v2.4.0 tag, at the start of the file\n    Title:     \xD0\x9F\n    Artist:    One\n"
                            "               Two\n"), std::string::npos) << text.out;
    EXPECT_NE(json.out.find("\"artist\": [\n        \"One\",\n        \"Two\"\n      ]"), std::string::npos)
        << json.out;
}

}  // namespace
