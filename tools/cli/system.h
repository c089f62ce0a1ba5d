// What differs between Linux and Windows for the command line: the default
// code page, how the arguments arrive, the names in a player's list file and
// the console's output encoding.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sonrik::cli {

// The system's ANSI code page (GetACP) on Windows; 1252 elsewhere.
unsigned SystemCodePage();

// The arguments after the program's name, as UTF-8: on Windows read through
// the wide API, so that a file name outside the ANSI code page arrives whole,
// and file names are then UTF-8 for the platform layer too; on Linux as given
// (file names are bytes there, UTF-8 as a rule).
std::vector<std::string> Arguments(int argc, char* argv[]);

// True: the arguments come as UTF-8 on every system (see Arguments).
bool ArgumentsAreUtf8();

// An argument (a file name) as UTF-8 for output, bytes that are no UTF-8
// replaced.
std::string ArgumentToUtf8(std::string_view argument);

// A name read from a player's list file, whose lines are in the system's
// ANSI code page, as the tool's file names are (see Arguments).
std::string ListedName(std::string_view line);

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
