// What the user did, as a backend reports it: the Win32 backend from window
// notifications, the headless backend from a test acting as the user. Each
// entry updates the model and runs the handlers by the event rules; an error
// that escapes a handler is shown in the error box and the window stays open.
#pragma once

#include "ui/form.h"

#include <string>
#include <string_view>
#include <vector>

namespace sonrik::ui {

class ColumnListBox;

// The letter a caption marks with '&' ("&&" is a plain '&'), 0 when none.
char32_t AcceleratorOf(std::string_view caption);
// The controls of a form that the keyboard reaches, in tab order (creation
// order, visible and enabled ones only).
std::vector<Control*> TabOrder(Form& form);

class UserInput {
public:
    // The focus moved to `control` (null: to no control of the form).
    static void FocusMoved(Form& form, Control* control);
    // A key went down in `target`; the form sees it first when it previews
    // keys. Returns the key still to be handled (0 when a handler took it).
    static int KeyDown(Control& target, int key, ShiftState shift);
    static int KeyUp(Control& target, int key, ShiftState shift);
    // A character was typed into `target`; returns it, or 0 when swallowed.
    static char KeyPress(Control& target, char ch);

    static void Clicked(Control& control);          // buttons, check boxes (toggles), others
    static void DoubleClicked(Control& control);
    static void MouseUp(Control& control, MouseButton button, ShiftState shift, int x, int y);
    // The user changed the text of an edit box, memo or combo box field:
    // as ANSI bytes, or as the system has it in any script, which goes into
    // the field through the one exact conversion (text::ToAnsiExactly).
    static void TextEdited(Control& control, std::string_view text);
    static void TextEdited(Control& control, std::u8string_view typed);
    // The user picked an entry of a combo box's list.
    static void ItemPicked(ComboBox& combo, int index);
    static void DropDownChanged(ComboBox& combo, bool open);
    // The user picked a tab (click, arrow key): OnChanging may refuse it,
    // then OnChange runs. False when the tab did not change.
    static bool PageSelected(PageControl& pages, int index);
    static bool TabSelected(TabControl& tabs, int index);
    // Ctrl+Tab (forward) or Ctrl+Shift+Tab in a tab or page control: the next
    // tab, wrapping round, through the same OnChanging and OnChange.
    static bool TabStepped(Control& tabs, bool forward);
    // Alt+letter: the first visible, enabled control of the form whose
    // caption marks that letter with '&' (letter case ignored) acts as the
    // platform does: a button is clicked, a check box takes the focus and
    // toggles, a label gives the focus to the next control in tab order, a
    // tab (of a tab or page control) is picked. False when no caption has it.
    static bool Accelerator(Form& form, char32_t letter);
    // An ASCII letter (a byte above 127 counts as that Latin-1 code point).
    static bool Accelerator(Form& form, char letter)
    {
        return Accelerator(form, static_cast<char32_t>(static_cast<unsigned char>(letter)));
    }
    // The window has placed the form on the screen (frame included).
    static void FormPlaced(Form& form, const Bounds& screenBounds);
    static void Resized(Control& control, int width, int height);
    // The list box: a click on a row (with Shift/Ctrl held), a keyboard move
    // to a row, Space toggling the current row, a section edge dragged.
    static void RowClicked(ColumnListBox& list, int row, ShiftState shift);
    static void RowMovedTo(ColumnListBox& list, int row, ShiftState shift);
    static void RowToggled(ColumnListBox& list);
    static void HeaderSized(ColumnListBox& list, int section, int width);
    // The list's horizontal scroll bar moved to `position` pixels.
    static void ScrolledHorizontally(ColumnListBox& list, int position);
    // The user asked to close the form (close button, Alt+F4).
    static void CloseRequested(Form& form);
    // The form became the active window.
    static void Activated(Form& form);

    // Runs `action` and shows an error that escapes it in the error box.
    template <typename F>
    static void Guarded(Form& form, F&& action);

private:
    static void ShowEscapedError(Form& form, const char* message);
    static void StoreEdited(Control& control, std::string_view text, std::optional<char32_t> unheld);
};

template <typename F>
void UserInput::Guarded(Form& form, F&& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        ShowEscapedError(form, e.what());
    }
}

}  // namespace sonrik::ui
