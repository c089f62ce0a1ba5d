// Operating-system services used by the core: files, attributes and renaming.
// File names are 8-bit strings in the system's ANSI code page, passed through
// unchanged. Every failing operation throws IoError with the OS error code
// (POSIX errno values are mapped to the Windows codes that mean the same).
#pragma once

#include "platform/errors.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace sonrik::platform {

// True when `name` names an existing file (not a directory).
bool FileExists(const std::string& name);

enum class OpenMode {
    Read,       // read only
    ReadWrite,  // read and write; the file must exist
};

// A file opened by File::openExisting, with its length at that moment.
struct OpenedFile;
struct FileId;

// An open file. Other openers may read and write the file meanwhile.
// The destructor closes the file and never throws; call close() to see errors.
class File {
public:
    // Opens an existing file; throws IoError when it cannot.
    static File open(const std::string& name, OpenMode mode);
    // Opens `name` when it is a file as FileExists sees it, and gives nothing
    // when it is not (missing, a folder, a bad name), with no separate lookup
    // of the name and one query of the size. Throws IoError for any other
    // failure (access denied, too many open files, ...).
    static std::optional<OpenedFile> openExisting(const std::string& name, OpenMode mode);

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    std::int64_t size() const;
    std::int64_t position() const;
    // A negative position fails with the "negative seek" code (131).
    void seek(std::int64_t pos);
    // Reads up to `count` bytes; returns how many were read (0 at the end).
    std::size_t read(void* buffer, std::size_t count);
    // Reads exactly `count` bytes or throws "Read beyond end of file" (100).
    void readExact(void* buffer, std::size_t count);
    // Reads up to `count` bytes at `pos`, like seek and read together; the
    // position for read and write is undefined afterwards. Throws IoError.
    std::size_t readAt(std::int64_t pos, void* buffer, std::size_t count);
    // Writes up to `count` bytes; returns how many were written. A short write
    // is reported by the count; only a failure to write at all throws, and
    // then nothing was written.
    std::size_t write(const void* buffer, std::size_t count);
    // The same at `pos`; the position is undefined afterwards, as for readAt.
    std::size_t writeAt(std::int64_t pos, const void* buffer, std::size_t count);
    // Cuts the file at the current position.
    void truncate();
    // Cuts (or extends) the file to `size` bytes; the position is undefined afterwards.
    void truncateAt(std::int64_t size);
    // The open file's identity (see FileId). Throws IoError.
    FileId identity() const;
    void close();
    bool isOpen() const noexcept;

private:
#ifdef _WIN32
    using Handle = void*;
#else
    using Handle = int;
#endif
    File(Handle handle, bool writable) noexcept;
    friend class ReplacementFile;
    Handle handle_;
    bool writable_ = false;
};

// What tells one file from another, whatever its name: device and inode
// number on POSIX, volume serial number and file index on Windows.
struct FileId {
    std::uint64_t volume = 0, index = 0;
    bool operator==(const FileId&) const = default;
};

struct OpenedFile {
    File file;
    std::int64_t size;
    bool readOnly = false;  // as GetFileAttributeWord tells it, when the file was opened
    // From the same status query where it comes free (POSIX); else ask
    // File::identity() when it is needed.
    std::optional<FileId> id;
};

// The identity of the file `name` (a link is followed); nothing when there is
// no such file or it cannot be asked. Never throws.
std::optional<FileId> FileIdOf(const std::string& name);

// ---- Fault injection --------------------------------------------------------
//
// Every File call asks a hook first, so a test can make any one of them fail
// the way a full disk or a failing device makes it fail in the field. The
// program itself installs none.

// Sync is the flush to the disk that the change journal asks for; its other
// calls count as Open, Write and Truncate too.
// Rename is a ReplacementFile taking its target's place.
enum class FileCall { Open, Size, Read, ReadAt, Write, WriteAt, Truncate, Sync, Rename };

// Returns 0 to let the call go ahead, or the I/O error code with which the
// call then throws IoError, before it touches the file.
using FileCallHook = std::function<int(FileCall)>;

// Installs `hook` (an empty one removes it); returns the hook it replaces.
FileCallHook SetFileCallHook(FileCallHook hook);

// The calls that change a file: write, positioned write, truncation and the
// rename that puts a replacement in place.
inline constexpr std::initializer_list<FileCall> kFileChanges = {FileCall::Write, FileCall::WriteAt,
                                                                  FileCall::Truncate, FileCall::Rename};

// Counts the calls of the given kinds while it lives and makes the `failAt`-th
// of them (from 1; 0 for none) fail with `code`: that one call, or that one
// and every later one. Not for use in the program; nests like a scope.
class FileCallFaults {
public:
    enum class Mode { Once, FromThenOn };
    static constexpr int kDeviceError = 1117;  // ERROR_IO_DEVICE, what EIO maps to

