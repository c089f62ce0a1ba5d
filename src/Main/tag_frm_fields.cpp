// The editing aids: the copy buttons ">>" and "<<", the use-tag boxes with
// their "Clear all values?" question, and the artist, year and comment
// histories.
#include "Main/tag_frm.h"

#include "sonrik/history_file.h"

#include <optional>

namespace sonrik {

using editor::TagFrmMessage;

void TATagFrm::SetLyrClick()
{
    // A click from code, as the user's: switches the Lyrics3 tag on.
    if (!V1UseLyrics3.Checked()) V1UseLyrics3.SetChecked(true);
    auto& lyrics3 = ID31.ID3v1().Lyrics3();
    if (tagsChanged_) {
        lyrics3.SetTitle(editor::ShortString(V1Title.Text()));
        lyrics3.SetArtist(editor::ShortString(V1Artist.Text()));
        lyrics3.SetAlbum(editor::ShortString(V1Album.Text()));
    } else {
        tagsChanged_ = true;
        const auto& v1 = ID31.ID3v1();
        lyrics3.SetTitle(v1.Title());
        lyrics3.SetArtist(v1.Artist());
        lyrics3.SetAlbum(v1.Album());
    }
    LoadLyrics3Controls();
}

void TATagFrm::SetID3Click()
{
    auto& v1 = ID31.ID3v1();
    if (tagsChanged_) {
        v1.SetTitle(editor::ShortString(Lyrics3Title.Text()));
        v1.SetArtist(editor::ShortString(Lyrics3Artist.Text()));
        v1.SetAlbum(editor::ShortString(Lyrics3Album.Text()));
    } else {
        tagsChanged_ = true;
        const auto& lyrics3 = v1.Lyrics3();
        v1.SetTitle(lyrics3.Title());
        v1.SetArtist(lyrics3.Artist());
        v1.SetAlbum(lyrics3.Album());
    }
    LoadID3v1Controls();
}

void TATagFrm::V1UseID3v1Click() { SetID3v1Enabled(V1UseID3v1.Checked(), true); }

void TATagFrm::V1UseID3v2Click()
{
    BtSave.SetEnabled(true);
    tagsChanged_ = true;
    ID31.SetUseID3v2(V1UseID3v2.Checked());
}

void TATagFrm::V1UseLyrics3Click()
{
    // Ticking "Use ID3v1 Tag" along with Lyrics3 must neither clear the
    // ID3v1 fields nor ask, and nothing here may re-enter this handler.
    auto lyrics3 = ui::Detach(V1UseLyrics3.OnClick);
    auto id3v1 = ui::Detach(V1UseID3v1.OnClick);
    if (V1UseLyrics3.Checked()) {
        ID31.SetUseID3v1(true);
        V1UseID3v1.SetChecked(true);
    }
    SetLyrics3Enabled(V1UseLyrics3.Checked(), true);
}

void TATagFrm::Lyrics3UseTimestampClick() { BtSave.SetEnabled(true); }

void TATagFrm::SetID3v1UserSteps(bool on)
{
    const bool cleared = !on && AskYesNo(TagFrmMessage::ClearValues);
    {
        // After Yes the Lyrics3 box goes off silently: its own question is not asked again.
        std::optional<ui::Event<>::Detached> silent;
        if (cleared) silent.emplace(V1UseLyrics3.OnClick);
        V1UseLyrics3.SetChecked(false);
    }
    ID31.ID3v1().ClearRecord();
    ID31.SetUseID3v1(on);
    BtSave.SetEnabled(true);
    tagsChanged_ = true;
}

void TATagFrm::SetLyrics3UserSteps(bool on)
{
    if (!on && AskYesNo(TagFrmMessage::ClearValues)) ID31.ID3v1().Lyrics3().ClearLyrics();
    ID31.ID3v1().SetUseLyrics3(on);
    BtSave.SetEnabled(true);
}

// ---- histories -------------------------------------------------------------------------

void TATagFrm::LoadHistory(std::string_view section, ui::ComboBox& target)
{
    target.SetItems(ReadHistorySection(moduleDir_ + kHistoryFileName, section).value_or(std::vector<std::string>{}));
}

void TATagFrm::V1ArtistExit(ui::ComboBox& sender)
{
    // A text the code page cannot hold would be kept with '?' in it.
    if (auto items = sender.Items(); !sender.UnheldCharacter() && editor::AddHistoryEntry(items, sender.Text()))
        sender.SetItems(std::move(items));
    sender.SetDroppedDown(false);
    MatchArtistLists();
}

void TATagFrm::MatchArtistLists()
{
    auto v1 = V1Artist.Items();
    auto lyrics3 = Lyrics3Artist.Items();
    editor::MatchArtistLists(v1, lyrics3);
    if (v1 != V1Artist.Items()) V1Artist.SetItems(std::move(v1));
    if (lyrics3 != Lyrics3Artist.Items()) Lyrics3Artist.SetItems(std::move(lyrics3));
}

void TATagFrm::SaveHistories()
{
    MatchArtistLists();
    editor::EditorHistory ours{V1Artist.Items(), V1Year.Items(), V1Comment.Items()};
    // An artist left in the Lyrics3 box alone is kept as well.
    editor::MergeEntries(ours.artists, Lyrics3Artist.Items());
    editor::SaveEditorHistory(moduleDir_ + kHistoryFileName, ours);
}

}  // namespace sonrik
