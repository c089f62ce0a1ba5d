// The host's side of the plug-in boundary: the loaded library and its exports,
// looked up by name as the audio player looks them up.
#pragma once

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace host {

// A failure the host reports and exits on (library missing, export missing).
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The exports' types as the player declares them. The boolean is read as a
// byte: only its low byte is defined.
using IsPlayListSupportFn = unsigned char WINAPI();
using GetTextFn = const char* WINAPI();

class Plugin {
public:
    // Loads the library with LoadLibraryA; throws HostError when it cannot.
    explicit Plugin(const std::string& path);

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

    std::string path_;
    std::unique_ptr<std::remove_pointer_t<HMODULE>, Unload> module_;
};

// Sonrik.dll in the folder of the running executable.
std::string DefaultPluginPath();

}  // namespace host
