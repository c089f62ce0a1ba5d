#include "ui/headless/headless.h"

#include "text/text.h"

#include <algorithm>
#include <stdexcept>

namespace sonrik::ui::headless {

namespace {

char CharOfKey(int key)
{
    switch (key) {
    case keys::Back: return '\b';
    case keys::Tab: return '\t';
    case keys::Return: return '\r';
    case keys::Escape: return '\x1b';
    case keys::Space: return ' ';
    default: return 0;
    }
}

bool IsTabs(const Control& control)
{
    return control.kind() == Kind::TabControl || control.kind() == Kind::PageControl;
}

int CurrentTab(const Control& control)
{
    return control.kind() == Kind::TabControl ? static_cast<const TabControl&>(control).TabIndex()
                                              : static_cast<const PageControl&>(control).ActivePageIndex();
}

}  // namespace

// ---- HeadlessBackend -------------------------------------------------------------

HeadlessBackend::HeadlessBackend() = default;
HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::RunModal(Form& form, WindowHandle)
{
    ++modalRuns_;
    // Without a frame the window is as large as its client area.
    UserInput::FormPlaced(form, PlaceWindow(form.Position(), form.DesignedLeft(), form.DesignedTop(),
                                            form.ClientWidth(), form.ClientHeight(), workArea_));
    UserInput::Activated(form);
    if (sessions_.empty()) return;
    auto session = std::move(sessions_.front());
    sessions_.pop_front();
    User user(*this);
    session(user);
}

void HeadlessBackend::EndModal(Form&) { journal_.push_back("closed"); }

void HeadlessBackend::FocusWindow(Form& form) { journal_.push_back("focus-window:" + form.Name()); }

void HeadlessBackend::Repaint(Control& control) { journal_.push_back("repaint:" + control.Name()); }

namespace {

// Holds nothing but its place in the count of live peers.
class CountedPeer final : public ControlPeer {
public:
    explicit CountedPeer(int& live) : live_(live) { ++live_; }
    ~CountedPeer() override { --live_; }
    CountedPeer(const CountedPeer&) = delete;
    CountedPeer& operator=(const CountedPeer&) = delete;
    void Changed(Property) override {}

private:
    int& live_;
};

}  // namespace

std::unique_ptr<ControlPeer> HeadlessBackend::CreatePeer(Control&) { return std::make_unique<CountedPeer>(livePeers_); }

int HeadlessBackend::ShowMessageBox(BoxOwner owner, std::u8string_view utf8Text, std::u8string_view utf8Caption,
                                    unsigned flags)
{
    // The journal keeps the UTF-8 bytes as plain strings, easy to compare.
    const std::string_view text = text::Bytes(utf8Text), caption = text::Bytes(utf8Caption);
    journal_.push_back("box:" + std::string(text));
    if (answers_.empty())
        throw std::logic_error("a message box nobody expected: " + std::string(text));
    const int answer = answers_.front();
    answers_.pop_front();
    questions_.push_back({owner.form, owner.window, std::string(text), std::string(caption), flags, answer});
    return answer;
}

void HeadlessBackend::ErrorBox(std::u8string_view utf8Text)
{
    const std::string_view text = text::Bytes(utf8Text);
    journal_.push_back("error:" + std::string(text));
    errorBoxes_.emplace_back(text);
}

void HeadlessBackend::ProcessMessages()
{
    journal_.push_back("process");
    ++processMessages_;
}

void HeadlessBackend::Wait(int milliseconds)
{
    journal_.push_back("wait:" + std::to_string(milliseconds));
    waits_.push_back(milliseconds);
}

std::intptr_t HeadlessBackend::SendHostMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                               std::intptr_t lParam)
{
    HostMessage sent{window, message, wParam, lParam, 0};
    if (window != 0) {
        const auto it = hostAnswers_.find({message, wParam});
        sent.result = it == hostAnswers_.end() ? 0 : it->second;
    }
    journal_.push_back("host:" + std::to_string(message) + "," + std::to_string(wParam));
    hostMessages_.push_back(sent);
    if (hostHook_) hostHook_(sent);
    return sent.result;
}

// ---- User --------------------------------------------------------------------------

