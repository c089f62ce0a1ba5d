// The command line of sonrik-tag: commands, options and their checks, over
// CLI11. Everything that can be wrong with the command line is found here,
// before any file is touched.
#pragma once

#include "batch/templates.h"
#include "platform/errors.h"
#include "text/codepage.h"
#include "text/text.h"

#include <cstdint>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik::cli {

// A bad command line: exit status 2.
class UsageError : public Error {
public:
    // The tool builds its messages in UTF-8 (arguments go through
    // ArgumentToUtf8 first).
    explicit UsageError(std::string_view utf8) : Error(text::AsUtf8(utf8)) {}
};

enum class Command { Help, Version, Genres, Show, Set, Rename, Fill, Undo, V2ToV1 };

// ID3v1 values to set, as tag bytes.
struct Id3v1Values {
    std::optional<std::string> title, artist, album, year, comment;
    std::optional<std::uint8_t> genreId, trackNo;
    std::optional<bool> useID3v11;
};

// Lyrics3 values to set; the list files are named here and read later.
struct Lyrics3Values {
    std::optional<std::string> lyricsFile, infosFile, imagesFile;
    std::optional<std::string> title, artist, album, author;  // tag bytes
    std::optional<bool> useTimestamp;
    bool version1 = false;  // --lyrics3-v1
    bool remove = false;    // --no-lyrics3
};

struct Invocation {
    Command command = Command::Help;
    std::string helpText;  // Help, Version: what to print
    bool json = false;
    const text::CodePage* codePage = nullptr;  // never null after parsing
    // Files and folders as given, list files, and whether folders are walked
    // down (CollectFiles turns them into the files to work on).
    std::vector<std::string> paths;
    std::vector<std::string> lists;
    bool recursive = false;
    // Files named on the command line may have any name, not only ".mp3".
    bool anyName = false;
    Id3v1Values id3v1;
    Lyrics3Values lyrics3;
    // rename and fill: the template (checked), whether to carry the plan
    // out, and their options.
    std::string templ;
    bool apply = false;
    int trackDigits = 0;
    bool underscores = true;  // fill: '_' read as a blank
    bool emptyOnly = true;    // fill, v2-to-v1: only empty fields are filled
    bool lyrics = false;      // v2-to-v1: the lyrics and the lyricist too
    batch::ReadOnlyPolicy readOnly = batch::ReadOnlyPolicy::Leave;
    // Runs that change files: where their journal goes (none: the default
    // place), or none at all.
    std::optional<std::string> journalFile;
    bool noJournal = false;
    // undo: list the journals instead of undoing; the journal is paths[0].
    bool listJournals = false;
    // The command line as UTF-8, for the journal.
    std::vector<std::string> commandLine;
    // Notes for the user that do not stop the command (values cut to fit).
    std::vector<std::string> warnings;
};

struct ParseSettings {
    // Used when --codepage is not given; must be a built-in code page.
    unsigned defaultCodePage = 1252;
    // True where command-line values arrive as UTF-8 (and are converted to
    // the tag's code page); false where they already are in the ANSI code
    // page (Windows) and are stored unchanged.
    bool argumentsAreUtf8 = true;
    // Where the output goes: a terminal gets aligned tables, anything else
    // tab-separated lines; progress is shown only on a terminal.
    bool outIsTerminal = false;
    bool errIsTerminal = false;
};

// Parses the arguments after the program name; throws UsageError. --help and
// --version give Command::Help or Command::Version with their text.
Invocation ParseArguments(std::span<const std::string> args, const ParseSettings& settings);

// A genre given by name (any letter case) or number 0-147; nullopt otherwise.
std::optional<std::uint8_t> ParseGenre(std::string_view text);
// A whole decimal number within [0, max]; nullopt otherwise.
std::optional<unsigned> ParseNumber(std::string_view text, unsigned max);

}  // namespace sonrik::cli
