#include "ui/input.h"

#include "ui/backend.h"

#include <algorithm>

namespace sonrik::ui {

namespace {

// Decodes the UTF-8 sequence at `i` and moves past it; a broken sequence
// gives its first byte.
char32_t NextCodePoint(std::string_view text, std::size_t& i)
{
    const auto b = static_cast<unsigned char>(text[i++]);
    int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    char32_t c = more == 3 ? b & 0x07 : more == 2 ? b & 0x0F : more == 1 ? b & 0x1F : b;
    const std::size_t start = i;
    for (; more > 0; --more) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            i = start;
            return b;
        }
        c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    return c;
}

// Letter case folded for the scripts our captions use: Latin, Latin-1 and
// Cyrillic.
char32_t FoldCase(char32_t c) { return text::ToLower(c); }

void CollectTabOrder(Control& control, std::vector<Control*>& out)
{
    if (!control.Visible() || !control.Enabled()) return;
    if (control.CanFocus()) out.push_back(&control);
    for (Control* child : control.Children()) CollectTabOrder(*child, out);
}

bool Marks(std::u8string_view caption, char32_t folded)
{
    const char32_t mark = AcceleratorOf(text::Bytes(caption));
    return mark != 0 && FoldCase(mark) == folded;
}

// The control of the form that answers Alt+letter, and which tab when it is a
// tab or page control.
Control* AcceleratorTarget(Control& control, char32_t folded, int& tab)
{
    if (!control.Visible() || !control.Enabled()) return nullptr;
    switch (control.kind()) {
    case Kind::Button:
    case Kind::CheckBox:
    case Kind::Label:
        if (Marks(control.Caption(), folded)) return &control;
        break;
    case Kind::TabControl: {
        const auto& tabs = static_cast<TabControl&>(control).Tabs();
        for (std::size_t i = 0; i < tabs.size(); ++i)
            if (Marks(tabs[i], folded)) {
                tab = static_cast<int>(i);
                return &control;
            }
        break;
    }
    case Kind::PageControl: {
        auto& pages = static_cast<PageControl&>(control);
        for (int i = 0; i < pages.PageCount(); ++i)
            if (pages.Page(i).Visible() && Marks(pages.Page(i).Caption(), folded)) {
                tab = i;
                return &control;
            }
        break;
    }
    default: break;
    }
    for (Control* child : control.Children())
        if (Control* found = AcceleratorTarget(*child, folded, tab)) return found;
    return nullptr;
}

// The change of tab the user asked for: OnChanging first, then the switch
// and OnChange. False when refused or nothing changes.
template <typename Tabs>
bool ChangeTab(Tabs& tabs, int index, int count, int& current)
{
    if (index < 0 || index >= count || index == current) return false;
    bool allowed = true;
    tabs.OnChanging(allowed);
    if (!allowed) return false;
    current = index;
    return true;
}

}  // namespace

char32_t AcceleratorOf(std::string_view caption)
{
    for (std::size_t i = 0; i < caption.size();) {
        if (caption[i] != '&') {
            NextCodePoint(caption, i);
            continue;
        }
        if (++i >= caption.size()) return 0;
        if (caption[i] == '&') {
            ++i;
            continue;
        }
        return NextCodePoint(caption, i);
    }
    return 0;
}

std::vector<Control*> TabOrder(Form& form)
{
    std::vector<Control*> order;
    CollectTabOrder(form, order);
    return order;
}

void UserInput::ShowEscapedError(Form& form, const char* message)
{
    // Every error's message is UTF-8.
    form.GetBackend().ErrorBox(ErrorBoxText(text::AsUtf8(message)));
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
            box.OnClick();
            box.OnChange();
            return;
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

void UserInput::TextEdited(Control& control, std::string_view text) { StoreEdited(control, text, std::nullopt); }

void UserInput::TextEdited(Control& control, std::u8string_view typed)
{
    const text::AnsiText ansi = text::ToAnsiExactly(typed);
    StoreEdited(control, ansi.bytes, ansi.unheld);
}

void UserInput::StoreEdited(Control& control, std::string_view text, std::optional<char32_t> unheld)
{
    Guarded(control.OwnerForm(), [&] {
        if (!control.StoreText(text, unheld)) return;
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

bool UserInput::PageSelected(PageControl& pages, int index)
{
    bool changed = false;
    Guarded(pages.OwnerForm(), [&] {
        if (!ChangeTab(pages, index, pages.PageCount(), pages.activePage_)) return;
        changed = true;
        pages.Notify(Property::PageIndex);
        pages.OnChange();
    });
    return changed;
}

bool UserInput::TabSelected(TabControl& tabs, int index)
{
    bool changed = false;
    Guarded(tabs.OwnerForm(), [&] {
        if (!ChangeTab(tabs, index, static_cast<int>(tabs.tabs_.size()), tabs.tabIndex_)) return;
        changed = true;
        tabs.Notify(Property::PageIndex);
        tabs.OnChange();
    });
    return changed;
}

bool UserInput::TabStepped(Control& tabs, bool forward)
{
    const auto step = [forward](int current, int count) {
        return count == 0 ? -1 : ((current < 0 ? (forward ? -1 : 0) : current) + (forward ? 1 : count - 1)) % count;
    };
    if (tabs.kind() == Kind::PageControl) {
        auto& pages = static_cast<PageControl&>(tabs);
        return PageSelected(pages, step(pages.ActivePageIndex(), pages.PageCount()));
    }
    if (tabs.kind() == Kind::TabControl) {
        auto& row = static_cast<TabControl&>(tabs);
        return TabSelected(row, step(row.TabIndex(), static_cast<int>(row.Tabs().size())));
    }
    return false;
}

bool UserInput::Accelerator(Form& form, char32_t letter)
{
    int tab = -1;
    Control* target = AcceleratorTarget(form, FoldCase(letter), tab);
    if (!target) return false;
    switch (target->kind()) {
    case Kind::Button: Clicked(*target); break;
    case Kind::CheckBox:
        FocusMoved(form, target);
        if (form.ActiveControl() == target) Clicked(*target);
        break;
    case Kind::Label: {
        // The next control after the label in tab order takes the focus.
        std::vector<Control*> all;
        const auto collect = [&](auto& self, Control& c) -> void {
            all.push_back(&c);
            for (Control* child : c.Children()) self(self, *child);
        };
        collect(collect, form);
        const auto order = TabOrder(form);
        const auto at = std::find(all.begin(), all.end(), target);
        for (auto it = at; it != all.end(); ++it)
            if (std::find(order.begin(), order.end(), *it) != order.end()) {
                FocusMoved(form, *it);
                break;
            }
        break;
    }
    case Kind::TabControl: TabSelected(static_cast<TabControl&>(*target), tab); break;
    case Kind::PageControl: PageSelected(static_cast<PageControl&>(*target), tab); break;
    default: break;
    }
    return true;
}

void UserInput::FormPlaced(Form& form, const Bounds& screenBounds) { form.screenBounds_ = screenBounds; }

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

void UserInput::ScrolledHorizontally(ColumnListBox& list, int position)
{
    Guarded(list.OwnerForm(), [&] { list.SetScrollLeft(position); });
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
