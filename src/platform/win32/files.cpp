#include "platform/file_calls.h"
#include "platform/platform.h"
#include "platform/win32/names.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX 1
#endif
#include <windows.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace sonrik::platform {

namespace {

// The code page of the names the program holds: CP_ACP or CP_UTF8.
UINT nameCodePage = CP_ACP;

}  // namespace

void UseUtf8FileNames() { nameCodePage = CP_UTF8; }

std::wstring win32::WideName(std::string_view name)
{
    if (name.empty()) return {};
    const int size = static_cast<int>(name.size());
    const int length = ::MultiByteToWideChar(nameCodePage, 0, name.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    ::MultiByteToWideChar(nameCodePage, 0, name.data(), size, wide.data(), length);
    return wide;
}

std::optional<std::string> win32::NarrowName(std::wstring_view wide)
{
    if (wide.empty()) return std::string();
    // UTF-8 holds every character; the ANSI code page is asked for no
    // best-fit look-alikes and tells when it had to put in its default.
    const bool ansi = nameCodePage != CP_UTF8;
    const DWORD flags = ansi ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL usedDefault = FALSE;
    BOOL* const used = ansi ? &usedDefault : nullptr;
    const int size = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(nameCodePage, flags, wide.data(), size, nullptr, 0, nullptr, used);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string name(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(nameCodePage, flags, wide.data(), size, name.data(), length, nullptr, nullptr);
    return name;
}

namespace {

using win32::WideName;

// Windows' own code for an operation on a handle that is not open.
constexpr int kInvalidHandle = ERROR_INVALID_HANDLE;

[[noreturn]] void failLast() { throw IoError(static_cast<int>(::GetLastError())); }

// ReadFile and WriteFile take a DWORD count; larger requests go in pieces.
DWORD chunk(std::size_t remaining)
{
    return static_cast<DWORD>(std::min<std::size_t>(remaining, MAXDWORD));
}

// An OVERLAPPED that names a file position, for the positioned calls.
OVERLAPPED at(std::int64_t pos)
{
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(pos) & 0xFFFFFFFFu);
    o.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(pos) >> 32);
    return o;
}

HANDLE openHandle(const std::string& name, OpenMode mode)
{
    const DWORD access = mode == OpenMode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    return ::CreateFileW(WideName(name).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Windows refuses changes through a reader with "access denied"; Wine says
// "invalid parameter" for a cut, so the opening mode decides first.
void checkWritable(bool writable)
{
    if (!writable) throw IoError(ioerr::AccessDenied);
}

DWORD attributesOf(const std::string& name)
{
    const DWORD attrs = ::GetFileAttributesW(WideName(name).c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) failLast();
    return attrs;
}

}  // namespace

bool FileExists(const std::string& name)
{
    const DWORD attrs = ::GetFileAttributesW(WideName(name).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& name)
{
    const DWORD attrs = ::GetFileAttributesW(WideName(name).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool NameFits(const std::string& folder, const std::string& name)
{
    constexpr std::size_t kNameUnits = 255;
    if (WideName(name).size() > kNameUnits) return false;
    // The ANSI calls take a path of MAX_PATH characters, its ending zero included.
    return nameCodePage == CP_UTF8 || folder.size() + 1 + name.size() < MAX_PATH;
}

// A folder's read-only attribute does not stop writes to it, and asking for
// the user's rights costs more than the rename that would tell.
bool FolderWritable(const std::string&) { return true; }

File::File(Handle handle, bool writable) noexcept : handle_(handle), writable_(writable) {}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)),
      writable_(std::exchange(other.writable_, false))
{
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        if (isOpen()) ::CloseHandle(handle_);
        handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        writable_ = std::exchange(other.writable_, false);
    }
    return *this;
}

File::~File()
{
    if (isOpen()) ::CloseHandle(handle_);
}

File File::open(const std::string& name, OpenMode mode)
{
    detail::CheckFileCall(FileCall::Open);
    const HANDLE h = openHandle(name, mode);
    if (h == INVALID_HANDLE_VALUE) failLast();
    return File(h, mode == OpenMode::ReadWrite);
}

std::optional<OpenedFile> File::openExisting(const std::string& name, OpenMode mode)
{
    detail::CheckFileCall(FileCall::Open);
    const HANDLE h = openHandle(name, mode);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
            error == ERROR_DIRECTORY)
            return std::nullopt;
        // A folder is refused with "access denied"; only then is the name looked up again.
        if (error == ERROR_ACCESS_DENIED) {
            const DWORD attrs = ::GetFileAttributesW(WideName(name).c_str());
            if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
        }
        ::SetLastError(error);
        failLast();
    }
    File file(h, mode == OpenMode::ReadWrite);
    // The size and the attributes by the calls that ask the file system
    // alone: GetFileInformationByHandle also asks for the volume's serial
    // number, which under Wine costs a round trip to its mount manager, ten
    // times what the rest of a file's reading does.
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(h, &size)) failLast();
    const DWORD attrs = ::GetFileAttributesW(WideName(name).c_str());
    return OpenedFile{std::move(file), size.QuadPart,
                      attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) != 0, std::nullopt};
}

