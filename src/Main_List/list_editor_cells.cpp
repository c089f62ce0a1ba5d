// In-place cell editing on the two test pages: the cell under the pointer or
// the keyboard, the edit box and the genre list laid over it, and taking an
// edited value over into the record and its row.
#include "Main_List/list_editor.h"

#include "Main_List/list_editor_logic.h"
#include "sonrik/host_link.h"
#include "text/text.h"

#include <algorithm>

namespace sonrik {

using list::ListMessage;

namespace {

constexpr int kGenreColumn = batch::fkGenre;
constexpr int kNameColumn = 1;  // "New file name" on page 1, the title on page 2

int IndexIgnoringCase(const std::vector<std::string>& items, std::string_view value)
{
    const auto it = std::find_if(items.begin(), items.end(),
                                 [value](const std::string& item) { return text::SameIgnoringCase(item, value); });
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

}  // namespace

void TAListEditor::TagBoxMouseDown(ui::MouseButton, ui::ShiftState, int x, int y)
{
    const int row = TagBox.RowAt(x, y);
    if (row < 0) return;
    const widgets::Rect rect = TagBox.RowRect(row);
    editLeft_ = TagBox.Left() + rect.left + 2;
    editTop_ = TagBox.Top() + rect.top + TagBox.ItemHeight();
    editColumn_ = list::SectionUnder(TagBox.Sections(), x, TagBox.ScrollLeft());
    if (editColumn_ < 0) return;
    editLeft_ += TagBox.Sections().leftOf(editColumn_) - TagBox.ScrollLeft();
    const ui::Bounds b = EditorTg.GetBounds();
    EditorTg.SetBounds(b.left, b.top, TagBox.Sections()[editColumn_].Width(), b.height);
}

void TAListEditor::TagBoxKeyUp(int&, ui::ShiftState)
{
    const int row = TagBox.CurrentRow();
    if (currentPage_ == FileListPage || row < 0 || TagBox.SectionCount() <= kNameColumn) return;
    // The release of the Enter that just opened an editor is not the list's
    // any more: the cell being edited stays the one it opened on.
    if (ActiveControl() != &TagBox) return;
    const widgets::Rect rect = TagBox.RowRect(row);
    editLeft_ = TagBox.Sections()[0].Width() + TagBox.Left() + rect.left + 2 - TagBox.ScrollLeft();
    editTop_ = TagBox.ItemHeight() + TagBox.Top() + rect.top;
    editColumn_ = kNameColumn;
    const ui::Bounds b = EditorTg.GetBounds();
    EditorTg.SetBounds(b.left, b.top, TagBox.Sections()[kNameColumn].Width(), b.height);
}

void TAListEditor::TagBoxKeyDown(int& key, ui::ShiftState)
{
    if (key == ui::keys::Return) TagBoxDblClick();
}

void TAListEditor::TagBoxDblClick()
{
    if (applying_ || editColumn_ == -1 || currentPage_ == FileListPage) return;
    if (currentPage_ == TagToNamePage && editColumn_ != kNameColumn) return;
    if (TagBox.CurrentRow() < 0 || static_cast<std::size_t>(TagBox.CurrentRow()) >= tags_.size()) return;
    if (currentPage_ == NameToTagPage && editColumn_ == kGenreColumn) {
        Geners.SetBounds(editLeft_, editTop_, EditorTg.Width(), Geners.Height());
        Geners.SetVisible(true);
        Geners.SetItemIndex(IndexIgnoringCase(Geners.Items(), CellValue()));
        Geners.SetFocus();
    } else {
        EditorTg.SetBounds(editLeft_, editTop_, EditorTg.Width(), EditorTg.Height());
        EditorTg.SetVisible(true);
        EditorTg.SetText(CellValue());
        EditorTg.SetFocus();
    }
    cellEdited_ = false;  // last: showing the value ran the change handler
}

std::string TAListEditor::CellValue() const
{
    const int row = TagBox.CurrentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= tags_.size()) return {};
    const batch::TFTag& tag = tags_[static_cast<std::size_t>(row)];
    if (currentPage_ == TagToNamePage) return tag.NewName;
    if (editColumn_ < 0) return {};
    const std::string* text = batch::FieldText(tag, static_cast<std::uint8_t>(editColumn_));
    return text ? *text : std::string();
}

bool TAListEditor::CommitCellEdit(std::string& text)
{
    const int row = TagBox.CurrentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= tags_.size()) return true;
    const auto index = static_cast<std::size_t>(row);
    batch::TFTag& tag = tags_[index];
    if (currentPage_ == TagToNamePage) {
        const batch::TypedName typed = batch::CommitNewName(context_, index, text);
        text = typed.text;
        if (!typed.accepted) return false;
        TagBox.SetItem(row, text::FromAnsi(batch::CurrentFileName(tag)) + u8"|" + text::FromAnsi(typed.text) + u8"|" +
                                StatusText(typed.status));
        return true;
    }
    tag.Status = batch::StoreField(tag, static_cast<std::uint8_t>(editColumn_), text, false);
    TagBox.SetItem(row, FormatRow(index));
    return true;
}

void TAListEditor::EditorTgChange() { cellEdited_ = true; }

void TAListEditor::EditorTgKeyDown(int& key, ui::ShiftState)
{
    if (key == ui::keys::Return) {
        key = 0;
        TagBox.SetFocus();  // leaving the box closes it
    } else if (key == ui::keys::Escape) {
        key = 0;
        cellEdited_ = false;
        EditorTgExit();
    }
}

void TAListEditor::EditorTgExit()
{
    std::string text = EditorTg.Text();
    if (cellEdited_ && EditorTg.UnheldCharacter()) {
        // Taken, the value would hold '?' where the user sees a letter: the
        // editor stays open with the text as typed.
        BTApply.SetEnabled(false);
        GetBackend().ShowMessageBox(
            {this, 0},
            text::FillIn(Message(ListMessage::UnheldCharacter), u8"%c", text::CharacterName(*EditorTg.UnheldCharacter())),
            hostmsg::QuestionCaption, ui::mb::Ok | ui::mb::IconWarning);
        return;
    }
    if (cellEdited_) {
        const bool accepted = CommitCellEdit(text);
        EditorTg.SetVisible(!accepted);
        if (!accepted) EditorTg.SetText(text);
    } else {
        EditorTg.SetVisible(false);
    }
    BTApply.SetEnabled(!EditorTg.Visible());
    if (!EditorTg.Visible()) TagBox.SetFocus();
}

void TAListEditor::GenersExit()
{
    EditorTg.SetVisible(false);
    if (Geners.ItemIndex() < 0) return;
    std::string value = Geners.Items()[static_cast<std::size_t>(Geners.ItemIndex())];
    const bool accepted = CommitCellEdit(value);
    Geners.SetVisible(!accepted);
    if (!accepted) Geners.SetItemIndex(IndexIgnoringCase(Geners.Items(), value));
    BTApply.SetEnabled(!Geners.Visible());
    if (!Geners.Visible()) TagBox.SetFocus();
}

void TAListEditor::TagBoxHeaderSized(int section, int) { TagBox.SetSectionAutoSize(section, false); }

void TAListEditor::HideCellEditors()
{
    // A page build drops an open edit: its value belongs to the rows it replaces.
    if (ActiveControl() == &EditorTg || ActiveControl() == &Geners) {
        auto exit = ui::Detach(EditorTg.OnExit);
        TagBox.SetFocus();
    }
    EditorTg.SetVisible(false);
    Geners.SetVisible(false);
}

}  // namespace sonrik
