#include "ui/form.h"

#include "ui/backend.h"
#include "ui/input.h"

#include <algorithm>

#include <functional>

namespace sonrik::ui {

namespace {

void AttachPeers(Backend& backend, Control& control)
{
    control.AttachPeer(backend.CreatePeer(control));
    for (Control* child : control.Children()) AttachPeers(backend, *child);
}

}  // namespace

Bounds PlaceWindow(FormPosition position, int designedLeft, int designedTop, int width, int height,
                   const Bounds& workArea)
{
    const int right = workArea.left + workArea.width;
    const int bottom = workArea.top + workArea.height;
    if (position == FormPosition::ScreenCenter)
        return {std::max(workArea.left, workArea.left + (workArea.width - width) / 2),
                std::max(workArea.top, workArea.top + (workArea.height - height) / 2), width, height};
    const int left = std::max(workArea.left, std::min(designedLeft, right - width));
    const int top = std::max(workArea.top, std::min(designedTop, bottom - height));
    return {left, top, width, height};
}

Form::Form(Backend& backend, std::string name) : Control(Kind::Form, nullptr, std::move(name)), backend_(backend)
{
    SetVisible(false);
}

// The derived form has run Destroy() (or never was created); here only the
// real window of the form itself is left to go.
Form::~Form() { AttachPeer(nullptr); }

void Form::Create()
{
    if (created_) return;
    BuildWindows();
    created_ = true;
    UserInput::Guarded(*this, [this] { OnCreate(); });
}

void Form::Destroy()
{
    if (destroyed_) return;
    destroyed_ = true;
    if (created_) OnDestroy();
    ReleaseWindows();
}

void Form::BuildWindows()
{
    if (windowsBuilt_) return;
    AttachPeers(backend_, *this);
    windowsBuilt_ = true;
}

void Form::ReleaseWindows()
{
    DetachPeer();
    windowsBuilt_ = false;
}

ModalResult Form::ShowModal(WindowHandle owner)
{
    Create();
    BuildWindows();
    modalResult_ = ModalResult::None;
    showing_ = true;
    SetVisible(true);
    backend_.RunModal(*this, owner);
    showing_ = false;
    SetVisible(false);
    ReleaseWindows();
    return modalResult_;
}

void Form::Close()
{
    bool canClose = true;
    OnCloseQuery(canClose);
    if (!canClose) return;
    OnClose();
    if (modalResult_ == ModalResult::None) modalResult_ = ModalResult::Cancel;
    if (showing_) backend_.EndModal(*this);
}

void Form::SetBorder(FormBorder border)
{
    if (border_ == border) return;
    border_ = border;
    Notify(Property::Style);
}

void Form::SetClientSize(int width, int height)
{
    if (clientWidth_ == width && clientHeight_ == height) return;
    clientWidth_ = width;
    clientHeight_ = height;
    Notify(Property::Bounds);
    Realign();
}

void Form::SetPosition(FormPosition position)
{
    position_ = position;
    Notify(Property::Bounds);
}

void Form::SetDesignedPosition(int left, int top)
{
    designedLeft_ = left;
    designedTop_ = top;
    SetPosition(FormPosition::Designed);
}

void Form::FocusWindow() { backend_.FocusWindow(*this); }

void Form::FocusControl(Control* control)
{
    if (control == focused_) return;
    Control* old = focused_;
    focused_ = control;
    if (control) control->Notify(Property::Focus);
    if (old) old->OnExit();
    if (control && focused_ == control) control->OnEnter();
}

WindowHandle Form::Handle() const { return backend_.HandleOf(*this); }

}  // namespace sonrik::ui
