// In-place cell editing in the list editor: which cell a click or a key
// finds, the edit box and the genre list over it, and what an edited value
// does to the record, its row and the next Apply.
#include "codepage_test_support.h"
#include "listedit_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace sonrik;
using namespace sonrik::testing;
using sonrik::ui::headless::User;

namespace {

using ListCells = ListEditorTest;
using Lines = std::vector<std::string>;

void EditCell(User& user, TAListEditor& w, int row, int column, const std::string& text)
{
    user.DoubleClickCell(w.TagBox, row, CellX(w, column));
    ASSERT_TRUE(w.EditorTg.Visible());
    user.ReplaceText(w.EditorTg, text);
    user.PressKey(w, ui::keys::Return);
}

// ---- "TAG to file name" --------------------------------------------------------------------------

TEST_F(ListCells, TypedNewNamesAreCleanedCheckedAndApplied)
{
    const struct {
        std::string typed, row, onDisk;
    } cases[] = {
        {"new/name?", "a|newname|Test OK", "newname.mp3"},
        {"taken", "a|taken|File exists", "a.mp3"},
        {"con", "a|con|Test ERROR", "a.mp3"},
        {"..\\..\\up", "a|....up|Test OK", "....up.mp3"},
        {"A", "a|A|Test OK", "A.mp3"},  // the own name in other letter case
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            if (entry.path().extension() == ".mp3") std::filesystem::remove(entry);
        const std::string path = Song("a.mp3", Record("T", "X"));
        Song("taken.mp3", "other");
        auto& w = OnPage({path}, 1, "<ARTIST> - <TITLE>", [&c](User& user, TAListEditor& w) {
            user.DoubleClickCell(w.TagBox, 0, CellX(w, 1));
            EXPECT_EQ(w.EditorTg.Text(), "X - T");
            user.ReplaceText(w.EditorTg, c.typed);
            user.PressKey(w, ui::keys::Return);
            EXPECT_EQ(Rows(w), Lines{c.row});
            EXPECT_FALSE(w.EditorTg.Visible());
            EXPECT_EQ(w.ActiveControl(), &w.TagBox);
            EXPECT_TRUE(w.BTApply.Enabled());
            user.Click(w.BTApply);
        });
        EXPECT_TRUE(std::filesystem::exists(dir.file(c.onDisk)));
        EXPECT_EQ(ReadBytes(dir.file("taken.mp3")), kSongAudio + "other");
        EXPECT_EQ(w.Tags()[0].FilePath, dir.file(c.onDisk));
        win.reset();
    }
}

TEST_F(ListCells, NamesThatEndWithoutContentKeepTheEditorOpen)
{
    const struct {
        std::string typed, shown;
    } cases[] = {{"name-", "name-"}, {"bad?_", "bad_"}, {"", ""}, {"x &", "x &"}};
    const std::string path = Song("a.mp3", Record("T", "X"));
    auto& w = OnPage({path}, 1, "<ARTIST> - <TITLE>", [&cases](User& user, TAListEditor& w) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.typed);
            EditCell(user, w, 0, 1, c.typed);
            EXPECT_TRUE(w.EditorTg.Visible());
            EXPECT_EQ(w.EditorTg.Text(), c.shown);
            EXPECT_FALSE(w.BTApply.Enabled());
            EXPECT_EQ(Rows(w), Lines{"a|X - T|Test OK"});
        }
    });
    EXPECT_EQ(w.Tags()[0].NewName, "X - T");
}

