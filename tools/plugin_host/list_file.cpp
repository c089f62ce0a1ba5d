#include "list_file.h"

#include "plugin.h"

#include <windows.h>

#include <fstream>
#include <memory>
#include <type_traits>

namespace host {

namespace {

struct CloseFile {
    void operator()(HANDLE file) const noexcept { CloseHandle(file); }
};
using File = std::unique_ptr<std::remove_pointer_t<HANDLE>, CloseFile>;

[[noreturn]] void Fail(const std::string& what, const std::string& path)
{
    throw HostError("cannot " + what + " '" + path + "' (error " + std::to_string(GetLastError()) + ")");
}

}  // namespace

void WriteFileReplacing(const std::string& path, std::string_view content)
{
    const std::string temporary = path + ".tmp";
    {
        const HANDLE opened =
            CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened == INVALID_HANDLE_VALUE) Fail("create", temporary);
        const File file(opened);
        DWORD written = 0;
        if (!WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
            written != content.size() || !FlushFileBuffers(file.get())) {
            DeleteFileA(temporary.c_str());
            Fail("write", temporary);
        }
    }
    if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary.c_str());
        Fail("replace", path);
    }
}

std::string ListFileContent(const std::vector<std::string>& paths)
{
    std::string content;
    for (const std::string& path : paths) content += path + "\r\n";
    return content;
}

void WriteListFile(const std::string& path, const std::vector<std::string>& paths)
{
    WriteFileReplacing(path, ListFileContent(paths));
}

}  // namespace host

namespace host {

int ReadListedFileTails(const std::string& listFile, unsigned tailBytes, unsigned headBytes)
{
    std::ifstream in(listFile, std::ios::binary);
    if (!in) throw HostError("cannot read the list file '" + listFile + "'");
    std::vector<char> tail(tailBytes), head(headBytes);
    int read = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const HANDLE opened = CreateFileA(line.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened == INVALID_HANDLE_VALUE) continue;
        const File file(opened);
        LARGE_INTEGER size{};
        LARGE_INTEGER start{};
        DWORD got = 0;
        if (!GetFileSizeEx(file.get(), &size)) continue;
        if (headBytes > 0 && !ReadFile(file.get(), head.data(), headBytes, &got, nullptr)) continue;
        start.QuadPart = size.QuadPart > tailBytes ? size.QuadPart - tailBytes : 0;
        if (SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) &&
            ReadFile(file.get(), tail.data(), tailBytes, &got, nullptr) && got > 0)
            ++read;
    }
    return read;
}

}  // namespace host
