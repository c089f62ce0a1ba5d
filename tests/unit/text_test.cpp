// The two kinds of text: kept apart by the compiler, converted in one place.
#include "text/text.h"

#include "codepage_test_support.h"

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

// Letter case in field contents folds by the ANSI code page: one rule for
// histories, type-ahead, genres and renames.
TEST(TextCodePage, LettersFoldByTheAnsiCodePageAndNothingElseDoes)
{
    const struct {
        unsigned codePage;
        const char *a, *b;
        bool same;
    } cases[] = {
        {1251, "\xCA\xE8\xED\xEE", "\xCA\xC8\xCD\xCE", true},  // Кино, КИНО
        {1251, "\xB8", "\xA8", true},                          // ё, Ё
        {1251, "\xE0\xFF", "\xC0\xDF", true},                  // ая, АЯ: the ends of the range
        {1251, "\xAB\xB9", "\xBB\xB9", false},                 // « №, » №: no letters
        {1252, "\xE9", "\xC9", true},                          // é, É
        {1252, "\xFF\x9A", "\x9F\x8A", true},                  // ÿš, ŸŠ
        {1252, "\xD7", "\xF7", false},                         // ×, ÷: 0x20 apart, no letters
        {1252, "\xB8", "\xA8", false},                         // ¸, ¨ (ё, Ё in 1251)
        {1252, "ABBA", "abba", true},
        {1252, "Ab", "Abba", false},
    };
    for (const auto& c : cases) {
        const sonrik::testing::AnsiCodePageScope scope(c.codePage);
        if (!scope.active()) continue;
        SCOPED_TRACE(std::string(c.a) + " / " + c.b + " in " + std::to_string(c.codePage));
        EXPECT_EQ(text::SameIgnoringCase(c.a, c.b), c.same);
        EXPECT_EQ(text::StartsWithIgnoringCase(std::string(c.a) + "x", c.b), c.same);
        EXPECT_EQ(text::CaseKey(c.a) == text::CaseKey(c.b), c.same);
    }
    EXPECT_TRUE(text::StartsWithIgnoringCase("Abba", "aB"));
    EXPECT_FALSE(text::StartsWithIgnoringCase("Ab", "Abba"));
}

// What the user types reaches the field's bytes exactly or not at all.
TEST(TextCodePage, TypedTextIsConvertedExactlyOrNamesWhatCannotBeHeld)
{
    const struct {
        unsigned codePage;
        std::u8string_view typed;
        const char* bytes;
        char32_t unheld;  // 0: none
    } cases[] = {
        {1252, u8"Кино", "????", U'К'},  {1252, u8"café €", "caf\xE9 \x80", 0},
        {1251, u8"café", "caf?", U'é'},   {1251, u8"Кино №", "\xCA\xE8\xED\xEE \xB9", 0},
        {1252, u8"a≈b", "a?b", U'≈'},   // no look-alike
    };
    for (const auto& c : cases) {
        const sonrik::testing::AnsiCodePageScope scope(c.codePage);
        if (!scope.active()) continue;
        SCOPED_TRACE(std::string(text::Bytes(c.typed)));
        const text::AnsiText ansi = text::ToAnsiExactly(c.typed);
        EXPECT_EQ(ansi.bytes, c.bytes);
        EXPECT_EQ(ansi.unheld.value_or(0), c.unheld);
    }
    // Every byte the code page holds comes back as it was.
    for (const unsigned codePage : {1251u, 1252u}) {
        const sonrik::testing::AnsiCodePageScope scope(codePage);
        if (!scope.active()) continue;
        for (int b = 1; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            const text::AnsiText back = text::ToAnsiExactly(text::FromAnsi(byte));
            EXPECT_EQ(back.bytes, byte) << codePage << ": " << b;
            EXPECT_FALSE(back.unheld) << codePage << ": " << b;
        }
    }
}

#ifndef _WIN32

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