    FileCallFaults(std::initializer_list<FileCall> counted, int failAt, Mode mode = Mode::Once,
                   int code = kDeviceError);
    FileCallFaults(const FileCallFaults&) = delete;
    FileCallFaults& operator=(const FileCallFaults&) = delete;
    ~FileCallFaults();

    // The counted calls seen so far, the failed ones included.
    int calls() const noexcept { return *calls_; }

private:
    std::shared_ptr<int> calls_;
    FileCallHook previous_;
};

// File names are bytes on POSIX. On Windows they are in the system's ANSI
// code page, as a player hands them over, unless the program chooses UTF-8,
// as the command-line tool does so that a name outside the code page reaches
// it whole; either way they reach the system through its wide calls. Chosen
// once, before the first file call; does nothing on POSIX.
void UseUtf8FileNames();

// The entries of a folder, each with the folder in front of its name, in no
// particular order: its files (as FileExists sees them) and its subfolders.
// A link to a folder is not among the subfolders, so that a walk down the
// tree cannot run in a circle; "." and ".." are left out. On Windows, with
// names in the ANSI code page, an entry whose name the code page cannot hold
// is given by its short (8.3) name, or counted in `unheld` when the volume
// keeps none.
struct FolderEntries {
    std::vector<std::string> files;
    std::vector<std::string> folders;
    int unheld = 0;
};
// Nothing when `folder` names no folder; throws IoError when it names one
// that cannot be read.
std::optional<FolderEntries> ReadFolder(const std::string& folder);

// True when `name` names an existing folder.
bool FolderExists(const std::string& name);

// Whether a file named `name` (no folder in it) can stand in `folder` by its
// length: POSIX, the folder's file system's limit in bytes (pathconf's
// NAME_MAX); Windows, 255 UTF-16 units, and with names in the ANSI code page
// also a whole path within what the ANSI calls take (MAX_PATH). Never throws.
bool NameFits(const std::string& folder, const std::string& name);

// False when the system would refuse to make or rename files in `folder`
// for the user running the program (POSIX: no write or search permission, or
// a read-only file system); true when it would not, or cannot tell (Windows:
// the write itself tells). An empty folder is the current one. Never throws.
bool FolderWritable(const std::string& folder);

// The read-only attribute of a file.
bool IsReadOnly(const std::string& name);
void SetReadOnly(const std::string& name, bool readOnly);

// Renames a file; fails when the target exists.
void RenameFile(const std::string& from, const std::string& to);

// True when both names are spellings of one directory entry, as two names
// that differ only in letter case are on a file system that ignores case.
// False when either is missing, and for two hard links of one file (each is
// an entry of its own). Never throws.
bool SameFileEntry(const std::string& a, const std::string& b);

// Answers "is there a file of this name" for many names in one folder. On
// Windows the folder is read once and a name matches as the system matches
// it, without regard to letter case (a short 8.3 alias is not matched): one
// look-up per name costs, under Wine, a walk over the whole folder for every
// name that is not there as spelled. On POSIX each question is a FileExists,
// which finds or misses a name without a walk. Files that come or go after
// the folder was read are not seen on Windows.
class FolderFiles {
public:
    // Throws IoError when the folder cannot be read (Windows).
    explicit FolderFiles(const std::string& folder);
    // `path` is a name in the folder with the folder in front of it, as for
    // FileExists.
    bool Contains(const std::string& path) const;
    // Keep the listing true to a file the caller itself added to the folder
    // or took out of it (a rename does both).
    void Add(const std::string& path);
    void Remove(const std::string& path);

private:
#ifdef _WIN32
    std::unordered_set<std::wstring> keys_;  // the files' names folded to one letter case
#endif
};

}  // namespace sonrik::platform

// ---------------------------------------------------------------------------
// Module, settings-file and process services.

namespace sonrik::platform {

// The full path of the file that holds this code: the DLL when the core runs
// inside one, the program otherwise. Windows reports it into a buffer of 261
// characters, so a longer path comes back cut.
std::string ModuleFileName();

// The private-profile ("ini" file) calls. Reading gives the value of `key` in
// `section`, without surrounding blanks and matching quotes, at most 2047
// characters; `defaultValue` when the file, the section or the key is missing.
// Writing sets one value and leaves every other line of the file alone; the
// file is created when missing. False when the file cannot be written; the
// cause is in LastErrorCode().
inline constexpr std::size_t kMaxProfileValueLength = 2047;
std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& defaultValue);
bool WriteProfileString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value);

