// Module path, settings-file calls, whole-file replacement, sleep and the last
// error code on Windows: the system's own calls.
#include "platform/platform.h"
#include "platform/file_calls.h"
#include "platform/win32/names.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX 1
#endif
#include <windows.h>

// windows.h maps this name to the win.ini call; ours takes a file.
#undef WriteProfileString

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace sonrik::platform {

namespace {

constexpr DWORD kModulePathBuffer = 261;
constexpr DWORD kProfileBuffer = kMaxProfileValueLength + 1;

[[noreturn]] void failLast() { throw IoError(static_cast<int>(::GetLastError())); }

// A new file that is deleted again unless it is kept; closing and deleting
// leave the thread's last error as the failure that led here set it.
class TempFile {
public:
    explicit TempFile(const std::string& beside)
    {
        for (unsigned attempt = 0; handle_ == INVALID_HANDLE_VALUE; ++attempt) {
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, ".~%08lx",
                          static_cast<unsigned long>(::GetTickCount() ^ (::GetCurrentProcessId() << 16) ^ attempt));
            path_ = beside + suffix;
            handle_ = ::CreateFileW(win32::WideName(path_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle_ != INVALID_HANDLE_VALUE) break;
            if (::GetLastError() == ERROR_FILE_EXISTS && attempt < 16) continue;
            failLast();
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile()
    {
        const DWORD saved = ::GetLastError();
        if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
        if (!kept_) ::DeleteFileW(win32::WideName(path_).c_str());
        ::SetLastError(saved);
    }

    void write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
            DWORD put = 0;
            if (!::WriteFile(handle_, bytes.data(), chunk, &put, nullptr)) failLast();
            bytes.remove_prefix(put);
        }
        if (!::FlushFileBuffers(handle_)) failLast();
    }

    void moveOver(const std::string& target, DWORD attributes)
    {
        const HANDLE h = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        if (!::CloseHandle(h)) failLast();
        // The old file's attributes (hidden, archive, ...) stay with the name.
        const std::wstring path = win32::WideName(path_);
        if (attributes != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(path.c_str(), attributes);
        if (!::MoveFileExW(path.c_str(), win32::WideName(target).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            failLast();
        kept_ = true;
    }

private:
    std::string path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool kept_ = false;
};

}  // namespace

std::string ModuleFileName()
{
    // The module that holds this code: the DLL inside a host, the program in tests.
    HMODULE self = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(&ModuleFileName), &self))
        return {};
    std::vector<char> buffer(kModulePathBuffer, '\0');
    const DWORD n = ::GetModuleFileNameA(self, buffer.data(), kModulePathBuffer);
    return std::string(buffer.data(), std::min<DWORD>(n, kModulePathBuffer));
}

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue)
{
    std::vector<char> buffer(kProfileBuffer, '\0');
    const DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                               buffer.data(), kProfileBuffer, file.c_str());
    return std::string(buffer.data(), std::min<DWORD>(n, kMaxProfileValueLength));
}

bool WriteProfileString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value)
{
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                        file.c_str()) != FALSE;
}

void ReplaceFileContents(const std::string& name, std::string_view bytes)
{
    const DWORD attributes = ::GetFileAttributesW(win32::WideName(name).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) throw IoError(ioerr::AccessDenied);
        // Checked first so that nothing is written for a file we may not change.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) throw IoError(ioerr::AccessDenied);
    }
    TempFile temp(name);
    temp.write(bytes);
    temp.moveOver(name, attributes);
}

ReplacementFile::ReplacementFile(const std::string& target) : target_(target)
{
    detail::CheckFileCall(FileCall::Open);
    const DWORD attributes = ::GetFileAttributesW(win32::WideName(target_).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) failLast();
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) throw IoError(ioerr::AccessDenied);
    mode_ = attributes;
    for (unsigned attempt = 0;; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".~%08lx",
                      static_cast<unsigned long>(::GetTickCount() ^ (::GetCurrentProcessId() << 16) ^ attempt));
        path_ = target_ + suffix;
        const HANDLE h = ::CreateFileW(win32::WideName(path_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            file_.emplace(File(h, true));
            break;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS || attempt >= 16) failLast();
    }
}

