// The list editor window: the list file, selecting files, the pages, Ctrl+Tab,
// the row click, the options in the settings file, the templates in the
// history file and the two languages.
#include "listedit_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace sonrik;
using namespace sonrik::testing;
using sonrik::ui::headless::User;

namespace {

using ListWindow = ListEditorTest;
using Lines = std::vector<std::string>;

TEST_F(ListWindow, ListFileKeepsTheMp3LinesWhateverTheirLineEnds)
{
    for (const std::string eol : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(::testing::PrintToString(eol));
        const Lines files{dir.file("a.Mp3"), dir.file("b.wav"), dir.file("gone.MP3"), dir.file("c.mp3.txt"),
                          dir.file("d.mp3"), "noextension", dir.file("folder.mp3/e")};
        ListFile(files, eol);
        auto& w = Opened();
        const Lines expected{files[0], files[2], files[4]};
        EXPECT_EQ(w.FileList(), expected);
        EXPECT_EQ(Rows(w), expected);
        EXPECT_EQ(Sections(w), Lines{""});  // no page build yet
    }
}

TEST_F(ListWindow, MissingListFileLeavesTheListEmpty)
{
    auto& w = Opened();
    EXPECT_TRUE(w.FileList().empty());
    EXPECT_EQ(w.TagBox.Count(), 0);
}

TEST_F(ListWindow, LeavingTheFileListNeedsASelection)
{
    const std::function<void(User&, TAListEditor&)> ways[] = {
        [](User& user, TAListEditor& w) { user.SelectTab(w.AFilesPage, 1); },
        [](User& user, TAListEditor& w) { user.SelectTab(w.AFilesPage, 2); },
        [](User& user, TAListEditor& w) { user.PressKey(w, ui::keys::Tab, ui::ssCtrl); },
    };
    ListFile({Song("a.mp3", Record("A"))});
    for (const auto& way : ways) {
        backend.QueueAnswer(ui::answer::Ok);
        const std::size_t asked = backend.Questions().size();
        auto& w = Opened(way);
        ASSERT_EQ(backend.Questions().size(), asked + 1);
        const auto& q = backend.Questions().back();
        EXPECT_EQ(q.text, "No chosen files!\rPlease select one or more file.");
        EXPECT_EQ(q.caption, "Tag editor");
        EXPECT_EQ(q.flags, ui::mb::Ok | ui::mb::IconWarning);
        EXPECT_EQ(q.ownerForm, &w);
        EXPECT_EQ(w.AFilesPage.TabIndex(), 0);
        EXPECT_EQ(w.CurrentPage(), 0);
        EXPECT_EQ(w.TagCount(), 0);
    }
}

TEST_F(ListWindow, SelectedFilesThatExistBecomeRecordsInListOrder)
{
    const Lines files{Song("1.mp3", Record("One", "Band", "Disc", "2001", "Fine")), Song("2.mp3", Record("Two")),
                      Song("3.mp3", Record("Three", "", "", "", "", 9, 17)), Song("4.mp3", Record("Four"))};
    ListFile(files);
    auto& w = Opened([&](User& user, TAListEditor& w) {
        user.ClickRow(w.TagBox, 3);
        user.ClickRow(w.TagBox, 0, ui::ssCtrl);
        user.ClickRow(w.TagBox, 1, ui::ssCtrl);
        std::filesystem::remove(files[1]);
        user.SelectTab(w.AFilesPage, 2);
    });
    ASSERT_EQ(w.TagCount(), 2);
    EXPECT_EQ(w.Tags()[0].FilePath, files[0]);
    EXPECT_EQ(w.Tags()[0].CommentText, "Fine");
    EXPECT_EQ(w.Tags()[1].FilePath, files[3]);
    EXPECT_EQ(w.Tags()[1].TrackText, "0");  // a file without a track number
    EXPECT_EQ(w.Tags()[1].GenreText, "Blues");
}

TEST_F(ListWindow, RecordsTakeTheCommentShownOfAFile)
{
    const struct {
        std::string comment, shown;
    } cases[] = {{"Nice", "Nice"}, {"N", "N"}, {std::string("\0x", 2), ""}, {std::string("a\1b", 3), "ab"}};
    for (const auto& c : cases) EXPECT_EQ(batch::CommentShown(c.comment), c.shown) << c.comment;
}

TEST_F(ListWindow, EachPageHasItsColumnsControlsAndSelection)
{
    const struct {
        int page;
        Lines sections;
        bool multiSelect, template_, fillOptions;
    } cases[] = {
        {1, {"Current file name", "New file name", "Status"}, false, true, false},
        {2, {"Track number", "Title", "Artist", "Album", "Genre", "Year", "Comment", "Status"}, false, true, true},
        {0, {"Files"}, true, false, false},
    };
    ListFile({Song("a.mp3", Record("A"))});
    auto& w = Opened([&](User& user, TAListEditor& w) {
        user.ClickRow(w.TagBox, 0);
        for (const auto& c : cases) {
            SCOPED_TRACE(c.page);
            user.SelectTab(w.AFilesPage, c.page);
            EXPECT_EQ(w.CurrentPage(), c.page);
            EXPECT_EQ(Sections(w), c.sections);
            EXPECT_EQ(w.TagBox.MultiSelect(), c.multiSelect);
            EXPECT_EQ(w.OptionBox.Visible(), c.template_);
            EXPECT_EQ(w.BTApply.Visible(), c.template_);
            EXPECT_EQ(w.BTTest.Visible(), c.template_);
            EXPECT_FALSE(w.BTTest.Enabled());
            EXPECT_EQ(w.EmptyOnly.Visible(), c.fillOptions);
            EXPECT_EQ(w.TagBox.Count(), 1);
            EXPECT_LE(w.TagBox.Sections().totalWidth(), w.TagBox.ClientWidth());
        }
    });
    EXPECT_EQ(w.TagBox.SelectedCount(), 0);  // back on the file list, the selection is gone
    EXPECT_EQ(w.TagCount(), 1);              // the records stay
}

TEST_F(ListWindow, CtrlTabStepsThePagesAndWraps)
{
    ListFile({Song("a.mp3", Record("A"))});
    std::vector<int> seen;
    Opened([&](User& user, TAListEditor& w) {
        user.ClickRow(w.TagBox, 0);
        user.Focus(w.AFilesPage);  // the tab control would step by itself as well
        for (int i = 0; i < 3; ++i) {
            user.PressKey(w, ui::keys::Tab, ui::ssCtrl);
            seen.push_back(w.CurrentPage());
        }
    });
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 0}));
}