// Replaces the whole contents of `name` with `bytes`, creating the file when
// missing. The bytes go to a new file beside it, which then takes the old
// one's place, so a failure leaves the old file as it was. A file that may
// not be written (read-only) is refused. Throws IoError.
void ReplaceFileContents(const std::string& name, std::string_view bytes);

// A new file in the folder of an existing file `target`, written through
// File (so its calls count for fault injection, unlike ReplaceFileContents's)
// and then put in `target`'s place in one step by a rename over it, with the
// target's permissions (POSIX) or attributes (Windows); a link is written
// through. Removed again when it goes without having been put in place; the
// destructor never throws.
class ReplacementFile {
public:
    // Creates the file (a FileCall::Open). Refuses a target that is missing,
    // not a file or may not be written (read-only). Throws IoError.
    explicit ReplacementFile(const std::string& target);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile();

    File& file() { return *file_; }
    const std::string& path() const { return path_; }
    // Flushes the file to the disk (FileCall::Sync), closes it and renames it
    // over the target (FileCall::Rename). The target must not be open on
    // Windows. Throws IoError; the target is then as it was.
    void replaceTarget();

private:
    std::string target_, path_;
    std::optional<File> file_;
    std::uint32_t mode_ = 0;  // POSIX permissions, Windows attributes
    bool replaced_ = false;
};

void SleepMilliseconds(unsigned milliseconds);

// The code of the latest failure of a call that reports failure by its
// result, as a Windows code (errno values mapped as the file services map them).
int LastErrorCode();

}  // namespace sonrik::platform

#ifdef _WIN32
// ---------------------------------------------------------------------------
// The system's ANSI code page, which only Windows has. The core uses it
// through the text unit, which on POSIX uses a code page of its own.

namespace sonrik::platform {

// The number of the system's ANSI code page.
unsigned SystemAnsiCodePage();
// ANSI bytes as UTF-8. Never throws for bad bytes.
std::u8string AnsiToUtf8(std::string_view ansi);
// UTF-8 as ANSI bytes without best-fit look-alikes: a character the code page
// has no bytes for becomes '?', and `unheld` names the first one.
struct AnsiConversion {
    std::string bytes;
    std::optional<char32_t> unheld;
};
AnsiConversion Utf8ToAnsi(std::u8string_view utf8);
// Letter case by the system's own rule: the lower-case byte of every byte
// that is a letter of the code page on its own (any other byte maps to
// itself), and which bytes lead a character of two bytes.
struct AnsiCaseRule {
    std::array<unsigned char, 256> lower{};
    std::array<bool, 256> lead{};
};
AnsiCaseRule SystemAnsiCaseRule();

}  // namespace sonrik::platform
#endif

// ---------------------------------------------------------------------------
// Dynamic libraries and the system version.

namespace sonrik::platform {

// A dynamic library of the system, freed when the object goes. A default or
// moved-from object holds no library.
class DynamicLibrary {
public:
    // Loads the system's library `name` ("uxtheme.dll"). On Windows only the
    // system folder is looked in, never the search order, so a file of that
    // name in the host's folder or on the path does not get into the
    // player's process: through the search limited to the system folder
    // where the system has one, else by the full path there. On POSIX the
    // system's own search finds its libraries. The result holds no library
    // when `name` cannot be loaded.
    static DynamicLibrary loadSystem(const std::string& name);

    DynamicLibrary() noexcept = default;
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    ~DynamicLibrary();

    bool loaded() const noexcept;
    // The address of an exported symbol; nullptr when it is not exported or
    // no library is held.
    void* symbol(const char* name) const noexcept;
    // Frees the library now (nothing happens when none is held).
    void free() noexcept;

private:
    void* handle_ = nullptr;
};

// The running system's family and build number. Windows NT reports platform
// id 2 (kPlatformWin32NT); systems that are not Windows report 0.
struct OsVersion {
    std::uint32_t platformId = 0;
    std::uint32_t build = 0;
};
inline constexpr std::uint32_t kPlatformWin32NT = 2;

OsVersion CurrentOsVersion();

}  // namespace sonrik::platform

// ---------------------------------------------------------------------------
// The whole attribute word of a file.

namespace sonrik::platform {

// The attribute word as Windows numbers its bits; bit 0 is read-only.
using FileAttributes = std::uint32_t;
inline constexpr FileAttributes kAttributeReadOnly = 0x1;

// Windows gives the word as the system keeps it. POSIX has only bit 0: set
// when the owner may not write the file. Throws IoError.
FileAttributes GetFileAttributeWord(const std::string& name);
// Windows sets the word as given (an empty word as "normal"). POSIX takes bit 0
// alone: set clears the owner's write permission, clear grants it; the other
// permissions are left as they are. Throws IoError.
void SetFileAttributeWord(const std::string& name, FileAttributes attributes);

}  // namespace sonrik::platform
