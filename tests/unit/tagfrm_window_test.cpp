// The single-file editor window as a user meets it: opening files of every
// kind, the language, the keys, type-ahead, the copy buttons, the use-tag
// boxes and closing.
#include "tagfrm_test_support.h"

#include <gtest/gtest.h>

using namespace sonrik;
using namespace sonrik::testing;
using sonrik::ui::headless::User;

namespace {

using TagFrmWindow = TagFrmTest;

struct OpenCase {
    const char* name;
    std::string bytes;  // empty: no file at all
    bool id3v1On, lyrics3On;
    const char* title;
    const char* lyrics3Title;
    const char* lyrics;
};

TEST_F(TagFrmWindow, OpensEachKindOfFileWithTheGroupsItHas)
{
    const OpenCase cases[] = {
        {"v1 only", kAudio + kRecord, true, false, "Song", "", ""},
        {"Lyrics3 v2.00", kAudio + kBlockV2 + kRecord, true, true, "Song", "L3Title", "Hello"},
        {"Lyrics3 v1", kAudio + kBlockV1 + kRecord, true, true, "Song", "", "Hello\r\nWorld"},
        {"no tag", kAudio, false, false, "", "", ""},
        {"missing file", "", false, false, "", "", "MemoLyrics"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.bytes.empty() ? dir.file("missing.mp3") : Song(c.bytes);
        auto& w = Opened(path);
        EXPECT_EQ(w.V1Title.Enabled(), c.id3v1On);
        EXPECT_EQ(w.V1UseID3v1.Checked(), c.id3v1On);
        EXPECT_EQ(w.Lyrics3Title.Enabled(), c.lyrics3On);
        EXPECT_EQ(w.V1UseLyrics3.Checked(), c.lyrics3On);
        EXPECT_EQ(w.V1Title.Text(), c.title);
        EXPECT_EQ(w.Lyrics3Title.Text(), c.lyrics3Title);
        EXPECT_EQ(w.MemoLyrics.Text(), c.lyrics);
        EXPECT_FALSE(w.BtSave.Enabled());
        EXPECT_FALSE(w.TagsChanged());
        EXPECT_EQ(text::Bytes(w.StatusBar.PanelText(1)), c.bytes.empty() ? "" : "song.mp3");
        EXPECT_TRUE(c.bytes.empty() || SameBytes(ReadBytes(path), c.bytes));
        frm.reset();
    }
}

TEST_F(TagFrmWindow, ShowsEveryValueOfTheRecord)
{
    auto& w = Opened(Song(kAudio + kBlockV2 + kRecord));
    EXPECT_EQ(w.V1Artist.Text(), "Band");
    EXPECT_EQ(w.V1Album.Text(), "Disc");
    EXPECT_EQ(w.V1Year.Text(), "1999");
    EXPECT_EQ(w.V1Comment.Text(), "Nice");
    EXPECT_EQ(w.V1Genr.ItemIndex(), 17);
    EXPECT_EQ(w.V1Genr.Text(), "Rock");
    EXPECT_EQ(w.V1TrackNo.Text(), "5");
    EXPECT_TRUE(w.V1UseID3v11.Checked());
    EXPECT_EQ(w.Lyrics3Artist.Text(), "L3Band");
    EXPECT_EQ(w.Lyrics3Album.Text(), "L3Disc");
    EXPECT_EQ(w.Lyrics3Author.Text(), "Anna");
    EXPECT_FALSE(w.MemoOthers.Enabled());
    EXPECT_EQ(w.Pages.ActivePageIndex(), 3);
}

TEST_F(TagFrmWindow, GenreWithoutEntryShowsNoneSelected)
{
    auto& w = Opened(Song(kAudio + Record("Song", "", "", "", "", 1, 255)));
    EXPECT_EQ(w.V1Genr.ItemIndex(), -1);
    EXPECT_EQ(w.V1Genr.Items().size(), 148u);
}

TEST_F(TagFrmWindow, OpensInRussianAndEngBoxSwitchesEveryTextAndStoresIt)
{
    auto& w = Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) {
        EXPECT_EQ(text::Bytes(w.LTitle.Caption()), "Название");
        EXPECT_EQ(text::Bytes(w.Message(editor::TagFrmMessage::Saved)), "Изменения сохранены!");
        user.Click(w.EngBox);
    });
    EXPECT_EQ(text::Bytes(w.LTitle.Caption()), "Title");
    EXPECT_EQ(text::Bytes(w.BtSave.Caption()), "Save");
    EXPECT_EQ(text::Bytes(w.TabSheet2.Caption()), "Images (list)");
    EXPECT_EQ(text::Bytes(w.XPGroupBox2.Caption()), "Lyrics3 Tag");
    EXPECT_EQ(text::Bytes(w.Message(editor::TagFrmMessage::ClearValues)), "Clear all values?");
    EXPECT_EQ(text::Bytes(w.Caption()), "Sonrik Editor v 1.1");
    EXPECT_EQ(Setting(setting::kEng), "1");
}

