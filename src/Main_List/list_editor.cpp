#include "Main_List/list_editor.h"

#include "Main_List/list_editor_logic.h"
#include "batch/id3v2_names.h"
#include "text/codepage.h"
#include "sonrik/history_file.h"
#include "sonrik/host_link.h"
#include "sonrik/module_dir.h"
#include "text/text.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>

namespace sonrik {

using list::ListMessage;

namespace {

constexpr int kClientWidth = 640, kClientHeight = 488;  // a 648 x 515 window
constexpr int kDesignedLeft = 467, kDesignedTop = 196;
constexpr int kPanel2Height = 64, kStatusHeight = 19, kStatusPanel0Width = 350;
constexpr int kEditorWidth = 121, kEditorHeight = 21;
constexpr int kTrackColumnWidth = 30;

// The rows of the file list page: each file name as the user reads it.
std::vector<std::u8string> FileRows(const std::vector<std::string>& files)
{
    std::vector<std::u8string> rows;
    rows.reserve(files.size());
    for (const std::string& file : files) rows.push_back(text::FromAnsi(file));
    return rows;
}

}  // namespace

TAListEditor::TAListEditor(ui::Backend& backend, std::string moduleFileName)
    : Form(backend, "AListEditor"), moduleFileName_(std::move(moduleFileName))
{
    LayOut();
    SetStartingProperties();
    AttachHandlers();
}

TAListEditor::~TAListEditor() { Destroy(); }

const std::u8string& TAListEditor::Message(ListMessage id) const { return messages_.at(static_cast<std::size_t>(id)); }

void TAListEditor::LayOut()
{
    SetCaption(list::kListEditorCaption);
    SetClientSize(kClientWidth, kClientHeight);
    SetDesignedPosition(kDesignedLeft, kDesignedTop);
    SetKeyPreview(true);

    StatusBar.SetBounds(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
    StatusBar.SetAlign(ui::Align::Bottom);
    StatusBar.SetPanelWidths({kStatusPanel0Width, 0});
    Panel2.SetBounds(0, kClientHeight - kStatusHeight - kPanel2Height, kClientWidth, kPanel2Height);
    Panel2.SetAlign(ui::Align::Bottom);
    Panel1.SetAlign(ui::Align::Client);
    AFilesPage.SetAlign(ui::Align::Client);
    AFilesPage.SetMultiLine(true);

    TagBox.SetBounds(8, 96, 513, 297);
    TagBox.SetDelimiter('|');
    TagBox.SetHeaderHeight(17);
    TagBox.SetHeaderHotTrack(true);
    TagBox.SetMultiSelect(true);
    TagBox.SetOptions({true, true, true});
    TagBox.AddSection();
    TagBox.SetSectionWidth(0, 511);
    TagBox.SetSectionAutoSize(0, true);
    OptionBox.SetBounds(8, 26, 345, 21);
    EditorTg.SetBounds(0, 0, kEditorWidth, kEditorHeight);
    Geners.SetBounds(0, 0, kEditorWidth, kEditorHeight);
    BTTest.SetBounds(536, 80, 75, 25);
    BTApply.SetBounds(536, 104, 75, 25);
    EmptyOnly.SetBounds(24, 72, 481, 18);
    _2Space.SetBounds(24, 56, 489, 18);
    for (ui::Control* hidden : {static_cast<ui::Control*>(&OptionBox), static_cast<ui::Control*>(&EditorTg),
                                static_cast<ui::Control*>(&BTTest), static_cast<ui::Control*>(&BTApply),
                                static_cast<ui::Control*>(&EmptyOnly), static_cast<ui::Control*>(&_2Space),
                                static_cast<ui::Control*>(&Geners)})
        hidden->SetVisible(false);
    BTTest.SetEnabled(false);

    Autoremowe.SetBounds(8, 7, 620, 17);
    Autorestore.SetBounds(8, 23, 620, 17);
    Autorestore.SetEnabled(false);
    // Wider than the 121 the layout gives, so the caption is not cut in fonts
    // wider than MS Sans Serif.
    EngBox.SetBounds(8, 43, 160, 17);
    EngBox.SetCaption(list::kEngBoxCaption);
}

void TAListEditor::SetStartingProperties()
{
    auto& v1 = twID31.ID3v1();
    v1.Lyrics3().SetUseLyrics3v2(false);
    v1.Lyrics3().SetUseTimestamp(false);
    v1.SetGenreID(0);
    v1.SetGenre("Blues");
    v1.SetTrackNo(0);
    v1.SetUseID3v11(true);
    twID31.SetUseID3v1(true);
}

void TAListEditor::AttachHandlers()
{
    OnCreate = [this] { FormCreate(); };
    OnActivate = [this] { FormActivate(); };
    OnDestroy = [this] { FormDestroy(); };
    OnKeyDown = [this](int& key, ui::ShiftState shift) { FormKeyDown(key, shift); };

    AFilesPage.OnChanging = [this](bool& allowChange) { AFilesPageChanging(allowChange); };
    AFilesPage.OnChange = [this] { AFilesPageChange(); };
    TagBox.OnClick = [this] { TagBoxClick(); };
    TagBox.OnDblClick = [this] { TagBoxDblClick(); };
    TagBox.OnMouseUp = [this](ui::MouseButton b, ui::ShiftState s, int x, int y) { TagBoxMouseDown(b, s, x, y); };
    TagBox.OnKeyDown = [this](int& key, ui::ShiftState shift) { TagBoxKeyDown(key, shift); };
    TagBox.OnKeyUp = [this](int& key, ui::ShiftState shift) { TagBoxKeyUp(key, shift); };
    TagBox.OnResize = [this] { TagBoxResize(); };
    TagBox.OnHeaderSized = [this](int section, int width) { TagBoxHeaderSized(section, width); };
    OptionBox.OnChange = [this] { OptionBoxChange(); };
    OptionBox.OnExit = [this] { OptionBoxExit(); };
    EditorTg.OnChange = [this] { EditorTgChange(); };
    EditorTg.OnExit = [this] { EditorTgExit(); };
    EditorTg.OnKeyDown = [this](int& key, ui::ShiftState shift) { EditorTgKeyDown(key, shift); };
    BTTest.OnClick = [this] { AFilesPageChange(); };
    BTApply.OnClick = [this] { BTApplyClick(); };
    EmptyOnly.OnChange = [this] { EmptyOnlyChange(); };
    _2Space.OnChange = [this] { _2SpaceChange(); };
    Geners.OnChange = [this] { GenersExit(); };
    Autoremowe.OnClick = [this] { AutoremoweClick(); };
    Autorestore.OnClick = [this] { AutorestoreClick(); };
    EngBox.OnClick = [this] { EngBoxClick(); };
}

// ---- creation, activation, destruction -----------------------------------------------

void TAListEditor::FormCreate()
{
    tags_.clear();
    Geners.SetItems({twID3::GenreNames.begin(), twID3::GenreNames.end()});
    fileList_.clear();
    moduleDir_ = ModuleDirOf(moduleFileName_, kNativePathStyle);
    settingsFile_.emplace(SettingsFile::InFolder(moduleDir_));

    // A value that differs from a box's unchecked start runs its handler,
    // which writes it straight back.
    EngBox.SetChecked(settingsFile_->ReadBool(setting::kEng, false));
    ApplyLanguage(EngBox.Checked());
    Autoremowe.SetChecked(settingsFile_->ReadBool(setting::kAutoRemoveReadOnly, false));
    Autorestore.SetChecked(settingsFile_->ReadBool(setting::kAutoRestoreReadOnly, false));
    EmptyOnly.SetChecked(settingsFile_->ReadBool(setting::kEmptyOnly, true));
    _2Space.SetChecked(settingsFile_->ReadBool(setting::kUnderscoreBySpaces, true));

    OptionBox.SetItems(batch::LoadTemplates(HistoryPath()));
    const int position = settingsFile_->ReadInteger(setting::kOptionList, 0);
    OptionBox.SetItemIndex(position >= 0 && position < static_cast<int>(OptionBox.Items().size()) ? position : -1);
    OptionBox.SetText(batch::TemplateAt(OptionBox.Items(), position));
}

void TAListEditor::FormActivate()
{
    if (!platform::FileExists(FileListPath)) return;
    const std::vector<std::string> lines = batch::ReadListFile(FileListPath);
    AFilesPage.SetTabIndex(FileListPage);
    for (std::string& file : batch::Mp3Lines(lines)) fileList_.push_back(std::move(file));
    if (!lines.empty()) TagBox.AssignItems(FileRows(fileList_));
}

void TAListEditor::FormDestroy()
{
    if (!settingsFile_) return;  // never created
    try {
        settingsFile_->WriteInteger(setting::kOptionList, batch::TemplateIndex(OptionBox.Items(), TemplateText()));
    } catch (const std::exception&) {
        // Destruction comes when the module is unloaded, where nothing may be
        // shown; the templates are still saved.
    }
    try {
        batch::SaveTemplates(HistoryPath(), OptionBox.Items());
    } catch (const std::exception&) {
        // The history file is replaced in one step, so it stays as it was.
    }
    settingsFile_.reset();
    fileList_.clear();
}

std::string TAListEditor::HistoryPath() const { return moduleDir_ + kHistoryFileName; }

std::string TAListEditor::TemplateText() const { return OptionBox.Text(); }

// ---- language and options -----------------------------------------------------------

void TAListEditor::ApplyLanguage(bool english)
{
    ui::ApplyCaptions(*this, list::kListEditorCaptions, english);
    std::vector<std::u8string> tabs;
    for (const auto& tab : list::kListEditorTabs) tabs.emplace_back(tab.In(english));
    AFilesPage.SetTabs(std::move(tabs));
    for (std::size_t i = 0; i < messages_.size(); ++i) messages_[i] = list::kListEditorMessages[i].In(english);
}

void TAListEditor::EngBoxClick()
{
    ApplyLanguage(EngBox.Checked());
    settingsFile_->WriteBool(setting::kEng, EngBox.Checked());
}

void TAListEditor::AutoremoweClick()
{
    Autorestore.SetEnabled(Autoremowe.Checked());
    settingsFile_->WriteBool(setting::kAutoRemoveReadOnly, Autoremowe.Checked());
}

void TAListEditor::AutorestoreClick()
{
    settingsFile_->WriteBool(setting::kAutoRestoreReadOnly, Autorestore.Checked());
}

void TAListEditor::EmptyOnlyChange()
{
    BTTest.SetEnabled(true);
    settingsFile_->WriteBool(setting::kEmptyOnly, EmptyOnly.Checked());
}

void TAListEditor::_2SpaceChange()
{
    BTTest.SetEnabled(true);
    settingsFile_->WriteBool(setting::kUnderscoreBySpaces, _2Space.Checked());
}

void TAListEditor::OptionBoxChange() { BTTest.SetEnabled(true); }

void TAListEditor::OptionBoxExit()
{
    std::vector<std::string> templates = OptionBox.Items();
    // An empty template is not kept: stored, it would end the section early;
    // nor one the code page cannot hold, which would be kept with '?' in it.
    if (!OptionBox.UnheldCharacter() && batch::AddTemplate(templates, OptionBox.Text()))
        OptionBox.AddItem(OptionBox.Text());
}

// ---- pages ------------------------------------------------------------------------------

void TAListEditor::FormKeyDown(int& key, ui::ShiftState shift)
{
    if (key != ui::keys::Tab || (shift & ui::ssCtrl) == 0) return;
    key = 0;  // the tab control must not step a second time
    bool allowChange = true;
    AFilesPageChanging(allowChange);
    if (!allowChange) return;
    AFilesPage.SetTabIndex((AFilesPage.TabIndex() + 1) % static_cast<int>(AFilesPage.Tabs().size()));
    AFilesPageChange();
}

void TAListEditor::AFilesPageChanging(bool& allowChange)
{
    if (applying_) {
        allowChange = false;
        return;
    }
    if (AFilesPage.TabIndex() != FileListPage) return;
    if (TagBox.SelectedCount() == 0) {
        allowChange = false;
        GetBackend().ShowMessageBox({this, 0}, Message(ListMessage::NoFiles), hostmsg::QuestionCaption,
                                    ui::mb::Ok | ui::mb::IconWarning);
        return;
    }
    tags_.clear();
    tags_.reserve(static_cast<std::size_t>(TagBox.SelectedCount()));
    // Row i of this page is file i of the list; the row only shows its name.
    const int count = std::min(TagBox.Count(), static_cast<int>(fileList_.size()));
    for (int row = 0; row < count; ++row) {
        if (!TagBox.Selected(row)) continue;
        // The file's one opening tells whether it is there: a missing one
        // gets no record.
        tags_.emplace_back();
        if (!LoadFileRecord(fileList_[static_cast<std::size_t>(row)], tags_.size() - 1)) tags_.pop_back();
    }
}

bool TAListEditor::LoadFileRecord(const std::string& path, std::size_t index)
{
    batch::TFTag& tag = tags_.at(index);
    try {
        twID31.LoadFromFile(path);
        if (twID31.Success() == twID3::id3NoSuchFile) return false;
        batch::FillRecord(tag, path, twID31.ID3v1());
        // Names are made of the whole values where the ID3v2 tag holds them,
        // in the system's code page, which the records' texts are in.
        const text::CodePage* codePage = text::CodePage::Find(text::AnsiCodePage());
        if (codePage && twID31.ID3v2().tag)
            batch::TakeID3v2Names(tag, *twID31.ID3v2().tag, twID31.Success() == twID3::id3Success, *codePage);
    } catch (const std::exception&) {
        // A file that cannot be read shows what it gave: its name at least.
        if (tag.FilePath.empty()) tag.FilePath = tag.NewName = path;
    }
    return true;
}

void TAListEditor::AFilesPageChange()
{
    if (applying_) return;
    BTTest.SetEnabled(false);
    BTApply.SetEnabled(true);
    HideCellEditors();

    currentPage_ = AFilesPage.TabIndex();
    const bool testPage = currentPage_ != FileListPage;
    TagBox.SetMultiSelect(!testPage);
    OptionBox.SetVisible(testPage);
    BTTest.SetVisible(testPage);
    BTApply.SetVisible(testPage);
    EmptyOnly.SetVisible(currentPage_ == NameToTagPage);
    _2Space.SetVisible(currentPage_ == NameToTagPage);

    TagBox.ClearItems();
    TagBox.ClearSections();
    if (!testPage) {
        TagBox.AddSection();
        TagBox.SetSectionText(0, Message(ListMessage::FilesColumn));
        TagBox.SetSectionWidth(0, TagBox.ClientWidth());
        TagBox.AssignItems(FileRows(fileList_));
        return;
    }
    if (currentPage_ == TagToNamePage) {
        SetUpSections({Message(ListMessage::CurrentNameColumn), Message(ListMessage::NewNameColumn),
                       Message(ListMessage::StatusColumn)});
    } else {
        std::vector<std::u8string_view> captions;
        for (std::uint8_t kind = 0; kind < batch::FieldKindCount; ++kind)
            captions.push_back(batch::FieldKindCaption(kind, EngBox.Checked()));
        SetUpSections(captions);
    }

    context_.emptyOnly = EmptyOnly.Checked();
    context_.underscoreBySpaces = _2Space.Checked();
    std::vector<std::u8string> rows;
    rows.reserve(tags_.size());
    {
        // Each name check of the pass looks the other records up at once.
        const batch::TemplateContext::TestPass pass(context_);
        for (std::size_t i = 0; i < tags_.size(); ++i) rows.push_back(TestAndFormatRow(i));
    }
    TagBox.AssignItems(rows);
}

void TAListEditor::SetUpSections(const std::vector<std::u8string_view>& captions)
{
    const int count = static_cast<int>(captions.size());
    for (int i = 0; i < count; ++i) {
        TagBox.AddSection();
        TagBox.SetSectionText(i, std::u8string(captions[static_cast<std::size_t>(i)]));
        if (i == 0 && currentPage_ == NameToTagPage)
            TagBox.SetSectionWidth(0, kTrackColumnWidth);
        else
            TagBox.SetSectionMinWidth(i, TagBox.ClientWidth() / count);
    }
    for (int i = 0; i < count; ++i) TagBox.SetSectionAutoSize(i, true);
}

void TAListEditor::TagBoxClick()
{
    const int row = TagBox.CurrentRow();
    if (row < 0) return;
    std::string shown;
    if (currentPage_ == FileListPage) {
        if (static_cast<std::size_t>(row) < fileList_.size()) shown = fileList_[static_cast<std::size_t>(row)];
    } else if (static_cast<std::size_t>(row) < tags_.size()) {
        const batch::TFTag& tag = tags_[static_cast<std::size_t>(row)];
        shown = currentPage_ == TagToNamePage ? tag.FilePath + " > " + tag.NewName : tag.FilePath;
    }
    StatusBar.SetPanelText(1, text::FromAnsi(shown));
}

void TAListEditor::TagBoxResize() { TagBox.Repaint(); }

}  // namespace sonrik
