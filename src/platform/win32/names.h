// File names on Windows: the bytes the program holds, in the code page it
// chose for names (the system's ANSI code page unless it chose UTF-8), turned
// into the UTF-16 names of the system's wide calls, and back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sonrik::platform::win32 {

std::wstring WideName(std::string_view name);

// Nothing when the code page for names has no bytes for a character of it.
std::optional<std::string> NarrowName(std::wstring_view wide);

}  // namespace sonrik::platform::win32
