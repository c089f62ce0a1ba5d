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

sonrik::ui::Backend& Backend()
{
    if (!backend) backend.emplace(&styleLoaders.library());
    return *backend;
}

// Static, NUL-terminated and valid while the module stays loaded: the host
// keeps the pointers.
constexpr char kModuleName[] = "Sonrik editor";
constexpr char kExtensions[] = "MP3;";  // each extension without dot, then ';'

sonrik::ui::WindowHandle Handle(HWND window) { return reinterpret_cast<sonrik::ui::WindowHandle>(window); }

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
    try {
        Backend();
    } catch (...) {
        return;  // no window can be shown, not even an error box
    }
    const std::string target = fileName ? fileName : "";
    application.Open(
        *backend, Handle(appWindow),
        [] {
            return std::make_unique<sonrik::TATagFrm>(*backend, styleLoaders.probe(),
                                                      sonrik::platform::ModuleFileName());
        },
        [&](sonrik::ui::Form& form) {
            auto& editor = static_cast<sonrik::TATagFrm&>(form);
            editor.TargetFile = target;
            editor.HostWindow = Handle(hostWindow);
        });
}

// Opens the list editor on the files listed in `listFilePath` and returns
// when it is closed.
void WINAPI RunModule_List(HWND hostWindow, HWND appWindow, const char* listFilePath) noexcept
{
    try {
        Backend();
    } catch (...) {
        return;  // no window can be shown, not even an error box
    }
    const std::string list = listFilePath ? listFilePath : "";
    application.Open(
        *backend, Handle(appWindow),
        [] { return std::make_unique<sonrik::TAListEditor>(*backend, sonrik::platform::ModuleFileName()); },
        [&](sonrik::ui::Form& form) {
            auto& editor = static_cast<sonrik::TAListEditor&>(form);
            editor.FileListPath = list;
            editor.HostWindow = Handle(hostWindow);
        });
}

}  // extern "C"
