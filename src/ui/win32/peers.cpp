#include "ui/win32/peers.h"

#include "ui/input.h"
#include "ui/win32/automation_names.h"
#include "ui/win32/text.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace sonrik::ui::win32 {

namespace {

constexpr const wchar_t* kPeerProperty = L"Sonrik.Peer";
constexpr UINT_PTR kSubclassId = 0x536F6E72;  // any value of our own

// The common controls' subclass calls. Before version 6 of the library (what
// Windows XP loads for a program without a manifest) they are exported by
// ordinal only, and every version keeps those ordinals: so they are looked up
// by ordinal, not imported by name.
struct SubclassCalls {
    decltype(&::SetWindowSubclass) set = nullptr;
    decltype(&::RemoveWindowSubclass) remove = nullptr;
    decltype(&::DefSubclassProc) defaultProc = nullptr;
};

template <typename Fn>
void Find(HMODULE library, WORD ordinal, Fn& fn)
{
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(ordinal))));
}

const SubclassCalls& Subclassing()
{
    static const SubclassCalls calls = [] {
        SubclassCalls found;
        // Loaded already: the backend imports InitCommonControlsEx from it.
        if (const HMODULE library = GetModuleHandleW(L"comctl32.dll")) {
            Find(library, 410, found.set);
            Find(library, 412, found.remove);
            Find(library, 413, found.defaultProc);
        }
        if (!found.set || !found.remove || !found.defaultProc)
            throw std::runtime_error("the common controls library has no window subclassing");
        return found;
    }();
    return calls;
}

void Subclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data)
{
    Subclassing().set(window, proc, id, data);
}

void Unsubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id) { Subclassing().remove(window, proc, id); }

LRESULT DefaultSubclassProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam)
{
    return Subclassing().defaultProc(window, id, wParam, lParam);
}

LRESULT CALLBACK OwnClassProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam)
{
    if (WindowPeer* peer = PeerOfWindow(window)) return peer->Dispatch(window, id, wParam, lParam, true);
    return DefWindowProcW(window, id, wParam, lParam);
}

LRESULT CALLBACK SubclassProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    if (id == WM_NCDESTROY) Unsubclass(window, SubclassProc, kSubclassId);
    return reinterpret_cast<WindowPeer*>(data)->Dispatch(window, id, wParam, lParam, false);
}

int registeredClasses = 0;

ShiftState ShiftOfMouse(WPARAM keys)
{
    ShiftState shift = 0;
    if (keys & MK_SHIFT) shift |= ssShift;
    if (keys & MK_CONTROL) shift |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    return shift;
}

// Child windows get ids that never collide with IDOK/IDCANCEL.
int NextControlId()
{
    static int next = 1000;
    return next < 0x7FFF ? next++ : (next = 1000);
}

HWND WindowOfControl(const Control* control)
{
    return control ? Win32Backend::WindowOf(*control) : nullptr;
}

bool CanTakeFocus(HWND window)
{
    return window && IsWindow(window) && IsWindowVisible(window) && IsWindowEnabled(window);
}

}  // namespace

void RegisterWindowClasses(HINSTANCE instance)
{
    if (registeredClasses > 0) {
        ++registeredClasses;
        return;
    }
    for (const wchar_t* name : {kFormClass, kPanelClass, kGroupBoxClass}) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = OwnClassProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = name;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            throw std::runtime_error("cannot register a window class (error " + std::to_string(GetLastError()) + ")");
    }
    registeredClasses = 1;
}

void UnregisterWindowClasses(HINSTANCE instance)
{
    if (registeredClasses == 0 || --registeredClasses > 0) return;
    for (const wchar_t* name : {kFormClass, kPanelClass, kGroupBoxClass}) UnregisterClassW(name, instance);
}

WindowPeer* PeerOfWindow(HWND window)
{
    return window ? static_cast<WindowPeer*>(GetPropW(window, kPeerProperty)) : nullptr;
}

WindowPeer* PeerOwning(HWND window)
{
    for (HWND w = window; w; w = GetAncestor(w, GA_PARENT))
        if (WindowPeer* peer = PeerOfWindow(w)) return peer;
    return nullptr;
}

// ---- WindowPeer ------------------------------------------------------------------

WindowPeer::WindowPeer(Win32Backend& backend, Control& control) : backend_(backend), control_(control) {}

