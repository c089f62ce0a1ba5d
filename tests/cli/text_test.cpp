// UTF-8 handling and the code-page tables.
#include "text/codepage.h"
#include "text/utf8.h"

#include <gtest/gtest.h>

#include <set>

namespace sonrik::cli {
namespace {

TEST(CliUtf8, EncodesAndDecodesEveryLengthBoundary)
{
    for (const char32_t ch : {0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
        std::string bytes;
        text::AppendUtf8(bytes, ch);
        const text::DecodedChar decoded = text::DecodeUtf8(bytes);
        EXPECT_TRUE(decoded.valid) << static_cast<unsigned>(ch);
        EXPECT_EQ(decoded.value, ch);
        EXPECT_EQ(decoded.length, bytes.size());
    }
    std::string bad;
    text::AppendUtf8(bad, 0xD800);
    text::AppendUtf8(bad, 0x110000);
    EXPECT_EQ(bad, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(CliUtf8, IllFormedSequencesConsumeTheirMaximalPrefix)
{
    const struct {
        std::string_view bytes;
        std::size_t length;
    } cases[] = {
        {"\x80", 1},               // lone continuation byte
        {"\xC0\xAF", 1},           // overlong lead
        {"\xE0\x80\xAF", 1},       // overlong three-byte form
        {"\xED\xA0\x80", 1},       // surrogate
        {"\xF4\x90\x80\x80", 1},   // above U+10FFFF
        {"\xF5\x80\x80\x80", 1},   // impossible lead
        {"\xFF", 1},
        {"\xE2\x82", 2},           // truncated at the end of the text
        {"\xE2\x82z", 2},          // truncated before an ASCII letter
        {"\xF0\x9F\x98", 3},
    };
    for (const auto& c : cases) {
        const text::DecodedChar decoded = text::DecodeUtf8(c.bytes);
        EXPECT_FALSE(decoded.valid) << testing::PrintToString(c.bytes);
        EXPECT_EQ(decoded.value, text::ReplacementChar);
        EXPECT_EQ(decoded.length, c.length) << testing::PrintToString(c.bytes);
    }
    EXPECT_EQ(text::SanitizeUtf8("a\xE2\x82z\xFF\xF0\x9F\x98"), "a\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_TRUE(text::IsValidUtf8("\xD0\x9F\xF0\x9F\x98\x80"));
    EXPECT_FALSE(text::IsValidUtf8("ok\xC3"));
}

TEST(CliCodePage, EveryByteOfEveryTableRoundTrips)
{
    ASSERT_EQ(text::CodePage::Numbers().size(), 5u);
    for (const unsigned number : text::CodePage::Numbers()) {
        const text::CodePage* cp = text::CodePage::Find(number);
        ASSERT_NE(cp, nullptr) << number;
        std::set<char32_t> seen;
        for (int b = 0; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            const std::string utf8 = cp->Decode(byte);
            EXPECT_TRUE(text::IsValidUtf8(utf8));
            EXPECT_EQ(cp->Encode(utf8), byte) << "code page " << number << " byte " << b;
            seen.insert(cp->ToUnicode(static_cast<std::uint8_t>(b)));
        }
        EXPECT_EQ(seen.size(), 256u) << "code page " << number << " maps two bytes to one character";
    }
    EXPECT_EQ(text::CodePage::Find(437), nullptr);
}

TEST(CliCodePage, KnownCharactersAndUndefinedBytes)
{
    const auto at = [](unsigned number, std::uint8_t byte) { return text::CodePage::Find(number)->ToUnicode(byte); };
    EXPECT_EQ(at(1252, 0x80), U'\u20AC');
    EXPECT_EQ(at(1252, 0x9F), U'\u0178');
    for (const std::uint8_t undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(at(1252, undefined), undefined);
    EXPECT_EQ(at(1251, 0xC0), U'\u0410');
    EXPECT_EQ(at(1251, 0xA8), U'\u0401');
    EXPECT_EQ(at(1251, 0x98), U'\u0098');
    EXPECT_EQ(at(1250, 0x8A), U'\u0160');
    EXPECT_EQ(at(1250, 0xB9), U'\u0105');
    EXPECT_EQ(at(866, 0x80), U'\u0410');
    EXPECT_EQ(at(866, 0xF1), U'\u0451');
    EXPECT_EQ(at(28591, 0xE9), U'\u00E9');

    EXPECT_EQ(text::CodePage::Find(1251)->Encode("Привет"), "\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(text::CodePage::Find(866)->Encode("Привет"), "\x8F\xE0\xA8\xA2\xA5\xE2");
    EXPECT_EQ(text::CodePage::Find(1252)->Decode("\xC4pfel \x80"), "Äpfel €");
}

TEST(CliCodePage, EncodeNamesWhatItCannotStore)
{
    try {
        text::CodePage::Find(1252)->Encode("abП");
        FAIL() << "no error";
    } catch (const text::EncodeError& e) {
        EXPECT_STREQ(e.what(), "the character \"П\" (U+041F) cannot be stored in code page 1252");
    }
    EXPECT_THROW(text::CodePage::Find(28591)->Encode("\xE2\x82\xAC"), text::EncodeError);  // the euro sign
    try {
        text::CodePage::Find(1251)->Encode("ab\xFF");
        FAIL() << "no error";
    } catch (const text::EncodeError& e) {
        EXPECT_STREQ(e.what(), "ill-formed UTF-8 (byte 0xFF at offset 2)");
    }
}

}  // namespace
}  // namespace sonrik::cli
