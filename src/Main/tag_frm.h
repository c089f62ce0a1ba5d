// TATagFrm: the single-file editor. It shows and edits the ID3v1 / ID3v1.1
// record (left) and the Lyrics3 block (right) of one MP3 file, copies values
// between them, keeps the artist, year and comment histories and saves both
// tags with the player stopped around the write.
//
// The window itself is here and in tag_frm.cpp; saving is in
// tag_frm_save.cpp, the copy buttons, use-tag boxes and histories in
// tag_frm_fields.cpp. What is not about the window is in tag_frm_logic.h.
#pragma once

#include "Main/tag_frm_language.h"
#include "Main/tag_frm_logic.h"
#include "platform/platform.h"
#include "sonrik/settings_file.h"
#include "twID3/twID3.h"
#include "ui/backend.h"
#include "ui/form.h"
#include "widgets/style_loaders.h"

#include <array>
#include <optional>
#include <string>

namespace sonrik {

class TATagFrm : public ui::Form {
public:
    // `moduleFileName` is the path of the module's own library file; the
    // settings file and the history file lie in its folder.
    TATagFrm(ui::Backend& backend, widgets::StyleProbe& styles, std::string moduleFileName);
    ~TATagFrm() override;

    // Set by the entry point before the window is shown.
    std::string TargetFile;
    ui::WindowHandle HostWindow = 0;

    const std::string& ModuleDir() const { return moduleDir_; }
    bool TagsChanged() const { return tagsChanged_; }
    // The text of the message table in the current language.
    const std::u8string& Message(editor::TagFrmMessage id) const;

    // ---- controls, parents first, in tab order ----
    ui::GroupBox XPGroupBox1{this, "XPGroupBox1"};
    ui::Label LTitle{&XPGroupBox1, "LTitle"};
    ui::Edit V1Title{&XPGroupBox1, "V1Title"};
    ui::Label LArtist{&XPGroupBox1, "LArtist"};
    ui::ComboBox V1Artist{&XPGroupBox1, "V1Artist"};
    ui::Label LAlbum{&XPGroupBox1, "LAlbum"};
    ui::Edit V1Album{&XPGroupBox1, "V1Album"};
    ui::Label LYear{&XPGroupBox1, "LYear"};
    ui::ComboBox V1Year{&XPGroupBox1, "V1Year"};
    ui::Label LComment{&XPGroupBox1, "LComment"};
    ui::ComboBox V1Comment{&XPGroupBox1, "V1Comment"};
    ui::Label LGenre{&XPGroupBox1, "LGenre"};
    ui::ComboBox V1Genr{&XPGroupBox1, "V1Genr", ui::ComboBox::Style::DropDownList};
    ui::Label LTrackNo{&XPGroupBox1, "LTrackNo"};
    ui::Edit V1TrackNo{&XPGroupBox1, "V1TrackNo"};
    ui::Button SetLyr{&XPGroupBox1, "SetLyr"};
    ui::CheckBox V1UseID3v11{&XPGroupBox1, "V1UseID3v11"};

    ui::GroupBox XPGroupBox2{this, "XPGroupBox2"};
    ui::Label LLyrTitle{&XPGroupBox2, "LLyrTitle"};
    ui::Edit Lyrics3Title{&XPGroupBox2, "Lyrics3Title"};
    ui::Label LLyrArtist{&XPGroupBox2, "LLyrArtist"};
    ui::ComboBox Lyrics3Artist{&XPGroupBox2, "Lyrics3Artist"};
    ui::Label LLyrAlbum{&XPGroupBox2, "LLyrAlbum"};
    ui::Edit Lyrics3Album{&XPGroupBox2, "Lyrics3Album"};
    ui::Label LLyrAuthor{&XPGroupBox2, "LLyrAuthor"};
    ui::Edit Lyrics3Author{&XPGroupBox2, "Lyrics3Author"};
    ui::CheckBox Lyrics3UseTimestamp{&XPGroupBox2, "Lyrics3UseTimestamp"};
    ui::Button SetID3{&XPGroupBox2, "SetID3"};
    ui::PageControl Pages{&XPGroupBox2, "Pages"};
    ui::TabSheet TabSheet1{&Pages, "TabSheet1"};
    ui::Memo MemoLyrics{&TabSheet1, "MemoLyrics"};
    ui::TabSheet TabSheet2{&Pages, "TabSheet2"};
    ui::Memo MemoImages{&TabSheet2, "MemoImages"};
    ui::TabSheet TabSheet3{&Pages, "TabSheet3"};
    ui::Memo MemoInfos{&TabSheet3, "MemoInfos"};
    ui::TabSheet TabSheet4{&Pages, "TabSheet4"};
    ui::Memo MemoOthers{&TabSheet4, "MemoOthers"};

