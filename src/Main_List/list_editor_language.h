// The list editor's texts in both languages (UTF-8): the captions of its
// controls, by control name, the tabs, and its message table. The row
// statuses and the columns of the "File name to TAG" page are in
// list_record.h.
#pragma once

#include "ui/captions.h"
#include "version.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace sonrik::list {

using ui::CaptionText;

extern const std::array<CaptionText, 6> kListEditorCaptions;
// The three tabs of AFilesPage, left to right.
extern const std::array<CaptionText, 3> kListEditorTabs;

enum class ListMessage : std::size_t {
    NoFiles,
    ReadOnlyQuestion,  // %S: the file's name without its folder
    Restoring,
    RowError,
    FilesColumn,
    CurrentNameColumn,
    NewNameColumn,
    StatusColumn,
    UnheldCharacter,  // %c: the character
    Count
};
extern const std::array<CaptionText, static_cast<std::size_t>(ListMessage::Count)> kListEditorMessages;

inline constexpr std::u8string_view kListEditorCaption = u8"Sonrik editor v " SONRIK_VERSION_SHORT;
inline constexpr std::u8string_view kEngBoxCaption = u8"In English language";

}  // namespace sonrik::list
