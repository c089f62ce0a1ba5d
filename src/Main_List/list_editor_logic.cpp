#include "Main_List/list_editor_logic.h"

#include "batch/templates.h"
#include "text/text.h"

#include <algorithm>
#include <exception>

namespace sonrik::list {

std::u8string RenameRow(const batch::TFTag& tag, std::u8string_view status)
{
    std::u8string row = text::FromAnsi(batch::CurrentFileName(tag));
    row += u8'|';
    row += text::FromAnsi(tag.NewName);
    row += u8'|';
    return row += status;
}

std::u8string FieldsRow(const batch::TFTag& tag, std::u8string_view status)
{
    std::u8string row;
    for (std::uint8_t kind = 0; kind < batch::fkStatus; ++kind) {
        row += text::FromAnsi(*batch::FieldText(tag, kind));
        row += u8'|';
    }
    return row += status;
}

int SectionUnder(const widgets::HeaderSections& sections, int x, int scrollLeft)
{
    return sections.sectionAt(x + scrollLeft);
}

PathReplacer::PathReplacer(std::vector<std::string>& paths) : paths_(paths)
{
    for (std::size_t i = 0; i < paths_.size(); ++i) positions_[text::CaseKey(paths_[i])].insert(i);
}

bool PathReplacer::Replace(const std::string& path, const std::string& renamed)
{
    const auto found = positions_.find(text::CaseKey(path));
    if (found == positions_.end() || found->second.empty()) return false;
    const std::size_t first = *found->second.begin();
    found->second.erase(found->second.begin());
    paths_[first] = renamed;
    positions_[text::CaseKey(renamed)].insert(first);
    return true;
}

}  // namespace sonrik::list
