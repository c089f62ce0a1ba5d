#include "ui/win32/win32_backend.h"

#include "ui/input.h"
#include "ui/win32/peers.h"
#include "ui/win32/text.h"

#include <commctrl.h>

#include <algorithm>

#include <stdexcept>
#include <string_view>

namespace sonrik::ui::win32 {

namespace {

// The module that holds this code (Sonrik.dll, or the test program), which
// owns our window classes.
HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

int CALLBACK NoteFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// A face name cut to the field. (XP's run-time library has no wcscpy_s.)
void CopyFaceName(LOGFONTW& font, std::wstring_view name)
{
    const std::size_t length = std::min<std::size_t>(name.size(), LF_FACESIZE - 1);
    std::copy_n(name.data(), length, font.lfFaceName);
    font.lfFaceName[length] = L'\0';
}

// The windows are laid out for "MS Sans Serif" at 8 points. It is taken when
// the system has it with Cyrillic (Wine's and a Russian system's do);
// otherwise "MS Shell Dlg", which the system maps to its dialog font of the
// same metrics (Microsoft Sans Serif, or Tahoma), so Russian captions never
// come out as boxes.
HFONT CreateWindowFont()
{
    const HDC screen = GetDC(nullptr);
    LOGFONTW probe{};
    probe.lfCharSet = RUSSIAN_CHARSET;
    CopyFaceName(probe, L"MS Sans Serif");
    bool cyrillic = false;
    EnumFontFamiliesExW(screen, &probe, NoteFont, reinterpret_cast<LPARAM>(&cyrillic), 0);
    const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);

    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    CopyFaceName(font, cyrillic ? L"MS Sans Serif" : L"MS Shell Dlg");
    return CreateFontIndirectW(&font);
}

std::wstring HostProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

ShiftState CurrentShift(UINT message, LPARAM lParam)
{
    ShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    const bool altContext = (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) && (lParam & (1 << 29));
    if (altContext || GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    return shift;
}

bool IsKeyMessage(UINT message)
{
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_KEYUP || message == WM_SYSKEYUP ||
           message == WM_CHAR;
}

// Disables every other visible and enabled top-level window of this thread,
// and enables them again when it goes.
class DisabledWindows {
public:
    explicit DisabledWindows(HWND keep) : keep_(keep)
    {
        EnumThreadWindows(GetCurrentThreadId(), &DisabledWindows::Visit, reinterpret_cast<LPARAM>(this));
    }
    ~DisabledWindows()
    {
        for (const HWND window : windows_)
            if (IsWindow(window)) EnableWindow(window, TRUE);
    }
    DisabledWindows(const DisabledWindows&) = delete;
    DisabledWindows& operator=(const DisabledWindows&) = delete;

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM self)
    {
        auto& me = *reinterpret_cast<DisabledWindows*>(self);
        if (window != me.keep_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            me.windows_.push_back(window);
        }
        return TRUE;
    }

    HWND keep_;
    std::vector<HWND> windows_;
};

}  // namespace

Win32Backend::Win32Backend(const widgets::StyleLibrary* styles) : instance_(ThisModule()), styles_(styles)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterWindowClasses(instance_);
    font_ = CreateWindowFont();
    messageBox_ = [](HWND owner, const std::wstring& text, const std::wstring& caption, unsigned flags) {
        return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
    };
}

Win32Backend::~Win32Backend()
{
    UnregisterWindowClasses(instance_);
    if (font_) DeleteObject(font_);
}

void Win32Backend::SetMessageBoxHook(MessageBoxHook hook) { messageBox_ = std::move(hook); }

HWND Win32Backend::WindowOf(const Control& control)
{
    const auto* peer = dynamic_cast<const WindowPeer*>(control.Peer());
    return peer ? peer->Window() : nullptr;
}

std::unique_ptr<ControlPeer> Win32Backend::CreatePeer(Control& control)
{
    switch (control.kind()) {
    case Kind::Form: return std::make_unique<FormPeer>(*this, static_cast<Form&>(control));
    case Kind::Label:
    case Kind::Button:
    case Kind::CheckBox:
    case Kind::Bevel: return std::make_unique<TextPeer>(*this, control);
    case Kind::Edit:
    case Kind::Memo: return std::make_unique<EditPeer>(*this, static_cast<Edit&>(control));
    case Kind::ComboBox: return std::make_unique<ComboBoxPeer>(*this, static_cast<ComboBox&>(control));
    case Kind::PageControl: return std::make_unique<PageControlPeer>(*this, static_cast<PageControl&>(control));
    case Kind::TabSheet: return std::make_unique<TabSheetPeer>(*this, static_cast<TabSheet&>(control));
    case Kind::TabControl: return std::make_unique<TabControlPeer>(*this, static_cast<TabControl&>(control));
    case Kind::Panel: return std::make_unique<PanelPeer>(*this, control);
    case Kind::StatusBar: return std::make_unique<StatusBarPeer>(*this, static_cast<StatusBar&>(control));
    case Kind::GroupBox: return std::make_unique<GroupBoxPeer>(*this, static_cast<GroupBox&>(control));
    case Kind::ColumnListBox:
        return std::make_unique<ColumnListBoxPeer>(*this, static_cast<ColumnListBox&>(control));
    }
    throw std::logic_error("the Win32 backend has no window for control " + control.Name());
}

