// What differs between Linux and Windows for the command line: the default
// code page, the encoding of arguments and the console's output encoding.
#pragma once

#include <string>
#include <string_view>

namespace sonrik::cli {

// The system's ANSI code page (GetACP) on Windows; 1252 elsewhere.
unsigned SystemCodePage();

// True where arguments arrive as UTF-8 (Linux); false on Windows, where they
// arrive in the ANSI code page.
bool ArgumentsAreUtf8();

// An argument (a file name) as UTF-8 for output.
std::string ArgumentToUtf8(std::string_view argument);

// Makes the console show the UTF-8 output for as long as it lives (Windows);
// does nothing elsewhere.
class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned previous_ = 0;
};

}  // namespace sonrik::cli
