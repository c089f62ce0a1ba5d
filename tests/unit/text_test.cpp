// The two kinds of text: kept apart by the compiler, converted in one place.
#include "text/text.h"

#include "platform/errors.h"
#include "sonrik/settings_file.h"
#include "ui/backend.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace {

using namespace sonrik;

// A file name or a field's contents cannot become a caption or a message
// without text::FromAnsi, and a caption cannot become a field's contents.
static_assert(std::is_invocable_v<decltype(&ui::Control::SetCaption), ui::Label&, std::u8string>);
static_assert(!std::is_invocable_v<decltype(&ui::Control::SetCaption), ui::Label&, std::string>);
static_assert(!std::is_invocable_v<decltype(&ui::Control::SetCaption), ui::Label&, const char*>);
static_assert(std::is_invocable_v<decltype(&ui::Edit::SetText), ui::Edit&, std::string>);
static_assert(!std::is_invocable_v<decltype(&ui::Edit::SetText), ui::Edit&, std::u8string>);
static_assert(!std::is_invocable_v<decltype(&ui::ComboBox::SetText), ui::ComboBox&, std::u8string>);
static_assert(!std::is_invocable_v<decltype(&ui::StatusBar::SetPanelText), ui::StatusBar&, int, std::string>);
static_assert(!std::is_invocable_v<decltype(&ui::ColumnListBox::SetSectionText), ui::ColumnListBox&, int,
                                   std::string>);
static_assert(!std::is_invocable_v<decltype(&ui::Backend::ShowMessageBox), ui::Backend&, ui::BoxOwner, std::string,
                                   std::u8string, unsigned>);
static_assert(!std::is_invocable_v<decltype(&ui::Backend::ShowMessageBox), ui::Backend&, ui::BoxOwner,
                                   std::u8string, std::string, unsigned>);
static_assert(!std::is_invocable_v<decltype(&ui::Backend::ErrorBox), ui::Backend&, std::string>);
static_assert(!std::is_constructible_v<Error, std::string>);
static_assert(!std::is_constructible_v<Error, const char*>);
static_assert(std::is_constructible_v<Error, std::u8string>);
static_assert(!std::is_constructible_v<ConvertError, std::string>);

TEST(Text, LowerCasesAsciiLatin1AndCyrillicOnly)
{
    const struct {
        std::u8string_view in, lower;
    } cases[] = {
        {u8"WINAMP", u8"winamp"},
        {u8"ÀÉÎÕÜÞ×ß", u8"àéîõüþ×ß"},          // × is no letter; ß has no capital here
        {u8"ПЛЕЕР ЁЖИК ЂЏ", u8"плеер ёжик ђџ"},  // the main block and the letters in front of it
        {u8"ѢҐӀӁӐ", u8"ѣґӏӂӑ"},                 // the paired letters further on
        {u8"ΑΒΓ ǅ 1-2", u8"ΑΒΓ ǅ 1-2"},          // other scripts stay
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(text::Bytes(c.in)));
        EXPECT_EQ(text::Bytes(text::ToLower(c.in)), text::Bytes(c.lower));
    }
}

TEST(Text, LowerAfterFirstKeepsTheFirstCharacterAndBadBytes)
{
    EXPECT_EQ(text::Bytes(text::LowerAfterFirst(u8"ÄRGER")), "Ärger");   // a two-byte first character
    EXPECT_EQ(text::Bytes(text::LowerAfterFirst(u8"")), "");
    // Bytes that are no UTF-8 are passed on as they are, and count as one character each.
    const std::u8string bad = u8"\xC3" u8"AB\xD0";
    EXPECT_EQ(text::Bytes(text::LowerAfterFirst(bad)), "\xC3" "ab\xD0");
}

TEST(Text, SplitLinesGoesPastAZeroByteAndUpToZeroStopsThere)
{
    using namespace std::string_literals;
    const std::string text = "a\r\nb\0c\nd"s;
    EXPECT_EQ(text::SplitLines(text), (text::Lines{"a", "b\0c"s, "d"}));
    EXPECT_EQ(text::SplitLines(text::UpToZero(text)), (text::Lines{"a", "b"}));
    EXPECT_EQ(text::JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

#ifndef _WIN32
// Without a code page of its own, a POSIX system's ANSI bytes are Latin-1.
TEST(Text, FromAnsiReadsLatin1OnPosix)
{
    EXPECT_EQ(text::Bytes(text::FromAnsi("Caf\xE9 \xC4\xFF\x80")), "Café Äÿ\xC2\x80");
}

// The path of a settings file is ANSI; the error that names it is UTF-8.
TEST(Text, SettingsWriteErrorNamesTheFolderInUtf8)
{
    const SettingsFile settings("/nonexistent-\xC4rger/moduls.ini");
    try {
        settings.WriteBool("ENG", true);
        FAIL() << "the write succeeded";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Unable to write to /nonexistent-Ärger/moduls.ini");
    }
}
#endif

}  // namespace
