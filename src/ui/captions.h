// A window's captions in both languages, by control name, and the one way
// they are put onto the controls.
#pragma once

#include "ui/controls.h"

#include <span>
#include <string_view>

namespace sonrik::ui {

struct CaptionText {
    std::string_view control;  // the control's name; for other texts, what the text is for
    std::u8string_view english;
    std::u8string_view russian;

    std::u8string_view In(bool inEnglish) const { return inEnglish ? english : russian; }
};

// The control named `name` among `root` and everything inside it; null when
// there is none.
Control* FindControl(Control& root, std::string_view name);

// Sets the caption of each control the table names, in the language asked.
// Throws std::logic_error for a name the window lacks: the table and the
// window are written together, so that is a fault of the program.
void ApplyCaptions(Control& root, std::span<const CaptionText> table, bool english);

}  // namespace sonrik::ui
