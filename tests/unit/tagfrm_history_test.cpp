// The single-file editor's plain helpers and its history lists: type-ahead
// buffer, track numbers, the artist lists, and merging into the history file
// when several windows are destroyed one after the other.
#include "codepage_test_support.h"
#include "tagfrm_test_support.h"

#include "Main_List/list_editor.h"
#include "sonrik/application.h"

#include <gtest/gtest.h>

using namespace sonrik;
using namespace sonrik::testing;
using sonrik::editor::TrackNoCheck;
using sonrik::ui::headless::User;
using Lines = std::vector<std::string>;

namespace {

TEST(TagFrmLogic, TrackNumberTexts)
{
    const struct {
        const char* text;
        TrackNoCheck check;
        int value;
    } cases[] = {
        {"0", TrackNoCheck::Ok, 0},          {"255", TrackNoCheck::Ok, 255},
        {"007", TrackNoCheck::Ok, 7},        {"+12", TrackNoCheck::Ok, 12},
        {"256", TrackNoCheck::OutOfRange, 0}, {"300", TrackNoCheck::OutOfRange, 0},
        {"-1", TrackNoCheck::OutOfRange, 0}, {"2147483647", TrackNoCheck::OutOfRange, 0},
        {"", TrackNoCheck::NotANumber, 0},   {"2147483648", TrackNoCheck::NotANumber, 0},
        {"1a", TrackNoCheck::NotANumber, 0}, {" 1", TrackNoCheck::NotANumber, 0},
        {"+-1", TrackNoCheck::NotANumber, 0}, {"-", TrackNoCheck::NotANumber, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = editor::ParseTrackNo(c.text);
        EXPECT_EQ(parsed.check, c.check);
        if (c.check == TrackNoCheck::Ok) {
            EXPECT_EQ(parsed.value, c.value);
        }
    }
}

TEST(TagFrmLogic, SearchBufferHoldsAtMost255Characters)
{
    editor::SearchBuffer buffer;
    for (int i = 0; i < 255; ++i) ASSERT_TRUE(buffer.Append('a'));
    EXPECT_TRUE(buffer.Full());
    EXPECT_FALSE(buffer.Append('b'));
    EXPECT_EQ(buffer.Text(), std::string(255, 'a'));
    buffer.RemoveLast();
    EXPECT_TRUE(buffer.Append('b'));
    EXPECT_EQ(buffer.Text().back(), 'b');
}

TEST(TagFrmLogic, ArtistListsAreMatchedByCountOnly)
{
    const struct {
        Lines v1, lyrics3, v1After, lyrics3After;
    } cases[] = {
        {{"A", "B"}, {"A"}, {"A", "B"}, {"A", "B"}},
        {{"A"}, {"A", "C"}, {"A", "C"}, {"A", "C"}},
        {{"A", "B"}, {"A", "C"}, {"A", "B"}, {"A", "C"}},  // equal counts: neither changes
    };
    for (auto c : cases) {
        editor::MatchArtistLists(c.v1, c.lyrics3);
        EXPECT_EQ(c.v1, c.v1After);
        EXPECT_EQ(c.lyrics3, c.lyrics3After);
    }
}

TEST(TagFrmLogic, MergeKeepsTheFilesOrderAndAddsWhatItLacks)
{
    const Lines file{"[TAG_NAME]", "<ARTIST> - <TITLE>", "[OTHER]", "x", "[ARTISTS]", "Abba", "Cher", "[YEARS]", "1999"};
    const auto merged = editor::MergedHistory(file, {{"cher", "Blur", "Abba"}, {"2001"}, {}});
    ASSERT_EQ(merged.size(), 4u);
    EXPECT_EQ(merged[0].name, "TAG_NAME");
    EXPECT_EQ(merged[0].entries, Lines{"<ARTIST> - <TITLE>"});
    EXPECT_EQ(merged[1].entries, (Lines{"Abba", "Cher", "Blur"}));
    EXPECT_EQ(merged[2].entries, (Lines{"1999", "2001"}));
    EXPECT_TRUE(merged[3].entries.empty());
}

// ---- the window's lists ----------------------------------------------------------------

using TagFrmHistory = TagFrmTest;

TEST_F(TagFrmHistory, LeavingAnArtistBoxAddsANewNameToBothLists)
{
    WriteBytes(HistoryPath(), "[ARTISTS]\r\nAbba\r\n");
    auto& w = Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) {
        user.ReplaceText(w.V1Artist, "Blur");
        user.Focus(w.V1Title);
        user.ReplaceText(w.V1Artist, "ABBA");  // differs only in case
        user.Focus(w.V1Title);
        user.ReplaceText(w.V1Artist, "");  // empty: would end the section in the file
        user.Focus(w.V1Title);
    });
    EXPECT_EQ(w.V1Artist.Items(), (Lines{"Abba", "Blur"}));
    EXPECT_EQ(w.Lyrics3Artist.Items(), (Lines{"Abba", "Blur"}));
}

