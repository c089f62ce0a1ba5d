// What the list editor does that is not about its window: reading the list
// file, filling a record from a file's tags, the row texts of the two test
// pages, the cell under a point, and renaming a file to its new name.
// The window calls these; they know no control.
#pragma once

#include "Main_List/list_record.h"
#include "text/text.h"
#include "widgets/column_listbox_logic.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik::twID3 {
class TtwID3v1;
}

namespace sonrik::list {

// The lines of a list file that name ".mp3" files (extension in any letter
// case), unchanged and in order. The extension is the text from the last '.'
// of the file name (after the last '\', '/' or ':') to the end.
std::vector<std::string> Mp3Lines(const std::vector<std::string>& lines);

// The lines of the list file at `path` (CR, LF and CR LF end a line); nothing
// when no file is there. A read that fails part-way keeps the complete lines
// read before it. Never throws.
std::vector<std::string> ReadListFile(const std::string& path);

// A comment as the record shows it: empty when the comment is empty or one of
// its first two bytes is 0 (a one-byte comment is taken); otherwise the
// comment without its bytes 0 and 1.
std::string CommentShown(std::string_view comment);

// Fills the tag values of `tag` from a loaded ID3v1 object and takes `path`
// as its file: `FilePath` and `NewName` := path, track as decimal text, every
// mark and `RenameReady` off. `Status` and `NewPath` stay. A comment that
// CommentShown leaves empty keeps the record's comment.
void FillRecord(TFTag& tag, const std::string& path, const twID3::TtwID3v1& id3v1);

// The rows of the two test pages, as the list shows them (UTF-8): names and
// field texts through text::FromAnsi, then the status text as it is.
std::u8string RenameRow(const TFTag& tag, std::u8string_view status);
std::u8string FieldsRow(const TFTag& tag, std::u8string_view status);

// The header section under a pointer at `x` of the row list, whose content is
// scrolled `scrollLeft` pixels to the left; -1 on a boundary or past the last
// section.
int SectionUnder(const widgets::HeaderSections& sections, int x, int scrollLeft);

// The file operations a rename needs; a test passes its own.
struct RenameFiles {
    std::function<bool(const std::string&)> exists;
    // Both names spell one directory entry (platform::SameFileEntry).
    std::function<bool(const std::string&, const std::string&)> sameEntry;
    // Fails (throws) when the target exists.
    std::function<void(const std::string&, const std::string&)> rename;
};
// The system's files. `exists` reads each folder once and keeps the renames
// made through `rename`, so take them for one run of renames: what others
// change in the folder meanwhile is not seen (a rename onto a file that came
// meanwhile is still refused, as Failed).
RenameFiles SystemRenameFiles();

enum class RenameOutcome { Renamed, TargetExists, Failed };

// Renames `from` to `to`. A target that is there already is TargetExists,
// unless it is only the same file spelt in another letter case: the file
// system ignores case there, so the file goes to a free temporary name in its
// folder first and from there to `to` (and back to `from` when that second
// step fails). A refused rename is Failed and leaves the file as it was.
// Never throws.
RenameOutcome RenameToNewPath(const RenameFiles& files, const std::string& from, const std::string& to);

// The first entry equal to `path` ignoring (ASCII) letter case becomes
// `renamed`; false when there is none.
bool ReplacePath(std::vector<std::string>& paths, const std::string& path, const std::string& renamed);

}  // namespace sonrik::list
