// The error hierarchy shared by every layer: plain errors with a text, the I/O
// error that carries the operating system's code, and the conversion error.
#pragma once

#include <stdexcept>
#include <string>

namespace sonrik {

// A plain error with a user-facing text.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failing file operation. `code()` is the OS error code as the user would see
// it on Windows (2 = file not found, 5 = access denied, 100 = read beyond end
// of file, ...); the text is the fixed text for that code.
class IoError : public Error {
public:
    explicit IoError(int code);
    int code() const noexcept { return code_; }

    // "File not found" for 2, ..., "I/O error %d" for codes without a text.
    static std::string textFor(int code);

private:
    int code_;
};

// A text that should have been an integer: "'%s' is not a valid integer value".
class ConvertError : public Error {
public:
    explicit ConvertError(const std::string& text);
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
