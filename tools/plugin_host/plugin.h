// The host's side of the plug-in boundary: the loaded library and its exports,
// looked up by name as the audio player looks them up.
#pragma once

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

namespace host {

// A failure the host reports and exits on (library missing, export missing).
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The exports' types as the player declares them. The boolean is read as a
// byte: only its low byte is defined. The opening calls take ANSI paths.
using IsPlayListSupportFn = unsigned char WINAPI();
using GetTextFn = const char* WINAPI();
using RunModuleFn = void WINAPI(HWND hostWindow, HWND appWindow, const char* fileName, DWORD reserved);
using RunModuleListFn = void WINAPI(HWND hostWindow, HWND appWindow, const char* listFilePath);

// The system's text for an error code, as UTF-8 ("error N" when it has none).
std::string SystemMessage(DWORD code);

class Plugin {
public:
    // Loads the library with LoadLibraryA, as the player does; throws
    // HostError when it cannot.
    explicit Plugin(const std::string& path);
    // Loads the library by its full path; the folders of the search order are
    // not looked in. Throws HostError (its text in UTF-8) when it cannot.
    explicit Plugin(const std::wstring& fullPath);

    const std::string& path() const noexcept { return path_; }

    // The export `name` as a function of type Fn, or nullptr if it is missing.
    template <typename Fn>
    Fn* find(const char* name) const noexcept
    {
        return reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    }

    // The address of the export `name`, nullptr if it is missing.
    const void* address(const char* name) const noexcept
    {
        return reinterpret_cast<const void*>(GetProcAddress(module_.get(), name));
    }

    // Keeps the library loaded past this object, until the process exits.
    void Abandon() noexcept { static_cast<void>(module_.release()); }

private:
    struct Unload {
        void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
    };

    [[noreturn]] static void Fail(const std::string& path);

    std::string path_;
    std::unique_ptr<std::remove_pointer_t<HMODULE>, Unload> module_;
};

// Sonrik.dll in the folder of the running executable.
std::string DefaultPluginPath();
// The folder of the running executable, with a trailing backslash.
std::wstring ProgramFolder();

// Wide text as UTF-8 and back.
std::string Utf8(std::wstring_view wide);
std::wstring Wide(std::string_view utf8);

}  // namespace host
