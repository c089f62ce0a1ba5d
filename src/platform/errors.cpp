#include "platform/errors.h"

#include <cstring>

namespace sonrik {

namespace {

std::string BytesOf(std::u8string_view text) { return {reinterpret_cast<const char*>(text.data()), text.size()}; }

// The fixed texts are ASCII, which is UTF-8 as it stands.
std::u8string_view Utf8(std::string_view ascii) { return {reinterpret_cast<const char8_t*>(ascii.data()), ascii.size()}; }

}  // namespace

Error::Error(std::u8string_view message) : std::runtime_error(BytesOf(message)) {}

std::u8string_view Error::message() const noexcept
{
    const char* text = what();
    return {reinterpret_cast<const char8_t*>(text), std::strlen(text)};
}

std::string IoError::textFor(int code)
{
    switch (code) {
    case ioerr::FileNotFound: return "File not found";
    case ioerr::InvalidFilename: return "Invalid filename";
    case ioerr::TooManyOpenFiles: return "Too many open files";
    case ioerr::AccessDenied: return "File access denied";
    case ioerr::ReadBeyondEnd: return "Read beyond end of file";
    case ioerr::DiskFull: return "Disk full";
    case ioerr::InvalidNumericInput: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
    }
}

IoError::IoError(int code) : Error(Utf8(textFor(code))), code_(code) {}

IoError::IoError(int code, int systemNumber, std::string systemText)
    : Error(Utf8(textFor(code))), code_(code), systemNumber_(systemNumber), systemText_(std::move(systemText))
{
}

ConvertError::ConvertError(std::u8string_view text)
    : Error(u8"'" + std::u8string(text) + u8"' is not a valid integer value")
{
}

}  // namespace sonrik
