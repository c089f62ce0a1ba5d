// The one file of the tool that speaks to Windows directly.
#include "cli/system.h"

#include "platform/platform.h"
#include "text/utf8.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

namespace sonrik::cli {

unsigned SystemCodePage() { return GetACP(); }

std::vector<std::string> Arguments(int, char*[])
{
    platform::UseUtf8FileNames();
    int count = 0;
    LPWSTR* const wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide && i < count; ++i) {
        const int size = lstrlenW(wide[i]);
        const int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], size, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(std::max(length, 0)), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], size, utf8.data(), length, nullptr, nullptr);
        arguments.push_back(std::move(utf8));
    }
    LocalFree(wide);
    return arguments;
}

bool ArgumentsAreUtf8() { return true; }

std::string ArgumentToUtf8(std::string_view argument) { return text::SanitizeUtf8(argument); }

std::string ListedName(std::string_view line)
{
    const std::u8string utf8 = platform::AnsiToUtf8(line);
    return std::string(utf8.begin(), utf8.end());
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