FileId File::identity() const
{
    if (!isOpen()) throw IoError(kInvalidHandle);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle_, &info)) failLast();
    return {info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// INVALID_HANDLE_VALUE doubles as the current-process pseudo handle, so a closed
// file must never reach the API: refuse here with the code Windows uses.
bool File::isOpen() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }

std::int64_t File::size() const
{
    detail::CheckFileCall(FileCall::Size);
    if (!isOpen()) throw IoError(kInvalidHandle);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle_, &size)) failLast();
    return size.QuadPart;
}

std::int64_t File::position() const
{
    if (!isOpen()) throw IoError(kInvalidHandle);
    LARGE_INTEGER zero{};
    LARGE_INTEGER pos{};
    if (!::SetFilePointerEx(handle_, zero, &pos, FILE_CURRENT)) failLast();
    return pos.QuadPart;
}

void File::seek(std::int64_t pos)
{
    if (!isOpen()) throw IoError(kInvalidHandle);
    LARGE_INTEGER target{};
    target.QuadPart = pos;
    // The system itself refuses a negative position with ERROR_NEGATIVE_SEEK (131).
    if (!::SetFilePointerEx(handle_, target, nullptr, FILE_BEGIN)) failLast();
}

std::size_t File::read(void* buffer, std::size_t count)
{
    detail::CheckFileCall(FileCall::Read);
    if (!isOpen()) throw IoError(kInvalidHandle);
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        DWORD got = 0;
        if (!::ReadFile(handle_, out + done, chunk(count - done), &got, nullptr)) failLast();
        if (got == 0) break;  // end of file
        done += got;
    }
    return done;
}

void File::readExact(void* buffer, std::size_t count)
{
    if (read(buffer, count) != count) throw IoError(ioerr::ReadBeyondEnd);
}

std::size_t File::readAt(std::int64_t pos, void* buffer, std::size_t count)
{
    detail::CheckFileCall(FileCall::ReadAt);
    if (!isOpen()) throw IoError(kInvalidHandle);
    if (pos < 0) throw IoError(ioerr::NegativeSeek);
    // A seek and plain reads: a read that carries its own position costs
    // Wine one more request to its server (for a completion port), and the
    // list editor reads thousands of files in a row.
    LARGE_INTEGER start{};
    start.QuadPart = pos;
    if (!::SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN)) failLast();
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        DWORD got = 0;
        if (!::ReadFile(handle_, out + done, chunk(count - done), &got, nullptr)) failLast();
        if (got == 0) break;
        done += got;
    }
    return done;
}

std::size_t File::write(const void* buffer, std::size_t count)
{
    detail::CheckFileCall(FileCall::Write);
    if (!isOpen()) throw IoError(kInvalidHandle);
    checkWritable(writable_);
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        DWORD put = 0;
        if (!::WriteFile(handle_, in + done, chunk(count - done), &put, nullptr)) {
            // Nothing written at all is a failure; a partial write is a short count.
            done += put;
            if (done == 0) failLast();
            break;
        }
        if (put == 0) break;
        done += put;
    }
    return done;
}