// Letter case is ignored as the code page has its letters: in history entries
// and in type-ahead, while a name that only begins an entry is another name.
TEST_F(TagFrmHistory, HistoryAndTypeAheadIgnoreLetterCaseInTheCodePage)
{
    const struct {
        unsigned codePage;
        const char *stored, *typed, *left;  // typed into the artist box, then the name left there
        bool added;
    } cases[] = {
        {1251, "\xCA\xE8\xED\xEE", "\xEA", "\xCA\xC8\xCD\xCE", false},  // Кино; к; КИНО
        {1251, "\xB8\xEB\xEA\xE0", "\xA8", "\xA8\xCB\xCA\xC0", false},  // ёлка; Ё; ЁЛКА
        {1252, "\xC9t\xE9", "\xE9", "\xE9T\xC9", false},                 // Été; é; éTÉ
        {1252, "Abba", "aB", "Ab", true},
    };
    for (const auto& c : cases) {
        const AnsiCodePageScope scope(c.codePage);
        if (!scope.active()) continue;
        SCOPED_TRACE(c.left);
        frm.reset();  // writes its histories; the case's own come after
        WriteBytes(HistoryPath(), std::string("[ARTISTS]\r\n") + c.stored + "\r\n");
        auto& w = Opened(Song(kAudio + kRecord), [&c](User& user, TATagFrm& w) {
            user.TypeText(w.V1Artist, c.typed);
            EXPECT_EQ(w.V1Artist.Text(), c.stored);
            user.ReplaceText(w.V1Artist, c.left);
            user.Focus(w.V1Title);
        });
        EXPECT_EQ(w.V1Artist.Items(), (c.added ? Lines{c.stored, c.left} : Lines{c.stored}));
    }
}

TEST_F(TagFrmHistory, YearAndCommentBoxesKeepTheirOwnLists)
{
    auto& w = Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) {
        user.Focus(w.V1Year);
        user.Focus(w.V1Comment);
        user.Focus(w.V1Title);
    });
    EXPECT_EQ(w.V1Year.Items(), Lines{"1999"});
    EXPECT_EQ(w.V1Comment.Items(), Lines{"Nice"});
    EXPECT_TRUE(w.V1Artist.Items().empty());
}

TEST_F(TagFrmHistory, EmptyLineInTheFileHidesTheEntriesAfterIt)
{
    WriteBytes(HistoryPath(), "[ARTISTS]\r\nAbba\r\n\r\nCher\r\n[YEARS]\r\n1999\r\n");
    auto& w = Window(Song(kAudio + kRecord));
    EXPECT_EQ(w.V1Artist.Items(), Lines{"Abba"});
    EXPECT_EQ(w.Lyrics3Artist.Items(), Lines{"Abba"});
    EXPECT_EQ(w.V1Year.Items(), Lines{"1999"});
}

TEST_F(TagFrmHistory, DestructionWritesTemplatesFirstAndDropsOtherSections)
{
    WriteBytes(HistoryPath(), "[OTHER]\r\nx\r\n[TAG_NAME]\r\n<ARTIST>\r\n<TITLE>\r\n[COMMENTS]\r\nOld\r\n");
    Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) {
        user.Focus(w.V1Artist);
        user.Focus(w.V1Title);
    });
    frm.reset();
    EXPECT_EQ(ReadBytes(HistoryPath()),
              "[TAG_NAME]\r\n<ARTIST>\r\n<TITLE>\r\n[ARTISTS]\r\nBand\r\n[COMMENTS]\r\nOld\r\n");
}

TEST_F(TagFrmHistory, NothingToWriteLeavesTheFileAlone)
{
    Window(Song(kAudio + kRecord));
    frm.reset();
    EXPECT_FALSE(platform::FileExists(HistoryPath()));
}

TEST_F(TagFrmHistory, NamesLeftInEitherArtistBoxReachTheFile)
{
    Opened(Song(kAudio + kBlockV2 + kRecord), [](User& user, TATagFrm& w) {
        user.Focus(w.V1Artist);
        user.Focus(w.Lyrics3Artist);  // V1Artist gains "Band", Lyrics3Artist gains "L3Band"
        user.Focus(w.V1Title);
        EXPECT_EQ(w.V1Artist.Items(), (Lines{"Band", "L3Band"}));
    });
    frm.reset();
    EXPECT_EQ(ReadHistorySection(HistoryPath(), history::kArtists), (Lines{"Band", "L3Band"}));
}

