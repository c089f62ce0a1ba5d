// The error hierarchy shared by every layer: plain errors with a text, the I/O
// error that carries the operating system's code, and the conversion error.
//
// Every message (what()) is UTF-8, because it ends up in an error box or on
// a terminal: code that puts a file name or a field's contents (ANSI bytes)
// into one converts it first (text::FromAnsi). The constructors take
// std::u8string_view, so an ANSI std::string cannot be passed by mistake.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace sonrik {

// A plain error with a user-facing text.
class Error : public std::runtime_error {
public:
    explicit Error(std::u8string_view message);
    // The message as UTF-8 text.
    std::u8string_view message() const noexcept;
};

// A failing file operation. `code()` is the OS error code as the user would see
// it on Windows (2 = file not found, 5 = access denied, 100 = read beyond end
// of file, ...); the text is the fixed text for that code. Where a POSIX call
// failed, the error also keeps the system's own number and text (EACCES,
// "Permission denied"), which a POSIX user knows and a report should name.
class IoError : public Error {
public:
    explicit IoError(int code);
    IoError(int code, int systemNumber, std::string systemText);
    int code() const noexcept { return code_; }
    // The system's own number and text: errno and strerror on POSIX, else
    // code() and its fixed text.
    int systemNumber() const noexcept { return systemText_.empty() ? code_ : systemNumber_; }
    std::string systemText() const { return systemText_.empty() ? textFor(code_) : systemText_; }

    // "File not found" for 2, ..., "I/O error %d" for codes without a text.
    static std::string textFor(int code);

private:
    int code_;
    int systemNumber_ = 0;
    std::string systemText_;
};

// A text that should have been an integer: "'%s' is not a valid integer value".
// `text` is the field's contents already shown as UTF-8.
class ConvertError : public Error {
public:
    explicit ConvertError(std::u8string_view text);
};

// Well-known I/O error codes.
namespace ioerr {
inline constexpr int FileNotFound = 2;
inline constexpr int InvalidFilename = 3;
inline constexpr int TooManyOpenFiles = 4;
inline constexpr int AccessDenied = 5;
inline constexpr int NegativeSeek = 131;
inline constexpr int ReadBeyondEnd = 100;
inline constexpr int DiskFull = 101;
inline constexpr int InvalidNumericInput = 106;
}  // namespace ioerr

}  // namespace sonrik
