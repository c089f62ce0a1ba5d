// A top-level window with named controls as members. Forms are created hidden,
// shown modally by the backend, hidden again when closed, and destroyed by
// their owner (running OnDestroy). A closed form gives its real windows back
// to the system and keeps its state in the controls; shown again, it gets
// new windows built from that state. A host may keep closed forms for its
// whole session, and windows it can never see again would only use up what
// the system grants a process.
#pragma once

#include "ui/controls.h"

#include <functional>

namespace sonrik::ui {

class Backend;

enum class ModalResult { None, Ok, Cancel, Yes, No, Close };

// The window's frame; neither kind can be resized by the user. Dialog: a
// caption with a close button. ToolWindow: a small tool-window caption
// without title-bar buttons.
enum class FormBorder { Dialog, ToolWindow };

// Where the window opens: in the middle of the screen's work area, or at its
// designed position (moved onto the work area when it does not fit there).
enum class FormPosition { ScreenCenter, Designed };

// Where a window of `width` x `height` (frame included) stands on a screen
// whose work area is `workArea`: centred, or at its designed corner moved
// just far enough to lie on the work area (its top left kept on it when the
// window is larger than the work area).
Bounds PlaceWindow(FormPosition position, int designedLeft, int designedTop, int width, int height,
                   const Bounds& workArea);

class Form : public Control {
public:
    explicit Form(Backend& backend, std::string name);
    ~Form() override;

    Backend& GetBackend() const { return backend_; }

    // Builds the real window (if the backend has one) and runs OnCreate.
    // Called once, by whoever constructed the form, after its controls exist.
    // An error escaping OnCreate is shown in the error box; the form is
    // created all the same and can be shown.
    void Create();
    bool Created() const { return created_; }
    // Runs OnDestroy and removes the real window. Also done by the destructor.
    void Destroy();

    // Shows the window modally and returns when it closes; the owner window
    // (a host window, or 0) stays in front of nothing else meanwhile. The
    // real windows are built again first if an earlier close released them,
    // and released when it closes.
    ModalResult ShowModal(WindowHandle owner = 0);
    bool Showing() const { return showing_; }
    // Asks OnCloseQuery; when allowed, runs OnClose and hides the window.
    void Close();
    ModalResult GetModalResult() const { return modalResult_; }
    void SetModalResult(ModalResult result) { modalResult_ = result; }

    // The form sees every key before the focused control does.
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool value) { keyPreview_ = value; }

    FormBorder Border() const { return border_; }
    void SetBorder(FormBorder border);

    // The client area lays out the aligned controls again.
    void SetClientSize(int width, int height);
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    Bounds ClientArea() const override { return {0, 0, clientWidth_, clientHeight_}; }

    FormPosition Position() const { return position_; }
    void SetPosition(FormPosition position);
    // The window's top left corner on the screen (the frame, not the client
    // area); sets the position to Designed.
    void SetDesignedPosition(int left, int top);
    int DesignedLeft() const { return designedLeft_; }
    int DesignedTop() const { return designedTop_; }
    // Where the window stands on the screen, frame included, as the backend
    // placed it when it was last shown (all 0 before).
    const Bounds& ScreenBounds() const { return screenBounds_; }

    Control* ActiveControl() const { return focused_; }
    // Moves the focus; runs OnExit and OnEnter when it really moves.
    void FocusControl(Control* control);
    // Gives the window itself the keyboard focus while its active control
    // stays what it is: no OnExit or OnEnter runs. The next control the user
    // focuses runs the active control's OnExit as usual.
    void FocusWindow();

    // The real window of the form, 0 when there is none (headless).
    WindowHandle Handle() const;

    Event<> OnCreate;
    Event<> OnActivate;
    Event<bool&> OnCloseQuery;
    Event<> OnClose;
    Event<> OnDestroy;

private:
    friend class UserInput;
    friend class Control;

    void BuildWindows();
    void ReleaseWindows();

    Backend& backend_;
    bool created_ = false;
    bool windowsBuilt_ = false;
    bool destroyed_ = false;
    bool showing_ = false;
    bool keyPreview_ = false;
    FormBorder border_ = FormBorder::Dialog;
    FormPosition position_ = FormPosition::ScreenCenter;
    int designedLeft_ = 0;
    int designedTop_ = 0;
    Bounds screenBounds_;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    Control* focused_ = nullptr;
    ModalResult modalResult_ = ModalResult::None;
};

}  // namespace sonrik::ui
