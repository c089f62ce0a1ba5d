// The one file of the tool that speaks to Windows directly.
#include "cli/system.h"

#include <windows.h>

namespace sonrik::cli {

unsigned SystemCodePage() { return GetACP(); }

bool ArgumentsAreUtf8() { return false; }

std::string ArgumentToUtf8(std::string_view argument)
{
    if (argument.empty()) return {};
    const int length = static_cast<int>(argument.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, argument.data(), length, nullptr, 0);
    if (wideLength <= 0) return std::string(argument);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, argument.data(), length, wide.data(), wideLength);
    const int utf8Length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) return std::string(argument);
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), utf8Length, nullptr, nullptr);
    return utf8;
}

// Output that goes to a file or a pipe is UTF-8 as it is; a console needs to
// be told, and is given back its own code page when the program ends.
Utf8Console::Utf8Console() : previous_(GetConsoleOutputCP())
{
    if (previous_ != 0) SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console()
{
    if (previous_ != 0) SetConsoleOutputCP(previous_);
}

}  // namespace sonrik::cli
