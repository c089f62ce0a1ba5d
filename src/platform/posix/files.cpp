#include "platform/file_calls.h"
#include "platform/platform.h"
#include "platform/posix/errno_map.h"

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <memory>
#include <utility>

namespace sonrik::platform {

namespace {

constexpr int kClosed = -1;
constexpr int kInvalidHandle = 6;   // ERROR_INVALID_HANDLE
constexpr int kAlreadyExists = 183; // ERROR_ALREADY_EXISTS

[[noreturn]] void fail(int e) { throw posix::ErrnoError(e); }

// Windows tells a missing file (2) from a missing folder on the way to it or an
// empty name (3); ENOENT covers all of these.
[[noreturn]] void failOn(const std::string& name, int e)
{
    if (e != ENOENT) fail(e);
    const auto missing = [e](int code) { return IoError(code, e, std::strerror(e)); };
    if (name.empty()) throw missing(ioerr::InvalidFilename);
    const auto slash = name.find_last_of('/');
    if (slash == std::string::npos) throw missing(ioerr::FileNotFound);
    const std::string dir = slash == 0 ? std::string("/") : name.substr(0, slash);
    struct stat st {};
    const bool dirExists = ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    throw missing(dirExists ? ioerr::FileNotFound : ioerr::InvalidFilename);
}

// A missing source is reported for the source, anything else for the target.
[[noreturn]] void failRename(const std::string& from, const std::string& to, int e)
{
    struct stat st {};
    failOn(e == ENOENT && ::lstat(from.c_str(), &st) == 0 ? to : from, e);
}

// Both names are spellings of one directory entry. A file with several hard
// links is never taken for that: its other names are other entries.
bool sameEntry(const std::string& a, const std::string& b)
{
    struct stat sa {};
    struct stat sb {};
    return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino && sa.st_nlink == 1;
}

// Same outcome as the Windows layer for a file that is not open.
void checkOpen(int fd)
{
    if (fd == kClosed) throw IoError(kInvalidHandle);
}

// Windows refuses writing through a read-only opener with "access denied";
// POSIX says EBADF or EINVAL, so the mode it was opened in decides first.
void checkWritable(int fd, bool writable)
{
    checkOpen(fd);
    if (!writable) throw IoError(ioerr::AccessDenied);
}

// Opens a regular file (not a pipe, a device or a folder). Gives -1 and the
// errno of the failure, with st filled in when the open itself succeeded.
int openRegular(const std::string& name, OpenMode mode, struct stat& st, int& error)
{
    // Non-blocking so that opening a pipe cannot hang. The flag is left on: it
    // changes nothing for regular files, and clearing it would cost two calls.
    const int flags = (mode == OpenMode::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
    int fd;
    do {
        fd = ::open(name.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISREG(st.st_mode) ? errno : EACCES;
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

void UseUtf8FileNames() {}

bool FileExists(const std::string& name)
{
    struct stat st {};
    // Only regular files: a pipe or a device would block or misbehave when read as a song.
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& name)
{
    struct stat st {};
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool NameFits(const std::string& folder, const std::string& name)
{
    // Every system takes names this short; most names are.
    constexpr std::size_t kAlwaysFits = 14;
    if (name.size() <= kAlwaysFits) return true;
    // The names of one run mostly share a folder: its limit is asked once.
    thread_local std::string lastFolder;
    thread_local long lastLimit = -1;
    if (lastLimit < 0 || folder != lastFolder) {
        errno = 0;
        const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
        lastFolder = folder;
        lastLimit = limit > 0 ? limit : 255;  // no limit known: the common one
    }
    return name.size() <= static_cast<std::size_t>(lastLimit);
}

bool FolderWritable(const std::string& folder)
{
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0) return true;
    return errno != EACCES && errno != EROFS && errno != EPERM;
}

// A missing name costs no walk here, so nothing is read ahead.
FolderFiles::FolderFiles(const std::string&) {}

bool FolderFiles::Contains(const std::string& path) const { return FileExists(path); }

void FolderFiles::Add(const std::string&) {}

void FolderFiles::Remove(const std::string&) {}

File::File(Handle handle, bool writable) noexcept : handle_(handle), writable_(writable) {}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)), writable_(std::exchange(other.writable_, false))
{
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        if (handle_ != kClosed) ::close(handle_);
        handle_ = std::exchange(other.handle_, kClosed);
        writable_ = std::exchange(other.writable_, false);
    }
    return *this;
}

File::~File()
{
    if (handle_ != kClosed) ::close(handle_);
}

File File::open(const std::string& name, OpenMode mode)
{
    detail::CheckFileCall(FileCall::Open);
    struct stat st {};
    int error = 0;
    const int fd = openRegular(name, mode, st, error);
    if (fd < 0) {
        if (st.st_mode != 0) fail(error);  // opened, but not a regular file
        failOn(name, error);
    }
    return File(fd, mode == OpenMode::ReadWrite);
}

std::optional<OpenedFile> File::openExisting(const std::string& name, OpenMode mode)
{
    detail::CheckFileCall(FileCall::Open);
    if (name.empty()) return std::nullopt;
    struct stat st {};
    int error = 0;
    const int fd = openRegular(name, mode, st, error);
    if (fd < 0) {
        // What FileExists calls missing: no entry, a folder or other non-file,
        // or a name that goes through a file as if it were a folder.
        if (st.st_mode != 0 || error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == ELOOP)
            return std::nullopt;
        fail(error);
    }
    // The status query that made sure of a regular file also gave its size
    // and its mode.
    return OpenedFile{File(fd, mode == OpenMode::ReadWrite), static_cast<std::int64_t>(st.st_size),
                      (st.st_mode & S_IWUSR) == 0,
                      FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)}};
}

FileId File::identity() const
{
    checkOpen(handle_);
    struct stat st {};
    if (::fstat(handle_, &st) != 0) fail(errno);
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool File::isOpen() const noexcept { return handle_ != kClosed; }

std::int64_t File::size() const
{
    detail::CheckFileCall(FileCall::Size);
    checkOpen(handle_);
    struct stat st {};
    if (::fstat(handle_, &st) != 0) fail(errno);
    return st.st_size;
}

std::int64_t File::position() const
{
    checkOpen(handle_);
    const off_t p = ::lseek(handle_, 0, SEEK_CUR);
    if (p < 0) fail(errno);
    return p;
}

void File::seek(std::int64_t pos)
{
    checkOpen(handle_);
    if (pos < 0) throw IoError(ioerr::NegativeSeek);
    if (::lseek(handle_, static_cast<off_t>(pos), SEEK_SET) < 0) fail(errno);
}

std::size_t File::read(void* buffer, std::size_t count)
{
    detail::CheckFileCall(FileCall::Read);
    checkOpen(handle_);
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(handle_, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
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
    checkOpen(handle_);
    if (pos < 0) throw IoError(ioerr::NegativeSeek);
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(handle_, out + done, count - done, static_cast<off_t>(pos) + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t File::write(const void* buffer, std::size_t count)
{
    detail::CheckFileCall(FileCall::Write);
    checkWritable(handle_, writable_);
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(handle_, in + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            // Nothing written at all is a failure; a partial write is a short count.
            if (done == 0) fail(errno);
            break;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t File::writeAt(std::int64_t pos, const void* buffer, std::size_t count)
{
    detail::CheckFileCall(FileCall::WriteAt);
    checkWritable(handle_, writable_);
    if (pos < 0) throw IoError(ioerr::NegativeSeek);
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(handle_, in + done, count - done, static_cast<off_t>(pos) + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (done == 0) fail(errno);
            break;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void File::truncate()
{
    detail::CheckFileCall(FileCall::Truncate);
    checkWritable(handle_, writable_);
    if (::ftruncate(handle_, static_cast<off_t>(position())) != 0) fail(errno);
}

void File::truncateAt(std::int64_t size)
{
    detail::CheckFileCall(FileCall::Truncate);
    checkWritable(handle_, writable_);
    if (size < 0) throw IoError(ioerr::NegativeSeek);
    if (::ftruncate(handle_, static_cast<off_t>(size)) != 0) fail(errno);
}

void File::close()
{
    if (handle_ == kClosed) return;
    const int fd = std::exchange(handle_, kClosed);
    if (::close(fd) != 0 && errno != EINTR) fail(errno);
}

bool IsReadOnly(const std::string& name)
{
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) failOn(name, errno);
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

void SetReadOnly(const std::string& name, bool readOnly)
{
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) failOn(name, errno);
    mode_t mode = st.st_mode & 07777;
    if (readOnly)
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    if (::chmod(name.c_str(), mode) != 0) failOn(name, errno);
}

FileAttributes GetFileAttributeWord(const std::string& name)
{
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) failOn(name, errno);
    return (st.st_mode & S_IWUSR) == 0 ? kAttributeReadOnly : 0;
}

void SetFileAttributeWord(const std::string& name, FileAttributes attributes)
{
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) failOn(name, errno);
    mode_t mode = st.st_mode & 07777;
    if ((attributes & kAttributeReadOnly) != 0)
        mode &= ~static_cast<mode_t>(S_IWUSR);
    else
        mode |= S_IWUSR;
    if (::chmod(name.c_str(), mode) != 0) failOn(name, errno);
}

bool SameFileEntry(const std::string& a, const std::string& b) { return sameEntry(a, b); }

std::optional<FileId> FileIdOf(const std::string& name)
{
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

void RenameFile(const std::string& from, const std::string& to)
{
    // Like the Windows call, refuse to replace an existing file: in one call
    // where the system and the file system can, else by a hard link.
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    if (errno == EEXIST) {
        // Windows accepts a file renamed to its own name; so do we.
        if (sameEntry(from, to)) return;
        throw IoError(kAlreadyExists);
    }
    if (errno != EINVAL && errno != ENOSYS) failRename(from, to, errno);
#endif
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) != 0) {
            const int e = errno;
            ::unlink(to.c_str());
            fail(e);
        }
        return;
    }
    const int e = errno;
    if (e == EEXIST) {
        // Windows accepts a file renamed to its own name; so do we.
        if (sameEntry(from, to)) return;
        throw IoError(kAlreadyExists);
    }
    // File systems without hard links: check, then rename.
    if (e == EPERM || e == EXDEV || e == ENOTSUP) {
        struct stat st {};
        if (::lstat(to.c_str(), &st) == 0) {
            if (sameEntry(from, to)) return;
            throw IoError(kAlreadyExists);
        }
        if (::rename(from.c_str(), to.c_str()) != 0) failRename(from, to, errno);
        return;
    }
    failRename(from, to, e);
}

}  // namespace sonrik::platform

namespace sonrik::platform {

std::optional<FolderEntries> ReadFolder(const std::string& folder)
{
    // Most names asked about are files: a status query tells them apart for
    // less than a failing attempt to open them as a folder.
    struct stat st {};
    if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) fail(errno);
    const std::string prefix = folder.back() == '/' ? folder : folder + '/';
    FolderEntries entries;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string path = prefix + std::string(name);
        // The entry's type spares a status query where the file system gives it.
        const unsigned char type = entry->d_type;
        if (type == DT_DIR || (type == DT_UNKNOWN && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
            entries.folders.push_back(std::move(path));
        else if (type == DT_REG || ((type == DT_LNK || type == DT_UNKNOWN) && FileExists(path)))
            entries.files.push_back(std::move(path));
        errno = 0;
    }
    if (errno != 0) fail(errno);
    return entries;
}

}  // namespace sonrik::platform