// Several editors and a list editor destroyed at unload, in either order:
// every entry any of them gained reaches the file, templates included.
TEST_F(TagFrmHistory, WindowsDestroyedInTurnEachAddTheirEntries)
{
    for (const bool firstCreatedGoesFirst : {true, false}) {
        SCOPED_TRACE(firstCreatedGoesFirst ? "first created destroyed first" : "newest destroyed first");
        WriteBytes(HistoryPath(), "[ARTISTS]\r\nAbba\r\n");
        auto a = std::make_unique<TATagFrm>(backend, probe, ModuleFile());
        auto b = std::make_unique<TATagFrm>(backend, probe, ModuleFile());
        for (auto* w : {a.get(), b.get()}) {
            w->TargetFile = Song(kAudio + kRecord);
            w->Create();
        }
        const auto gain = [this](TATagFrm& w, const char* artist, const char* year) {
            backend.WhileModal([&w, artist, year](User& user) {
                user.ReplaceText(w.V1Artist, artist);
                user.ReplaceText(w.V1Year, year);
                user.Focus(w.V1Title);
            });
            w.ShowModal(0);
        };
        gain(*a, "Blur", "2001");
        gain(*b, "Cher", "1999");
        auto& first = firstCreatedGoesFirst ? a : b;
        auto& second = firstCreatedGoesFirst ? b : a;
        first.reset();
        ReplaceHistorySection(HistoryPath(), {history::kTemplates, {"<ARTIST> - <TITLE>"}});  // a list editor
        second.reset();

        EXPECT_EQ(ReadHistorySection(HistoryPath(), history::kTemplates), Lines{"<ARTIST> - <TITLE>"});
        const Lines artists = firstCreatedGoesFirst ? Lines{"Abba", "Blur", "Cher"} : Lines{"Abba", "Cher", "Blur"};
        EXPECT_EQ(ReadHistorySection(HistoryPath(), history::kArtists), artists);
        const auto years = ReadHistorySection(HistoryPath(), history::kYears).value_or(Lines{});
        EXPECT_EQ(years.size(), 2u);  // "1999" (the song's year) and "2001", once each
        EXPECT_TRUE(editor::ContainsIgnoringCase(years, "2001"));
    }
}

}  // namespace

namespace {

// A long session of the player: every window opened stays with the
// application object until unload, histories and all, but one that is closed
// holds no system resources (a peer stands for a control's real window).
TEST_F(TagFrmHistory, ManyOpeningsHoldOneWindowsResourcesAndKeepEveryEntry)
{
    constexpr int kOpenings = 20;
    const std::string song = Song(kAudio + kRecord);
    Application app;
    std::vector<int> editorPeers, listPeers;
    for (int i = 0; i < kOpenings; ++i) {
        TATagFrm* editor = nullptr;
        backend.QueueAnswer(ui::answer::No);  // the close asks about the typed artist
        backend.WhileModal([&](User& user) {
            user.ReplaceText(editor->V1Artist, "Artist " + std::to_string(i));
            user.Focus(editor->V1Title);
            editorPeers.push_back(backend.LivePeers());
            user.Close(*editor);
        });
        app.Open(backend, 0, [&] { return std::make_unique<TATagFrm>(backend, probe, ModuleFile()); },
                 [&](ui::Form& form) {
                     editor = &static_cast<TATagFrm&>(form);
                     editor->TargetFile = song;
                 });
        EXPECT_EQ(backend.LivePeers(), 0) << "after closing editor " << i;

        TAListEditor* list = nullptr;
        backend.WhileModal([&](User& user) {
            listPeers.push_back(backend.LivePeers());
            user.Close(*list);
        });
        app.Open(backend, 0, [&] { return std::make_unique<TAListEditor>(backend, ModuleFile()); },
                 [&](ui::Form& form) { list = &static_cast<TAListEditor&>(form); });
        EXPECT_EQ(backend.LivePeers(), 0) << "after closing list editor " << i;
    }
    EXPECT_EQ(app.WindowCount(), 2u * kOpenings);
    EXPECT_GT(editorPeers[0], 0);
    EXPECT_EQ(editorPeers, std::vector<int>(kOpenings, editorPeers[0]));
    EXPECT_EQ(listPeers, std::vector<int>(kOpenings, listPeers[0]));

    app.DestroyWindows();
    const Lines artists = ReadHistorySection(HistoryPath(), history::kArtists).value_or(Lines{});
    for (int i = 0; i < kOpenings; ++i)
        EXPECT_EQ(std::count(artists.begin(), artists.end(), "Artist " + std::to_string(i)), 1) << i;
}

}  // namespace
