#include "sonrik/module_dir.h"

#include "platform/platform.h"

namespace sonrik {

std::string ModuleDirOf(std::string_view modulePath, PathStyle style)
{
    const char separator = style == PathStyle::Windows ? '\\' : '/';
    const std::string_view delimiters = style == PathStyle::Windows ? "\\:" : "/";
    const auto last = modulePath.find_last_of(delimiters);
    std::string_view dir =
        last == std::string_view::npos ? std::string_view{} : modulePath.substr(0, last + 1);
    if (dir.size() > 1 && dir.back() == separator &&
        delimiters.find(dir[dir.size() - 2]) == std::string_view::npos)
        dir.remove_suffix(1);
    return std::string(dir) + separator;
}

std::string ModuleDir() { return ModuleDirOf(platform::ModuleFileName(), kNativePathStyle); }

}  // namespace sonrik