TEST_F(TagFrmWindow, StoredOptionsAreShownAndWrittenBack)
{
    Settings(setting::kEng, "0x1");
    Settings(setting::kAutoRemoveReadOnly, "1");
    Settings(setting::kAutoRestoreReadOnly, "0");
    auto& w = Window(Song(kAudio + kRecord));
    EXPECT_TRUE(w.EngBox.Checked());
    EXPECT_EQ(text::Bytes(w.LArtist.Caption()), "Artist");
    EXPECT_EQ(Setting(setting::kEng), "1");  // the click handler wrote it back
    EXPECT_TRUE(w.Autoremowe.Checked());
    EXPECT_FALSE(w.Autorestore.Checked());
    EXPECT_EQ(w.ModuleDir(), (dir.path() / "").string());
}

TEST_F(TagFrmWindow, ReloadDiscardsEditsWithoutAsking)
{
    auto& w = Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) {
        user.TypeText(w.V1Title, "!!");
        EXPECT_TRUE(w.BtSave.Enabled());
        user.Click(w.Reload);
    });
    EXPECT_EQ(w.V1Title.Text(), "Song");
    EXPECT_FALSE(w.BtSave.Enabled());
    EXPECT_FALSE(w.TagsChanged());
    EXPECT_TRUE(backend.Questions().empty());
}

TEST_F(TagFrmWindow, UseID3v11AloneChangesNothing)
{
    auto& w = Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) { user.Click(w.V1UseID3v11); });
    EXPECT_FALSE(w.BtSave.Enabled());
    EXPECT_FALSE(w.TagsChanged());
}

// ---- closing ------------------------------------------------------------------------

struct CloseCase {
    const char* name;
    bool edit;
    int answer;  // 0: no question expected
    bool closed;
    bool written;
};

TEST_F(TagFrmWindow, ClosingAsksOnlyAfterChangesAndFollowsTheAnswer)
{
    const CloseCase cases[] = {
        {"unchanged", false, 0, true, false},
        {"changed, Cancel", true, ui::answer::Cancel, false, false},
        {"changed, No", true, ui::answer::No, true, false},
        {"changed, Yes", true, ui::answer::Yes, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Song(kAudio + kRecord);
        if (c.answer != 0) backend.QueueAnswer(c.answer);
        const auto closedBefore = std::count(backend.Journal().begin(), backend.Journal().end(), "closed");
        const std::size_t asked = backend.Questions().size();
        auto& w = Opened(path, [&c](User& user, TATagFrm& w) {
            if (c.edit) user.TypeText(w.V1Title, "X");
            user.Click(w.BtExit);
        });
        const auto closed = std::count(backend.Journal().begin(), backend.Journal().end(), "closed") - closedBefore;
        EXPECT_EQ(closed, c.closed ? 1 : 0);
        EXPECT_EQ(backend.Questions().size() - asked, c.answer != 0 ? 1u : 0u);
        if (c.answer != 0) {
            const auto& q = backend.Questions().back();
            EXPECT_EQ(q.text, "Значения ТЭГ-ов изменены. Сохранить изменения?");
            EXPECT_EQ(q.ownerForm, &w);  // the window's own question
            EXPECT_EQ(q.flags, ui::mb::YesNoCancel | ui::mb::IconQuestion);
        }
        EXPECT_EQ(ReadBytes(path) != kAudio + kRecord, c.written);
        if (!c.closed) {
            EXPECT_EQ(w.V1Title.Text(), "SongX");
        }
        frm.reset();
    }
}

TEST_F(TagFrmWindow, EscapeClosesThroughTheSamePrompt)
{
    backend.QueueAnswer(ui::answer::No);
    Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) {
        user.TypeText(w.V1Album, "2");
        user.PressKey(w, ui::keys::Escape);
    });
    EXPECT_EQ(backend.Questions().size(), 1u);
    EXPECT_EQ(backend.Journal().back(), "closed");
}

