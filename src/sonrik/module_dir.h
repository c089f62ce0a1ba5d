// The folder of the module's own library file, where the settings file and
// the history file live.
#pragma once

#include <string>
#include <string_view>

namespace sonrik {

// Windows paths split at '\' and at a drive's ':'; POSIX paths at '/'.
enum class PathStyle { Windows, Posix };

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// The folder part of `modulePath` with one separator appended. The folder part
// runs up to and including the last separator (or drive colon); a trailing
// separator is left off unless it follows a drive colon, another separator or
// nothing. So D:\Player\Plugins\x.dll gives D:\Player\Plugins\ and D:\x.dll
// gives D:\ followed by a second backslash, which the system accepts.
std::string ModuleDirOf(std::string_view modulePath, PathStyle style = PathStyle::Windows);

// ModuleDirOf the path the platform reports for this module.
std::string ModuleDir();

}  // namespace sonrik