void User::Require(const Control& control, const char* action) const
{
    if (!control.VisibleInTree() || !control.EnabledInTree())
        throw std::logic_error(std::string("the user cannot ") + action + " " + control.Name() +
                               ": it is hidden or disabled");
}

void User::Focus(Control& control)
{
    Require(control, "focus");
    if (!control.CanFocus()) throw std::logic_error(control.Name() + " cannot take the focus");
    UserInput::FocusMoved(control.OwnerForm(), &control);
}

void User::Leave(Form& form) { UserInput::FocusMoved(form, nullptr); }

void User::Click(Control& control)
{
    Require(control, "click");
    if (control.CanFocus()) UserInput::FocusMoved(control.OwnerForm(), &control);
    UserInput::Clicked(control);
}

void User::DoubleClick(Control& control)
{
    Require(control, "double-click");
    if (control.CanFocus()) UserInput::FocusMoved(control.OwnerForm(), &control);
    UserInput::Clicked(control);
    UserInput::DoubleClicked(control);
}

void User::Type(Control& control, char ch)
{
    switch (control.kind()) {
    case Kind::Edit:
    case Kind::Memo: {
        auto& edit = static_cast<Edit&>(control);
        if (edit.ReadOnly()) return;
        std::string text = edit.Text();
        if (ch == '\b') {
            if (!text.empty()) text.pop_back();
        } else if (ch == '\r') {
            if (control.kind() != Kind::Memo) return;
            text += "\r\n";
        } else if (static_cast<unsigned char>(ch) < 0x20) {
            return;
        } else if (edit.DigitsOnly() && !std::isdigit(static_cast<unsigned char>(ch))) {
            return;  // the field refuses anything but digits
        } else {
            text += ch;
        }
        UserInput::TextEdited(edit, text);
        return;
    }
    case Kind::ComboBox: {
        auto& combo = static_cast<ComboBox&>(control);
        if (ch == '\r' || ch == '\x1b' || ch == '\t') return;
        if (combo.GetStyle() == ComboBox::Style::DropDownList) {
            // A list without a field jumps to the first entry that starts with the key.
            const auto& items = combo.Items();
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (text::StartsWithIgnoringCase(items[i], std::string_view(&ch, 1))) {
                    if (static_cast<int>(i) != combo.ItemIndex()) UserInput::ItemPicked(combo, static_cast<int>(i));
                    return;
                }
            }
            return;
        }
        std::string text = combo.Text();
        if (ch == '\b') {
            if (!text.empty()) text.pop_back();
        } else if (static_cast<unsigned char>(ch) >= 0x20) {
            text += ch;
        } else {
            return;
        }
        UserInput::TextEdited(combo, text);
        return;
    }
    case Kind::CheckBox:
    case Kind::Button:
        if (ch == ' ') UserInput::Clicked(control);
        return;
    default:
        return;
    }
}

void User::TypeText(Control& control, std::string_view text)
{
    Focus(control);
    for (const char c : text) {
        const char left = UserInput::KeyPress(control, c);
        if (left != 0) Type(control, left);
    }
}

void User::ReplaceText(Control& control, std::string_view text)
{
    RequireField(control);
    UserInput::TextEdited(control, text);
}

void User::ReplaceText(Control& control, std::u8string_view text)
{
    RequireField(control);
    UserInput::TextEdited(control, text);
}

void User::RequireField(Control& control)
{
    Focus(control);
    if (control.kind() == Kind::ComboBox &&
        static_cast<ComboBox&>(control).GetStyle() == ComboBox::Style::DropDownList)
        throw std::logic_error(control.Name() + " has no field to type into");
}

void User::Pick(ComboBox& combo, int index)
{
    Focus(combo);
    if (index < 0 || index >= static_cast<int>(combo.Items().size()))
        throw std::logic_error(combo.Name() + " has no entry " + std::to_string(index));
    UserInput::ItemPicked(combo, index);
}

void User::DropDown(ComboBox& combo, bool open)
{
    Focus(combo);
    UserInput::DropDownChanged(combo, open);
}

