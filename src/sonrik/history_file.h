// The history file "sonrik.txt" beside the module: sections of lines, each
// started by a header line "[NAME]", holding the drop-down histories of the
// single-file editor and the templates of the list editor.
//
// A section's entries are the lines after its header up to the next line that
// begins with '[', the first empty line, or the end of the file. A header is
// found by comparing whole lines without regard to (ASCII) letter case; the
// first match counts. The module writes CR LF line ends; CR, LF and CR LF all
// end a line when read.
#pragma once

#include "text/text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik {

inline constexpr char kHistoryFileName[] = "sonrik.txt";

namespace history {
inline constexpr char kArtists[] = "ARTISTS";
inline constexpr char kYears[] = "YEARS";
inline constexpr char kComments[] = "COMMENTS";
inline constexpr char kTemplates[] = "TAG_NAME";
}  // namespace history

struct HistorySection {
    std::string name;  // without brackets
    std::vector<std::string> entries;
};

// False for an entry that the file cannot hold: an empty one or one that
// begins with '[' would end its section when read and hide every entry after
// it, and one with a line break would come back as several. Such entries are
// kept out of what is written, so nothing after them is lost.
bool IsStorableEntry(std::string_view entry);

// Lines of a text: the shared rule (CR, LF and CR LF each end one; a line end
// at the very end starts no further line). Unlike a tag's text, a history
// file's text goes on past a zero byte.
using text::SplitLines;

// The entries of section `name`; nothing when no line is its header.
std::optional<std::vector<std::string>> SectionEntries(const std::vector<std::string>& lines,
                                                       std::string_view name);

// The entries of section `name` in the file; nothing when the file or the
// header is missing. A read error is not reported: the lines read completely
// before it count.
std::optional<std::vector<std::string>> ReadHistorySection(const std::string& path,
                                                           std::string_view name);

// Replaces the whole file by `sections` in order, each as its header and its
// storable entries; a section without any is left out, header and all. When
// no section has entries the file stays as it was. The old file is replaced
// in one step, so a failure (IoError) leaves it as it was.
void WriteHistorySections(const std::string& path, const std::vector<HistorySection>& sections);

// Removes the first section named `section.name` (header and entries) and
// appends it at the end with its storable entries (header only when there are
// any); every other line stays where it was. Creates the file when missing.
// A file that exists but cannot be read completely is not rewritten: IoError.
void ReplaceHistorySection(const std::string& path, const HistorySection& section);

}  // namespace sonrik