TEST_F(TagFrmWindow, CloseAfterSuccessfulSaveDoesNotAsk)
{
    Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) {
        user.TypeText(w.V1Title, "X");
        user.Click(w.BtSave);
        user.Click(w.BtExit);
    });
    EXPECT_TRUE(backend.Questions().empty());
    EXPECT_EQ(backend.Journal().back(), "closed");
}

TEST_F(TagFrmWindow, CtrlTabWalksThePagesAndWraps)
{
    auto& w = Opened(Song(kAudio + kBlockV2 + kRecord), [](User& user, TATagFrm& w) {
        user.Focus(w.Lyrics3Title);
        std::vector<int> seen;
        for (int i = 0; i < 4; ++i) {
            user.PressKey(w, ui::keys::Tab, ui::ssCtrl);
            seen.push_back(w.Pages.ActivePageIndex());
        }
        EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3}));
        EXPECT_EQ(w.ActiveControl(), &w.Lyrics3Title);  // Ctrl+Tab moves no focus
    });
    EXPECT_EQ(w.Pages.ActivePageIndex(), 3);
}

// ---- type-ahead ------------------------------------------------------------------------

TEST_F(TagFrmWindow, TypeAheadInGenreSelectsWithoutEnablingSave)
{
    auto& w = Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) { user.TypeText(w.V1Genr, "co"); });
    EXPECT_EQ(w.V1Genr.Text(), "Country");
    EXPECT_TRUE(w.V1Genr.DroppedDown());
    EXPECT_FALSE(w.BtSave.Enabled());
}

TEST_F(TagFrmWindow, TypeAheadNarrowsAndEnterShortensTheSearch)
{
    WriteBytes(HistoryPath(), "[ARTISTS]\r\nBeatles\r\nBee Gees\r\nBeck\r\n");
    auto& w = Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) {
        user.TypeText(w.V1Artist, "bee");
        EXPECT_EQ(w.V1Artist.Text(), "Bee Gees");
        user.PressKey(w, ui::keys::Return);  // search text back to "be"
        EXPECT_FALSE(w.V1Artist.DroppedDown());
        user.TypeText(w.V1Artist, "c");  // "bec"; unshortened, "beec" would match nothing
        EXPECT_EQ(w.V1Artist.Text(), "Beck");
    });
    EXPECT_FALSE(w.BtSave.Enabled());
}

TEST_F(TagFrmWindow, TypeAheadWithoutMatchTypesTheKey)
{
    WriteBytes(HistoryPath(), "[ARTISTS]\r\nBeatles\r\n");
    auto& w = Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) {
        user.ReplaceText(w.V1Artist, "");
        user.TypeText(w.V1Artist, "bx");
    });
    EXPECT_EQ(w.V1Artist.Text(), "Beatlesx");  // "b" matched, "x" was typed
    EXPECT_TRUE(w.BtSave.Enabled());
}

TEST_F(TagFrmWindow, TypeAheadStopsSearchingWhenItsBufferIsFull)
{
    auto& w = Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) {
        user.ReplaceText(w.V1Comment, "");
        user.TypeText(w.V1Comment, std::string(300, 'z'));
    });
    EXPECT_EQ(w.V1Comment.Text(), std::string(300, 'z'));
}

// ---- copy buttons ----------------------------------------------------------------------

TEST_F(TagFrmWindow, CopyToLyrics3SwitchesTheTagOnAndCopiesStoredValues)
{
    auto& w = Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) { user.Click(w.SetLyr); });
    EXPECT_TRUE(w.V1UseLyrics3.Checked());
    EXPECT_TRUE(w.Lyrics3Title.Enabled());
    EXPECT_EQ(w.Lyrics3Title.Text(), "Song");
    EXPECT_EQ(w.Lyrics3Artist.Text(), "Band");
    EXPECT_EQ(w.Lyrics3Album.Text(), "Disc");
    EXPECT_TRUE(w.TagsChanged());
    EXPECT_TRUE(backend.Questions().empty());
}