// A value the code page cannot hold keeps the cell editor open with a
// message; one it holds is taken as its bytes.
TEST_F(ListCells, ValuesTheCodePageCannotHoldKeepTheEditorOpen)
{
    const struct {
        unsigned codePage;
        std::u8string_view typed;
        const char* message;  // none: taken, with these bytes
        const char* title;
    } cases[] = {
        {1252, u8"Кино", "The value holds the character \"К\" (U+041A), which the system's code page cannot hold.",
         nullptr},
        {1251, u8"é", "\"é\" (U+00E9)", nullptr},
        {1251, u8"Кино", nullptr, "\xCA\xE8\xED\xEE"},
        {1252, u8"Été", nullptr, "\xC9t\xE9"},
    };
    for (const auto& c : cases) {
        const AnsiCodePageScope scope(c.codePage);
        if (!scope.active()) continue;
        SCOPED_TRACE(std::string(text::Bytes(c.typed)));
        const std::size_t boxes = backend.Questions().size();
        if (c.message) backend.QueueAnswer(ui::answer::Ok);
        auto& w = OnPage({Song("a.mp3", Record("T", "X"))}, 2, "<ARTIST> - <TITLE>", [&c](User& user, TAListEditor& w) {
            user.DoubleClickCell(w.TagBox, 0, CellX(w, batch::fkTitle));
            user.ReplaceText(w.EditorTg, c.typed);
            user.PressKey(w, ui::keys::Return);
            EXPECT_EQ(w.EditorTg.Visible(), c.message != nullptr);
            EXPECT_EQ(w.BTApply.Enabled(), c.message == nullptr);
        });
        if (c.message) {
            ASSERT_EQ(backend.Questions().size(), boxes + 1);
            EXPECT_NE(backend.Questions().back().text.find(c.message), std::string::npos)
                << backend.Questions().back().text;
            EXPECT_EQ(w.Tags()[0].TitleText, "T");
        } else {
            EXPECT_EQ(backend.Questions().size(), boxes);
            EXPECT_EQ(w.Tags()[0].TitleText, c.title);
        }
        win.reset();
    }
}

TEST_F(ListCells, OnlyTheNewNameColumnOpensAnEditorOnPage1)
{
    OnPage({Song("a.mp3", Record("T", "X"))}, 1, "<TITLE>", [](User& user, TAListEditor& w) {
        for (const int column : {0, 2}) {
            user.DoubleClickCell(w.TagBox, 0, CellX(w, column));
            EXPECT_EQ(w.EditColumn(), column);
            EXPECT_FALSE(w.EditorTg.Visible());
        }
        user.DoubleClickCell(w.TagBox, 0, w.TagBox.Sections().leftOf(1));  // on the boundary
        EXPECT_EQ(w.EditColumn(), -1);
        EXPECT_FALSE(w.EditorTg.Visible());
    });
}

// ---- "File name to TAG" -------------------------------------------------------------------------------