// ---- the modal loop ------------------------------------------------------------

void Win32Backend::RunModal(Form& form, WindowHandle owner)
{
    auto* peer = dynamic_cast<FormPeer*>(form.Peer());
    if (!peer) throw std::logic_error("form " + form.Name() + " has no window");
    const HWND window = peer->Window();
    if (owner != 0) SetWindowLongPtrW(window, GWLP_HWNDPARENT, static_cast<LONG_PTR>(owner));

    const HWND previouslyActive = GetActiveWindow();
    struct Restore {
        HWND window;
        HWND previouslyActive;
        ~Restore()
        {
            if (previouslyActive && previouslyActive != window && IsWindow(previouslyActive))
                SetActiveWindow(previouslyActive);
        }
    } restore{window, previouslyActive};
    struct Hide {
        HWND window;
        ~Hide() { ShowWindow(window, SW_HIDE); }
    };
    // Destroyed in reverse: hidden first, then the others enabled, then the
    // previous window active again.
    const DisabledWindows disabled(window);
    const Hide hide{window};

    endRequested_.erase(&form);
    modalForms_.push_back(&form);
    struct Pop {
        std::vector<Form*>& forms;
        std::set<const Form*>& ended;
        const Form* form;
        ~Pop()
        {
            forms.pop_back();
            ended.erase(form);
        }
    } pop{modalForms_, endRequested_, &form};

    peer->ShowModal();
    UserInput::Activated(form);
    peer->PlaceFocus();
    MSG msg{};
    while (!endRequested_.contains(&form)) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {  // WM_QUIT belongs to the host's own loop
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        DispatchOne(msg);
    }
}

void Win32Backend::EndModal(Form& form)
{
    endRequested_.insert(&form);
    if (const HWND window = WindowOf(form)) PostMessageW(window, WM_NULL, 0, 0);  // wakes GetMessage
}

WindowHandle Win32Backend::HandleOf(const Form& form) const
{
    return reinterpret_cast<WindowHandle>(WindowOf(form));
}

// The form's own window takes the keys; a form's window is not a control,
// so no focus move is reported and the active control stays.
void Win32Backend::FocusWindow(Form& form)
{
    if (const HWND window = WindowOf(form); window && IsWindowVisible(window)) ::SetFocus(window);
}

void Win32Backend::Repaint(Control& control)
{
    if (const HWND window = WindowOf(control))
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Win32Backend::DispatchOne(MSG& msg)
{
    try {
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    } catch (const std::exception& e) {
        ReportEscapedError(e.what());
    } catch (...) {
        ReportEscapedError("Unexpected error");
    }
    previewedKey_.reset();
}

bool Win32Backend::PreTranslate(MSG& msg)
{
    if (msg.message == WM_SYSCHAR) {
        // Alt+letter: a caption's '&' shortcut, as a dialog does it; a key
        // no caption marks goes on to the system (which beeps).
        WindowPeer* peer = PeerOwning(msg.hwnd);
        return peer && UserInput::Accelerator(peer->Model().OwnerForm(), static_cast<char32_t>(msg.wParam));
    }
    if (!IsKeyMessage(msg.message)) return false;
    WindowPeer* peer = PeerOwning(msg.hwnd);
    if (!peer) return false;
    if (!ReportKey(peer->Model(), msg.message, msg.wParam, msg.lParam)) return true;
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && DialogKey(peer->Model(), peer->Window(), msg.wParam))
        return true;
    previewedKey_ = KeyMark{msg.hwnd, msg.message, msg.wParam, msg.lParam};
    return false;
}

bool Win32Backend::TakePreviewedKey(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!previewedKey_) return false;
    const KeyMark& mark = *previewedKey_;
    if (mark.window != window || mark.message != message || mark.wParam != wParam || mark.lParam != lParam)
        return false;
    previewedKey_.reset();
    return true;
}

