// What a backend gives the windows: real (or recorded) controls, the modal
// loop, message boxes, waits, the cursor and messages to the host's window.
#pragma once

#include "text/text.h"
#include "ui/form.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace sonrik::ui {

// Message box flags and answers, numbered as the platform numbers them.
namespace mb {
inline constexpr unsigned Ok = 0x0, OkCancel = 0x1, YesNoCancel = 0x3, YesNo = 0x4;
inline constexpr unsigned IconError = 0x10, IconQuestion = 0x20, IconWarning = 0x30, IconInformation = 0x40;
}  // namespace mb
namespace answer {
inline constexpr int Ok = 1, Cancel = 2, Yes = 6, No = 7;
}  // namespace answer

enum class Cursor { Normal, HourGlass };

// Who owns a message box: one of our forms, or a window of the host (0: none).
struct BoxOwner {
    const Form* form = nullptr;
    WindowHandle window = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Mirrors: called by Form::Create for the form and each of its controls,
    // parents first; a backend without real windows returns null.
    virtual std::unique_ptr<ControlPeer> CreatePeer(Control& control) = 0;

    // Runs the modal loop of a created form until it closes.
    virtual void RunModal(Form& form, WindowHandle owner) = 0;
    // Ends the modal loop of a form (it was closed).
    virtual void EndModal(Form& form) = 0;
    virtual WindowHandle HandleOf(const Form& form) const = 0;
    // Gives a form's window (when shown) the keyboard focus, its active control
    // staying as it is (Form::FocusWindow).
    virtual void FocusWindow(Form& form) = 0;
    // Redraws a control and its children now (Control::Repaint).
    virtual void Repaint(Control& control) = 0;

    // Answers as in `answer`.
    virtual int ShowMessageBox(BoxOwner owner, std::u8string_view text, std::u8string_view caption,
                               unsigned flags) = 0;
    // An error that escaped an event handler: shown with OK and the error icon.
    virtual void ErrorBox(std::u8string_view text) = 0;
    // Lets pending window messages be handled (painting, input).
    virtual void ProcessMessages() = 0;
    virtual void Wait(int milliseconds) = 0;
    virtual void SetCursor(Cursor cursor) = 0;
    // Sends a message to a window of the host and returns its answer;
    // a window of 0 receives nothing and gives 0.
    virtual std::intptr_t SendHostMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                          std::intptr_t lParam) = 0;
};

// The text shown for an error that escaped a handler: a full stop is added
// when the last character sorts above the full stop.
std::u8string ErrorBoxText(std::u8string_view message);
// The caption of that box: the host program's file name without its folder,
// cut at its first full stop and lower-cased after its first character
// (letters of the Latin-1 Supplement and Cyrillic too).
std::u8string ApplicationTitle(std::u8string_view exePath);

}  // namespace sonrik::ui
