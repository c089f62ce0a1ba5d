#include "plugin.h"

#include <string>
#include <vector>

namespace host {

namespace {

std::string SystemMessage(DWORD code)
{
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : message;
}

}  // namespace

Plugin::Plugin(const std::string& path)
    : path_(path), module_(LoadLibraryA(path.c_str()))
{
    if (!module_) {
        const DWORD code = GetLastError();
        throw HostError("cannot load '" + path + "': " + SystemMessage(code) + " (" +
                        std::to_string(code) + ")");
    }
}

std::string DefaultPluginPath()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            throw HostError("cannot find the host's own path: " + SystemMessage(GetLastError()));
        if (length < buffer.size()) {
            std::string path(buffer.data(), length);
            path.erase(path.find_last_of("\\/") + 1);
            return path + "Sonrik.dll";
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace host
