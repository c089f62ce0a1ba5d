// The control gallery: one of every control kind the editor windows use, on
// the Win32 backend, with handlers that follow the windows' event rules and
// write each event into a visible log. Built into the host only, so the Wine
// tests can drive real controls before the editor windows exist.
#pragma once

#include "ui/backend.h"
#include "widgets/style_loaders.h"

#include <windows.h>

#include "ui/form.h"

#include <string>
#include <vector>

namespace host {

class Gallery : public sonrik::ui::Form {
public:
    // `hostWindow` gets the playback messages of the host buttons.
    Gallery(sonrik::ui::Backend& backend, sonrik::ui::WindowHandle hostWindow, bool english);

    sonrik::ui::CheckBox EngBox{this, "EngBox"};
    sonrik::ui::Label NameLabel{this, "NameLabel"};
    sonrik::ui::Edit NameEdit{this, "NameEdit"};
    sonrik::ui::Label YearLabel{this, "YearLabel"};
    sonrik::ui::Edit YearEdit{this, "YearEdit"};
    sonrik::ui::Label ArtistLabel{this, "ArtistLabel"};
    sonrik::ui::ComboBox ArtistCombo{this, "ArtistCombo", sonrik::ui::ComboBox::Style::DropDown};
    sonrik::ui::Label GenreLabel{this, "GenreLabel"};
    sonrik::ui::ComboBox GenreList{this, "GenreList", sonrik::ui::ComboBox::Style::DropDownList};
    sonrik::ui::CheckBox OptionBox{this, "OptionBox"};
    sonrik::ui::Bevel Rule{this, "Rule"};
    sonrik::ui::Panel ButtonPanel{this, "ButtonPanel"};
    sonrik::ui::Button FillButton{&ButtonPanel, "FillButton"};
    sonrik::ui::Button FailButton{&ButtonPanel, "FailButton"};
    sonrik::ui::Button AskButton{&ButtonPanel, "AskButton"};
    sonrik::ui::Button StopButton{&ButtonPanel, "StopButton"};
    sonrik::ui::Button ResumeButton{&ButtonPanel, "ResumeButton"};
    sonrik::ui::Button ApplyButton{&ButtonPanel, "ApplyButton"};
    sonrik::ui::GroupBox EnabledGroup{this, "EnabledGroup"};
    sonrik::ui::CheckBox BackupBox{&EnabledGroup, "BackupBox"};
    sonrik::ui::GroupBox DisabledGroup{this, "DisabledGroup"};
    sonrik::ui::Edit LockedEdit{&DisabledGroup, "LockedEdit"};
    sonrik::ui::PageControl Pages{this, "Pages"};
    sonrik::ui::TabSheet NotesPage{&Pages, "NotesPage"};
    sonrik::ui::Memo NotesMemo{&NotesPage, "NotesMemo"};
    sonrik::ui::TabSheet LyricsPage{&Pages, "LyricsPage"};
    sonrik::ui::Label LyricsLabel{&LyricsPage, "LyricsLabel"};
    sonrik::ui::TabSheet RenamePage{&Pages, "RenamePage"};
    sonrik::ui::Label RenameLabel{&RenamePage, "RenameLabel"};
    sonrik::ui::TabSheet FillPage{&Pages, "FillPage"};
    sonrik::ui::Label FillLabel{&FillPage, "FillLabel"};
    sonrik::ui::TabControl Tabs{this, "Tabs"};
    sonrik::ui::ColumnListBox Files{this, "Files"};
    sonrik::ui::Memo EventLog{this, "EventLog"};
    sonrik::ui::StatusBar Status{this, "Status"};

private:
    void Layout();
    void FillLists();
    void Attach();
    void ApplyLanguage(bool english);
    void Log(const std::string& event);

    void EngBoxClick();
    void FillButtonClick();
    void AskButtonClick();
    void SendToHost(unsigned message, unsigned wParam, const char* what);
    void FormKeyDown(int& key, sonrik::ui::ShiftState shift);

    sonrik::ui::WindowHandle hostWindow_;
    std::vector<std::string> events_;
};

// Turns the visual style off for `window` and everything in it (the classic
// look), through the loaded style library's SetWindowTheme.
void DropVisualStyle(const sonrik::widgets::StyleLibrary& styles, HWND window);

}  // namespace host
