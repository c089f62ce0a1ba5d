#include "platform/platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX 1
#endif
#include <windows.h>

#include <utility>

namespace sonrik::platform {

namespace {

HMODULE asModule(void* handle) { return static_cast<HMODULE>(handle); }

}  // namespace

DynamicLibrary DynamicLibrary::load(const std::string& name)
{
    DynamicLibrary library;
    library.handle_ = ::LoadLibraryA(name.c_str());
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
