#include "ui/captions.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace sonrik::ui {

Control* FindControl(Control& root, std::string_view name)
{
    std::vector<Control*> pending{&root};
    while (!pending.empty()) {
        Control* control = pending.back();
        pending.pop_back();
        if (control->Name() == name) return control;
        pending.insert(pending.end(), control->Children().begin(), control->Children().end());
    }
    return nullptr;
}

void ApplyCaptions(Control& root, std::span<const CaptionText> table, bool english)
{
    for (const CaptionText& caption : table) {
        Control* control = FindControl(root, caption.control);
        if (!control)
            throw std::logic_error("the language table names a control the window lacks: " + std::string(caption.control));
        control->SetCaption(caption.In(english));
    }
}

}  // namespace sonrik::ui
