// The functions the audio player calls. Sonrik.def gives them their
// undecorated names and fixed ordinals; they use the Windows calling
// convention. No C++ exception may unwind into the host, so every export is
// noexcept and the opening calls report what goes wrong in the error box.
#include "Main/tag_frm.h"
#include "Main_List/list_editor.h"
#include "platform/platform.h"
#include "sonrik/application.h"
#include "ui/win32/win32_backend.h"
#include "widgets/style_loaders.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace {

// Module-wide state, built by the runtime when the module is loaded and torn
// down after DllMain has seen the unload: the loaders first (the tab-page
// probe, then the library the group boxes draw with), then the backend the
// windows live in, then the application object that owns them. The
// destructors run in the reverse order, so no window outlives its backend.
// The backend registers window classes and makes a font, which is no work for
// the loader's lock: it is built by the first opening call.
sonrik::widgets::StyleLoaders styleLoaders;
std::optional<sonrik::ui::win32::Win32Backend> backend;
sonrik::Application application;

sonrik::ui::WindowHandle Handle(HWND window) { return reinterpret_cast<sonrik::ui::WindowHandle>(window); }

// One opening call: a new window from `make`, owned by the application
// object, given the host's window and the call's text argument (`field`),
// shown modally. Without a backend no window can be shown, not even an error
// box, and the call just returns.
template <typename Window, typename Make>
void OpenEditor(HWND hostWindow, HWND appWindow, const char* argument, std::string Window::*field,
                const Make& make) noexcept
{
    try {
        if (!backend) backend.emplace(&styleLoaders.library());
    } catch (...) {
        return;
    }
    application.Open(
        *backend, Handle(appWindow), [&]() -> std::unique_ptr<sonrik::ui::Form> { return make(); },
        [&](sonrik::ui::Form& form) {
            auto& window = static_cast<Window&>(form);
            window.*field = argument ? argument : "";
            window.HostWindow = Handle(hostWindow);
        });
}

// Static, NUL-terminated and valid while the module stays loaded: the host
// keeps the pointers.
constexpr char kModuleName[] = "Sonrik editor";
constexpr char kExtensions[] = "MP3;";  // each extension without dot, then ';'

}  // namespace

extern "C" {

// Runs inside the loader's lock: release the style libraries, then destroy
// the windows (each writes its files); nothing here waits on another thread.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) noexcept
{
    if (reason == DLL_PROCESS_DETACH) {
        styleLoaders.unload();
        application.DestroyWindows();
    }
    return TRUE;
}

// The player reads only the low byte: a one-byte boolean.
bool WINAPI IsPlayListSupport() noexcept
{
    return true;
}

const char* WINAPI GetModuleName() noexcept
{
    return kModuleName;
}

const char* WINAPI GetExt() noexcept
{
    return kExtensions;
}

// Opens the single-file editor on `fileName` and returns when it is closed.
// The fourth argument is part of the host's call but carries nothing.
void WINAPI RunModule(HWND hostWindow, HWND appWindow, const char* fileName, DWORD /*reserved*/) noexcept
{
    OpenEditor(hostWindow, appWindow, fileName, &sonrik::TATagFrm::TargetFile, [] {
        return std::make_unique<sonrik::TATagFrm>(*backend, styleLoaders.probe(), sonrik::platform::ModuleFileName());
    });
}

// Opens the list editor on the files listed in `listFilePath` and returns
// when it is closed.
void WINAPI RunModule_List(HWND hostWindow, HWND appWindow, const char* listFilePath) noexcept
{
    OpenEditor(hostWindow, appWindow, listFilePath, &sonrik::TAListEditor::FileListPath, [] {
        return std::make_unique<sonrik::TAListEditor>(*backend, sonrik::platform::ModuleFileName());
    });
}

}  // extern "C"
