#include "platform/platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX 1
#endif
#include <windows.h>

#include <string>
#include <utility>

namespace sonrik::platform {

namespace {

HMODULE asModule(void* handle) { return static_cast<HMODULE>(handle); }

}  // namespace

DynamicLibrary DynamicLibrary::loadSystem(const std::string& name)
{
    DynamicLibrary library;
    const std::wstring wide(name.begin(), name.end());  // system library names are ASCII
    // Systems that have the search limited to the system folder also have
    // AddDllDirectory (Windows 8, and 7 and Vista with their update).
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel && ::GetProcAddress(kernel, "AddDllDirectory")) {
        library.handle_ = ::LoadLibraryExW(wide.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return library;
    }
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return library;
    library.handle_ = ::LoadLibraryW((std::wstring(folder, length) + L"\\" + wide).c_str());
    return library;
}

void* DynamicLibrary::symbol(const char* name) const noexcept
{
    if (!loaded()) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(asModule(handle_), name));
}

void DynamicLibrary::free() noexcept
{
    if (loaded()) ::FreeLibrary(asModule(std::exchange(handle_, nullptr)));
}

OsVersion CurrentOsVersion()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExA(&info)) return {};
    // The 9x family keeps the version in the high word of the build number.
    const DWORD build =
        info.dwPlatformId == VER_PLATFORM_WIN32_NT ? info.dwBuildNumber : LOWORD(info.dwBuildNumber);
    return {static_cast<std::uint32_t>(info.dwPlatformId), static_cast<std::uint32_t>(build)};
}

}  // namespace sonrik::platform
