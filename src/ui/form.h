// A top-level window with named controls as members. Forms are created hidden,
// shown modally by the backend, hidden again when closed, and destroyed by
// their owner (running OnDestroy).
#pragma once

#include "ui/controls.h"

#include <functional>

namespace sonrik::ui {

class Backend;

// A window handle of the platform (the host's windows); 0 for none.
using WindowHandle = std::uintptr_t;

enum class ModalResult { None, Ok, Cancel, Yes, No, Close };

// The window's frame; neither kind can be resized by the user. Dialog: a
// caption with a close button. ToolWindow: a small tool-window caption
// without title-bar buttons.
enum class FormBorder { Dialog, ToolWindow };

class Form : public Control {
public:
    explicit Form(Backend& backend, std::string name);
    ~Form() override;

    Backend& GetBackend() const { return backend_; }

    // Builds the real window (if the backend has one) and runs OnCreate.
    // Called once, by whoever constructed the form, after its controls exist.
    void Create();
    bool Created() const { return created_; }
    // Runs OnDestroy and removes the real window. Also done by the destructor.
    void Destroy();

    // Shows the window modally and returns when it closes; the owner window
    // (a host window, or 0) stays in front of nothing else meanwhile.
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

    void SetClientSize(int width, int height);
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }

    Control* ActiveControl() const { return focused_; }
    // Moves the focus; runs OnExit and OnEnter when it really moves.
    void FocusControl(Control* control);

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

    Backend& backend_;
    bool created_ = false;
    bool destroyed_ = false;
    bool showing_ = false;
    bool keyPreview_ = false;
    FormBorder border_ = FormBorder::Dialog;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    Control* focused_ = nullptr;
    ModalResult modalResult_ = ModalResult::None;
};

}  // namespace sonrik::ui
