// Operating-system services used by the core: files, attributes and renaming.
// File names are 8-bit strings in the system's ANSI code page, passed through
// unchanged. Every failing operation throws IoError with the OS error code
// (POSIX errno values are mapped to the Windows codes that mean the same).
#pragma once

#include "platform/errors.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace sonrik::platform {

// True when `name` names an existing file (not a directory).
bool FileExists(const std::string& name);

enum class OpenMode {
    Read,       // read only
    ReadWrite,  // read and write; the file must exist
};

// An open file. Other openers may read and write the file meanwhile.
// The destructor closes the file and never throws; call close() to see errors.
class File {
public:
    // Opens an existing file; throws IoError when it cannot.
    static File open(const std::string& name, OpenMode mode);

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
    // Writes up to `count` bytes; returns how many were written. A short write
    // is reported by the count; only a failure to write at all throws.
    std::size_t write(const void* buffer, std::size_t count);
    // Cuts the file at the current position.
    void truncate();
    void close();
    bool isOpen() const noexcept;

private:
#ifdef _WIN32
    using Handle = void*;
#else
    using Handle = int;
#endif
    explicit File(Handle handle) noexcept;
    Handle handle_;
};

// The read-only attribute of a file.
bool IsReadOnly(const std::string& name);
void SetReadOnly(const std::string& name, bool readOnly);

// Renames a file; fails when the target exists.
void RenameFile(const std::string& from, const std::string& to);

}  // namespace sonrik::platform
