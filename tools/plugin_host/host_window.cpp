#include "host_window.h"

#include "plugin.h"

#include <memory>

namespace host {

namespace {

constexpr const char* kHostClass = "SonrikHost.HostWindow";
constexpr const char* kApplicationClass = "SonrikHost.Application";
constexpr UINT kRunAction = WM_APP + 1;
constexpr UINT kQuit = WM_APP + 2;

using Action = std::function<void()>;

// The messages a player's main window would see from a plug-in: commands and
// the private range below WM_APP (our own posted actions are above it).
bool IsOfInterest(UINT message)
{
    return message == WM_COMMAND || message == HostWindows::kAboutToApply || (message >= WM_USER && message < WM_APP);
}

void RegisterClass(const char* name, WNDPROC procedure)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = name;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw HostError(std::string("cannot register window class ") + name);
}

HWND Create(const char* className, const char* title, DWORD style, void* self)
{
    const HWND window = CreateWindowExA(0, className, title, style, 0, 0, 320, 200, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), self);
    if (!window) throw HostError(std::string("cannot create window ") + title);
    return window;
}

}  // namespace

std::string Describe(const HostMessage& record)
{
    return "message=" + std::to_string(record.message) + " wParam=" + std::to_string(record.wParam) +
           " lParam=" + std::to_string(record.lParam) + " answer=" + std::to_string(record.answer);
}

HostWindows::HostWindows()
{
    RegisterClass(kHostClass, &HostWindows::HostProc);
    RegisterClass(kApplicationClass, DefWindowProcA);
    // The player's main window: never shown, it only talks to the module.
    host_ = Create(kHostClass, "HostWindow", WS_OVERLAPPEDWINDOW, this);
    // The application window is shown, as a player's is, so the modal loop
    // has a window of ours to disable.
    application_ = Create(kApplicationClass, "sonrik-host", WS_OVERLAPPEDWINDOW, nullptr);
    ShowWindow(application_, SW_SHOWNOACTIVATE);
    secondApplication_ = Create(kApplicationClass, "sonrik-host 2", WS_OVERLAPPEDWINDOW, nullptr);
}

HostWindows::~HostWindows()
{
    DestroyWindow(secondApplication_);
    DestroyWindow(application_);
    DestroyWindow(host_);
}

void HostWindows::SetStopAnswer(LRESULT answer)
{
    const std::lock_guard lock(mutex_);
    stopAnswer_ = answer;
}

std::vector<HostMessage> HostWindows::Messages() const
{
    const std::lock_guard lock(mutex_);
    return messages_;
}

bool HostWindows::Post(std::function<void()> action) const
{
    auto owned = std::make_unique<Action>(std::move(action));
    if (!PostMessageA(host_, kRunAction, 0, reinterpret_cast<LPARAM>(owned.get()))) return false;
    owned.release();  // the window procedure takes it back
    return true;
}

void HostWindows::PostQuit() const { PostMessageA(host_, kQuit, 0, 0); }

LRESULT HostWindows::Answer(UINT message, WPARAM wParam, LPARAM lParam)
{
    const std::lock_guard lock(mutex_);
    const LRESULT answer = message == WM_COMMAND && LOWORD(wParam) == kStopPlayback ? stopAnswer_ : 0;
    messages_.push_back({message, wParam, lParam, answer});
    return answer;
}

LRESULT CALLBACK HostWindows::HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindows*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == kRunAction) {
        const std::unique_ptr<Action> action(reinterpret_cast<Action*>(lParam));
        (*action)();
        return 0;
    }
    if (message == kQuit) {
        PostQuitMessage(0);
        return 0;
    }
    if (self && IsOfInterest(message)) return self->Answer(message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace host
