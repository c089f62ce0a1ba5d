#include "ui/win32/text.h"

#include <climits>

namespace sonrik::ui::win32 {

namespace {

std::wstring ToWide(UINT codePage, std::string_view bytes)
{
    if (bytes.empty() || bytes.size() > INT_MAX) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    return wide;
}

// No best fit into the ANSI code page: a character it lacks becomes '?', as
// in text::ToAnsiExactly, never a look-alike (UTF-8 takes no such flag).
std::string FromWide(UINT codePage, std::wstring_view wide)
{
    if (wide.empty() || wide.size() > INT_MAX) return {};
    const DWORD flags = codePage == CP_UTF8 || GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

}  // namespace

std::wstring Utf8ToWide(std::u8string_view utf8) { return ToWide(CP_UTF8, text::Bytes(utf8)); }
std::u8string WideToUtf8(std::wstring_view wide) { return std::u8string(text::AsUtf8(FromWide(CP_UTF8, wide))); }
std::wstring AnsiToWide(std::string_view ansi) { return ToWide(CP_ACP, ansi); }
std::string WideToAnsi(std::wstring_view wide) { return FromWide(CP_ACP, wide); }

std::wstring WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

bool WideCharToAnsiChar(wchar_t wide, char& ansi)
{
    char bytes[4]{};
    BOOL usedDefault = FALSE;
    // No best fit: a character the code page lacks must not turn into a
    // look-alike the handlers then act on.
    const int length =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes, nullptr, &usedDefault);
    if (length != 1 || usedDefault) return false;
    ansi = bytes[0];
    return true;
}

wchar_t AnsiCharToWide(char ansi)
{
    wchar_t wide = 0;
    if (MultiByteToWideChar(CP_ACP, 0, &ansi, 1, &wide, 1) != 1) return L'?';
    return wide;
}

}  // namespace sonrik::ui::win32
