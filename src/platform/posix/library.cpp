#include "platform/platform.h"

#include <dlfcn.h>
#include <utility>

namespace sonrik::platform {

DynamicLibrary DynamicLibrary::loadSystem(const std::string& name)
{
    DynamicLibrary library;
    library.handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    return library;
}

void* DynamicLibrary::symbol(const char* name) const noexcept
{
    return loaded() ? ::dlsym(handle_, name) : nullptr;
}

void DynamicLibrary::free() noexcept
{
    if (loaded()) ::dlclose(std::exchange(handle_, nullptr));
}

// Not a Windows system: no platform family that has visual styles.
OsVersion CurrentOsVersion() { return {}; }

}  // namespace sonrik::platform
