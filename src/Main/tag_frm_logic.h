// What the single-file editor does that is not about its window: field texts
// to tag values and back, the type-ahead buffer and search, and the history
// lists, including how one window's lists are merged into the history file.
#pragma once

#include "sonrik/history_file.h"
#include "sonrik/module_dir.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik::editor {

// Texts handed to the tag objects are cut to this many characters first; the
// objects then apply their own field limits.
inline constexpr std::size_t kShortStringLimit = 255;
std::string ShortString(std::string_view text);

// The track number as the field shows it: decimal.
std::string TrackNoText(std::uint8_t trackNo);

// The track number field read for saving. An ID3v1.1 record keeps one byte, so
// only 0 to 255 is accepted; a text that is not a whole decimal number (an
// empty one included, or one beyond the 32-bit signed range) is not a number.
enum class TrackNoCheck { Ok, NotANumber, OutOfRange };
struct TrackNoValue {
    TrackNoCheck check = TrackNoCheck::NotANumber;
    std::uint8_t value = 0;
};
TrackNoValue ParseTrackNo(std::string_view text);

// The genre list holds the names in genre-number order, so a list position is
// a genre number. No selection (-1) gives 255, which no genre has, so the
// stored genre stays; a number with no entry gives no selection.
std::uint8_t GenreIdOfIndex(int index);
int GenreIndexOf(std::uint8_t genreId);

// The file's name without its folder.
std::string FileNameOf(std::string_view path, PathStyle style = kNativePathStyle);


// The type-ahead text of the combo boxes: at most kCapacity characters, like
// a 256-character zero-terminated buffer.
class SearchBuffer {
public:
    static constexpr std::size_t kCapacity = 255;

    std::string_view Text() const { return text_; }
    bool Empty() const { return text_.empty(); }
    bool Full() const { return text_.size() >= kCapacity; }
    // False, and nothing is added, when the buffer is full.
    bool Append(char ch);
    void RemoveLast();
    void Clear() { text_.clear(); }

private:
    std::string text_;
};

// The first entry that begins with `prefix`, ignoring letter case; -1 when none.
int FindPrefixIgnoringCase(const std::vector<std::string>& items, std::string_view prefix);

// ---- History lists -------------------------------------------------------

bool ContainsIgnoringCase(const std::vector<std::string>& items, std::string_view text);

// Appends `text` to a history list unless the list holds it already (ignoring
// case) or it is empty: an empty entry would end its section in the file and
// hide every entry after it. True when it was added.
bool AddHistoryEntry(std::vector<std::string>& items, std::string_view text);

// The two artist lists are matched by count only: the longer one is copied
// over the shorter; lists of equal length stay as they are.
void MatchArtistLists(std::vector<std::string>& v1Artists, std::vector<std::string>& lyrics3Artists);

// Appends each entry of `from` that `into` lacks (ignoring case), in order.
void MergeEntries(std::vector<std::string>& into, const std::vector<std::string>& from);

// The histories one single-file editor holds when it is destroyed.
struct EditorHistory {
    std::vector<std::string> artists;
    std::vector<std::string> years;
    std::vector<std::string> comments;
};

// What the history file holds after one editor's lists are merged into it:
// the list editor's templates as the file has them now, then the artists,
// years and comments, each the file's entries followed by the editor's
// entries the file lacks. So editors destroyed one after the other each add
// what they gained and lose nothing another one wrote before; sections of any
// other name are not carried over. `fileLines` is the file as it is now.
std::vector<HistorySection> MergedHistory(const std::vector<std::string>& fileLines, const EditorHistory& editor);

// Reads the history file at `path` (a missing or unreadable file counts as
// empty), merges `editor` into it and writes it back in one step; the file is
// left alone when there is nothing to write. Throws IoError when the write fails.
void SaveEditorHistory(const std::string& path, const EditorHistory& editor);

}  // namespace sonrik::editor
