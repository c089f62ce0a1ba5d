// Text between the model and the wide API. Captions are UTF-8 in the model;
// field contents are bytes in the system's ANSI code page and go through
// CP_ACP both ways, so a value nobody edited comes back byte for byte. What
// the user types goes to the model as UTF-8, which converts it exactly.
#pragma once

#include "text/text.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace sonrik::ui::win32 {

std::wstring Utf8ToWide(std::u8string_view utf8);
std::u8string WideToUtf8(std::wstring_view wide);
std::wstring AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::wstring_view wide);

// The whole text of a window (its caption, or an edit field's content).
std::wstring WindowText(HWND window);

// One typed character in the ANSI code page; false when the character has no
// single-byte form there (it then goes to the control untouched).
bool WideCharToAnsiChar(wchar_t wide, char& ansi);
wchar_t AnsiCharToWide(char ansi);

}  // namespace sonrik::ui::win32