ReplacementFile::~ReplacementFile()
{
    if (replaced_) return;
    const DWORD saved = ::GetLastError();
    file_.reset();
    ::DeleteFileW(win32::WideName(path_).c_str());
    ::SetLastError(saved);
}

void ReplacementFile::replaceTarget()
{
    detail::CheckFileCall(FileCall::Sync);
    if (!::FlushFileBuffers(file_->handle_)) failLast();
    file_->close();
    const std::wstring path = win32::WideName(path_);
    // The old file's attributes (hidden, archive, ...) stay with the name.
    ::SetFileAttributesW(path.c_str(), mode_);
    detail::CheckFileCall(FileCall::Rename);
    // XP has MoveFileExW; MOVEFILE_REPLACE_EXISTING makes it one step.
    if (!::MoveFileExW(path.c_str(), win32::WideName(target_).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failLast();
    replaced_ = true;
}

void SleepMilliseconds(unsigned milliseconds) { ::Sleep(milliseconds); }

int LastErrorCode() { return static_cast<int>(::GetLastError()); }

unsigned SystemAnsiCodePage() { return ::GetACP(); }

namespace {

std::wstring ToWide(UINT codePage, std::string_view bytes)
{
    if (bytes.empty() || bytes.size() > INT_MAX / 2) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    return wide;
}

// The ANSI bytes of `wide`; false when a character has none of its own. The
// UTF-8 code page holds everything and takes no flags.
bool WideToAnsi(std::wstring_view wide, std::string& ansi)
{
    ansi.clear();
    if (wide.empty()) return true;
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const used = utf8 ? nullptr : &usedDefault;
    const int size = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, used);
    if (length <= 0) return false;
    ansi.resize(static_cast<std::size_t>(length));
    ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, ansi.data(), length, nullptr, used);
    return !usedDefault;
}

}  // namespace

std::u8string AnsiToUtf8(std::string_view ansi)
{
    const std::wstring wide = ToWide(CP_ACP, ansi);
    if (wide.empty()) return {};
    const int wideLength = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::u8string utf8(static_cast<std::size_t>(length), u8'\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, reinterpret_cast<char*>(utf8.data()), length,
                          nullptr, nullptr);
    return utf8;
}

AnsiConversion Utf8ToAnsi(std::u8string_view utf8)
{
    const std::wstring wide = ToWide(CP_UTF8, {reinterpret_cast<const char*>(utf8.data()), utf8.size()});
    AnsiConversion result;
    if (WideToAnsi(wide, result.bytes)) return result;
    // Character by character, to name the first one the code page lacks.
    result.bytes.clear();
    std::string piece;
    for (std::size_t i = 0; i < wide.size();) {
        const bool pair = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1]);
        const std::size_t length = pair ? 2 : 1;
        if (WideToAnsi(std::wstring_view(wide).substr(i, length), piece)) {
            result.bytes += piece;
        } else {
            result.bytes += '?';
            if (!result.unheld)
                result.unheld = pair ? 0x10000 + ((static_cast<char32_t>(wide[i]) - 0xD800) << 10) +
                                           (static_cast<char32_t>(wide[i + 1]) - 0xDC00)
                                     : static_cast<char32_t>(wide[i]);
        }
        i += length;
    }
    return result;
}

AnsiCaseRule SystemAnsiCaseRule()
{
    AnsiCaseRule rule;
    for (unsigned b = 0; b < 256; ++b) {
        rule.lower[b] = static_cast<unsigned char>(b);
        rule.lead[b] = ::IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
        if (rule.lead[b]) continue;
        const char byte = static_cast<char>(b);
        wchar_t wide = 0;
        if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) != 1) continue;
        ::CharLowerBuffW(&wide, 1);
        std::string lower;
        if (WideToAnsi(std::wstring_view(&wide, 1), lower) && lower.size() == 1)
            rule.lower[b] = static_cast<unsigned char>(lower[0]);
    }
    return rule;
}

}  // namespace sonrik::platform