TEST_F(TagFrmWindow, CopyToLyrics3TakesEditedFieldsOnceChanged)
{
    auto& w = Opened(Song(kAudio + kBlockV2 + kRecord), [](User& user, TATagFrm& w) {
        user.ReplaceText(w.V1Title, "Edited");
        user.Click(w.SetLyr);
    });
    EXPECT_EQ(w.Lyrics3Title.Text(), "Edited");
    EXPECT_EQ(w.Lyrics3Author.Text(), "Anna");
}

TEST_F(TagFrmWindow, CopyToID3v1CutsToTheRecordsLimit)
{
    auto& w = Opened(Song(kAudio + kBlockV2 + kRecord), [](User& user, TATagFrm& w) {
        user.ReplaceText(w.Lyrics3Title, std::string(40, 't'));
        user.Click(w.SetID3);
    });
    EXPECT_EQ(w.V1Title.Text(), std::string(30, 't'));
    EXPECT_EQ(w.V1Artist.Text(), "L3Band");
}

// ---- use-tag boxes ---------------------------------------------------------------------

struct UseTagCase {
    const char* name;
    std::vector<int> answers;
    std::size_t questions;
    bool lyrics3GroupOn;
    const char* lyrics;
};

TEST_F(TagFrmWindow, UncheckingID3v1ClearsItAndAsksForLyrics3AfterNo)
{
    const UseTagCase cases[] = {
        {"Yes: Lyrics3 unchecked silently", {ui::answer::Yes}, 1, true, "Hello"},
        {"No, then Yes", {ui::answer::No, ui::answer::Yes}, 2, false, ""},
        {"No, then No", {ui::answer::No, ui::answer::No}, 2, false, "Hello"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int a : c.answers) backend.QueueAnswer(a);
        const std::size_t before = backend.Questions().size();
        auto& w = Opened(Song(kAudio + kBlockV2 + kRecord), [](User& user, TATagFrm& w) { user.Click(w.V1UseID3v1); });
        ASSERT_EQ(backend.Questions().size() - before, c.questions);
        const auto& q = backend.Questions().back();
        EXPECT_EQ(q.text, "Очистить все значения?");
        EXPECT_EQ(q.ownerWindow, kHostWindow);
        EXPECT_EQ(q.caption, "Tag editor");
        EXPECT_FALSE(w.V1UseLyrics3.Checked());
        EXPECT_EQ(w.Lyrics3Title.Enabled(), c.lyrics3GroupOn);
        EXPECT_FALSE(w.V1Title.Enabled());
        EXPECT_EQ(w.V1Title.Text(), "");
        EXPECT_EQ(w.MemoLyrics.Text(), c.lyrics);
        EXPECT_TRUE(w.TagsChanged());
        frm.reset();
    }
}

TEST_F(TagFrmWindow, UncheckingLyrics3WithYesEmptiesTheLyricsOnly)
{
    backend.QueueAnswer(ui::answer::Yes);
    auto& w = Opened(Song(kAudio + kBlockV2 + kRecord), [](User& user, TATagFrm& w) { user.Click(w.V1UseLyrics3); });
    EXPECT_EQ(backend.Questions().size(), 1u);
    EXPECT_FALSE(w.Lyrics3Title.Enabled());
    EXPECT_EQ(w.MemoLyrics.Text(), "");
    EXPECT_EQ(w.Lyrics3Title.Text(), "L3Title");
    EXPECT_EQ(w.V1Title.Text(), "Song");  // ID3v1 untouched
    EXPECT_TRUE(w.BtSave.Enabled());
}

TEST_F(TagFrmWindow, CheckingLyrics3TicksID3v1WithoutAsking)
{
    auto& w = Opened(Song(kAudio), [](User& user, TATagFrm& w) { user.Click(w.V1UseLyrics3); });
    EXPECT_TRUE(w.V1UseID3v1.Checked());
    EXPECT_TRUE(w.Lyrics3Title.Enabled());
    EXPECT_FALSE(w.V1Title.Enabled());  // the ID3v1 group keeps its state
    EXPECT_TRUE(backend.Questions().empty());
}

TEST_F(TagFrmWindow, UseID3v2AndTimestampEnableSave)
{
    auto& w = Opened(Song(kAudio + kBlockV2 + kRecord), [](User& user, TATagFrm& w) { user.Click(w.Lyrics3UseTimestamp); });
    EXPECT_TRUE(w.BtSave.Enabled());
    EXPECT_FALSE(w.TagsChanged());
    auto& w2 = Opened(Song(kAudio + kRecord, "b.mp3"), [](User& user, TATagFrm& w) { user.Click(w.V1UseID3v2); });
    EXPECT_TRUE(w2.BtSave.Enabled());
    EXPECT_TRUE(w2.TagsChanged());
    EXPECT_TRUE(w2.ID31.UseID3v2());
}

