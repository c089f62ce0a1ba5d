// What the list editor does that is not about its window: reading the list
// file, filling a record from a file's tags, the row texts of the two test
// pages and the cell under a point. The window calls these; they know no
// control. Renames and tag writes are the template unit's (templates.h).
#pragma once

#include "Main_List/list_record.h"
#include "text/text.h"
#include "widgets/column_listbox_logic.h"

#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
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

// Replaces paths in a list, each found by one look-up however long the list.
class PathReplacer {
public:
    // `paths` must outlive the replacer and change only through it.
    explicit PathReplacer(std::vector<std::string>& paths);
    // The first entry equal to `path` ignoring letter case (text::SameIgnoringCase)
    // becomes `renamed`; false when there is none.
    bool Replace(const std::string& path, const std::string& renamed);

private:
    std::vector<std::string>& paths_;
    std::unordered_map<std::string, std::set<std::size_t>> positions_;  // by text::CaseKey
};

}  // namespace sonrik::list
