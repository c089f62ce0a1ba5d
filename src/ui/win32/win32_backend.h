// The Win32 backend: every form and control of the model becomes a real
// window (wide API, common controls), the windows' notifications are reported
// to the model through UserInput, and the services (message boxes, the modal
// loop, waits, the cursor, messages to the host) are the system's own.
#pragma once

#include "ui/backend.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sonrik::widgets {
class StyleLibrary;
}

namespace sonrik::ui::win32 {

class WindowPeer;

class Win32Backend : public Backend {
public:
    // `styles` lets the group boxes draw with the active visual style; with
    // none (or a library that is not loaded) they draw the classic way. The
    // loader must outlive the backend, and the backend every form it serves
    // (its window classes go with it).
    explicit Win32Backend(const widgets::StyleLibrary* styles = nullptr);
    ~Win32Backend() override;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    // Every message box (questions and error boxes) goes through here; the
    // default shows MessageBoxW. Tests put in their own so no box blocks.
    using MessageBoxHook =
        std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, unsigned flags)>;
    void SetMessageBoxHook(MessageBoxHook hook);

    // The window of a control; null when it has none (not created yet, or a
    // control of another backend).
    static HWND WindowOf(const Control& control);

    // ---- Backend ----
    std::unique_ptr<ControlPeer> CreatePeer(Control& control) override;
    void RunModal(Form& form, WindowHandle owner) override;
    void EndModal(Form& form) override;
    WindowHandle HandleOf(const Form& form) const override;
    void FocusWindow(Form& form) override;
    void Repaint(Control& control) override;
    int ShowMessageBox(BoxOwner owner, std::u8string_view text, std::u8string_view caption, unsigned flags) override;
    void ErrorBox(std::u8string_view text) override;
    void ProcessMessages() override;
    void Wait(int milliseconds) override;
    void SetCursor(Cursor cursor) override;
    std::intptr_t SendHostMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam) override;

    // ---- for the peers ----
    HINSTANCE Instance() const { return instance_; }
    HFONT Font() const { return font_; }
    const widgets::StyleLibrary* Styles() const { return styles_; }
    Cursor CurrentCursor() const { return cursor_; }
    // Something escaped a window procedure: shown like an error that escaped
    // a handler, never passed on into the system.
    void ReportEscapedError(const char* message) noexcept;
    // Whether a key message reaching a control was already shown to the model
    // by the message loop (then the control's window procedure only passes it
    // on); consumes the mark.
    bool TakePreviewedKey(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Runs a key message through the model's key handlers; false when a
    // handler took the key. The key may come back changed in `wParam`.
    static bool ReportKey(Control& target, UINT message, WPARAM& wParam, LPARAM lParam);

private:
    struct KeyMark {
        HWND window = nullptr;
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };

    // One message from the queue: the model sees keys first (as the form's
    // key preview and the controls' key handlers), then the window gets it.
    void DispatchOne(MSG& msg);
    // True when the message was dealt with here and must not be dispatched.
    bool PreTranslate(MSG& msg);
    // Keys a dialog handles itself: Tab moves the focus, Return clicks a
    // focused push button. True when handled.
    bool DialogKey(Control& target, HWND window, WPARAM key);
    HWND BoxOwnerWindow(BoxOwner owner) const;

    HINSTANCE instance_ = nullptr;
    HFONT font_ = nullptr;
    const widgets::StyleLibrary* styles_;
    MessageBoxHook messageBox_;
    Cursor cursor_ = Cursor::Normal;
    std::set<const Form*> endRequested_;
    std::vector<Form*> modalForms_;
    std::optional<KeyMark> previewedKey_;
};

}  // namespace sonrik::ui::win32