TEST_F(TagFrmWindow, CtrlTabStepsOnceWhenThePagesHaveTheFocus)
{
    Opened(Song(kAudio + kBlockV2 + kRecord), [](User& user, TATagFrm& w) {
        user.Focus(w.Pages);
        user.PressKey(w, ui::keys::Tab, ui::ssCtrl);
        EXPECT_EQ(w.Pages.ActivePageIndex(), 0);
    });
}

// ---- themed pages ---------------------------------------------------------------------------

std::vector<std::string> paintLog;
widgets::ThemeData SONRIK_STYLEAPI FakeOpenTheme(widgets::StyleWindow window, const char16_t* classes)
{
    paintLog.push_back("open " + std::string(classes, classes + std::char_traits<char16_t>::length(classes)) +
                       (window == 0 ? " without window" : ""));
    return 0x77;
}
std::int32_t SONRIK_STYLEAPI FakeClose(widgets::ThemeData) { paintLog.push_back("close"); return 0; }
std::int32_t SONRIK_STYLEAPI FakeTransparent(widgets::ThemeData theme, int, int) { return theme == 0x77; }
std::int32_t SONRIK_STYLEAPI FakeParent(widgets::StyleWindow, widgets::StyleDC dc, const widgets::Rect*)
{
    paintLog.push_back("parent " + std::to_string(dc));
    return 0;
}
std::int32_t SONRIK_STYLEAPI FakeDraw(widgets::ThemeData, widgets::StyleDC dc, int part, int state,
                                      const widgets::Rect* rect, const widgets::Rect*)
{
    paintLog.push_back("draw " + std::to_string(dc) + " " + std::to_string(part) + "," + std::to_string(state) + " " +
                       std::to_string(rect->right) + "x" + std::to_string(rect->bottom));
    return 0;
}
int SONRIK_STYLEAPI FakeActive() { return 1; }

class StyledSystem final : public widgets::StyleSystem {
    struct Module final : widgets::StyleModule {
        void* resolve(const char* name) const override
        {
            const std::string n = name;
            if (n == "IsThemeActive") return reinterpret_cast<void*>(&FakeActive);
            if (n == "OpenThemeData") return reinterpret_cast<void*>(&FakeOpenTheme);
            if (n == "CloseThemeData") return reinterpret_cast<void*>(&FakeClose);
            if (n == "IsThemeBackgroundPartiallyTransparent") return reinterpret_cast<void*>(&FakeTransparent);
            if (n == "DrawThemeParentBackground") return reinterpret_cast<void*>(&FakeParent);
            if (n == "DrawThemeBackground") return reinterpret_cast<void*>(&FakeDraw);
            return nullptr;
        }
    };

public:
    platform::OsVersion osVersion() const override { return {platform::kPlatformWin32NT, 7601}; }
    std::unique_ptr<widgets::StyleModule> load(const char*) override { return std::make_unique<Module>(); }
};

TEST_F(TagFrmWindow, PagesArePaintedThroughTheThemeWhenStylesAreActive)
{
    paintLog.clear();
    StyledSystem styled;
    widgets::StyleProbe styles(styled);
    {
        TATagFrm w(backend, styles, ModuleFile());
        w.Create();
        EXPECT_EQ(paintLog, std::vector<std::string>{"open window without window"});
        w.TabSheet2.OnPaint(ui::PaintContext{1, 0, {0, 0, 199, 254}});  // no drawing context: nothing drawn
        w.TabSheet2.OnPaint(ui::PaintContext{1, 9, {0, 0, 199, 254}});
        EXPECT_EQ(paintLog, (std::vector<std::string>{"open window without window", "parent 9", "draw 9 0,0 199x254"}));
        paintLog.clear();
    }
    EXPECT_EQ(paintLog, std::vector<std::string>{"close"});

    TATagFrm classic(backend, probe, ModuleFile());
    classic.Create();
    EXPECT_FALSE(static_cast<bool>(classic.TabSheet1.OnPaint));
}

}  // namespace