    ui::CheckBox V1UseID3v1{this, "V1UseID3v1"};
    ui::CheckBox V1UseLyrics3{this, "V1UseLyrics3"};
    ui::CheckBox V1UseID3v2{this, "V1UseID3v2"};
    ui::Button BtSave{this, "BtSave"};
    ui::Button Reload{this, "Reload"};
    ui::Button BtExit{this, "BtExit"};
    ui::Bevel Bevel2{this, "Bevel2"};
    ui::CheckBox Autoremowe{this, "Autoremowe"};
    ui::CheckBox Autorestore{this, "Autorestore"};
    ui::CheckBox EngBox{this, "EngBox"};
    ui::StatusBar StatusBar{this, "StatusBar"};

    // The tag file object: owns the ID3v1 object, which owns the Lyrics3 object.
    twID3::TtwID3 ID31;

    // Puts the English or the Russian captions and message table in place.
    void ApplyLanguage(bool english);

private:
    void LayOut();
    void AttachHandlers();
    void SetStartingProperties();

    // ---- window (tag_frm.cpp) ----
    void FormCreate();
    void FormActivate();
    void FormClose(bool& canClose);
    void FormDestroy();
    void FormKeyDown(int& key, ui::ShiftState shift);
    void FormKeyPress(char& key);
    void BtExitClick();
    void EngBoxClick();
    void ID3v1Change();
    void V1ArtistEnter();
    void V1CommentEnter();
    void V1GenrExit();
    void V1TitleKeyDown(int& key, ui::ShiftState shift);
    void PaintTabSheet(ui::TabSheet& sheet, const ui::PaintContext& paint);

    void LoadID3v1Controls();
    void LoadLyrics3Controls();
    void SetID3v1Enabled(bool on, bool byUser);
    void SetLyrics3Enabled(bool on, bool byUser);
    bool AskYesNo(editor::TagFrmMessage question);
    void SetStatus(std::u8string_view text);
    void ShowStatus(editor::TagFrmMessage text);

    // ---- saving (tag_frm_save.cpp) ----
    void ReadFileAttributes();
    void AutoremoweClick();
    void AutorestoreClick();
    void SaveID3v1();
    std::uint8_t CheckTrackNo() const;
    void CheckFieldsHeld() const;
    void RemoveReadOnly();
    void RestoreAttributes();
    void SetAttributes(platform::FileAttributes attributes);
    bool SaveLyrics3Step();
    bool SaveTagsStep();

    // ---- copy buttons, use-tag boxes, histories (tag_frm_fields.cpp) ----
    void SetLyrClick();
    void SetID3Click();
    void V1UseID3v1Click();
    void V1UseID3v2Click();
    void V1UseLyrics3Click();
    void Lyrics3UseTimestampClick();
    void V1ArtistExit(ui::ComboBox& sender);
    void SetID3v1UserSteps(bool on);
    void SetLyrics3UserSteps(bool on);
    void LoadHistory(std::string_view section, ui::ComboBox& target);
    void MatchArtistLists();
    void SaveHistories();

    widgets::StyleProbe& styles_;
    std::string moduleFileName_;
    std::string moduleDir_;
    std::optional<SettingsFile> settingsFile_;
    bool fileIsReadOnly_ = false;
    platform::FileAttributes savedAttributes_ = 0;
    bool tagsChanged_ = false;
    // Theme data for the class "window"; 0 unless visual styles are active.
    widgets::ThemeData themeData_ = 0;
    editor::SearchBuffer searchBuffer_;
    std::array<std::u8string, static_cast<std::size_t>(editor::TagFrmMessage::Count)> messages_;
};

}  // namespace sonrik