TEST_F(ListCells, EditedValuesSetTheStatusAndTheFieldByColumn)
{
    const struct {
        int column;
        std::string typed, status, track, title;
        bool titleMarked;
    } cases[] = {
        {1, "New title", "Test OK", "4", "New title", true},
        {0, "12", "Test OK", "12", "T", false},
        {0, "+5", "Test OK", "+5", "T", false},
        {0, "300", "Test ERROR", "4", "T", false},
        {0, "-3", "Test ERROR", "4", "T", false},
        {0, "1a", "Test ERROR", "4", "T", false},
        {1, "", "Not enough information", "4", "T", false},
        {7, "whatever", "No changes", "4", "T", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::string path = Song("n.mp3", Record("T", "", "", "", "", 4));
        auto& w = OnPage({path}, 2, "<ARTIST> - <TITLE>", [&c](User& user, TAListEditor& w) {
            EditCell(user, w, 0, c.column, c.typed);
            EXPECT_FALSE(w.EditorTg.Visible());  // on this page the editor always closes
        });
        const auto& tag = w.Tags()[0];
        EXPECT_EQ(tag.TrackText, c.track);
        EXPECT_EQ(tag.TitleText, c.title);
        EXPECT_EQ(tag.TitleSet, c.titleMarked);
        EXPECT_EQ(Rows(w), Lines{c.track + "|" + c.title + "|n||Blues|||" + c.status});
        win.reset();
    }
}

TEST_F(ListCells, AnEditedFailedRowIsWrittenWithEveryMarkedField)
{
    Settings(setting::kEmptyOnly, "0");
    const std::string path = Song("x - 1a.mp3", Record("Old"));
    OnPage({path}, 2, "<ARTIST> - <TRACK NUM>", [](User& user, TAListEditor& w) {
        EXPECT_EQ(Rows(w), Lines{"0|Old|x||Blues|||Test ERROR"});
        EditCell(user, w, 0, 0, "5");
        EXPECT_EQ(Rows(w), Lines{"5|Old|x||Blues|||Test OK"});
        user.Click(w.BTApply);
    });
    EXPECT_TRUE(SameBytes(ReadBytes(path), kSongAudio + Record("Old", "x", "", "", "", 5)));
}

TEST_F(ListCells, AnEmptiedCellTakesTheFileOutOfApply)
{
    Settings(setting::kEmptyOnly, "0");
    const std::string path = Song("A - B.mp3", Record("Old"));
    auto& w = OnPage({path}, 2, "<ARTIST> - <TITLE>", [](User& user, TAListEditor& w) {
        EditCell(user, w, 0, 2, "");
        user.Click(w.BTApply);
    });
    EXPECT_EQ(Rows(w), Lines{"0|B|A||Blues|||Not enough information"});
    EXPECT_EQ(ReadBytes(path), kSongAudio + Record("Old"));
}

TEST_F(ListCells, EscapeClosesTheEditorAndKeepsTheValue)
{
    auto& w = OnPage({Song("n.mp3", Record("T"))}, 2, "<ARTIST> - <TITLE>", [](User& user, TAListEditor& w) {
        user.DoubleClickCell(w.TagBox, 0, CellX(w, 1));
        user.TypeText(w.EditorTg, "zzz");
        user.PressKey(w, ui::keys::Escape);
        EXPECT_FALSE(w.EditorTg.Visible());
        EXPECT_EQ(w.ActiveControl(), &w.TagBox);
        user.Focus(w.BTApply);  // nothing left to commit
    });
    EXPECT_EQ(w.Tags()[0].TitleText, "T");
    EXPECT_FALSE(w.Tags()[0].TitleSet);
    EXPECT_EQ(Rows(w), Lines{"0|T|n||Blues|||Test OK"});
}

TEST_F(ListCells, TheGenreColumnOpensTheGenreListAndAPickIsWrittenAsItsNumber)
{
    const std::string path = Song("n.mp3", Record("T", "", "", "", "", -1, 9));
    OnPage({path}, 2, "<TITLE>", [](User& user, TAListEditor& w) {
        user.DoubleClickCell(w.TagBox, 0, CellX(w, 4));
        EXPECT_TRUE(w.Geners.Visible());
        EXPECT_FALSE(w.EditorTg.Visible());
        EXPECT_EQ(w.Geners.ItemIndex(), 9);  // "Metal", the file's genre
        EXPECT_EQ(w.Geners.Width(), w.TagBox.Sections()[4].Width());
        EXPECT_EQ(w.Geners.Left(), w.TagBox.Left() + 2 + w.TagBox.Sections().leftOf(4));
        EXPECT_EQ(w.ActiveControl(), &w.Geners);
        user.Pick(w.Geners, 17);
        EXPECT_FALSE(w.Geners.Visible());
        EXPECT_EQ(Rows(w), Lines{"0|T|||Rock|||Test OK"});
        user.Click(w.BTApply);
    });
    EXPECT_TRUE(SameBytes(ReadBytes(path), kSongAudio + Record("T", "", "", "", "", -1, 17)));
}

TEST_F(ListCells, AfterAKeyEnterEditsTheSecondColumnOfTheCurrentRow)
{
    const Lines files{Song("a.mp3", Record("First")), Song("b.mp3", Record("Second"))};
    OnPage(files, 2, "<ARTIST> - <TITLE>", [](User& user, TAListEditor& w) {
        user.ClickCell(w.TagBox, 0, CellX(w, 5));
        user.PressKey(w, ui::keys::Down);
        EXPECT_EQ(w.EditColumn(), 1);
        EXPECT_EQ(w.EditTop(), w.TagBox.Top() + w.TagBox.RowRect(1).top + w.TagBox.ItemHeight());
        user.PressKey(w, ui::keys::Return);
        ASSERT_TRUE(w.EditorTg.Visible());
        EXPECT_EQ(w.EditorTg.Text(), "Second");
        EXPECT_EQ(w.EditorTg.Left(), w.TagBox.Left() + 2 + w.TagBox.Sections()[0].Width());
    });
}

TEST_F(ListCells, EnterOpensTheCellLastClickedAndItKeepsItsColumn)
{
    const std::string path = Song("n.mp3", Record("T"));
    auto& w = OnPage({path}, 2, "<TITLE>", [](User& user, TAListEditor& w) {
        user.ClickCell(w.TagBox, 0, CellX(w, 4));
        user.PressKey(w, ui::keys::Return);
        ASSERT_TRUE(w.Geners.Visible());
        user.Pick(w.Geners, 17);
        user.ClickCell(w.TagBox, 0, CellX(w, 5));
        user.PressKey(w, ui::keys::Return);
        ASSERT_TRUE(w.EditorTg.Visible());
        user.ReplaceText(w.EditorTg, "1999");
        user.PressKey(w, ui::keys::Return);
    });
    EXPECT_EQ(Rows(w), Lines{"0|T|||Rock|1999||Test OK"});
}

TEST_F(ListCells, ADraggedSectionKeepsItsWidthAndScrolledColumnsAreHitWhereTheyAreShown)
{
    OnPage({Song("n.mp3", Record("T", "", "", "", "Note"))}, 2, "<TITLE>", [](User& user, TAListEditor& w) {
        user.DragSection(w.TagBox, 6, 400);
        EXPECT_FALSE(w.TagBox.Sections()[6].AutoSize());
        w.TagBox.SetBounds(w.TagBox.Left(), w.TagBox.Top(), 600, w.TagBox.Height());
        EXPECT_EQ(w.TagBox.Sections()[6].Width(), 400);
        const int widest = w.TagBox.Sections().totalWidth() - w.TagBox.ClientWidth();
        ASSERT_GT(widest, 0);
        user.ScrollColumns(w.TagBox, 100000);
        EXPECT_EQ(w.TagBox.ScrollLeft(), widest);

        const int shownX = CellX(w, 6) - widest;  // where the comment column is on screen
        user.DoubleClickCell(w.TagBox, 0, shownX);
        EXPECT_EQ(w.EditColumn(), 6);
        ASSERT_TRUE(w.EditorTg.Visible());
        EXPECT_EQ(w.EditorTg.Text(), "Note");
        EXPECT_EQ(w.EditorTg.Left(), w.TagBox.Left() + 2 + w.TagBox.Sections().leftOf(6) - widest);
        EXPECT_EQ(w.EditorTg.Width(), 400);
    });
}

TEST_F(ListCells, APageBuildClosesAnOpenEditorWithoutTakingItsText)
{
    auto& w = OnPage({Song("n.mp3", Record("T"))}, 2, "<ARTIST> - <TITLE>", [](User& user, TAListEditor& w) {
        user.DoubleClickCell(w.TagBox, 0, CellX(w, 1));
        user.TypeText(w.EditorTg, "zzz");
        user.PressKey(w, ui::keys::Tab, ui::ssCtrl);
        EXPECT_FALSE(w.EditorTg.Visible());
        EXPECT_EQ(w.CurrentPage(), 0);
    });
    EXPECT_EQ(w.Tags()[0].TitleText, "T");
}

}  // namespace