bool Win32Backend::ReportKey(Control& target, UINT message, WPARAM& wParam, LPARAM lParam)
{
    const ShiftState shift = CurrentShift(message, lParam);
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        const int key = UserInput::KeyDown(target, static_cast<int>(wParam), shift);
        if (key == 0) return false;
        wParam = static_cast<WPARAM>(key);
        return true;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const int key = UserInput::KeyUp(target, static_cast<int>(wParam), shift);
        if (key == 0) return false;
        wParam = static_cast<WPARAM>(key);
        return true;
    }
    case WM_CHAR: {
        char typed = 0;
        // A character without a single-byte form cannot reach the handlers.
        if (!WideCharToAnsiChar(static_cast<wchar_t>(wParam), typed)) return true;
        const char left = UserInput::KeyPress(target, typed);
        if (left == 0) return false;
        if (left != typed) wParam = AnsiCharToWide(left);
        return true;
    }
    default:
        return true;
    }
}

// The keyboard interface of a dialog, done here rather than by
// IsDialogMessage, which would keep Escape, Return and Tab from the model.
bool Win32Backend::DialogKey(Control& target, HWND window, WPARAM key)
{
    if (key == VK_TAB) {
        if (GetKeyState(VK_MENU) < 0) return true;
        // Ctrl+Tab that no handler took steps a focused tab or page control
        // to its next tab; anywhere else it types nothing.
        if (GetKeyState(VK_CONTROL) < 0) {
            if (target.kind() == Kind::TabControl || target.kind() == Kind::PageControl)
                UserInput::TabStepped(target, GetKeyState(VK_SHIFT) >= 0);
            return true;
        }
        // The model's tab order, which the windows' z-order need not follow.
        const std::vector<Control*> order = TabOrder(target.OwnerForm());
        const auto at = std::find(order.begin(), order.end(), &target);
        const bool back = GetKeyState(VK_SHIFT) < 0;
        const auto n = static_cast<std::ptrdiff_t>(order.size());
        std::ptrdiff_t i = at == order.end() ? (back ? 0 : -1) : at - order.begin();
        for (std::ptrdiff_t step = 0; step < n; ++step) {
            i = (i + (back ? n - 1 : 1)) % n;
            const HWND next = WindowOf(*order[static_cast<std::size_t>(i)]);
            if (next && IsWindowVisible(next) && IsWindowEnabled(next)) {
                ::SetFocus(next);
                break;
            }
        }
        return true;
    }
    if (key == VK_RETURN && target.kind() == Kind::Button) {
        SendMessageW(window, BM_CLICK, 0, 0);
        return true;
    }
    return false;
}

// ---- services ------------------------------------------------------------------

HWND Win32Backend::BoxOwnerWindow(BoxOwner owner) const
{
    if (owner.form) return WindowOf(*owner.form);
    return reinterpret_cast<HWND>(owner.window);
}

int Win32Backend::ShowMessageBox(BoxOwner owner, std::u8string_view text, std::u8string_view caption, unsigned flags)
{
    return messageBox_(BoxOwnerWindow(owner), Utf8ToWide(text), Utf8ToWide(caption), flags);
}

void Win32Backend::ErrorBox(std::u8string_view text)
{
    const HWND owner = modalForms_.empty() ? GetActiveWindow() : WindowOf(*modalForms_.back());
    const std::u8string caption = ApplicationTitle(WideToUtf8(HostProgramPath()));
    messageBox_(owner, Utf8ToWide(text), Utf8ToWide(caption), MB_OK | MB_ICONERROR);
}

void Win32Backend::ReportEscapedError(const char* message) noexcept
{
    // A box whose own painting fails again must not stack up boxes.
    static bool showing = false;
    if (showing) return;
    showing = true;
    try {
        ErrorBox(ErrorBoxText(text::AsUtf8(message)));  // every message is UTF-8
    } catch (...) {
        // Nothing may unwind into the system; the box itself failed.
    }
    showing = false;
}

void Win32Backend::ProcessMessages()
{
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchOne(msg);
    }
}

void Win32Backend::Wait(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds > 0 ? milliseconds : 0)); }

void Win32Backend::SetCursor(Cursor cursor)
{
    cursor_ = cursor;
    ::SetCursor(LoadCursorW(nullptr, cursor == Cursor::HourGlass ? IDC_WAIT : IDC_ARROW));
}

std::intptr_t Win32Backend::SendHostMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                            std::intptr_t lParam)
{
    if (window == 0) return 0;
    return SendMessageA(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

}  // namespace sonrik::ui::win32
