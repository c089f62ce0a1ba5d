// errno values mapped to the codes a Windows user would see for the same
// cause, shared by the POSIX services.
#pragma once

#include "platform/errors.h"

#include <cerrno>
#include <cstring>

namespace sonrik::platform::posix {

inline int MapErrno(int e)
{
    switch (e) {
    case ENOENT: return ioerr::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return ioerr::InvalidFilename;
    case EMFILE:
    case ENFILE: return ioerr::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EISDIR: return ioerr::AccessDenied;
    case ENOSPC: return 112;       // disk full (ERROR_DISK_FULL)
    case EDQUOT: return 1295;      // disk quota exceeded
    case EFBIG: return 223;        // file too large
    case EBADF: return 6;          // ERROR_INVALID_HANDLE
    case EIO: return 1117;         // device I/O error
    case EINVAL: return 87;        // invalid parameter
    case ENOMEM: return 8;         // not enough memory
    case EXDEV: return 17;         // not the same device
    default: return e;
    }
}

// The I/O error of a failed call: the Windows code for the program's logic,
// errno and its text for the user.
inline IoError ErrnoError(int e) { return IoError(MapErrno(e), e, std::strerror(e)); }

}  // namespace sonrik::platform::posix
