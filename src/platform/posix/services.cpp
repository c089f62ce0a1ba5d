// Module path, settings-file calls, whole-file replacement, sleep and the last
// error code on POSIX systems.
#include "platform/platform.h"
#include "platform/file_calls.h"
#include "platform/posix/errno_map.h"
#include "platform/profile_file.h"

#include <algorithm>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

namespace sonrik::platform {

namespace {

// The POSIX stand-in for the thread's GetLastError value: set by the calls
// that report failure through their result.
thread_local int lastErrorCode = 0;

[[noreturn]] void fail(int e) { throw posix::ErrnoError(e); }

// A new file that is removed again unless it is kept; closing and removing
// leave errno as the failure that led here set it.
class TempFile {
public:
    explicit TempFile(const std::string& beside)
    {
        std::random_device random;
        for (int attempt = 0; fd_ < 0; ++attempt) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, ".~%08x", static_cast<unsigned>(random()));
            path_ = beside + suffix;
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) break;
            if (errno == EEXIST && attempt < 16) continue;
            // Creating beside an existing name fails with ENOENT only when the
            // folder is missing: Windows calls that "path not found" (3).
            if (errno == ENOENT) throw IoError(ioerr::InvalidFilename);
            fail(errno);
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile()
    {
        const int saved = errno;
        if (fd_ >= 0) ::close(fd_);
        if (!kept_) ::unlink(path_.c_str());
        errno = saved;
    }

    void write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                fail(errno);
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        if (::fsync(fd_) != 0) fail(errno);
    }

    // Give the new file the old one's owner and mode. Best effort: an account
    // that may replace the file but not set these still gets its data written.
    void takeOver(const struct stat& old)
    {
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0) { /* keep our own owner */ }
        if (::fchmod(fd_, old.st_mode & 07777) != 0) { /* keep the default mode */ }
    }

    void moveOver(const std::string& target)
    {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) fail(errno);
        if (::rename(path_.c_str(), target.c_str()) != 0) fail(errno);
        kept_ = true;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool kept_ = false;
};

// A symbolic link is written through, as an in-place write would.
std::string ResolvedTarget(const std::string& name)
{
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
    char resolved[PATH_MAX];
    return ::realpath(name.c_str(), resolved) != nullptr ? std::string(resolved) : name;
}

}  // namespace

std::string ModuleFileName()
{
    Dl_info info{};
    // The address of this very function lies in the module that holds the core.
    if (::dladdr(reinterpret_cast<void*>(&ModuleFileName), &info) != 0 &&
        info.dli_fname != nullptr && info.dli_fname[0] == '/')
        return info.dli_fname;
    // The main program is reported by the name it was started with, which
    // may be relative to a folder we have left; the kernel knows its path.
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
    if (n < 0) {
        lastErrorCode = posix::MapErrno(errno);
        return {};
    }
    return std::string(path, static_cast<std::size_t>(n));
}

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue)
{
    return profile::ReadString(file, section, key, defaultValue);
}

bool WriteProfileString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value)
{
    try {
        profile::WriteString(file, section, key, value);
        return true;
    } catch (const IoError& e) {
        lastErrorCode = e.code();
        return false;
    }
}

void ReplaceFileContents(const std::string& name, std::string_view bytes)
{
    const std::string target = ResolvedTarget(name);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (!S_ISREG(old.st_mode)) throw IoError(ioerr::AccessDenied);
        // Replacing needs only the folder's permission; refuse what could not be written in place.
        if (::access(target.c_str(), W_OK) != 0) fail(errno);
    } else if (errno != ENOENT) {
        fail(errno);
    }
    TempFile temp(target);
    if (exists) temp.takeOver(old);
    temp.write(bytes);
    temp.moveOver(target);
}

ReplacementFile::ReplacementFile(const std::string& target) : target_(ResolvedTarget(target))
{
    detail::CheckFileCall(FileCall::Open);
    struct stat old {};
    if (::stat(target_.c_str(), &old) != 0) fail(errno);
    if (!S_ISREG(old.st_mode)) throw IoError(ioerr::AccessDenied);
    if (::access(target_.c_str(), W_OK) != 0) fail(errno);
    mode_ = old.st_mode & 07777;
    std::random_device random;
    for (int attempt = 0;; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".~%08x", static_cast<unsigned>(random()));
        path_ = target_ + suffix;
        const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            file_.emplace(File(fd, true));
            break;
        }
        if (errno != EEXIST || attempt >= 16) fail(errno);
    }
    // Best effort, as for ReplaceFileContents: the data matter more than the owner.
    if (::fchown(file_->handle_, old.st_uid, old.st_gid) != 0) { /* keep our own owner */ }
}

ReplacementFile::~ReplacementFile()
{
    if (replaced_) return;
    const int saved = errno;
    file_.reset();
    ::unlink(path_.c_str());
    errno = saved;
}

void ReplacementFile::replaceTarget()
{
    detail::CheckFileCall(FileCall::Sync);
    if (::fchmod(file_->handle_, static_cast<mode_t>(mode_)) != 0) fail(errno);
    if (::fsync(file_->handle_) != 0) fail(errno);
    file_->close();
    detail::CheckFileCall(FileCall::Rename);
    if (::rename(path_.c_str(), target_.c_str()) != 0) fail(errno);
    replaced_ = true;
}

void SleepMilliseconds(unsigned milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int LastErrorCode() { return lastErrorCode; }

}  // namespace sonrik::platform
