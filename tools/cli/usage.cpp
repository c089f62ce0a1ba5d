#include "cli/commands.h"

namespace sonrik::cli {

std::string UsageText()
{
    return R"(Usage:
  sonrik-tag show [--json] [--codepage N] FILE...
  sonrik-tag set [VALUES] [--codepage N] FILE...
  sonrik-tag genres
  sonrik-tag --help | help
  sonrik-tag --version

Shows or changes the ID3v1 / ID3v1.1 tag and the Lyrics3 tag (version 2.00
or 1) at the end of MP3 files. Options may stand anywhere among the files;
"--" ends the options.

show
  Prints both tags of each file, or why there are none:
    id3NoTags      the file has no ID3v1 tag (and so no Lyrics3 tag)
    id3NoSuchFile  there is no such file (this counts as a failure)
  and, for a file that cannot be read, the I/O error.
  --json  one JSON array with an object per file:
            {"file", "status", "id3v1", "lyrics3"}
          "status" is id3Success, id3NoTags or id3NoSuchFile; "id3v1" is
            {"title","artist","album","year","comment","genre_id","genre",
             "track","v11"}
          when status is id3Success, else null; "lyrics3" is
            {"version" ("2.00" or "1"),"lyrics","infos","images" (arrays of
             lines),"author","title","artist","album","timestamp"}
          when the file has a Lyrics3 tag, else null. A file that cannot
          be read has status "error", "error" (the message) and "code"
          (the operating system's error code, or null), and null tags.

set
  Loads each file, sets the values given and saves both tags. A file
  without tags gets new ones; a missing file fails (files are never
  created).
  ID3v1:
    --title T  --artist A  --album A  --comment C   (30 bytes kept each)
    --year Y                  (4 bytes kept)
    --genre NAME|NUMBER       a name from 'sonrik-tag genres' (any letter
                              case) or a number from 0 to 147
    --track N                 0 to 255; makes the tag ID3v1.1, which keeps
                              28 bytes of the comment
    --v11 | --no-v11          write the tag as ID3v1.1 or ID3v1.0
  Lyrics3:
    --lyrics-file F  --infos-file F  --images-file F
                              the lines of a text file; its bytes are taken
                              as they are (already in the tag's code page);
                              a file that cannot be read is a usage error
    --l3-title T  --l3-artist A  --l3-album A  --author A
                              (250 bytes kept each)
    --timestamp | --no-timestamp
                              whether the lyrics carry time stamps
    --lyrics3-v1              write the Lyrics3 tag as version 1 (lyrics
                              only; not with the version 2.00 values above)
    --no-lyrics3              remove the Lyrics3 tag
  A new Lyrics3 tag is version 2.00 unless --lyrics3-v1 is given; an
  existing one keeps its version unless a version 2.00 value is set.
  An empty value clears a field. A value longer than its field is cut,
  with a warning.

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
)";
}

}  // namespace sonrik::cli
