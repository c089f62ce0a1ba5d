#include "plugin_host/plugin.h"

#include <string>
#include <vector>

namespace host {

std::string SystemMessage(DWORD code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? Utf8(std::wstring_view(text, length)) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : message;
}

std::string Utf8(std::wstring_view wide)
{
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

std::wstring Wide(std::string_view utf8)
{
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

void Plugin::Fail(const std::string& path)
{
    const DWORD code = GetLastError();
    throw HostError("cannot load '" + path + "': " + SystemMessage(code) + " (" + std::to_string(code) + ")");
}

Plugin::Plugin(const std::string& path)
    : path_(path), module_(LoadLibraryA(path.c_str()))
{
    if (!module_) Fail(path_);
}

Plugin::Plugin(const std::wstring& fullPath)
    : path_(Utf8(fullPath))
{
    // A library that is not one (a damaged file) is reported to us, not in a
    // box of the system's.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // The libraries it imports are looked for beside it first, as for the player.
    module_.reset(LoadLibraryExW(fullPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    const DWORD code = GetLastError();
    SetErrorMode(previous);
    SetLastError(code);
    if (!module_) Fail(path_);
}

namespace {

// The running program's folder, with the separator at its end, through
// GetModuleFileNameA or GetModuleFileNameW.
template <typename Char, typename GetModuleFileName>
std::basic_string<Char> OwnFolder(GetModuleFileName getModuleFileName)
{
    std::vector<Char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = getModuleFileName(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            throw HostError("cannot find the program's own path: " + SystemMessage(GetLastError()));
        // XP fills the whole buffer without the terminating zero and reports
        // no error: a full buffer is retried with a larger one.
        if (length < buffer.size() - 1) {
            std::basic_string<Char> path(buffer.data(), length);
            const Char separators[] = {Char('\\'), Char('/'), Char(0)};
            path.erase(path.find_last_of(separators) + 1);
            return path;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string DefaultPluginPath() { return OwnFolder<char>(GetModuleFileNameA) + "Sonrik.dll"; }

std::wstring ProgramFolder() { return OwnFolder<wchar_t>(GetModuleFileNameW); }

}  // namespace host
