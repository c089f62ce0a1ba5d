// What the list editor does that is not about its window: the row texts of
// the two test pages, the cell under a point and the replacement of renamed
// paths in its list. The window calls these; they know no control. Records,
// renames and tag writes are the engine's (batch/).
#pragma once

#include "batch/record.h"
#include "batch/list_file.h"
#include "text/text.h"
#include "widgets/column_listbox_logic.h"

#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace sonrik::list {

// The rows of the two test pages, as the list shows them (UTF-8): names and
// field texts through text::FromAnsi, then the status text as it is.
std::u8string RenameRow(const batch::TFTag& tag, std::u8string_view status);
std::u8string FieldsRow(const batch::TFTag& tag, std::u8string_view status);

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
