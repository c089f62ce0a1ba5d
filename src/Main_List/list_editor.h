// TAListEditor: the list editor. It shows the files of a list file, lets the
// user pick some, renames the picked files from their tags by a file-name
// template ("TAG to file name") or fills their tags from their names ("File
// name to TAG"), shows every outcome in a test before Apply changes anything
// on disk, and lets single values be corrected in place.
//
// The window itself is here and in list_editor.cpp; the test and Apply are in
// list_editor_apply.cpp, in-place cell editing in list_editor_cells.cpp. What
// is not about the window is in list_editor_logic.h and templates.h.
#pragma once

#include "Main_List/list_editor_language.h"
#include "batch/record.h"
#include "batch/templates.h"
#include "platform/platform.h"
#include "sonrik/settings_file.h"
#include "twID3/twID3.h"
#include "ui/backend.h"
#include "ui/form.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace sonrik {

class TAListEditor : public ui::Form {
public:
    // `moduleFileName` is the path of the module's own library file; the
    // settings file and the history file lie in its folder.
    TAListEditor(ui::Backend& backend, std::string moduleFileName);
    ~TAListEditor() override;

    // Set by the entry point before the window is shown.
    std::string FileListPath;
    ui::WindowHandle HostWindow = 0;

    enum Page : int { FileListPage = 0, TagToNamePage = 1, NameToTagPage = 2 };

    const std::string& ModuleDir() const { return moduleDir_; }
    const std::vector<std::string>& FileList() const { return fileList_; }
    const batch::TTagArray& Tags() const { return tags_; }
    int TagCount() const { return static_cast<int>(tags_.size()); }
    int CurrentPage() const { return currentPage_; }
    int EditColumn() const { return editColumn_; }
    int EditLeft() const { return editLeft_; }
    int EditTop() const { return editTop_; }
    bool CellEdited() const { return cellEdited_; }
    bool FileIsReadOnly() const { return fileIsReadOnly_; }
    platform::FileAttributes SavedAttributes() const { return savedAttributes_; }
    // The text of the message table in the current language.
    const std::u8string& Message(list::ListMessage id) const;

    // ---- controls, parents first, in tab order ----
    ui::Panel Panel1{this, "Panel1"};
    ui::TabControl AFilesPage{&Panel1, "AFilesPage"};
    ui::ComboBox OptionBox{&AFilesPage, "OptionBox"};
    ui::CheckBox _2Space{&AFilesPage, "_2Space"};
    ui::CheckBox EmptyOnly{&AFilesPage, "EmptyOnly"};
    ui::Button BTTest{&AFilesPage, "BTTest"};
    ui::Button BTApply{&AFilesPage, "BTApply"};
    ui::ColumnListBox TagBox{&AFilesPage, "TagBox"};
    ui::Edit EditorTg{&AFilesPage, "EditorTg"};
    ui::ComboBox Geners{&AFilesPage, "Geners", ui::ComboBox::Style::DropDownList};
    ui::Panel Panel2{this, "Panel2"};
    ui::CheckBox Autoremowe{&Panel2, "Autoremowe"};
    ui::CheckBox Autorestore{&Panel2, "Autorestore"};
    ui::CheckBox EngBox{&Panel2, "EngBox"};
    ui::StatusBar StatusBar{this, "StatusBar"};

    // The tag file object through which every file is read and written.
    twID3::TtwID3 twID31;

    // Puts the English or the Russian captions and message table in place;
    // rows and header sections already shown keep theirs until rebuilt.
    void ApplyLanguage(bool english);
    // Fills record `index` from the tags of the file at `path`; false, with
    // the record left as it was, when there is no such file.
    bool LoadFileRecord(const std::string& path, std::size_t index);
    // Runs the current page's test for record `index` and gives its row.
    std::u8string TestAndFormatRow(std::size_t index);
    // The row of record `index` as it now stands, without a test.
    std::u8string FormatRow(std::size_t index);
    // Reads the file's attribute word into SavedAttributes and FileIsReadOnly.
    void CheckFileAtribute(const std::string& path);
    // Clears the read-only bit of SavedAttributes on the file, after a pause.
    void RemoweReadOnly(const std::string& path);
    // The record value behind the cell at (current row, EditColumn).
    std::string CellValue() const;
    // Takes over an edited cell value; `text` comes back as it was cleaned.
    bool CommitCellEdit(std::string& text);

private:
    void LayOut();
    void AttachHandlers();
    void SetStartingProperties();

    // ---- window (list_editor.cpp) ----
    void FormCreate();
    void FormActivate();
    void FormDestroy();
    void FormKeyDown(int& key, ui::ShiftState shift);
    void AFilesPageChanging(bool& allowChange);
    void AFilesPageChange();
    void TagBoxClick();
    void TagBoxResize();
    void EngBoxClick();
    void AutoremoweClick();
    void AutorestoreClick();
    void EmptyOnlyChange();
    void _2SpaceChange();
    void OptionBoxChange();
    void OptionBoxExit();
    void SetUpSections(const std::vector<std::u8string_view>& captions);
    std::u8string StatusText(batch::TRowStatus status) const;
    std::string TemplateText() const;
    std::string HistoryPath() const;

    // ---- test and Apply (list_editor_apply.cpp) ----
    void BTApplyClick();
    void ApplyRenames();
    void ApplyTags();
    void ShowRow(std::size_t index);
    bool AskReadOnly(const std::string& path);

    // ---- in-place cell editing (list_editor_cells.cpp) ----
    void TagBoxMouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y);
    void TagBoxKeyDown(int& key, ui::ShiftState shift);
    void TagBoxKeyUp(int& key, ui::ShiftState shift);
    void TagBoxDblClick();
    void TagBoxHeaderSized(int section, int width);
    void EditorTgChange();
    void EditorTgExit();
    void EditorTgKeyDown(int& key, ui::ShiftState shift);
    void GenersExit();
    void HideCellEditors();

    std::string moduleFileName_;
    std::string moduleDir_;
    std::optional<SettingsFile> settingsFile_;
    std::vector<std::string> fileList_;
    batch::TTagArray tags_;
    batch::TemplateContext context_{tags_};
    int currentPage_ = FileListPage;
    int editColumn_ = -1;
    int editLeft_ = 0;
    int editTop_ = 0;
    bool cellEdited_ = false;
    bool fileIsReadOnly_ = false;
    platform::FileAttributes savedAttributes_ = 0;
    // An Apply is running: the user's other actions wait until it ends.
    bool applying_ = false;
    std::array<std::u8string, static_cast<std::size_t>(list::ListMessage::Count)> messages_;
};

}  // namespace sonrik