std::size_t File::writeAt(std::int64_t pos, const void* buffer, std::size_t count)
{
    detail::CheckFileCall(FileCall::WriteAt);
    if (!isOpen()) throw IoError(kInvalidHandle);
    checkWritable(writable_);
    if (pos < 0) throw IoError(ioerr::NegativeSeek);
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        DWORD put = 0;
        OVERLAPPED where = at(pos + static_cast<std::int64_t>(done));
        if (!::WriteFile(handle_, in + done, chunk(count - done), &put, &where)) {
            done += put;
            if (done == 0) failLast();
            break;
        }
        if (put == 0) break;
        done += put;
    }
    return done;
}

void File::truncate()
{
    detail::CheckFileCall(FileCall::Truncate);
    if (!isOpen()) throw IoError(kInvalidHandle);
    checkWritable(writable_);
    if (!::SetEndOfFile(handle_)) failLast();
}

void File::truncateAt(std::int64_t size)
{
    detail::CheckFileCall(FileCall::Truncate);
    if (!isOpen()) throw IoError(kInvalidHandle);
    checkWritable(writable_);
    LARGE_INTEGER target{};
    target.QuadPart = size;
    if (!::SetFilePointerEx(handle_, target, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle_)) failLast();
}

void File::close()
{
    if (!isOpen()) return;
    const HANDLE h = std::exchange(handle_, INVALID_HANDLE_VALUE);
    if (!::CloseHandle(h)) failLast();
}

bool IsReadOnly(const std::string& name)
{
    return (attributesOf(name) & FILE_ATTRIBUTE_READONLY) != 0;
}

void SetReadOnly(const std::string& name, bool readOnly)
{
    const DWORD attrs = attributesOf(name);
    const DWORD wanted =
        readOnly ? attrs | FILE_ATTRIBUTE_READONLY : attrs & ~DWORD{FILE_ATTRIBUTE_READONLY};
    if (wanted == attrs) return;
    // Zero would mean "leave unchanged" to the system; NORMAL is the empty set.
    if (!::SetFileAttributesW(WideName(name).c_str(), wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL))
        failLast();
}

FileAttributes GetFileAttributeWord(const std::string& name)
{
    return static_cast<FileAttributes>(attributesOf(name));
}

void SetFileAttributeWord(const std::string& name, FileAttributes attributes)
{
    // Zero would mean "leave unchanged" to the system; NORMAL is the empty set.
    if (!::SetFileAttributesW(WideName(name).c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL))
        failLast();
}

namespace {

// Volume and file index identify a file; the link count tells whether another
// name is a hard link of it rather than another spelling of the same name.
struct FileIdentity {
    DWORD volume = 0, indexHigh = 0, indexLow = 0, links = 0;
};

bool identityOf(const std::string& name, FileIdentity& id)
{
    // No access rights are needed to read a file's identity, and a folder
    // opens only with backup semantics.
    const HANDLE h = ::CreateFileW(WideName(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL ok = ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    if (!ok) return false;
    id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, info.nNumberOfLinks};
    return true;
}

}  // namespace

bool SameFileEntry(const std::string& a, const std::string& b)
{
    FileIdentity ia, ib;
    return identityOf(a, ia) && identityOf(b, ib) && ia.volume == ib.volume &&
           ia.indexHigh == ib.indexHigh && ia.indexLow == ib.indexLow && ia.links == 1;
}

std::optional<FileId> FileIdOf(const std::string& name)
{
    FileIdentity id;
    if (!identityOf(name, id)) return std::nullopt;
    return FileId{id.volume, (static_cast<std::uint64_t>(id.indexHigh) << 32) | id.indexLow};
}

namespace {


// A name in one letter case, as the file system compares names: the
// invariant upper case, which no user's language setting changes.
std::wstring nameKey(std::wstring name)
{
    if (name.empty()) return name;
    const int length = static_cast<int>(name.size());
    std::wstring key(name.size(), L'\0');
    // The invariant locale by number: the call by locale name came with Vista.
    if (::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, name.c_str(), length, key.data(), length) != length)
        return name;
    return key;
}

bool isDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }

struct FindCloser {
    void operator()(HANDLE find) const { ::FindClose(find); }
};

// Calls `each` with every entry of `folder`, "." and ".." among them. The
// listing without short names in large pieces came with Windows 7; an older
// system refuses it as an invalid parameter and gets the standard one.
// Throws IoError when the folder cannot be read.
template <typename Each>
void ForEachEntry(const std::string& folder, Each&& each)
{
    const std::wstring pattern = WideName(folder + (folder.empty() || isDelimiter(folder.back()) ? "*" : "\\*"));
    WIN32_FIND_DATAW entry{};
    HANDLE first = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                      FIND_FIRST_EX_LARGE_FETCH);
    if (first == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_INVALID_PARAMETER)
        first = ::FindFirstFileW(pattern.c_str(), &entry);
    if (first == INVALID_HANDLE_VALUE) {
        if (::GetLastError() == ERROR_FILE_NOT_FOUND) return;  // no entries at all, as a drive's empty root
        failLast();
    }
    const std::unique_ptr<void, FindCloser> find(first);
    do {
        each(entry);
    } while (::FindNextFileW(first, &entry));
    if (::GetLastError() != ERROR_NO_MORE_FILES) failLast();
}

}  // namespace

FolderFiles::FolderFiles(const std::string& folder)
{
    ForEachEntry(folder, [this](const WIN32_FIND_DATAW& entry) {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) keys_.insert(nameKey(entry.cFileName));
    });
}

namespace {

std::wstring keyOfPath(const std::string& path)
{
    const std::size_t last = path.find_last_of("\\/:");
    return nameKey(WideName(last == std::string::npos ? path : std::string_view(path).substr(last + 1)));
}

}  // namespace

bool FolderFiles::Contains(const std::string& path) const
{
    const std::wstring key = keyOfPath(path);
    return !key.empty() && keys_.count(key) > 0;
}

void FolderFiles::Add(const std::string& path)
{
    if (std::wstring key = keyOfPath(path); !key.empty()) keys_.insert(std::move(key));
}

void FolderFiles::Remove(const std::string& path) { keys_.erase(keyOfPath(path)); }

void RenameFile(const std::string& from, const std::string& to)
{
    // MoveFile refuses an existing target (ERROR_ALREADY_EXISTS).
    if (!::MoveFileW(WideName(from).c_str(), WideName(to).c_str())) failLast();
}

}  // namespace sonrik::platform

namespace sonrik::platform {

std::optional<FolderEntries> ReadFolder(const std::string& folder)
{
    const DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(WideName(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
    const std::string prefix = isDelimiter(folder.back()) ? folder : folder + '\\';
    FolderEntries entries;
    ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
        const std::wstring_view wide = entry.cFileName;
        if (wide == L"." || wide == L"..") return;
        std::optional<std::string> name = win32::NarrowName(wide);
        if (!name) {
            // The short name, which every code page holds, where the volume keeps one.
            std::wstring shortName(MAX_PATH, L'\0');
            const std::wstring full = WideName(prefix) + std::wstring(wide);
            const DWORD length = ::GetShortPathNameW(full.c_str(), shortName.data(), MAX_PATH);
            if (length > 0 && length < MAX_PATH) {
                shortName.resize(length);
                const std::size_t last = shortName.find_last_of(L"\\/");
                name = win32::NarrowName(std::wstring_view(shortName).substr(last == std::wstring::npos ? 0 : last + 1));
            }
        }
        const DWORD kind = entry.dwFileAttributes;
        if (!name)
            ++entries.unheld;
        else if ((kind & FILE_ATTRIBUTE_DIRECTORY) == 0)
            entries.files.push_back(prefix + *name);
        else if ((kind & FILE_ATTRIBUTE_REPARSE_POINT) == 0)  // a link or junction is not walked into
            entries.folders.push_back(prefix + *name);
    });
    return entries;
}

}  // namespace sonrik::platform