void User::PressKey(Form& form, int key, ShiftState shift)
{
    Control& target = form.ActiveControl() ? *form.ActiveControl() : form;
    const int left = UserInput::KeyDown(target, key, shift);
    if (left != 0) {
        if (left == keys::Tab && (shift & ssCtrl)) {
            if (IsTabs(target)) UserInput::TabStepped(target, (shift & ssShift) == 0);
        } else if (IsTabs(target) && (left == keys::Left || left == keys::Right) && CurrentTab(target) >= 0) {
            const int to = CurrentTab(target) + (left == keys::Right ? 1 : -1);
            if (target.kind() == Kind::TabControl)
                UserInput::TabSelected(static_cast<TabControl&>(target), to);
            else
                UserInput::PageSelected(static_cast<PageControl&>(target), to);
        } else if (left == keys::Tab) {
            const std::vector<Control*> order = TabOrder(form);
            if (!order.empty()) {
                auto it = std::find(order.begin(), order.end(), &target);
                const bool back = (shift & ssShift) != 0;
                std::size_t next = 0;
                if (it != order.end()) {
                    const auto at = static_cast<std::size_t>(it - order.begin());
                    next = back ? (at + order.size() - 1) % order.size() : (at + 1) % order.size();
                }
                UserInput::FocusMoved(form, order[next]);
            }
        } else if (target.kind() == Kind::ColumnListBox && (left == keys::Up || left == keys::Down)) {
            auto& list = static_cast<ColumnListBox&>(target);
            const int row = list.CurrentRow() < 0 ? 0 : list.CurrentRow() + (left == keys::Down ? 1 : -1);
            UserInput::RowMovedTo(list, row, shift);
        } else if (target.kind() == Kind::ColumnListBox && left == keys::Space) {
            UserInput::RowToggled(static_cast<ColumnListBox&>(target));
        } else if (left == keys::Return && target.kind() == Kind::Button) {
            UserInput::Clicked(target);
        } else if (const char ch = CharOfKey(left); ch != 0 && !(shift & ssCtrl)) {
            const char typed = UserInput::KeyPress(target, ch);
            if (typed != 0) Type(target, typed);
        }
    }
    UserInput::KeyUp(target, key, shift);
}

void User::SelectPage(PageControl& pages, int index)
{
    Require(pages, "select a page of");
    UserInput::PageSelected(pages, index);
}

void User::SelectTab(TabControl& tabs, int index)
{
    Require(tabs, "select a tab of");
    UserInput::TabSelected(tabs, index);
}

void User::ClickRow(ColumnListBox& list, int row, ShiftState shift)
{
    Require(list, "click a row of");
    if (row < 0 || row >= list.Count()) throw std::logic_error(list.Name() + " has no row " + std::to_string(row));
    UserInput::FocusMoved(list.OwnerForm(), &list);
    UserInput::RowClicked(list, row, shift);
    const auto rect = list.RowRect(row);
    const int x = list.SectionCount() > 0 ? list.Sections()[0].Width() / 2 : rect.left + 1;
    UserInput::MouseUp(list, MouseButton::Left, shift, x, (rect.top + rect.bottom) / 2);
}

void User::DoubleClickRow(ColumnListBox& list, int row)
{
    ClickRow(list, row);
    UserInput::DoubleClicked(list);
}

void User::DragSection(ColumnListBox& list, int section, int width)
{
    Require(list, "resize a column of");
    UserInput::HeaderSized(list, section, width);
}

void User::ScrollColumns(ColumnListBox& list, int position)
{
    Require(list, "scroll");
    UserInput::ScrolledHorizontally(list, position);
}

void User::ClickCell(ColumnListBox& list, int row, int x)
{
    Require(list, "click a cell of");
    if (row < 0 || row >= list.Count()) throw std::logic_error(list.Name() + " has no row " + std::to_string(row));
    UserInput::FocusMoved(list.OwnerForm(), &list);
    const auto rect = list.RowRect(row);
    UserInput::MouseUp(list, MouseButton::Left, 0, x, (rect.top + rect.bottom) / 2);
    UserInput::RowClicked(list, row, 0);
}

void User::DoubleClickCell(ColumnListBox& list, int row, int x)
{
    ClickCell(list, row, x);
    UserInput::DoubleClicked(list);
}

bool User::PressAlt(Form& form, char letter) { return UserInput::Accelerator(form, letter); }

bool User::PressAlt(Form& form, char32_t letter) { return UserInput::Accelerator(form, letter); }

void User::Close(Form& form) { UserInput::CloseRequested(form); }

}  // namespace sonrik::ui::headless
