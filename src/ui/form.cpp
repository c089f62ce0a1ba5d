#include "ui/form.h"

#include "ui/backend.h"

#include <functional>

namespace sonrik::ui {

namespace {

void AttachPeers(Backend& backend, Control& control)
{
    control.AttachPeer(backend.CreatePeer(control));
    for (Control* child : control.Children()) AttachPeers(backend, *child);
}

}  // namespace

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
    AttachPeers(backend_, *this);
    created_ = true;
    OnCreate();
}

void Form::Destroy()
{
    if (destroyed_) return;
    destroyed_ = true;
    if (created_) OnDestroy();
    DetachPeer();
}

ModalResult Form::ShowModal(WindowHandle owner)
{
    Create();
    modalResult_ = ModalResult::None;
    showing_ = true;
    SetVisible(true);
    backend_.RunModal(*this, owner);
    showing_ = false;
    SetVisible(false);
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
    clientWidth_ = width;
    clientHeight_ = height;
    Notify(Property::Bounds);
}

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
