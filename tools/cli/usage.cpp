#include "cli/usage.h"

#include <array>

namespace sonrik::cli {

namespace {

constexpr CommandText kProgram{
    "sonrik-tag",
    "Shows or changes the ID3v1 / ID3v1.1 tag and the Lyrics3 tag (version 2.00\n"
    "or 1) at the end of MP3 files.",
    R"(Files: PATH is an MP3 file, or a folder for the MP3 files in it (extension
".mp3" in any letter case), taken in name order; -r takes those of its
subfolders too, each folder's own files before its subfolders'. --list
LISTFILE takes the ".mp3" lines of a player's list file (one path a line).
Options may stand anywhere among the paths; "--" ends the options.

--codepage N
  The code page of the tag's text: 1252 (Western European), 1251
  (Cyrillic), 1250 (Central European), 866 (DOS Cyrillic) or 28591
  (Latin-1). The default is 1252, on Windows the system's ANSI code page
  when it is one of these. show converts tag bytes from it into UTF-8.
  On Linux, values given to set are UTF-8 and converted into it; a
  character it cannot hold is a usage error. On Windows, values arrive in
  the ANSI code page and are stored unchanged.

Exit status: 0 when every file was handled, 1 when some file failed (its
name and the reason go to stderr), 2 for a usage error (nothing is done).

'sonrik-tag COMMAND --help' tells more about a command.)"};

constexpr std::array kCommands = {
    CommandText{"show", "Prints both tags of each file, or why there are none.",
                R"(Why a file shows no tags:
  id3NoTags      the file has no ID3v1 tag (and so no Lyrics3 tag)
  id3NoSuchFile  there is no such file (this counts as a failure)
and, for a file that cannot be read, the I/O error.

--json prints one JSON array with an object per file:
  {"file", "status", "id3v1", "lyrics3"}
"status" is id3Success, id3NoTags or id3NoSuchFile; "id3v1" is
  {"title","artist","album","year","comment","genre_id","genre","track","v11"}
when status is id3Success, else null; "lyrics3" is
  {"version" ("2.00" or "1"),"lyrics","infos","images" (arrays of lines),
   "author","title","artist","album","timestamp"}
when the file has a Lyrics3 tag, else null. A file that cannot be read has
status "error", "error" (the message) and "code" (the operating system's
error code, or null), and null tags.

Example: every MP3 file under Music, as JSON, tags in code page 1251:
  sonrik-tag show -r --json --codepage 1251 Music)"},
    CommandText{"set", "Loads each file, sets the values given and saves both tags.",
                R"(A file without tags gets new ones; a missing file fails (files are never
created). A new Lyrics3 tag is version 2.00 unless --lyrics3-v1 is given; an
existing one keeps its version unless a version 2.00 value is set. An empty
value clears a field. A value longer than its field is cut, with a warning.
The lines of --lyrics-file, --infos-file and --images-file are taken as they
are (already in the tag's code page); a file that cannot be read is a usage
error.

Example: title, artist, year, genre, track and lyrics of one song:
  sonrik-tag set --title "Quiet Frames" --artist "The Silent Encoders" \
      --year 2024 --genre Ambient --track 7 --lyrics-file lyrics.txt song.mp3)"},
    CommandText{"genres", "Lists the genre numbers and names that --genre takes.",
                "Example:\n  sonrik-tag genres"},
    CommandText{"help", "Prints this help, or a command's.", "Example:\n  sonrik-tag help set"},
};

}  // namespace

const CommandText& ProgramText() { return kProgram; }

std::span<const CommandText> CommandTexts() { return kCommands; }

}  // namespace sonrik::cli
