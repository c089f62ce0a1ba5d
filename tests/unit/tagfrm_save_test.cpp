// Saving in the single-file editor: what reaches the file, what the host is
// asked, the status texts, the read-only attribute and the refused saves.
#include "codepage_test_support.h"
#include "tagfrm_test_support.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace sonrik;
using namespace sonrik::testing;
using sonrik::ui::headless::User;

namespace {

using TagFrmSave = TagFrmTest;
using Commands = std::vector<std::uintptr_t>;
const Commands kStopResume{hostmsg::StopPlayback, hostmsg::ResumePlayback};

const char* const kStopping = "Остановка воспроизведения ...";
const char* const kWriting = "Сохранение изменений ...";
const char* const kResuming = "Возобновление воспроизведения";
const char* const kRemoving = "Удаление атрибута \"Только чтение\"";
const char* const kRestoring = "Восстановление атрибута \"Только чтение\"";
const char* const kSaved = "Изменения сохранены!";
const char* const kNotSaved = "Изменения не сохранены!";

void EditAndSave(User& user, TATagFrm& w)
{
    user.ReplaceText(w.V1Title, "New");
    user.Click(w.BtSave);
}

// The values a fresh tag object reads from the file.
struct Reread {
    explicit Reread(const std::string& path) { id3.LoadFromFile(path); }
    twID3::TtwID3 id3;
};

TEST_F(TagFrmSave, SaveWritesTheRecordAndTellsTheHostAroundIt)
{
    const std::string path = Song(kAudio + kRecord);
    auto& w = Opened(path, [](User& user, TATagFrm& w) {
        user.ReplaceText(w.V1Title, "New");
        user.Pick(w.V1Genr, 2);
        user.ReplaceText(w.V1TrackNo, "12");
        user.Click(w.BtSave);
    });
    EXPECT_TRUE(SameBytes(ReadBytes(path), kAudio + Record("New", "Band", "Disc", "1999", "Nice", 12, 2)));
    EXPECT_EQ(HostCommands(), kStopResume);
    EXPECT_EQ(status, (std::vector<std::string>{kStopping, kWriting, kResuming, kSaved, ""}));
    EXPECT_EQ(backend.Waits(), std::vector<int>{1000});
    EXPECT_FALSE(w.BtSave.Enabled());
    EXPECT_FALSE(w.TagsChanged());
    EXPECT_EQ(w.V1Title.Text(), "New");
    EXPECT_EQ(backend.CurrentCursor(), ui::Cursor::Normal);
    EXPECT_NE(std::find(backend.Journal().begin(), backend.Journal().end(), "focus-window:ATagFrm"),
              backend.Journal().end());
}

TEST_F(TagFrmSave, SaveWithLyrics3StopsTwiceAndWritesBothTags)
{
    const std::string path = Song(kAudio + kBlockV2 + kRecord);
    Opened(path, [](User& user, TATagFrm& w) {
        user.ReplaceText(w.Lyrics3Title, "Other");
        user.ReplaceText(w.MemoLyrics, "Line one\r\nLine two");
        EditAndSave(user, w);
    });
    EXPECT_EQ(HostCommands(), (Commands{hostmsg::StopPlayback, hostmsg::StopPlayback, hostmsg::ResumePlayback}));
    EXPECT_EQ(status, (std::vector<std::string>{kStopping, kWriting, kStopping, kWriting, kResuming, kSaved, ""}));
    const std::string bytes = ReadBytes(path);
    EXPECT_EQ(bytes.substr(0, kAudio.size()), kAudio);
    Reread file(path);
    EXPECT_EQ(file.id3.ID3v1().Title(), "New");
    EXPECT_EQ(file.id3.ID3v1().Lyrics3().Title(), "Other");
    EXPECT_EQ(file.id3.ID3v1().Lyrics3().Lyrics(), (twID3::LineList{"Line one", "Line two"}));
    EXPECT_EQ(file.id3.ID3v1().Lyrics3().Author(), "Anna");
}

TEST_F(TagFrmSave, GenreWithoutSelectionKeepsTheStoredOne)
{
    const std::string path = Song(kAudio + Record("Song", "", "", "", "", 1, 200));
    Opened(path, EditAndSave);
    EXPECT_TRUE(SameBytes(ReadBytes(path), kAudio + Record("New", "", "", "", "", 1, 200)));
}

struct RefusalCase {
    const char* name;
    std::string bytes;
    int refusedStop;  // 1: the first stop request, 2: the second
    Commands sent;
    bool lyrics3Written;
};

TEST_F(TagFrmSave, HostRefusingToStopWritesNothingInThatStep)
{
    const RefusalCase cases[] = {
        {"ID3v1 only", kAudio + kRecord, 1, {hostmsg::StopPlayback}, false},
        {"Lyrics3 step", kAudio + kBlockV2 + kRecord, 1, {hostmsg::StopPlayback}, false},
        {"main step", kAudio + kBlockV2 + kRecord, 2, {hostmsg::StopPlayback, hostmsg::StopPlayback}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        status.clear();
        const std::size_t sentBefore = backend.HostMessages().size();
        backend.SetHostAnswer(hostmsg::Command, hostmsg::StopPlayback, 0);
        int stops = 0;
        backend.OnHostMessage([&](const ui::headless::HostMessage& m) {
            if (m.wParam == hostmsg::StopPlayback && ++stops == c.refusedStop - 1)
                backend.SetHostAnswer(hostmsg::Command, hostmsg::StopPlayback, 1);
        });
        if (c.refusedStop == 1) backend.SetHostAnswer(hostmsg::Command, hostmsg::StopPlayback, 1);
        const std::string path = Song(c.bytes);
        auto& w = Opened(path, [](User& user, TATagFrm& w) {
            if (w.V1UseLyrics3.Checked()) {
                user.ReplaceText(w.Lyrics3Author, "Bob");
                user.ReplaceText(w.MemoLyrics, "Unsaved");
            }
            EditAndSave(user, w);
        });
        EXPECT_EQ(HostCommands(sentBefore), c.sent);
        EXPECT_EQ(status.back(), "");
        EXPECT_EQ(status[status.size() - 2], kNotSaved);
        EXPECT_TRUE(w.BtSave.Enabled());
        EXPECT_TRUE(w.TagsChanged());
        Reread file(path);
        EXPECT_EQ(file.id3.ID3v1().Title(), "Song");  // the main step wrote nothing
        if (c.bytes.find("LYRICS") != std::string::npos) {
            EXPECT_EQ(file.id3.ID3v1().Lyrics3().Author(), c.lyrics3Written ? "Bob" : "Anna");
        }
        if (c.refusedStop == 1 && c.bytes.find("LYRICS") != std::string::npos) {
            EXPECT_EQ(w.MemoLyrics.Text(), "Hello");  // memo edits replaced by what is stored
        }
        if (c.refusedStop == 2) {
            EXPECT_EQ(w.V1Title.Text(), "New");  // as the object holds it
        }
        frm.reset();
    }
}

// ---- refused values ----------------------------------------------------------------------

struct TrackCase {
    const char* text;
    const char* error;
};

TEST_F(TagFrmSave, TrackNumberTheRecordCannotHoldStopsTheSaveBeforeAnything)
{
    const TrackCase cases[] = {
        {"300", "Номер дорожки '300' вне допустимого диапазона: введите число от 0 до 255."},
        {"256", "Номер дорожки '256' вне допустимого диапазона: введите число от 0 до 255."},
        {"", "'' is not a valid integer value."},
        {"99999999999", "'99999999999' is not a valid integer value."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::size_t errors = backend.ErrorBoxes().size();
        const std::size_t messages = backend.HostMessages().size();
        const std::string path = Song(kAudio + kBlockV2 + kRecord);
        auto& w = Opened(path, [&c](User& user, TATagFrm& w) {
            user.ReplaceText(w.V1TrackNo, c.text);
            EditAndSave(user, w);
        });
        ASSERT_EQ(backend.ErrorBoxes().size(), errors + 1);
        EXPECT_EQ(backend.ErrorBoxes().back(), c.error);
        EXPECT_EQ(backend.HostMessages().size(), messages);
        EXPECT_TRUE(SameBytes(ReadBytes(path), kAudio + kBlockV2 + kRecord));
        EXPECT_TRUE(w.BtSave.Enabled());
        frm.reset();
    }
}

// What the user types reaches the file as its bytes in the system's code
// page, or the save is refused before anything is asked or written, naming
// the field and the character in the window's language.
TEST_F(TagFrmSave, CharactersTheCodePageCannotHoldStopTheSaveBeforeAnything)
{
    using Field = ui::Control& (*)(TATagFrm&);
    const Field title = [](TATagFrm& w) -> ui::Control& { return w.V1Title; };
    const struct {
        unsigned codePage;
        const char* english;
        Field field;
        std::u8string_view typed;
        const char* error;  // none: saved, with the title's bytes below
        const char* title;
    } cases[] = {
        {1252, "0", title, u8"Кино",
         "Поле \"Название (ID3v1)\" содержит символ \"К\" (U+041A), которого нет в кодовой странице системы. "
         "Ничего не сохранено: исправьте поле и сохраните снова.", nullptr},
        {1251, "1", [](TATagFrm& w) -> ui::Control& { return w.MemoLyrics; }, u8"Café",
         "The field \"Lyrics (Lyrics3)\" holds the character \"é\" (U+00E9), which the system's code page cannot "
         "hold. Nothing was saved: change the field and save again.", nullptr},
        {1251, "1", [](TATagFrm& w) -> ui::Control& { return w.Lyrics3Author; }, u8"≈", "\"≈\" (U+2248)", nullptr},
        {1251, "1", title, u8"Кино №", nullptr, "\xCA\xE8\xED\xEE \xB9"},
        {1252, "1", title, u8"Café €", nullptr, "Caf\xE9 \x80"},
    };
    for (const auto& c : cases) {
        const AnsiCodePageScope scope(c.codePage);
        if (!scope.active()) continue;
        SCOPED_TRACE(std::string(text::Bytes(c.typed)));
        Settings(setting::kEng, c.english);
        const std::size_t errors = backend.ErrorBoxes().size();
        const std::string path = Song(kAudio + kBlockV2 + kRecord);
        auto& w = Opened(path, [&c](User& user, TATagFrm& w) {
            user.ReplaceText(c.field(w), c.typed);
            user.Click(w.BtSave);
        });
        if (c.error) {
            ASSERT_EQ(backend.ErrorBoxes().size(), errors + 1);
            EXPECT_NE(backend.ErrorBoxes().back().find(c.error), std::string::npos) << backend.ErrorBoxes().back();
            EXPECT_TRUE(backend.Questions().empty());
            EXPECT_TRUE(HostCommands().empty());
            EXPECT_TRUE(SameBytes(ReadBytes(path), kAudio + kBlockV2 + kRecord));
            EXPECT_TRUE(w.BtSave.Enabled());
        } else {
            EXPECT_EQ(backend.ErrorBoxes().size(), errors);
            EXPECT_EQ(Reread(path).id3.ID3v1().Title(), c.title);
        }
        frm.reset();
    }
}

TEST_F(TagFrmSave, TrackNumberErrorOnClosingKeepsTheWindowOpen)
{
    backend.QueueAnswer(ui::answer::Yes);
    Opened(Song(kAudio + kRecord), [](User& user, TATagFrm& w) {
        user.ReplaceText(w.V1TrackNo, "300");
        user.Click(w.BtExit);
    });
    EXPECT_EQ(backend.ErrorBoxes().size(), 1u);
    EXPECT_EQ(std::count(backend.Journal().begin(), backend.Journal().end(), "closed"), 0);
}

TEST_F(TagFrmSave, BlockTheFormatCannotHoldIsReportedWithItsOwnText)
{
    const std::string path = Song(kAudio + kBlockV1 + kRecord);
    auto& w = Opened(path, [](User& user, TATagFrm& w) {
        user.ReplaceText(w.MemoLyrics, std::string(6000, 'x'));
        EditAndSave(user, w);
    });
    ASSERT_EQ(backend.ErrorBoxes().size(), 1u);
    EXPECT_NE(backend.ErrorBoxes()[0].find("version 1 block can hold at most 5100 bytes"), std::string::npos);
    EXPECT_EQ(backend.ErrorBoxes()[0].find("Error:"), std::string::npos);
    // The Lyrics3 step wrote its block as it stood (the memos go in with the
    // main step); the main step refused the lyrics before touching the file.
    EXPECT_TRUE(SameBytes(ReadBytes(path), kAudio + kBlockV1 + kRecord));
    EXPECT_EQ(HostCommands(), (Commands{hostmsg::StopPlayback, hostmsg::StopPlayback}));
    EXPECT_EQ(backend.CurrentCursor(), ui::Cursor::Normal);
    EXPECT_TRUE(w.BtSave.Enabled());
}

// ---- read-only files -----------------------------------------------------------------------

bool RootWritesAnyway(const std::string& path)
{
    std::fstream probe(path, std::ios::in | std::ios::out | std::ios::binary);
    return probe.is_open();
}

struct ReadOnlyCase {
    const char* name;
    bool autoremove, autorestore;
    int answer;  // 0: no question expected
    bool saved;
    bool readOnlyAfter;
    std::vector<std::string> status;
    std::vector<int> waits;
};

TEST_F(TagFrmSave, ReadOnlyFileFollowsTheOptionsAndTheAnswer)
{
    const ReadOnlyCase cases[] = {
        {"ask, Yes", false, false, ui::answer::Yes, true, false,
         {kRemoving, kStopping, kWriting, kResuming, kSaved, ""}, {500, 1000}},
        {"ask, Yes, restore", false, true, ui::answer::Yes, true, true,
         {kRemoving, kStopping, kWriting, kResuming, kRestoring, kSaved, ""}, {500, 500, 1000}},
        {"automatic", true, false, 0, true, false, {kRemoving, kStopping, kWriting, kResuming, kSaved, ""}, {500, 1000}},
        {"automatic, restore", true, true, 0, true, true,
         {kRemoving, kStopping, kWriting, kResuming, kRestoring, kSaved, ""}, {500, 500, 1000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Settings(setting::kAutoRemoveReadOnly, c.autoremove ? "1" : "0");
        Settings(setting::kAutoRestoreReadOnly, c.autorestore ? "1" : "0");
        const std::string path = Song(kAudio + kRecord);
        platform::SetReadOnly(path, true);
        if (c.answer != 0) backend.QueueAnswer(c.answer);
        const std::size_t asked = backend.Questions().size();
        const std::size_t waited = backend.Waits().size();
        status.clear();
        Opened(path, EditAndSave);
        ASSERT_EQ(backend.Questions().size() - asked, c.answer != 0 ? 1u : 0u);
        if (c.answer != 0) {
            const auto& q = backend.Questions().back();
            EXPECT_EQ(q.text, "Файл song.mp3 \"Только для чтения\".\rИзменить это свойство для сохранения изменений?");
            EXPECT_EQ(q.ownerWindow, kHostWindow);
            EXPECT_EQ(q.flags, ui::mb::YesNo | ui::mb::IconQuestion);
        }
        EXPECT_EQ(Reread(path).id3.ID3v1().Title(), c.saved ? "New" : "Song");
        EXPECT_EQ(platform::IsReadOnly(path), c.readOnlyAfter);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(std::vector<int>(backend.Waits().begin() + static_cast<std::ptrdiff_t>(waited), backend.Waits().end()),
                  c.waits);
        frm.reset();
        platform::SetReadOnly(path, false);
    }
}

TEST_F(TagFrmSave, ReadOnlyFileKeptLockedFailsWithTheSystemsCode)
{
    const std::string path = Song(kAudio + kRecord);
    platform::SetReadOnly(path, true);
    if (RootWritesAnyway(path)) GTEST_SKIP() << "this account writes read-only files regardless";
    backend.QueueAnswer(ui::answer::No);
    auto& w = Opened(path, EditAndSave);
    ASSERT_EQ(backend.ErrorBoxes().size(), 1u);
    EXPECT_EQ(backend.ErrorBoxes()[0], "Can not save changes. Error:5.");
    EXPECT_EQ(HostCommands(), Commands{hostmsg::StopPlayback});  // no resume after an error
    EXPECT_TRUE(SameBytes(ReadBytes(path), kAudio + kRecord));
    EXPECT_TRUE(platform::IsReadOnly(path));
    EXPECT_TRUE(w.BtSave.Enabled());
    EXPECT_EQ(text::Bytes(w.StatusBar.PanelText(0)), "");
}

TEST_F(TagFrmSave, ReadOnlyPromptComesAgainOnASecondSaveWithoutReload)
{
    const std::string path = Song(kAudio + kRecord);
    platform::SetReadOnly(path, true);
    backend.QueueAnswer(ui::answer::Yes);
    backend.QueueAnswer(ui::answer::Yes);
    Opened(path, [](User& user, TATagFrm& w) {
        EditAndSave(user, w);
        user.ReplaceText(w.V1Album, "Again");
        user.Click(w.BtSave);
    });
    EXPECT_EQ(backend.Questions().size(), 2u);
    EXPECT_EQ(Reread(path).id3.ID3v1().Album(), "Again");
}

TEST_F(TagFrmSave, ReadOnlyOptionsAreOfferedOnlyForReadOnlyFiles)
{
    const std::string path = Song(kAudio + kRecord);
    auto& w = Opened(path);
    EXPECT_FALSE(w.Autoremowe.Enabled());
    platform::SetReadOnly(path, true);
    Show([](User& user, TATagFrm& w) {
        user.Click(w.Reload);
        EXPECT_TRUE(w.Autoremowe.Enabled());
        EXPECT_FALSE(w.Autorestore.Enabled());
        user.Click(w.Autoremowe);
        EXPECT_TRUE(w.Autorestore.Enabled());
        user.Click(w.Autorestore);
    });
    EXPECT_EQ(Setting(setting::kAutoRemoveReadOnly), "1");
    EXPECT_EQ(Setting(setting::kAutoRestoreReadOnly), "1");
}

}  // namespace
