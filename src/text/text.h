// The two kinds of text the module handles, told apart by type:
//   - captions and messages (what the user reads in labels, buttons, message
//     boxes and error boxes) are UTF-8: std::u8string / std::u8string_view,
//     so a caption literal is u8"...";
//   - field contents, file names, tag values, list-file lines and history
//     entries are bytes in the system's ANSI code page: std::string /
//     std::string_view, kept as they are and never re-encoded in the core.
// Neither converts to the other implicitly; FromAnsi is the one way from a
// file name or a field into a caption, ToAnsi the one way back.
//
// Also here: the line-splitting rule shared by the tag library's line lists,
// memos and the history file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace sonrik::text {

class CodePage;

// `pattern` with its first `marker` (such as "%S") replaced by `value`.
std::u8string FillIn(std::u8string_view pattern, std::u8string_view marker, std::u8string_view value);

// ---- The ANSI code page -----------------------------------------------------
//
// Windows keeps ANSI text in the system's code page and converts it itself.
// POSIX has no such code page: there ANSI text is taken to be in the code page
// chosen here (Windows-1252 until one is chosen), as sonrik-tag chooses one
// with --codepage. On Windows the choice changes nothing.
void UseAnsiCodePage(const CodePage& codePage);
// The number of the code page ANSI text is in: 1252, 1251, ...
unsigned AnsiCodePage();

// ---- Conversion -----------------------------------------------------------

// ANSI bytes as UTF-8, through the ANSI code page. Never throws for bad
// bytes: what the code page cannot map comes back as the system maps it.
std::u8string FromAnsi(std::string_view ansi);

// UTF-8 as ANSI bytes, exactly: a character the code page has no byte for
// (a look-alike does not count) becomes '?' in `bytes` and, the first time,
// `unheld`. A text the user typed goes this way, so that one the code page
// cannot hold is refused rather than stored with '?' in it.
struct AnsiText {
    std::string bytes;
    std::optional<char32_t> unheld;
};
AnsiText ToAnsiExactly(std::u8string_view utf8);

// UTF-8 as ANSI bytes, for a caption put into field contents. A character
// the code page lacks becomes '?'.
std::string ToAnsi(std::u8string_view utf8);

// ---- Letter case of ANSI text -------------------------------------------------
//
// The one rule for "letter case ignored" in field contents, file names and
// history entries: letters fold as the ANSI code page has them (on Windows by
// the system's own rule for its code page), every other byte stays as it is.

bool SameIgnoringCase(std::string_view a, std::string_view b);
// The text folded by that rule: two texts have one key exactly when
// SameIgnoringCase holds for them (for looking texts up by it).
std::string CaseKey(std::string_view text);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

// The bytes of a UTF-8 text, for an API that takes char (a conversion to the
// wide API, a journal, a stream).
inline std::string_view Bytes(std::u8string_view utf8)
{
    return {reinterpret_cast<const char*>(utf8.data()), utf8.size()};
}

// Bytes already known to be UTF-8 (from the wide API or a UTF-8 source) seen
// as a UTF-8 text. The caller vouches for the encoding.
inline std::u8string_view AsUtf8(std::string_view bytes)
{
    return {reinterpret_cast<const char8_t*>(bytes.data()), bytes.size()};
}

// ---- Lower-casing ---------------------------------------------------------

// The lower-case letter of `c` for ASCII, the Latin-1 Supplement, Latin
// Extended-A and the Cyrillic block (the letters of the code pages the tools
// know); any other character as it is.
char32_t ToLower(char32_t c);

// The text with its upper-case letters lower-cased as ToLower does; every
// other character, and bytes that are not well-formed UTF-8, stay as they are.
std::u8string ToLower(std::u8string_view utf8);

// A character as a message names it: itself in quotes and its number, as in
// "К" (U+041A).
std::u8string CharacterName(char32_t c);

// The text lower-cased after its first character (a character, not a byte).
std::u8string LowerAfterFirst(std::u8string_view utf8);

// ---- Lines ------------------------------------------------------------------

using Lines = std::vector<std::string>;

// Splits a text into lines: CR LF, a lone CR and a lone LF each end one; a
// line end at the very end starts no further line ("a\r\n" is one line, "" is
// none, "\r\n" is one empty line).
Lines SplitLines(std::string_view text);

// The text in front of its first zero byte (all of it when there is none):
// text that came from a C string, or a tag field, ends there.
std::string_view UpToZero(std::string_view text);

// Each line followed by CR LF.
std::string JoinLines(const Lines& lines);

// ---- Compile-time checks ----------------------------------------------------

// The two kinds stay apart: an ANSI text does not pass for a caption and a
// caption does not pass for a field's contents.
static_assert(!std::is_convertible_v<std::string, std::u8string_view>);
static_assert(!std::is_convertible_v<std::u8string, std::string_view>);
static_assert(!std::is_convertible_v<const char*, std::u8string_view>);

}  // namespace sonrik::text
