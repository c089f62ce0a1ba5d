// The parts of DynamicLibrary that do not depend on the platform.
#include "platform/platform.h"

#include <utility>

namespace sonrik::platform {

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

}  // namespace sonrik::platform
