#include "ui/input.h"

#include "ui/backend.h"

namespace sonrik::ui {

void UserInput::ShowEscapedError(Form& form, const char* message)
{
    form.GetBackend().ErrorBox(ErrorBoxText(message));
}

void UserInput::FocusMoved(Form& form, Control* control)
{
    Guarded(form, [&] { form.FocusControl(control); });
}

int UserInput::KeyDown(Control& target, int key, ShiftState shift)
{
    Form& form = target.OwnerForm();
    Guarded(form, [&] {
        if (form.KeyPreview() && &target != &form) form.OnKeyDown(key, shift);
        if (key != 0) target.OnKeyDown(key, shift);
    });
    return key;
}

int UserInput::KeyUp(Control& target, int key, ShiftState shift)
{
    Form& form = target.OwnerForm();
    Guarded(form, [&] {
        if (form.KeyPreview() && &target != &form) form.OnKeyUp(key, shift);
        if (key != 0) target.OnKeyUp(key, shift);
    });
    return key;
}

char UserInput::KeyPress(Control& target, char ch)
{
    Form& form = target.OwnerForm();
    Guarded(form, [&] {
        if (form.KeyPreview() && &target != &form) form.OnKeyPress(ch);
        if (ch != 0) target.OnKeyPress(ch);
    });
    return ch;
}

void UserInput::Clicked(Control& control)
{
    Guarded(control.OwnerForm(), [&] {
        if (control.kind() == Kind::CheckBox) {
            auto& box = static_cast<CheckBox&>(control);
            box.checked_ = !box.checked_;
            box.Notify(Property::Checked);
        }
        control.OnClick();
    });
}

void UserInput::DoubleClicked(Control& control)
{
    Guarded(control.OwnerForm(), [&] { control.OnDblClick(); });
}

void UserInput::MouseUp(Control& control, MouseButton button, ShiftState shift, int x, int y)
{
    Guarded(control.OwnerForm(), [&] { control.OnMouseUp(button, shift, x, y); });
}

void UserInput::TextEdited(Control& control, std::string_view text)
{
    Guarded(control.OwnerForm(), [&] {
        if (!control.StoreText(text)) return;
        if (control.kind() == Kind::ComboBox) {
            auto& combo = static_cast<ComboBox&>(control);
            combo.itemIndex_ = combo.IndexOf(text);
            combo.Notify(Property::ItemIndex);
        }
        control.OnChange();
    });
}

void UserInput::ItemPicked(ComboBox& combo, int index)
{
    Guarded(combo.OwnerForm(), [&] {
        if (index < 0 || index >= static_cast<int>(combo.items_.size())) return;
        combo.itemIndex_ = index;
        combo.StoreText(combo.items_[static_cast<std::size_t>(index)]);
        combo.Notify(Property::ItemIndex);
        combo.OnChange();
    });
}

void UserInput::DropDownChanged(ComboBox& combo, bool open)
{
    combo.droppedDown_ = open;
}

void UserInput::PageSelected(PageControl& pages, int index)
{
    Guarded(pages.OwnerForm(), [&] {
        if (index < 0 || index >= pages.PageCount() || index == pages.activePage_) return;
        pages.activePage_ = index;
        pages.Notify(Property::PageIndex);
        pages.OnChange();
    });
}

void UserInput::TabSelected(TabControl& tabs, int index)
{
    Guarded(tabs.OwnerForm(), [&] {
        if (index < 0 || index >= static_cast<int>(tabs.tabs_.size()) || index == tabs.tabIndex_) return;
        tabs.tabIndex_ = index;
        tabs.Notify(Property::PageIndex);
        tabs.OnChange();
    });
}

void UserInput::Resized(Control& control, int width, int height)
{
    Guarded(control.OwnerForm(), [&] {
        const Bounds b = control.GetBounds();
        control.SetBounds(b.left, b.top, width, height);
    });
}

void UserInput::RowClicked(ColumnListBox& list, int row, ShiftState shift)
{
    Guarded(list.OwnerForm(), [&] {
        if (row < 0 || row >= list.Count()) return;
        list.rows_.click(row, shift);
        list.Notify(Property::Selection);
        list.OnClick();
    });
}

void UserInput::RowMovedTo(ColumnListBox& list, int row, ShiftState shift)
{
    Guarded(list.OwnerForm(), [&] {
        if (row < 0 || row >= list.Count()) return;
        list.rows_.moveTo(row, shift);
        list.Notify(Property::Selection);
        list.OnClick();
    });
}

void UserInput::RowToggled(ColumnListBox& list)
{
    Guarded(list.OwnerForm(), [&] {
        if (!list.MultiSelect() || list.CurrentRow() < 0) return;
        list.rows_.toggleCurrent();
        list.Notify(Property::Selection);
        list.OnClick();
    });
}

void UserInput::HeaderSized(ColumnListBox& list, int section, int width)
{
    Guarded(list.OwnerForm(), [&] {
        if (section < 0 || section >= list.SectionCount()) return;
        list.sections_[section].setWidth(width);
        list.Notify(Property::Sections);
        list.OnHeaderSized(section, list.sections_[section].Width());
    });
}

void UserInput::CloseRequested(Form& form)
{
    Guarded(form, [&] { form.Close(); });
}

void UserInput::Activated(Form& form)
{
    Guarded(form, [&] { form.OnActivate(); });
}

}  // namespace sonrik::ui
