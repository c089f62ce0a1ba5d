#include "cli/usage.h"

#include <array>

namespace sonrik::cli {

namespace {

constexpr CommandText kProgram{
    "sonrik-tag",
    "Shows or changes the ID3v1 / ID3v1.1 tag and the Lyrics3 tag (version 2.00\n"
    "or 1) at the end of MP3 files, and fills them from the ID3v2 tag.",
    R"(Files: PATH is an MP3 file, or a folder for the MP3 files in it (extension
".mp3" in any letter case), taken in name order; -r takes those of its
subfolders too, each folder's own files before its subfolders'. A file
named by hand must end in ".mp3" too, unless --any-name is given. --list
LISTFILE takes the ".mp3" lines of a player's list file (one path a line;
a relative one is taken from the list file's folder). Options may stand
anywhere among the paths; "--" ends the options.

--codepage N
  The code page of the tag's text: 1252 (Western European), 1251
  (Cyrillic), 1250 (Central European), 866 (DOS Cyrillic) or 28591
  (Latin-1). The default is 1252, on Windows the system's ANSI code page
  when it is one of these. show converts tag bytes from it into UTF-8;
  values given to set (and names cut by fill) are converted into it, and a
  character it cannot hold is refused, never stored as '?'. File names are
  taken whole on every system (on Windows through the wide API).

Exit status: 0 when every file was handled, 1 when some file failed (its
name and the reason go to stderr), 2 for a usage error (nothing is done).

'sonrik-tag COMMAND --help' tells more about a command.)"};

constexpr std::array kCommands = {
    CommandText{"show", "Prints the tags of each file, or why there are none.",
                R"(Why a file shows no ID3v1 and Lyrics3 tags:
  id3NoTags      the file has no ID3v1 tag (and so no Lyrics3 tag)
  id3NoSuchFile  there is no such file (this counts as a failure)
and, for a file that cannot be read, the I/O error. The ID3v2 tag of a
file that could be read follows: its version and whether it stands at the
start or the end of the file, its values (each of several on a line of its
own), the frames present but not read (compressed or encrypted) and a note
(such as which of two tags was read); or "No ID3v2 tag", or why the tag is
broken.

--json prints one JSON array with an object per file:
  {"file", "status", "id3v1", "lyrics3", "id3v2", "id3v2_error"}
"status" is id3Success, id3NoTags or id3NoSuchFile; "id3v1" is
  {"title","artist","album","year","comment","genre_id","genre","track","v11"}
when status is id3Success, else null; "lyrics3" is
  {"version" ("2.00" or "1"),"lyrics","infos","images" (arrays of lines),
   "author","title","artist","album","timestamp"}
when the file has a Lyrics3 tag, else null; "id3v2" is
  {"version" ("2.4.0"),"where" ("start" or "end"),"title","artist","album",
   "year","track","genre","comment","lyrics","lyricist","unread","note"}
when the file has an ID3v2 tag, else null: every value is an array of
strings in UTF-8 (several for a tag that holds several, empty for none),
"unread" the ids of frames not read. "id3v2_error" says why a broken ID3v2
tag could not be read, else null. A file that cannot be read has status
"error", "error" (the message) and "code" (the operating system's error
code, or null), and null tags.

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
    CommandText{"rename", "Renames MP3 files from their tags by a template: a preview, or --apply.",
                R"(Placeholders: <ARTIST> <TITLE> <ALBUM> <TRACK NUM> <GENRE> <COMMENT> (any
letter case); the rest of the template is taken as it is. Characters no file
name may hold (" : * , \ / ? < > | $ = and control characters) are left out
of the values, so "AC/DC" becomes "ACDC" and no tag makes a folder.

Every file is tested before any is renamed, in name order, so a clash is
decided the same way on every run: a name another file of the run has or
gets, or that a file already has, is "File exists"; a name that is empty,
a device name (CON, NUL, ...) or ends in a blank, '-', '_' or '&' is "Test
ERROR" with the reason. A file that already has its new name is "No
changes". Without --apply nothing is changed; with --apply exactly the
tested plan is carried out, each target checked again just before its
rename (a file that appeared meanwhile is never overwritten). A rename that
only changes letter case goes through a temporary name. Each file keeps its
folder (-r: each is renamed within its own).

Output: a table on a terminal, else one line per file: FILE, NEW NAME,
STATUS, REASON separated by tabs. --json: an array of
  {"file", "new_name", "status", "reason", "error"}
with null for no reason or error. Exit status 0 when every file passed (or
was renamed, or needs none), 1 when some did not, 2 for a usage error.

--apply writes a journal first (see 'sonrik-tag help undo').

Example: preview, then rename "01.mp3" ... to "07 - Quiet Frames.mp3":
  sonrik-tag rename -t "<TRACK NUM> - <TITLE>" --track-digits 2 Album
  sonrik-tag rename -t "<TRACK NUM> - <TITLE>" --track-digits 2 --apply Album)"},
    CommandText{"fill", "Fills tags from MP3 file names by a template: a preview, or --apply.",
                R"(The file name without ".mp3" is cut at the template's text between the
placeholders: with "<ARTIST> - <TITLE>", "Band - Song.MP3" gives the artist
"Band" and the title "Song". <TRACK NUM> takes a number from 0 to 255,
<GENRE> a name of 'sonrik-tag genres'; <YEAR> and <COMMENT> fill those
fields. By default '_' is read as a blank (--no-underscores keeps it) and
only empty fields are filled (--overwrite fills every field the template
names). Name characters go into the tag in the code page of --codepage; a
character it cannot hold makes the file "Test ERROR" with the reason.

The preview shows each field to be written, its present value beside it,
as the tag will hold it (cut to the field's length). A file with nothing
to write is "No changes". Read-only files are marked; --apply leaves them
alone and says so unless --readonly=remove or --readonly=restore.

Output: a table on a terminal, else one line per file: FILE, FIELDS
(field: "old" -> "new"), STATUS, REASON separated by tabs. --json: an array
of {"file", "fields": {FIELD: {"old", "new"}}, "status", "reason",
"error"}. Exit status as for rename.

--apply writes a journal first (see 'sonrik-tag help undo').

Example: artist and title from "Band - Song.mp3" for every file of Inbox:
  sonrik-tag fill -t "<ARTIST> - <TITLE>" Inbox
  sonrik-tag fill -t "<ARTIST> - <TITLE>" --apply Inbox)"},
    CommandText{"v2-to-v1", "Fills the ID3v1 and Lyrics3 tags from the ID3v2 tag: a preview, or --apply.",
                R"(Each file's ID3v2 values go into its ID3v1 record (a new one, naming no
genre unless the tag gives one, when it has none) and its Lyrics3 block:
  title, artist, album  30 bytes, cut between characters; the whole value
                        of one that was cut (up to 250 bytes) goes into the
                        Lyrics3 field of the same name (a version 2.00 block)
  year                  the first four digits in a row ("2024-05-01": 2024)
  track                 the number when it is 1 to 255 ("3/12": 3)
  genre                 a name of 'sonrik-tag genres' in any letter case, or
                        its number; another leaves the genre as it is
  comment               28 bytes beside a track number, else 30
  --lyrics              the lyrics into the Lyrics3 lyrics and the lyricist
                        into its author (250 bytes)
Several values of a field (an ID3v2.4 list) are joined with " / " for
title, artist, album, comment and lyricist; year, track and genre take the
first usable one. Values go into the code page of --codepage; a character
it cannot hold leaves that field as it is, never stored as '?'. Only empty
fields are filled (--empty-only, the default); --overwrite replaces them.

The preview shows each field to be written, "old" -> "new", and the reason
column which fields were cut, which were left and why. A file without an
ID3v2 tag is "No changes"; one whose tag is broken "Test ERROR" with the
reason. Read-only files are marked; --apply leaves them alone unless
--readonly=remove or --readonly=restore. --apply carries the tested plan
out: a file changed since it was tested is left alone.

Output, JSON and exit status as for fill. --apply writes a journal first
(see 'sonrik-tag help undo').

Example: preview, then fill the empty fields of every file under Music:
  sonrik-tag v2-to-v1 -r Music
  sonrik-tag v2-to-v1 -r --apply Music)"},
    CommandText{"undo", "Undoes the latest run not undone yet, or the one of JOURNAL.",
                R"(set, rename --apply, fill --apply and v2-to-v1 --apply write a journal
before they change anything: for each file its absolute path, its old
name, or its whole old tag area, synced to disk before the first change.
Journals live in $SONRIK_STATE_DIR, else $XDG_STATE_HOME/sonrik or
~/.local/state/sonrik (on Windows %LOCALAPPDATA%\sonrik); --journal FILE
names another, --no-journal writes none. A journal that cannot be written
stops the run before any change.

Plain undo reverts the newest run that changed files and is not undone
yet; each further undo reverts the run before it. A run that changed
nothing (stopped before its first change, or every file skipped) is passed
over with a line that says so. undo works from any folder.

undo puts names and tag areas back, last change first, each only when the
file is still as the run left it; a file changed since is named and left
as it is. A renamed file goes back to its old name when its new name still
holds the same file and the old name is free, whatever its tags are now. A
save that failed half-way (its own restore failed too) is put back when
the file holds nothing but that run's writes. A read-only attribute that
--readonly=remove took away is given back. A journal that was cut or
edited is refused, and nothing is changed; so is a folder or a file that
is no journal. Undoing a journal again changes nothing and says so. A run
that was stopped half-way is undone as far as it went.

Output as for rename: FILE, CHANGE, STATUS, REASON; --json: an array of
{"file", "change", "status", "reason", "error"}. Exit status 0 when every
file is as before the run, 1 when one was left or failed, 2 for a usage
error or a journal refused.

--list prints the journals, newest first: the journal, when its run
started, its command, how many changes it planned and made, and, when it
was undone, how many files the last undo put back and left; a run that
changed nothing says "nothing to undo".

Example: two runs, then both undone, the latest first:
  sonrik-tag rename -t "<ARTIST> - <TITLE>" --apply Music
  sonrik-tag fill -t "<TRACK NUM>. <TITLE>" --apply Music
  sonrik-tag undo
  sonrik-tag undo)"},
    CommandText{"genres", "Lists the genre numbers and names that --genre takes.",
                "Example:\n  sonrik-tag genres"},
    CommandText{"help", "Prints this help, or a command's.", "Example:\n  sonrik-tag help set"},
};

}  // namespace

const CommandText& ProgramText() { return kProgram; }

std::span<const CommandText> CommandTexts() { return kCommands; }

}  // namespace sonrik::cli