TEST_F(ListWindow, RowClickShowsTheRowsFileInPanel1)
{
    const std::string path = Song("a.mp3", Record("Song", "Band"));
    ListFile({path});
    std::vector<std::string> shown;
    Opened([&](User& user, TAListEditor& w) {
        for (const int page : {0, 1, 2}) {
            if (page > 0) user.SelectTab(w.AFilesPage, page);
            user.ClickRow(w.TagBox, 0);
            shown.push_back(Bytes(w.StatusBar.PanelText(1)));
        }
    });
    EXPECT_EQ(shown, (Lines{path, path + " > Band - Song", path}));
}

// ---- settings and templates -------------------------------------------------------------

TEST_F(ListWindow, FirstCreationWritesTheTwoFillOptionsAndTheBoxesFollowTheFile)
{
    auto& w = Window();
    EXPECT_EQ(Setting(setting::kEmptyOnly), "1");
    EXPECT_EQ(Setting(setting::kUnderscoreBySpaces), "1");
    EXPECT_EQ(Setting(setting::kAutoRemoveReadOnly), "<absent>");
    EXPECT_TRUE(w.EmptyOnly.Checked());
    EXPECT_FALSE(w.Autorestore.Enabled());

    Settings(setting::kEmptyOnly, "0");
    Settings(setting::kAutoRemoveReadOnly, "1");
    Settings(setting::kAutoRestoreReadOnly, "0x1");
    auto& again = Window();
    EXPECT_FALSE(again.EmptyOnly.Checked());
    EXPECT_TRUE(again.Autoremowe.Checked());
    EXPECT_TRUE(again.Autorestore.Checked());
    EXPECT_TRUE(again.Autorestore.Enabled());
}

