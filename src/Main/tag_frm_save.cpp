// Saving the tags of one file: the read-only attribute around the write, the
// requests to the host to stop and resume playback, the two write steps and
// the status texts.
#include "Main/tag_frm.h"

#include "platform/errors.h"
#include "sonrik/host_link.h"

#include <vector>

namespace sonrik {

using editor::TagFrmMessage;

namespace {
constexpr int kAttributeWait = 500;
constexpr int kResultWait = 1000;
}  // namespace

void TATagFrm::ReadFileAttributes()
{
    try {
        savedAttributes_ = platform::GetFileAttributeWord(TargetFile);
    } catch (const IoError&) {
        // Attributes that cannot be read are treated as those of a writable
        // file; a write that then fails says why.
        savedAttributes_ = 0;
    }
    fileIsReadOnly_ = (savedAttributes_ & platform::kAttributeReadOnly) != 0;
    Autoremowe.SetEnabled(fileIsReadOnly_);
    Autorestore.SetEnabled(fileIsReadOnly_ && Autoremowe.Checked());
}

void TATagFrm::AutoremoweClick()
{
    Autorestore.SetEnabled(fileIsReadOnly_ && Autoremowe.Checked());
    settingsFile_->WriteBool(setting::kAutoRemoveReadOnly, Autoremowe.Checked());
}

void TATagFrm::AutorestoreClick() { settingsFile_->WriteBool(setting::kAutoRestoreReadOnly, Autorestore.Checked()); }

std::uint8_t TATagFrm::CheckTrackNo() const
{
    const auto track = editor::ParseTrackNo(V1TrackNo.Text());
    const std::u8string shown = text::FromAnsi(V1TrackNo.Text());
    switch (track.check) {
    case editor::TrackNoCheck::Ok: return track.value;
    case editor::TrackNoCheck::NotANumber: throw ConvertError(shown);
    case editor::TrackNoCheck::OutOfRange: break;
    }
    throw Error(text::FillIn(Message(TagFrmMessage::TrackNoOutOfRange), u8"%s", shown));
}

// A field holding a character the code page cannot hold would reach the file
// with '?' in its place: the save is refused, naming the field and the
// character, before anything is asked or written.
void TATagFrm::CheckFieldsHeld() const
{
    struct Field {
        std::optional<char32_t> unheld;
        const ui::Control* name;  // its label, or its page
        std::u8string_view tag;
    };
    constexpr std::u8string_view v1 = u8"ID3v1", lyrics3 = u8"Lyrics3";
    std::vector<Field> fields = {
        {V1Title.UnheldCharacter(), &LTitle, v1},       {V1Artist.UnheldCharacter(), &LArtist, v1},
        {V1Album.UnheldCharacter(), &LAlbum, v1},       {V1Year.UnheldCharacter(), &LYear, v1},
        {V1Comment.UnheldCharacter(), &LComment, v1},   {MemoLyrics.UnheldCharacter(), &TabSheet1, lyrics3},
        {MemoImages.UnheldCharacter(), &TabSheet2, lyrics3}, {MemoInfos.UnheldCharacter(), &TabSheet3, lyrics3},
    };
    // The Lyrics3 fields go into the tag only when it is in use.
    if (V1UseLyrics3.Checked()) {
        fields.insert(fields.end(), {{Lyrics3Title.UnheldCharacter(), &LLyrTitle, lyrics3},
                                     {Lyrics3Artist.UnheldCharacter(), &LLyrArtist, lyrics3},
                                     {Lyrics3Album.UnheldCharacter(), &LLyrAlbum, lyrics3},
                                     {Lyrics3Author.UnheldCharacter(), &LLyrAuthor, lyrics3}});
    }
    for (const Field& field : fields) {
        if (!field.unheld) continue;
        const std::u8string name = field.name->Caption() + u8" (" + std::u8string(field.tag) + u8")";
        throw Error(text::FillIn(text::FillIn(Message(TagFrmMessage::UnheldCharacter), u8"%f", name), u8"%c",
                                 text::CharacterName(*field.unheld)));
    }
}

void TATagFrm::SaveID3v1()
{
    // Values the tags cannot hold stop the save before anything is asked,
    // changed or written.
    CheckTrackNo();
    CheckFieldsHeld();

    if (fileIsReadOnly_) {
        if (Autoremowe.Checked()) {
            RemoveReadOnly();
        } else {
            const std::u8string name = text::FromAnsi(editor::FileNameOf(TargetFile));
            const std::u8string prompt = text::FillIn(Message(TagFrmMessage::ReadOnlyLine1), u8"%S", name) + u8"\r" +
                                       Message(TagFrmMessage::ReadOnlyLine2);
            if (GetBackend().ShowMessageBox({nullptr, HostWindow}, prompt, hostmsg::QuestionCaption,
                                            ui::mb::YesNo | ui::mb::IconQuestion) == ui::answer::Yes)
                RemoveReadOnly();
        }
    }

    ui::Backend& backend = GetBackend();
    backend.SetCursor(ui::Cursor::HourGlass);
    bool saved = false;
    // After an error nothing of the save counts as done, whatever a first
    // step reported: Save stays offered.
    const auto failed = [this, &backend] {
        RestoreAttributes();
        SetStatus({});
        backend.SetCursor(ui::Cursor::Normal);
        BtSave.SetEnabled(true);
    };
    try {
        saved = V1UseLyrics3.Checked() ? SaveLyrics3Step() && SaveTagsStep() : SaveTagsStep();
    } catch (const IoError& e) {
        failed();
        throw Error(text::FillIn(editor::kCanNotSave, u8"%d", text::AsUtf8(std::to_string(e.code()))));
    } catch (...) {
        // Anything else (a block the format cannot hold, say) keeps its own text.
        failed();
        throw;
    }
    RestoreAttributes();
    SetStatus(Message(saved ? TagFrmMessage::Saved : TagFrmMessage::NotSaved));

    backend.SetCursor(ui::Cursor::Normal);
    backend.ProcessMessages();
    backend.Wait(kResultWait);
    SetStatus({});
    backend.ProcessMessages();
    // Not moving off the active control: an exit would add history entries.
    FocusWindow();
    BtSave.SetEnabled(!saved);
    tagsChanged_ = !saved;
}

void TATagFrm::RemoveReadOnly()
{
    ShowStatus(TagFrmMessage::RemovingReadOnly);
    GetBackend().Wait(kAttributeWait);
    SetAttributes(savedAttributes_ & ~platform::kAttributeReadOnly);
}

void TATagFrm::RestoreAttributes()
{
    if (!fileIsReadOnly_ || !Autorestore.Checked()) return;
    GetBackend().Wait(kAttributeWait);
    GetBackend().ProcessMessages();
    SetStatus(Message(TagFrmMessage::RestoringReadOnly));
    SetAttributes(savedAttributes_);
}

void TATagFrm::SetAttributes(platform::FileAttributes attributes)
{
    try {
        platform::SetFileAttributeWord(TargetFile, attributes);
    } catch (const IoError&) {
        // Not reported: a change that failed shows through the write after it.
    }
}

bool TATagFrm::SaveLyrics3Step()
{
    auto& lyrics3 = ID31.ID3v1().Lyrics3();
    lyrics3.SetUseTimestamp(Lyrics3UseTimestamp.Checked());
    lyrics3.SetAuthor(editor::ShortString(Lyrics3Author.Text()));
    lyrics3.SetTitle(editor::ShortString(Lyrics3Title.Text()));
    lyrics3.SetArtist(editor::ShortString(Lyrics3Artist.Text()));
    lyrics3.SetAlbum(editor::ShortString(Lyrics3Album.Text()));

    ShowStatus(TagFrmMessage::Stopping);
    if (!HostLink(GetBackend(), HostWindow).StopPlayback()) {
        LoadLyrics3Controls();
        return false;
    }
    ShowStatus(TagFrmMessage::Writing);
    ID31.ID3v1().Save();
    const bool saved = ID31.Success() == twID3::id3Success;
    BtSave.SetEnabled(!saved);
    return saved;
}

bool TATagFrm::SaveTagsStep()
{
    // Filled in place: no setter runs, so no flag is raised here.
    auto& lyrics3 = ID31.ID3v1().Lyrics3();
    lyrics3.Images() = MemoImages.Lines();
    lyrics3.Infos() = MemoInfos.Lines();
    lyrics3.Lyrics() = MemoLyrics.Lines();
    lyrics3.Others() = MemoOthers.Lines();

    // Checked again: input handled while the first step waited may have changed it.
    const std::uint8_t trackNo = CheckTrackNo();
    auto& v1 = ID31.ID3v1();
    v1.SetTitle(editor::ShortString(V1Title.Text()));
    v1.SetArtist(editor::ShortString(V1Artist.Text()));
    v1.SetAlbum(editor::ShortString(V1Album.Text()));
    v1.SetYear(editor::ShortString(V1Year.Text()));
    v1.SetComment(editor::ShortString(V1Comment.Text()));
    v1.SetGenreID(editor::GenreIdOfIndex(V1Genr.ItemIndex()));
    v1.SetTrackNo(trackNo);
    v1.SetUseID3v11(V1UseID3v11.Checked());

    const HostLink host(GetBackend(), HostWindow);
    ShowStatus(TagFrmMessage::Stopping);
    if (!host.StopPlayback()) {
        LoadID3v1Controls();
        return false;
    }
    ShowStatus(TagFrmMessage::Writing);
    ID31.Save();
    const bool saved = ID31.Success() == twID3::id3Success;
    ShowStatus(TagFrmMessage::Resuming);
    host.ResumePlayback();
    return saved;
}

}  // namespace sonrik
