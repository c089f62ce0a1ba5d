#include "gallery.h"

#include "text/text.h"

#include <stdexcept>
#include <string_view>

namespace host {

namespace ui = sonrik::ui;
namespace text = sonrik::text;

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

constexpr std::size_t kSetWindowTheme = 26;  // in StyleLibrary::kFunctionNames
using SetWindowThemeFn = HRESULT WINAPI(HWND, LPCWSTR, LPCWSTR);

BOOL CALLBACK DropStyleOf(HWND window, LPARAM function)
{
    reinterpret_cast<SetWindowThemeFn*>(function)(window, L"", L"");
    return TRUE;
}

}  // namespace

Gallery::Gallery(ui::Backend& backend, ui::WindowHandle hostWindow, bool english)
    : Form(backend, "Gallery"), hostWindow_(hostWindow)
{
    Layout();
    FillLists();
    Attach();
    SetKeyPreview(true);
    {
        // Setting the box from code would run its handler and log the start.
        const auto quiet = ui::Detach(EngBox.OnClick);
        EngBox.SetChecked(english);
    }
    ApplyLanguage(english);
}

void Gallery::Layout()
{
    SetClientSize(600, 420);
    EngBox.SetBounds(8, 8, 214, 17);
    NameLabel.SetBounds(8, 36, 60, 13);
    NameEdit.SetBounds(72, 32, 150, 21);
    YearLabel.SetBounds(8, 62, 60, 13);
    YearEdit.SetBounds(72, 58, 60, 21);
    YearEdit.SetDigitsOnly(true);
    ArtistLabel.SetBounds(8, 88, 60, 13);
    ArtistCombo.SetBounds(72, 84, 150, 21);
    GenreLabel.SetBounds(8, 114, 60, 13);
    GenreList.SetBounds(72, 110, 150, 21);
    OptionBox.SetBounds(8, 140, 214, 17);
    Rule.SetBounds(8, 164, 214, 2);
    ButtonPanel.SetBounds(8, 172, 214, 100);
    FillButton.SetBounds(6, 6, 98, 25);
    FailButton.SetBounds(110, 6, 98, 25);
    AskButton.SetBounds(6, 36, 98, 25);
    StopButton.SetBounds(110, 36, 98, 25);
    ResumeButton.SetBounds(6, 66, 98, 25);
    ApplyButton.SetBounds(110, 66, 98, 25);
    EnabledGroup.SetBounds(8, 280, 214, 50);
    BackupBox.SetBounds(10, 22, 190, 17);
    DisabledGroup.SetBounds(8, 336, 214, 54);
    DisabledGroup.SetEnabled(false);
    LockedEdit.SetBounds(10, 22, 190, 21);
    Pages.SetBounds(232, 8, 360, 150);
    NotesMemo.SetBounds(6, 6, 340, 108);
    LyricsLabel.SetBounds(8, 8, 300, 13);
    RenameLabel.SetBounds(8, 8, 300, 13);
    FillLabel.SetBounds(8, 8, 300, 13);
    Tabs.SetBounds(232, 164, 360, 28);
    Files.SetBounds(232, 198, 360, 92);
    EventLog.SetBounds(232, 296, 360, 94);
    EventLog.SetReadOnly(true);
    Status.SetPanelWidths({150, 0});
}

void Gallery::FillLists()
{
    ArtistCombo.SetItems({"Alpha", "Beta", "Gamma"});
    GenreList.SetItems({"Blues", "Classic Rock", "Country"});
    Tabs.SetTabs({u8"1", u8"2", u8"3"});
    for (int i = 0; i < 3; ++i) Files.AddSection();
    Files.SetSectionWidth(0, 180);
    Files.SetSectionWidth(1, 70);
    Files.SetSectionAutoSize(2, true);
    Files.AddItem(u8"01 Intro.mp3|3 MB|");
    Files.AddItem(u8"02 Second take.mp3|4 MB|renamed");
    Files.AddItem(u8"03 Outro.mp3||");
    LockedEdit.SetText("out of reach");
}

void Gallery::Attach()
{
    EngBox.OnClick = [this] { EngBoxClick(); };
    NameEdit.OnChange = [this] { Log("NameEdit.OnChange " + Quoted(NameEdit.Text())); };
    YearEdit.OnChange = [this] { Log("YearEdit.OnChange " + Quoted(YearEdit.Text())); };
    ArtistCombo.OnChange = [this] { Log("ArtistCombo.OnChange " + Quoted(ArtistCombo.Text())); };
    GenreList.OnChange = [this] { Log("GenreList.OnChange index=" + std::to_string(GenreList.ItemIndex())); };
    OptionBox.OnClick = [this] { Log("OptionBox.OnClick checked=" + std::to_string(OptionBox.Checked())); };
    BackupBox.OnClick = [this] { Log("BackupBox.OnClick checked=" + std::to_string(BackupBox.Checked())); };
    LockedEdit.OnChange = [this] { Log("LockedEdit.OnChange"); };
    FillButton.OnClick = [this] { FillButtonClick(); };
    FailButton.OnClick = [] { throw std::runtime_error("The gallery raised this error on purpose"); };
    AskButton.OnClick = [this] { AskButtonClick(); };
    StopButton.OnClick = [this] { SendToHost(273, 4002, "stop"); };
    ResumeButton.OnClick = [this] { SendToHost(273, 4003, "resume"); };
    ApplyButton.OnClick = [this] { SendToHost(2125, 0, "about to apply"); };
    NotesMemo.OnChange = [this] { Log("NotesMemo.OnChange length=" + std::to_string(NotesMemo.Text().size())); };
    Pages.OnChange = [this] { Log("Pages.OnChange page=" + std::to_string(Pages.ActivePageIndex())); };
    Tabs.OnChange = [this] { Log("Tabs.OnChange tab=" + std::to_string(Tabs.TabIndex())); };
    Files.OnClick = [this] { Log("Files.OnClick row=" + std::to_string(Files.CurrentRow())); };
    OnKeyDown = [this](int& key, ui::ShiftState shift) { FormKeyDown(key, shift); };
    OnCloseQuery = [this](bool&) { Log("Gallery.OnCloseQuery"); };
}

