// Private-profile ("ini" file) reading and writing in portable C++, with the
// semantics of the Windows calls as the Windows layer gets them from the
// system. The POSIX layer uses it for ReadProfileString/WriteProfileString;
// the Windows test program runs it side by side with the system's calls.
//
// Reading follows the system's parser: lines end with CR LF, LF or CR; blanks
// around lines, names and values are ignored; a line "[name]" starts a section
// (text after the last ']' is ignored); lines before the first section belong
// to the section with the empty name; a line without '=' is a key without a
// value; a line starting with ';' is nothing special: only a key name starting
// with ';' would find it. Names compare without regard to ASCII letter case;
// the first of duplicate sections and, in it, the first of duplicate keys
// counts.
//
// Writing changes nothing but the one line it sets, or inserts one line after
// the last non-blank line of the section, or appends the section at the end;
// every other byte, line ends included, stays as it was. Lines it writes end
// with CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sonrik::platform::profile {

// The value as the system's read call returns it into a 2048-character buffer.
std::string ValueIn(std::string_view text, std::string_view section, std::string_view key,
                    std::string_view defaultValue);

// `text` with the value set, or nothing when it already holds that value.
// Throws IoError 87 (invalid parameter) for a section, key or value with a line
// break or NUL, and for a key with '=': they would break the file's structure.
std::optional<std::string> WithValue(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view value);

// The same on files: a missing or unreadable file reads as empty; a write
// creates the file and replaces it in one step (platform::ReplaceFileContents).
// WriteString throws IoError.
std::string ReadString(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view defaultValue);
void WriteString(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value);

}  // namespace sonrik::platform::profile
