// The single-file editor's texts in both languages (UTF-8): the captions of
// its controls, by control name, and its message table.
#pragma once

#include "ui/captions.h"
#include "version.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace sonrik::editor {

using ui::CaptionText;

// Captions that the language decides. The window caption, EngBox,
// XPGroupBox1, ">>" and "<<" are the same in both languages and not listed.
extern const std::array<CaptionText, 26> kTagFrmCaptions;

// The texts of the message table, in the order of kTagFrmMessages.
enum class TagFrmMessage : std::size_t {
    Stopping,
    Writing,
    RemovingReadOnly,
    RestoringReadOnly,
    Resuming,
    Saved,
    NotSaved,
    ClearValues,
    ReadOnlyLine1,  // %S: the file's name without its folder
    ReadOnlyLine2,
    CloseWithChanges,
    TrackNoOutOfRange,  // %s: the field's text
    UnheldCharacter,    // %f: the field, %c: the character
    Count
};
extern const std::array<CaptionText, static_cast<std::size_t>(TagFrmMessage::Count)> kTagFrmMessages;

// Every message box of the window carries this caption in both languages.
inline constexpr std::u8string_view kTagFrmCaption = u8"Sonrik Editor v " SONRIK_VERSION_SHORT;
inline constexpr std::u8string_view kEngBoxCaption = u8"In English language";
inline constexpr std::u8string_view kID3v1GroupCaption = u8"ID3v1, ID3v1.1, ID3v2 Tag";
// English in both languages.
inline constexpr std::u8string_view kCanNotSave = u8"Can not save changes. Error:%d";

}  // namespace sonrik::editor