void Gallery::ApplyLanguage(bool english)
{
    struct Caption {
        ui::Control& control;
        std::u8string_view en;
        std::u8string_view ru;
    };
    const Caption captions[] = {
        {*this, u8"Control gallery", u8"Галерея элементов"},
        {EngBox, u8"In English language", u8"На английском языке"},
        {NameLabel, u8"Name:", u8"Имя:"},
        {YearLabel, u8"Year:", u8"Год:"},
        {ArtistLabel, u8"Artist:", u8"Артист:"},
        {GenreLabel, u8"Genre:", u8"Жанр:"},
        {OptionBox, u8"Keep a backup copy", u8"Хранить резервную копию"},
        {FillButton, u8"Fill from code", u8"Заполнить"},
        {FailButton, u8"Raise an error", u8"Вызвать ошибку"},
        {AskButton, u8"Ask a question", u8"Задать вопрос"},
        {StopButton, u8"Stop playing", u8"Остановить"},
        {ResumeButton, u8"Play now", u8"Играть"},
        {ApplyButton, u8"About to apply", u8"Уведомить"},
        {EnabledGroup, u8"Enabled group", u8"Доступная группа"},
        {BackupBox, u8"Write to the original", u8"Писать в оригинал"},
        {DisabledGroup, u8"Disabled group", u8"Недоступная группа"},
        {NotesPage, u8"Notes", u8"Заметки"},
        {LyricsPage, u8"Lyrics3", u8"Lyrics3"},
        {RenamePage, u8"Rename", u8"Переименовать"},
        {FillPage, u8"Fill tags", u8"Заполнить теги"},
        {LyricsLabel, u8"The second page", u8"Вторая страница"},
        {RenameLabel, u8"The third page", u8"Третья страница"},
        {FillLabel, u8"The fourth page", u8"Четвёртая страница"},
    };
    for (const Caption& c : captions) c.control.SetCaption(english ? c.en : c.ru);
    Tabs.SetTabs(english ? std::vector<std::u8string>{u8"Artist", u8"Album", u8"Year"}
                         : std::vector<std::u8string>{u8"Артист", u8"Альбом", u8"Год"});
    Files.SetSectionText(0, english ? u8"File name" : u8"Имя файла");
    Files.SetSectionText(1, english ? u8"Size" : u8"Размер");
    Files.SetSectionText(2, english ? u8"Status" : u8"Состояние");
}

void Gallery::Log(const std::string& event)
{
    events_.push_back(event);
    EventLog.SetLines(events_);
    const std::u8string count(text::AsUtf8(std::to_string(events_.size())));
    Status.SetPanelText(0, count + (EngBox.Checked() ? u8" events" : u8" событий"));
    // An event quotes field contents, which are ANSI.
    Status.SetPanelText(1, text::FromAnsi(event));
}

void Gallery::EngBoxClick()
{
    ApplyLanguage(EngBox.Checked());
    Log("EngBox.OnClick checked=" + std::to_string(EngBox.Checked()));
}

// Changes from code: the edit box reports its change, the combo boxes do
// not, and the check box clicks once, however often it is set.
void Gallery::FillButtonClick()
{
    Log("FillButton.OnClick");
    NameEdit.SetText("Filled");
    ArtistCombo.SetText("Code artist");
    GenreList.SetItemIndex(2);
    const bool flipped = !OptionBox.Checked();
    OptionBox.SetChecked(flipped);
    OptionBox.SetChecked(flipped);
}

void Gallery::AskButtonClick()
{
    const int answer = GetBackend().ShowMessageBox({this, 0}, u8"Keep the changes?", u8"Tag editor",
                                                   ui::mb::YesNo | ui::mb::IconQuestion);
    Log("AskButton answer=" + std::to_string(answer));
}

void Gallery::SendToHost(unsigned message, unsigned wParam, const char* what)
{
    const auto answer = GetBackend().SendHostMessage(hostWindow_, message, wParam, 0);
    Log(std::string("host answered ") + what + " with " + std::to_string(answer));
}

void Gallery::FormKeyDown(int& key, ui::ShiftState shift)
{
    if (key != ui::keys::Escape) return;
    Log(std::string("Gallery.OnKeyDown Escape") + (shift & ui::ssShift ? " shift" : ""));
    key = 0;
}

void DropVisualStyle(const sonrik::widgets::StyleLibrary& styles, HWND window)
{
    static_assert(std::string_view(sonrik::widgets::StyleLibrary::kFunctionNames[kSetWindowTheme]) == "SetWindowTheme");
    auto* setTheme = reinterpret_cast<SetWindowThemeFn*>(styles.function(kSetWindowTheme));
    if (!setTheme || !window) return;  // no style library: classic already
    DropStyleOf(window, reinterpret_cast<LPARAM>(setTheme));
    EnumChildWindows(window, DropStyleOf, reinterpret_cast<LPARAM>(setTheme));
}

}  // namespace host
