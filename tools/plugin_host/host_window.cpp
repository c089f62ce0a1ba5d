#include "plugin_host/host_window.h"

#include "plugin_host/plugin.h"

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

HWND Create(const char* className, const char* title, DWORD style, void* self, int width = 320, int height = 200)
{
    const HWND window = CreateWindowExA(0, className, title, style, 0, 0, width, height, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), self);
    if (!window) throw HostError(std::string("cannot create window ") + title);
    return window;
}

class Locked {
public:
    explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~Locked() { LeaveCriticalSection(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CRITICAL_SECTION& lock_;
};

}  // namespace

std::string Describe(const HostMessage& record)
{
    return "message=" + std::to_string(record.message) + " wParam=" + std::to_string(record.wParam) +
           " lParam=" + std::to_string(record.lParam) + " answer=" + std::to_string(record.answer);
}

HostWindows::HostWindows(const char* title, Look look)
{
    InitializeCriticalSection(&lock_);
    try {
        RegisterClass(kHostClass, &HostWindows::HostProc);
        RegisterClass(kApplicationClass, DefWindowProcA);
        // The player's main window: never shown, it only talks to the module.
        host_ = Create(kHostClass, "HostWindow", WS_OVERLAPPEDWINDOW, this);
        // The application window is shown, as a player's is, so the modal
        // loop has a window of ours to disable. As a bare taskbar button it
        // has no size, and the system shows the module's window it owns
        // when the button is clicked.
        application_ = look == Look::Window
                           ? Create(kApplicationClass, title, WS_OVERLAPPEDWINDOW, nullptr)
                           : Create(kApplicationClass, title, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, nullptr, 0, 0);
        ShowWindow(application_, SW_SHOWNOACTIVATE);
        secondApplication_ = Create(kApplicationClass, (std::string(title) + " 2").c_str(), WS_OVERLAPPEDWINDOW, nullptr);
    } catch (...) {
        Release();
        throw;
    }
}

HostWindows::~HostWindows() { Release(); }

void HostWindows::Release() noexcept
{
    if (secondApplication_) DestroyWindow(secondApplication_);
    if (application_) DestroyWindow(application_);
    if (host_) DestroyWindow(host_);
    DeleteCriticalSection(&lock_);
}

void HostWindows::SetStopAnswer(LRESULT answer)
{
    const Locked locked(lock_);
    stopAnswer_ = answer;
}

std::vector<HostMessage> HostWindows::Messages() const
{
    const Locked locked(lock_);
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
    const Locked locked(lock_);
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