TEST_F(ListWindow, EveryOptionToggleIsWrittenAtOnce)
{
    ListFile({Song("a.mp3", Record("A"))});
    Opened([&](User& user, TAListEditor& w) {
        user.ClickRow(w.TagBox, 0);
        user.SelectTab(w.AFilesPage, 2);
        user.Click(w.EmptyOnly);
        EXPECT_EQ(Setting(setting::kEmptyOnly), "0");
        EXPECT_TRUE(w.BTTest.Enabled());
        user.Click(w._2Space);
        EXPECT_EQ(Setting(setting::kUnderscoreBySpaces), "0");
        user.Click(w.Autoremowe);
        EXPECT_EQ(Setting(setting::kAutoRemoveReadOnly), "1");
        EXPECT_TRUE(w.Autorestore.Enabled());
        user.Click(w.Autorestore);
        EXPECT_EQ(Setting(setting::kAutoRestoreReadOnly), "1");
        user.Click(w.EngBox);
        EXPECT_EQ(Setting(setting::kEng), "0");
    });
}

TEST_F(ListWindow, StoredTemplatePositionPicksTheTemplate)
{
    const struct {
        const char* stored;
        std::string text;
    } cases[] = {{"<absent>", "<ARTIST> - <TITLE>"}, {"3", "<TRACK NUM>. <TITLE>"}, {"4", ""}, {"-1", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        if (std::string(c.stored) != "<absent>") Settings(setting::kOptionList, c.stored);
        EXPECT_EQ(Window().OptionBox.Text(), c.text);
        win.reset();
    }
}

TEST_F(ListWindow, DestructionStoresThePositionAndTheTemplatesKeepingOtherSections)
{
    WriteBytes(HistoryPath(), "[TAG_NAME]\r\n<TITLE>\r\n<ALBUM>\r\n[ARTISTS]\r\nAbba\r\n");
    ListFile({Song("a.mp3", Record("A"))});
    auto& w = Opened([](User& user, TAListEditor& w) {
        user.ClickRow(w.TagBox, 0);
        user.SelectTab(w.AFilesPage, 1);
        user.ReplaceText(w.OptionBox, "<ARTIST>_<TITLE>");
        user.Leave(w);  // a typed template joins the list
        user.ReplaceText(w.OptionBox, "<album>");
        user.Leave(w);  // one already listed does not
        user.ReplaceText(w.OptionBox, "");
        user.Leave(w);  // nor an empty one
        user.ReplaceText(w.OptionBox, "<album>");
    });
    EXPECT_EQ(w.OptionBox.Items(), (Lines{"<TITLE>", "<ALBUM>", "<ARTIST>_<TITLE>"}));
    win.reset();
    EXPECT_EQ(Setting(setting::kOptionList), "1");
    EXPECT_EQ(ReadBytes(HistoryPath()), "[ARTISTS]\r\nAbba\r\n[TAG_NAME]\r\n<TITLE>\r\n<ALBUM>\r\n<ARTIST>_<TITLE>\r\n");
}

TEST_F(ListWindow, NoHistoryFileGivesTheDefaultTemplatesAndDestructionCreatesIt)
{
    EXPECT_EQ(Window().OptionBox.Items(), batch::DefaultTemplates());
    win.reset();
    EXPECT_EQ(ReadBytes(HistoryPath()), "[TAG_NAME]\r\n<ARTIST> - <TITLE>\r\n<ALBUM> - <TITLE>\r\n"
                                        "<ARTIST>-<ALBUM> - <TITLE>\r\n<TRACK NUM>. <TITLE>\r\n");
    EXPECT_EQ(Setting(setting::kOptionList), "0");
}

// ---- language ------------------------------------------------------------------------------

TEST_F(ListWindow, ExtensionInUpperCaseIsNoPartOfTheNameOnEitherPage)
{
    Settings(setting::kEng, "1");
    const std::string song = dir.file("Band - Song.MP3");
    WriteBytes(song, kSongAudio + Record("", "Band"));
    const struct {
        int page;
        std::string row;
    } cases[] = {
        {1, "Band - Song|Band - Song|Test ERROR"},  // no title: the present name stays
        {2, "0|Song|Band||Blues|||Test OK"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        auto& w = OnPage({song}, c.page, "<ARTIST> - <TITLE>");
        EXPECT_EQ(Rows(w), Lines{c.row});
        win.reset();
    }
}

TEST_F(ListWindow, RussianUntilEnglishIsChosenHeadersFollowOnTheNextBuild)
{
    Settings(setting::kEng, "0");
    ListFile({Song("a.mp3", Record("A"))});
    auto& w = Opened([](User& user, TAListEditor& w) {
        EXPECT_EQ(Bytes(w.AFilesPage.Tabs()), (Lines{"Список файлов", "Тэг в имя файла", "Имя файла в тэг"}));
        EXPECT_EQ(Bytes(w.BTApply.Caption()), "Применить");
        EXPECT_EQ(Bytes(w.EmptyOnly.Caption()), "&Заменять только пустые поля");
        user.ClickRow(w.TagBox, 0);
        user.SelectTab(w.AFilesPage, 1);
        EXPECT_EQ(Sections(w), (Lines{"Текущее имя файла", "После переименования", "Статус"}));
        user.Click(w.EngBox);
        EXPECT_EQ(Bytes(w.AFilesPage.Tabs()[1]), "TAG to file name");
        EXPECT_EQ(Bytes(w.BTTest.Caption()), "Test");
        EXPECT_EQ(Sections(w)[2], "Статус");  // until the page is built again
        user.SelectTab(w.AFilesPage, 2);
    });
    EXPECT_EQ(Sections(w)[0], "Track number");
    EXPECT_EQ(Bytes(w.Caption()), "Sonrik editor v 1.1");
    EXPECT_EQ(Bytes(w.EngBox.Caption()), "In English language");
}

TEST_F(ListWindow, RowsShowRussianStatusesAndFileBytesAsText)
{
    // 0xE9 is "é" in the Western code page (and read as Latin-1 on POSIX).
    Settings(setting::kEng, "0");
    // The ANSI name is joined as bytes: a std::filesystem path would
    // re-encode it under MinGW.
    const std::string song = dir.file("X - caf") + "\xE9.mp3";
    WriteBytes(song, kSongAudio + Record("", "Band"));
    const std::string shownPath = dir.file("X - caf") + "\xC3\xA9.mp3";
    const struct {
        int page;
        const char* templ;
        std::string row, panel;
    } cases[] = {
        {0, "<ARTIST>", shownPath, shownPath},
        {1, "<ARTIST>", "X - caf\xC3\xA9|Band|Тест пройден", shownPath + " > Band"},
        {2, "<ARTIST> - <TITLE>", "0|caf\xC3\xA9|Band||Blues|||Тест пройден", shownPath},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        std::string panel;
        auto& w = OnPage({song}, c.page, c.templ, [&panel](User& user, TAListEditor& w) {
            user.ClickRow(w.TagBox, 0);
            panel = Bytes(w.StatusBar.PanelText(1));
        });
        EXPECT_EQ(Rows(w), Lines{c.row});
        EXPECT_EQ(panel, c.panel);
        win.reset();
    }
}

TEST_F(ListWindow, WindowOpensAtItsDesignedPlace)
{
    backend.SetWorkArea({0, 0, 1280, 1024});
    auto& w = Opened();
    EXPECT_EQ(w.ScreenBounds().left, 467);
    EXPECT_EQ(w.ScreenBounds().top, 196);
    EXPECT_EQ(w.Name(), "AListEditor");
}

}  // namespace

namespace {

TEST(ListRowText, CaptionsReachFieldContentsInTheCodePageOfTheSystem)
{
#ifdef _WIN32
    GTEST_SKIP() << "the Win32 conversion is tested under its code pages";
#endif
    const struct {
        std::string utf8, ansi;
    } cases[] = {{"Test OK", "Test OK"}, {"caf\xC3\xA9", "caf\xE9"}, {"\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82", "????"},
                 {"a\xE2\x89\x88", "a?"}};
    for (const auto& c : cases) {
        EXPECT_EQ(text::ToAnsi(text::AsUtf8(c.utf8)), c.ansi) << c.utf8;
        if (c.ansi.find('?') == std::string::npos) {
            EXPECT_EQ(text::Bytes(text::FromAnsi(c.ansi)), c.utf8);
        }
    }
}

}  // namespace
