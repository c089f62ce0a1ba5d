#include "platform/platform.h"

#include <dlfcn.h>
#include <utility>

namespace sonrik::platform {

DynamicLibrary DynamicLibrary::load(const std::string& name)
{
    DynamicLibrary library;
    library.handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    return library;
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr))
{
}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept
{
    if (this != &other) {
        free();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

DynamicLibrary::~DynamicLibrary() { free(); }

bool DynamicLibrary::loaded() const noexcept { return handle_ != nullptr; }

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