WindowPeer::~WindowPeer()
{
    if (!window_) return;
    // No message of the dying window reaches this object or the model again.
    for (HWND part : parts_) Unsubclass(part, SubclassProc, kSubclassId);
    if (!ownClass_) Unsubclass(window_, SubclassProc, kSubclassId);
    RemovePropW(window_, kPeerProperty);
    if (const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(RemovePropW(window_, automation::kNameProperty))))
        GlobalDeleteAtom(atom);
    // Taking the focus away first keeps the system from handing it to the
    // parent, which would report a focus move in the middle of a teardown.
    const HWND focus = GetFocus();
    if (focus == window_ || IsChild(window_, focus)) ::SetFocus(nullptr);
    DestroyWindow(window_);
}

void WindowPeer::CreateChild(const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& text)
{
    auto* parent = static_cast<WindowPeer*>(control_.Parent() ? control_.Parent()->Peer() : nullptr);
    if (!parent) throw std::logic_error("the parent of " + control_.Name() + " has no window");
    const Bounds& b = control_.GetBounds();
    style |= WS_CHILD | WS_CLIPSIBLINGS;
    if (control_.Visible()) style |= WS_VISIBLE;
    if (!control_.EnabledInTree()) style |= WS_DISABLED;
    const HWND window = CreateWindowExW(exStyle, className, text.c_str(), style, b.left, b.top, b.width, b.height,
                                        parent->ContainerWindow(),
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId())),
                                        backend_.Instance(), nullptr);
    if (!window)
        throw std::runtime_error("cannot create the window of " + control_.Name() + " (error " +
                                 std::to_string(GetLastError()) + ")");
    Adopt(window, std::wstring_view(className).starts_with(L"Sonrik."));
    // A later control is in front of an earlier one, as in the model.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void WindowPeer::Adopt(HWND window, bool ownClass)
{
    window_ = window;
    ownClass_ = ownClass;
    SetPropW(window, kPeerProperty, this);
    if (!control_.Name().empty()) {
        // Names are ASCII, which is UTF-8 as it stands.
        const ATOM atom = GlobalAddAtomW(Utf8ToWide(text::AsUtf8(control_.Name())).c_str());
        if (atom) SetPropW(window, automation::kNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
    }
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(backend_.Font()), FALSE);
    if (!ownClass) Subclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void WindowPeer::AdoptPart(HWND part)
{
    if (!part) return;
    parts_.push_back(part);
    Subclass(part, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT WindowPeer::Default(const Message& m)
{
    return m.ownClass ? DefWindowProcW(m.window, m.id, m.wParam, m.lParam)
                      : DefaultSubclassProc(m.window, m.id, m.wParam, m.lParam);
}

LRESULT WindowPeer::Dispatch(HWND window, UINT id, WPARAM wParam, LPARAM lParam, bool ownClass)
{
    Message m{window, id, wParam, lParam, ownClass};
    try {
        if (Handle(m)) return m.result;
    } catch (const std::exception& e) {
        backend_.ReportEscapedError(e.what());
    } catch (...) {
        backend_.ReportEscapedError("Unexpected error");
    }
    return Default(m);
}

bool WindowPeer::Handle(Message& m)
{
    switch (m.id) {
    case WM_COMMAND:
        // A child reports to its parent window; the child's peer acts on it.
        if (m.lParam != 0) {
            WindowPeer* child = PeerOfWindow(reinterpret_cast<HWND>(m.lParam));
            if (child && child != this) {
                child->Command(HIWORD(m.wParam));
                m.result = 0;
                return true;
            }
        }
        return false;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(m.lParam);
        WindowPeer* child = PeerOfWindow(header.hwndFrom);
        return child && child != this && child->Notify(header, m.result);
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
        // Keys from the message loop were shown to the model there; keys sent
        // straight to the window are shown here.
        if (backend_.TakePreviewedKey(m.window, m.id, m.wParam, m.lParam)) return false;
        if (Win32Backend::ReportKey(control_, m.id, m.wParam, m.lParam)) return false;
        m.result = 0;
        return true;
    case WM_SETFOCUS:
        m.result = Default(m);  // the caret first, then the handlers
        if (control_.CanFocus()) ReportFocus();
        return true;
    case WM_LBUTTONDBLCLK:
        m.result = Default(m);
        UserInput::DoubleClicked(control_);
        return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        m.result = Default(m);
        ReportMouseUp(m);
        return true;
    case WM_SETCURSOR:
        if (backend_.CurrentCursor() != Cursor::HourGlass) return false;
        ::SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        m.result = TRUE;
        return true;
    default:
        return false;
    }
}

void WindowPeer::ReportFocus()
{
    Form& form = control_.OwnerForm();
    if (form.ActiveControl() != &control_) UserInput::FocusMoved(form, &control_);
}

void WindowPeer::ReportMouseUp(const Message& m)
{
    const MouseButton button = m.id == WM_LBUTTONUP ? MouseButton::Left : MouseButton::Right;
    POINT at{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
    // A part's coordinates are turned into the control's own.
    if (m.window != window_) MapWindowPoints(m.window, window_, &at, 1);
    UserInput::MouseUp(control_, button, ShiftOfMouse(m.wParam), at.x, at.y);
}

void WindowPeer::Command(WORD) {}

bool WindowPeer::Notify(const NMHDR&, LRESULT&) { return false; }

void WindowPeer::Changed(Property property)
{
    switch (property) {
    case Property::Text: ApplyText(); break;
    case Property::Enabled: ApplyEnabled(); break;
    case Property::Visible: ApplyVisible(); break;
    case Property::Bounds: ApplyBounds(); break;
    case Property::Focus: ApplyFocus(); break;
    case Property::ZOrder: ApplyZOrder(); break;
    default: ApplyOther(property); break;
    }
}

void WindowPeer::ApplyText()
{
    const auto scope = UpdatingScope();
    SetWindowTextW(window_, Utf8ToWide(control_.Caption()).c_str());
}

void WindowPeer::ApplyBounds()
{
    const Bounds& b = control_.GetBounds();
    SetWindowPos(window_, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowPeer::ApplyVisible() { ShowWindow(window_, control_.Visible() ? SW_SHOWNA : SW_HIDE); }

void WindowPeer::ApplyOther(Property) {}

void WindowPeer::ApplyZOrder()
{
    if (control_.kind() == Kind::Form) return;
    SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// A window shows itself disabled when any parent is disabled, as the model
// counts it; the model tells direct children only, so the whole subtree is
// brought in line here.
void WindowPeer::ApplyEnabled()
{
    const HWND focus = GetFocus();
    const auto apply = [](auto& self, Control& control) -> void {
        if (auto* peer = static_cast<WindowPeer*>(control.Peer())) EnableWindow(peer->window_, control.EnabledInTree());
        for (Control* child : control.Children()) self(self, *child);
    };
    apply(apply, control_);
    // A disabled window cannot keep the keys: the form takes them.
    if (focus && (focus == window_ || IsChild(window_, focus)) && !IsWindowEnabled(focus)) {
        if (const HWND form = WindowOfControl(&control_.OwnerForm())) ::SetFocus(form);
    }
}

void WindowPeer::ApplyFocus()
{
    const HWND form = WindowOfControl(&control_.OwnerForm());
    // A hidden form gets its focus when it is shown (FormPeer::PlaceFocus).
    if (!form || !IsWindowVisible(form) || !CanTakeFocus(window_)) return;
    if (GetFocus() != window_ && !IsChild(window_, GetFocus())) ::SetFocus(window_);
}

// ---- FormPeer ------------------------------------------------------------------

namespace {

DWORD FormStyle(FormBorder border)
{
    return border == FormBorder::ToolWindow ? WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN
                                            : WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
}

DWORD FormExStyle(FormBorder border)
{
    return border == FormBorder::ToolWindow ? WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT
                                            : WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
}

}  // namespace

FormPeer::FormPeer(Win32Backend& backend, Form& form) : WindowPeer(backend, form)
{
    const HWND window = CreateWindowExW(FormExStyle(form.Border()), kFormClass, Utf8ToWide(form.Caption()).c_str(),
                                        FormStyle(form.Border()), CW_USEDEFAULT, CW_USEDEFAULT, 400, 300, nullptr,
                                        nullptr, backend.Instance(), nullptr);
    if (!window)
        throw std::runtime_error("cannot create the window of " + form.Name() + " (error " +
                                 std::to_string(GetLastError()) + ")");
    Adopt(window, true);
    ApplyBounds();
}

void FormPeer::ShowModal()
{
    focusPlacedLater_ = true;
    ShowWindow(Window(), SW_SHOW);
    SetForegroundWindow(Window());
    SetActiveWindow(Window());
}

void FormPeer::PlaceFocus()
{
    focusPlacedLater_ = false;
    HWND target = WindowOfControl(GetForm().ActiveControl());
    if (!CanTakeFocus(target)) {
        target = nullptr;
        for (Control* control : TabOrder(GetForm()))
            if (CanTakeFocus(WindowOfControl(control))) {
                target = WindowOfControl(control);
                break;
            }
    }
    ::SetFocus(target ? target : Window());
}

bool FormPeer::Handle(Message& m)
{
    switch (m.id) {
    case WM_CLOSE:
        // The model decides (OnCloseQuery); closing hides, it never destroys.
        UserInput::CloseRequested(GetForm());
        m.result = 0;
        return true;
    case WM_SIZE:
        // Status bars keep to the bottom edge.
        for (Control* child : GetForm().Children())
            if (child->kind() == Kind::StatusBar && child->Peer()) child->Peer()->Changed(Property::Bounds);
        return false;
    case WM_ACTIVATE:
        // Coming back (after a message box, say) the focus returns to the
        // model's active control rather than to the form itself.
        if (LOWORD(m.wParam) != WA_INACTIVE && !HIWORD(m.wParam) && !focusPlacedLater_) PlaceFocus();
        m.result = 0;
        return true;
    default:
        return WindowPeer::Handle(m);
    }
}

void FormPeer::ApplyText()
{
    SetWindowTextW(Window(), Utf8ToWide(GetForm().Caption()).c_str());
}

// The client area has the size the form asks for; the window stands in the
// middle of the desktop's work area or at its designed place on it.
void FormPeer::ApplyBounds()
{
    const Form& form = GetForm();
    RECT frame{0, 0, form.ClientWidth(), form.ClientHeight()};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(Window(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(Window(), GWL_EXSTYLE));
    if (frame.right > 0 && frame.bottom > 0) {
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    } else if (form.Width() > 0 && form.Height() > 0) {
        frame = {0, 0, form.Width(), form.Height()};
    } else {
        GetWindowRect(Window(), &frame);
    }
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const Bounds placed = PlaceWindow(form.Position(), form.DesignedLeft(), form.DesignedTop(), width, height,
                                      {work.left, work.top, work.right - work.left, work.bottom - work.top});
    SetWindowPos(Window(), nullptr, placed.left, placed.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT shown{};
    GetWindowRect(Window(), &shown);
    UserInput::FormPlaced(GetForm(), {shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top});
}

void FormPeer::ApplyVisible()
{
    // The modal loop shows and hides the window itself, in its own order.
    if (GetForm().Showing()) return;
    ShowWindow(Window(), GetForm().Visible() ? SW_SHOW : SW_HIDE);
}

void FormPeer::ApplyOther(Property property)
{
    if (property != Property::Style) return;
    const FormBorder border = GetForm().Border();
    const auto keep = static_cast<DWORD>(GetWindowLongPtrW(Window(), GWL_STYLE)) & (WS_VISIBLE | WS_DISABLED);
    SetWindowLongPtrW(Window(), GWL_STYLE, FormStyle(border) | keep);
    SetWindowLongPtrW(Window(), GWL_EXSTYLE, FormExStyle(border));
    SetWindowPos(Window(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ApplyBounds();
}

// ---- TextPeer: labels, buttons, check boxes, bevels ----------------------------------

namespace {

DWORD TextStyle(Kind kind)
{
    switch (kind) {
    case Kind::Button: return BS_PUSHBUTTON | WS_TABSTOP;
    // Not an automatic check box: the model owns the state and a click only
    // asks it to toggle.
    case Kind::CheckBox: return BS_CHECKBOX | WS_TABSTOP;
    case Kind::Bevel: return SS_ETCHEDHORZ;
    default: return SS_LEFTNOWORDWRAP;
    }
}

}  // namespace

TextPeer::TextPeer(Win32Backend& backend, Control& control) : WindowPeer(backend, control)
{
    const Kind kind = control.kind();
    const bool button = kind == Kind::Button || kind == Kind::CheckBox;
    CreateChild(button ? WC_BUTTONW : WC_STATICW, TextStyle(kind), 0,
                kind == Kind::Bevel ? std::wstring() : Utf8ToWide(control.Caption()));
    if (kind == Kind::CheckBox)
        SendMessageW(Window(), BM_SETCHECK, static_cast<CheckBox&>(control).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    if (SizesToCaption()) ApplyBounds();
}

void TextPeer::Command(WORD code)
{
    if (code == BN_CLICKED && !Updating()) UserInput::Clicked(Model());
}

bool TextPeer::SizesToCaption() const
{
    const Kind kind = Model().kind();
    return (kind == Kind::Label || kind == Kind::CheckBox) && (Model().Width() <= 0 || Model().Height() <= 0);
}

void TextPeer::ApplyText()
{
    if (Model().kind() == Kind::Bevel) return;
    WindowPeer::ApplyText();
    if (SizesToCaption()) ApplyBounds();
}

void TextPeer::ApplyBounds()
{
    if (!SizesToCaption()) {
        WindowPeer::ApplyBounds();
        return;
    }
    const HDC dc = GetDC(Window());
    const HGDIOBJ old = SelectObject(dc, GetBackend().Font());
    const std::wstring caption = Utf8ToWide(Model().Caption());
    RECT extent{0, 0, 0, 0};
    DrawTextW(dc, caption.empty() ? L" " : caption.c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(Window(), dc);
    int width = extent.right;
    int height = extent.bottom;
    if (Model().kind() == Kind::CheckBox) {
        // The box, the gap before the caption and room for the focus frame.
        width += GetSystemMetrics(SM_CXMENUCHECK) + 8;
        height = std::max<int>(height + 4, 17);
    }
    const Bounds& b = Model().GetBounds();
    SetWindowPos(Window(), nullptr, b.left, b.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TextPeer::ApplyOther(Property property)
{
    if (property != Property::Checked || Model().kind() != Kind::CheckBox) return;
    const auto scope = UpdatingScope();
    SendMessageW(Window(), BM_SETCHECK, static_cast<CheckBox&>(Model()).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
}

// ---- EditPeer ------------------------------------------------------------------

namespace {

// A multi-line edit field breaks lines at CR LF only; lone CRs and LFs are
// shown as line breaks too. The model keeps its bytes as they are.
std::string ForDisplay(const Edit& edit)
{
    const std::string& text = edit.Text();
    if (edit.kind() != Kind::Memo) return text;
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            shown += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

DWORD EditStyle(const Edit& edit)
{
    DWORD style = WS_TABSTOP;
    if (edit.kind() == Kind::Memo)
        style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL;
    else
        style |= ES_AUTOHSCROLL;
    if (edit.DigitsOnly()) style |= ES_NUMBER;
    if (edit.ReadOnly()) style |= ES_READONLY;
    return style;
}

}  // namespace

EditPeer::EditPeer(Win32Backend& backend, Edit& edit) : WindowPeer(backend, edit)
{
    CreateChild(WC_EDITW, EditStyle(edit), WS_EX_CLIENTEDGE, AnsiToWide(ForDisplay(edit)));
}

bool EditPeer::Handle(Message& m)
{
    if (WindowPeer::Handle(m)) return true;
    // What is left of Return, Escape and Tab after the handlers means nothing
    // to a single-line field (the system would only beep); Ctrl+letter
    // characters stay, the field uses them for the clipboard.
    const bool singleLine = Model().kind() == Kind::Edit;
    if (m.id != WM_CHAR || !singleLine || (m.wParam != '\r' && m.wParam != 0x1B && m.wParam != '\t')) return false;
    m.result = 0;
    return true;
}

void EditPeer::Command(WORD code)
{
    if (code != EN_CHANGE || Updating()) return;
    const auto scope = ReportingScope();
    UserInput::TextEdited(Model(), WideToUtf8(WindowText(Window())));
}

void EditPeer::ApplyText()
{
    const auto& edit = static_cast<const Edit&>(Model());
    // What the user just typed is in the window already.
    if (Reporting() && WideToAnsi(WindowText(Window())) == edit.Text()) return;
    const auto scope = UpdatingScope();
    SetWindowTextW(Window(), AnsiToWide(ForDisplay(edit)).c_str());
}

void EditPeer::ApplyOther(Property property)
{
    if (property != Property::Style) return;
    const auto& edit = static_cast<const Edit&>(Model());
    auto style = static_cast<DWORD>(GetWindowLongPtrW(Window(), GWL_STYLE));
    style = edit.DigitsOnly() ? style | ES_NUMBER : style & ~static_cast<DWORD>(ES_NUMBER);
    SetWindowLongPtrW(Window(), GWL_STYLE, style);
    SendMessageW(Window(), EM_SETREADONLY, edit.ReadOnly(), 0);
}

// ---- ComboBoxPeer --------------------------------------------------------------

namespace {

constexpr int kDropDownCount = 8;  // entries shown when the list drops down

}  // namespace

ComboBoxPeer::ComboBoxPeer(Win32Backend& backend, ComboBox& combo) : WindowPeer(backend, combo)
{
    const bool list = combo.GetStyle() == ComboBox::Style::DropDownList;
    CreateChild(WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | (list ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL), 0,
                std::wstring());
    if (!list) {
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (GetComboBoxInfo(Window(), &info)) AdoptPart(info.hwndItem);
    }
    FillItems();
    ApplyBounds();
}

void ComboBoxPeer::Command(WORD code)
{
    if (Updating()) return;
    switch (code) {
    case CBN_SELCHANGE: {
        const auto index = static_cast<int>(SendMessageW(Window(), CB_GETCURSEL, 0, 0));
        if (index < 0) return;
        const auto scope = ReportingScope();
        UserInput::ItemPicked(Combo(), index);
        return;
    }
    case CBN_EDITCHANGE: {
        const auto scope = ReportingScope();
        UserInput::TextEdited(Combo(), WideToUtf8(WindowText(Window())));
        return;
    }
    case CBN_DROPDOWN:
    case CBN_CLOSEUP:
        UserInput::DropDownChanged(Combo(), code == CBN_DROPDOWN);
        return;
    default:
        return;
    }
}

void ComboBoxPeer::FillItems()
{
    const auto scope = UpdatingScope();
    SendMessageW(Window(), WM_SETREDRAW, FALSE, 0);
    SendMessageW(Window(), CB_RESETCONTENT, 0, 0);
    for (const std::string& item : Combo().Items())
        SendMessageW(Window(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AnsiToWide(item).c_str()));
    SendMessageW(Window(), WM_SETREDRAW, TRUE, 0);
    Synchronize();
}

void ComboBoxPeer::Synchronize()
{
    const ComboBox& combo = Combo();
    const auto scope = UpdatingScope();
    const int index = combo.ItemIndex();
    const auto shown = static_cast<int>(SendMessageW(Window(), CB_GETCURSEL, 0, 0));
    if (combo.GetStyle() == ComboBox::Style::DropDownList) {
        if (shown != index) SendMessageW(Window(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return;
    }
    const bool textShown = WideToAnsi(WindowText(Window())) == combo.Text();
    if (Reporting()) {
        // The user typed or picked this; only a handler's different text goes in.
        if (!textShown) SetWindowTextW(Window(), AnsiToWide(combo.Text()).c_str());
        return;
    }
    const bool itemText = index >= 0 && combo.Items()[static_cast<std::size_t>(index)] == combo.Text();
    if (itemText) {
        if (shown != index || !textShown) SendMessageW(Window(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return;
    }
    // A text that is no entry (or differs from it in case): no selection,
    // and the field shows exactly the model's text.
    if (shown != -1) SendMessageW(Window(), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    if (WideToAnsi(WindowText(Window())) != combo.Text())
        SetWindowTextW(Window(), AnsiToWide(combo.Text()).c_str());
}

void ComboBoxPeer::ApplyText() { Synchronize(); }

// The model's height is the closed box; the window also holds the list.
void ComboBoxPeer::ApplyBounds()
{
    const Bounds& b = Model().GetBounds();
    if (b.height > 6) SendMessageW(Window(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), b.height - 6);
    const auto itemHeight = static_cast<int>(SendMessageW(Window(), CB_GETITEMHEIGHT, 0, 0));
    const int rows = std::clamp(static_cast<int>(Combo().Items().size()), 1, kDropDownCount);
    SetWindowPos(Window(), nullptr, b.left, b.top, b.width, b.height + rows * std::max(itemHeight, 1) + 2,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ComboBoxPeer::ApplyOther(Property property)
{
    switch (property) {
    case Property::Items:
        FillItems();
        ApplyBounds();
        return;
    case Property::ItemIndex: Synchronize(); return;
    case Property::DroppedDown: {
        const auto scope = UpdatingScope();
        SendMessageW(Window(), CB_SHOWDROPDOWN, Combo().DroppedDown(), 0);
        return;
    }
    default: return;
    }
}

// ---- PageControlPeer and TabSheetPeer -------------------------------------------

namespace {

void SetTabText(HWND tabs, int index, std::u8string_view utf8, bool insert)
{
    std::wstring text = Utf8ToWide(utf8);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageW(tabs, insert ? TCM_INSERTITEMW : TCM_SETITEMW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

DWORD TabStyleBits(const TabStyle& style)
{
    return (style.multiLine ? TCS_MULTILINE : 0) | (style.tabWidth > 0 ? TCS_FIXEDWIDTH : 0);
}

}  // namespace

void ApplyTabStyle(HWND tabs, const TabStyle& style)
{
    const auto old = static_cast<DWORD>(GetWindowLongPtrW(tabs, GWL_STYLE));
    const DWORD wanted = (old & ~static_cast<DWORD>(TCS_MULTILINE | TCS_FIXEDWIDTH)) | TabStyleBits(style);
    if (wanted != old) SetWindowLongPtrW(tabs, GWL_STYLE, static_cast<LONG_PTR>(wanted));
    if (style.tabWidth > 0) {
        // The height stays the control's own.
        RECT item{};
        const int height = SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item))
                               ? item.bottom - item.top
                               : 0;
        SendMessageW(tabs, TCM_SETITEMSIZE, 0, MAKELPARAM(style.tabWidth, height));
    }
    InvalidateRect(tabs, nullptr, TRUE);
}

PageControlPeer::PageControlPeer(Win32Backend& backend, PageControl& pages) : WindowPeer(backend, pages)
{
    CreateChild(WC_TABCONTROLW, WS_TABSTOP | WS_CLIPCHILDREN | TabStyleBits(pages.GetTabStyle()),
                WS_EX_CONTROLPARENT, std::wstring());
    ApplyTabStyle(Window(), pages.GetTabStyle());
}

int PageControlPeer::IndexOf(const TabSheet& sheet) const
{
    int index = 0;
    for (const Control* child : Pages().Children()) {
        if (child == &sheet) return index;
        if (child->kind() == Kind::TabSheet) ++index;
    }
    return -1;
}

void PageControlPeer::AddSheet(const TabSheet& sheet, HWND window)
{
    sheets_.emplace_back(&sheet, window);
    SetTabText(Window(), IndexOf(sheet), sheet.Caption(), true);
    if (Pages().GetTabStyle().tabWidth > 0) ApplyTabStyle(Window(), Pages().GetTabStyle());
    Layout();
}

void PageControlPeer::RemoveSheet(const TabSheet& sheet)
{
    std::erase_if(sheets_, [&](const auto& entry) { return entry.first == &sheet; });
}

void PageControlPeer::SheetCaptionChanged(const TabSheet& sheet)
{
    SetTabText(Window(), IndexOf(sheet), sheet.Caption(), false);
    Layout();  // the tabs may now need another row
}

void PageControlPeer::Layout()
{
    const PageControl& pages = Pages();
    {
        const auto scope = UpdatingScope();
        const int active = pages.ActivePageIndex();
        if (SendMessageW(Window(), TCM_GETCURSEL, 0, 0) != active)
            SendMessageW(Window(), TCM_SETCURSEL, static_cast<WPARAM>(active), 0);
    }
    RECT area{};
    GetClientRect(Window(), &area);
    SendMessageW(Window(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    int index = 0;
    for (Control* child : Pages().Children()) {
        if (child->kind() != Kind::TabSheet) continue;
        const auto entry = std::find_if(sheets_.begin(), sheets_.end(),
                                        [&](const auto& e) { return e.first == child; });
        const bool shown = index++ == pages.ActivePageIndex() && child->Visible();
        if (entry == sheets_.end()) continue;
        const HWND sheet = entry->second;
        SetWindowPos(sheet, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        // The model learns the display area, so what is aligned on the sheet
        // fills it.
        UserInput::Guarded(child->OwnerForm(), [&] {
            child->SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
        });
    }
}

bool PageControlPeer::Notify(const NMHDR& header, LRESULT& result)
{
    if (header.code != TCN_SELCHANGE || Updating()) return false;
    UserInput::PageSelected(Pages(), static_cast<int>(SendMessageW(Window(), TCM_GETCURSEL, 0, 0)));
    Layout();  // shows what the model has now, whatever the handlers did
    result = 0;
    return true;
}

void PageControlPeer::ApplyBounds()
{
    WindowPeer::ApplyBounds();
    Layout();
}

void PageControlPeer::ApplyOther(Property property)
{
    if (property == Property::TabStyle) {
        ApplyTabStyle(Window(), Pages().GetTabStyle());
        Layout();  // the display area follows the rows of tabs
    }
    if (property == Property::PageIndex) Layout();
}

TabSheetPeer::TabSheetPeer(Win32Backend& backend, TabSheet& sheet) : WindowPeer(backend, sheet)
{
    if (sheet.Parent() == nullptr || sheet.Parent()->kind() != Kind::PageControl)
        throw std::logic_error("tab sheet " + sheet.Name() + " is not on a page control");
    CreateChild(kPanelClass, 0, WS_EX_CONTROLPARENT, std::wstring());
    // Placed and shown by the page control: only the active page is visible.
    ShowWindow(Window(), SW_HIDE);
    Pages()->AddSheet(sheet, Window());
}

TabSheetPeer::~TabSheetPeer()
{
    if (PageControlPeer* pages = Pages()) pages->RemoveSheet(static_cast<const TabSheet&>(Model()));
}

PageControlPeer* TabSheetPeer::Pages() const
{
    return static_cast<PageControlPeer*>(Model().Parent()->Peer());
}

bool TabSheetPeer::Handle(Message& m)
{
    auto& sheet = static_cast<TabSheet&>(Model());
    if (!sheet.OnPaint) return WindowPeer::Handle(m);
    switch (m.id) {
    case WM_ERASEBKGND:
        m.result = 1;  // the paint handler draws the whole background
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps{};
        const HDC dc = BeginPaint(m.window, &ps);
        if (dc) {
            RECT client{};
            GetClientRect(m.window, &client);
            const PaintContext context{reinterpret_cast<WindowHandle>(m.window), reinterpret_cast<std::uintptr_t>(dc),
                                       {client.left, client.top, client.right, client.bottom}};
            UserInput::Guarded(sheet.OwnerForm(), [&] { sheet.OnPaint(context); });
        }
        EndPaint(m.window, &ps);
        m.result = 0;
        return true;
    }
    default: return WindowPeer::Handle(m);
    }
}

void TabSheetPeer::ApplyText()
{
    if (PageControlPeer* pages = Pages()) pages->SheetCaptionChanged(static_cast<const TabSheet&>(Model()));
}

void TabSheetPeer::ApplyBounds() {}

void TabSheetPeer::ApplyVisible()
{
    if (PageControlPeer* pages = Pages()) pages->Layout();
}

// ---- TabControlPeer ------------------------------------------------------------

TabControlPeer::TabControlPeer(Win32Backend& backend, TabControl& tabs) : WindowPeer(backend, tabs)
{
    CreateChild(WC_TABCONTROLW, WS_TABSTOP | WS_CLIPCHILDREN | TabStyleBits(tabs.GetTabStyle()),
                WS_EX_CONTROLPARENT, std::wstring());
    FillTabs();
}

void TabControlPeer::FillTabs()
{
    const auto scope = UpdatingScope();
    SendMessageW(Window(), TCM_DELETEALLITEMS, 0, 0);
    const auto& tabs = Tabs().Tabs();
    for (std::size_t i = 0; i < tabs.size(); ++i) SetTabText(Window(), static_cast<int>(i), tabs[i], true);
    ApplyTabStyle(Window(), Tabs().GetTabStyle());
    SelectModelTab();
}

void TabControlPeer::SelectModelTab()
{
    const auto scope = UpdatingScope();
    const int index = Tabs().TabIndex();
    if (SendMessageW(Window(), TCM_GETCURSEL, 0, 0) != index)
        SendMessageW(Window(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool TabControlPeer::Notify(const NMHDR& header, LRESULT& result)
{
    if (header.code != TCN_SELCHANGE || Updating()) return false;
    UserInput::TabSelected(Tabs(), static_cast<int>(SendMessageW(Window(), TCM_GETCURSEL, 0, 0)));
    SelectModelTab();
    result = 0;
    return true;
}

void TabControlPeer::ApplyOther(Property property)
{
    if (property == Property::TabStyle) ApplyTabStyle(Window(), Tabs().GetTabStyle());
    if (property == Property::Items) FillTabs();
    if (property == Property::PageIndex) SelectModelTab();
}

// ---- PanelPeer, StatusBarPeer ----------------------------------------------------

PanelPeer::PanelPeer(Win32Backend& backend, Control& panel) : WindowPeer(backend, panel)
{
    CreateChild(kPanelClass, 0, WS_EX_CONTROLPARENT, std::wstring());
}

StatusBarPeer::StatusBarPeer(Win32Backend& backend, StatusBar& bar) : WindowPeer(backend, bar)
{
    CreateChild(STATUSCLASSNAMEW, CCS_NORESIZE | CCS_NOPARENTALIGN, 0, std::wstring());
    ApplyBounds();
    ApplyPanels();
}

// Along the bottom of its parent, as wide as the parent and as high as the
// model says (the bar's own sizing would make it a pixel or two higher).
void StatusBarPeer::ApplyBounds()
{
    const HWND parent = GetParent(Window());
    RECT area{};
    GetClientRect(parent, &area);
    int height = Model().Height();
    if (height <= 0) {
        const HDC dc = GetDC(Window());
        const HGDIOBJ old = SelectObject(dc, GetBackend().Font());
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(Window(), dc);
        height = metrics.tmHeight + 6;
    }
    SetWindowPos(Window(), nullptr, 0, area.bottom - height, area.right, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void StatusBarPeer::ApplyPanels()
{
    const auto& panels = static_cast<const StatusBar&>(Model()).Panels();
    if (panels.empty()) {
        const int whole = -1;
        SendMessageW(Window(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&whole));
        return;
    }
    std::vector<int> edges;
    int right = 0;
    for (std::size_t i = 0; i < panels.size(); ++i) {
        right += panels[i].width;
        edges.push_back(i + 1 == panels.size() ? -1 : right);  // the last panel takes the rest
    }
    SendMessageW(Window(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (std::size_t i = 0; i < panels.size(); ++i)
        SendMessageW(Window(), SB_SETTEXTW, i, reinterpret_cast<LPARAM>(Utf8ToWide(panels[i].text).c_str()));
}

void StatusBarPeer::ApplyOther(Property property)
{
    if (property == Property::Panels) ApplyPanels();
}

}  // namespace sonrik::ui::win32
