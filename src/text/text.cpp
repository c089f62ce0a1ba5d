#include "text/text.h"

#include "platform/platform.h"
#include "text/codepage.h"
#include "text/utf8.h"

#include <algorithm>
#include <array>

namespace sonrik::text {

std::u8string FillIn(std::u8string_view pattern, std::u8string_view marker, std::u8string_view value)
{
    std::u8string text(pattern);
    if (const auto at = text.find(marker); at != std::u8string::npos) text.replace(at, marker.size(), value);
    return text;
}

namespace {

// One decoded character: its code point and the bytes it took; a byte that
// does not start a well-formed sequence counts as one character of its own.
struct Decoded {
    char32_t code = 0;
    std::size_t length = 1;
    bool valid = false;
};

Decoded DecodeAt(std::u8string_view s, std::size_t i)
{
    const unsigned lead = s[i];
    if (lead < 0x80) return {lead, 1, true};
    std::size_t length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, code = lead & 0x07;
    else return {lead, 1, false};
    if (i + length > s.size()) return {lead, 1, false};
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned next = s[i + k];
        if ((next & 0xC0) != 0x80) return {lead, 1, false};
        code = (code << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {lead, 1, false};
    return {code, length, true};
}

void Append(std::u8string& out, char32_t code)
{
    std::string bytes;
    AppendUtf8(bytes, code);
    out += AsUtf8(bytes);
}

bool Even(char32_t c) { return c % 2 == 0; }

}  // namespace

char32_t ToLower(char32_t c)
{
    if (c >= U'A' && c <= U'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;  // Latin-1 Supplement, not the sign ×
    // Latin Extended-A pairs capital and small letter side by side; the
    // dotted and dotless i (0x130, 0x131) fold differently by language.
    if (((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && Even(c))
        return c + 1;
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && !Even(c)) return c + 1;
    if (c == 0x178) return 0xFF;  // Ÿ
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;             // Ѐ..Џ
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;             // А..Я
    // The rest of the block pairs capital and small letter side by side.
    if (c == 0x4C0) return 0x4CF;
    if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x4FF)) && Even(c))
        return c + 1;
    if (c >= 0x4C1 && c <= 0x4CE && !Even(c)) return c + 1;
    return c;
}

namespace {

std::u8string Lower(std::u8string_view s, std::size_t from)
{
    std::u8string out;
    out.reserve(s.size());
    std::size_t i = 0;
    for (std::size_t count = 0; i < s.size(); ++count) {
        const Decoded d = DecodeAt(s, i);
        if (d.valid && count >= from) Append(out, ToLower(d.code));
        else out.append(s.substr(i, d.length));
        i += d.length;
    }
    return out;
}

}  // namespace

std::u8string CharacterName(char32_t c)
{
    std::u8string name = u8"\"";
    Append(name, c);
    name += u8"\" (";
    name += AsUtf8(CodePointName(c));
    name += u8")";
    return name;
}

std::u8string ToLower(std::u8string_view utf8) { return Lower(utf8, 0); }
std::u8string LowerAfterFirst(std::u8string_view utf8) { return Lower(utf8, 1); }

// ---- The ANSI code page ------------------------------------------------------

namespace {

// How letter case folds, byte by byte: the lower-case byte of each byte, and
// the bytes that lead a character of two (the byte after one stays as it is).
struct CaseRule {
    std::array<unsigned char, 256> lower{};
    std::array<bool, 256> lead{};
};

#ifdef _WIN32

const CaseRule& AnsiCaseRule()
{
    static const CaseRule rule = [] {
        const platform::AnsiCaseRule system = platform::SystemAnsiCaseRule();
        return CaseRule{system.lower, system.lead};
    }();
    return rule;
}

#else

CaseRule CaseRuleOf(const CodePage& codePage)
{
    CaseRule rule;
    for (unsigned b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        rule.lower[b] = codePage.FromUnicode(ToLower(codePage.ToUnicode(byte))).value_or(byte);
    }
    return rule;
}

struct PosixAnsi {
    const CodePage* codePage = CodePage::Find(1252);
    CaseRule rule = CaseRuleOf(*codePage);
};

PosixAnsi& Ansi()
{
    static PosixAnsi ansi;
    return ansi;
}

const CaseRule& AnsiCaseRule() { return Ansi().rule; }

#endif

}  // namespace

void UseAnsiCodePage([[maybe_unused]] const CodePage& codePage)
{
#ifndef _WIN32
    Ansi().codePage = &codePage;
    Ansi().rule = CaseRuleOf(codePage);
#endif
}

unsigned AnsiCodePage()
{
#ifdef _WIN32
    return platform::SystemAnsiCodePage();
#else
    return Ansi().codePage->Number();
#endif
}

std::u8string FromAnsi(std::string_view ansi)
{
#ifdef _WIN32
    return platform::AnsiToUtf8(ansi);
#else
    const std::string utf8 = Ansi().codePage->Decode(ansi);
    return std::u8string(AsUtf8(utf8));
#endif
}

AnsiText ToAnsiExactly(std::u8string_view utf8)
{
#ifdef _WIN32
    platform::AnsiConversion converted = platform::Utf8ToAnsi(utf8);
    return {std::move(converted.bytes), converted.unheld};
#else
    const CodePage& codePage = *Ansi().codePage;
    AnsiText result;
    result.bytes.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Decoded d = DecodeAt(utf8, i);
        const auto byte = d.valid ? codePage.FromUnicode(d.code) : std::nullopt;
        if (byte) {
            result.bytes += static_cast<char>(*byte);
        } else {
            result.bytes += '?';
            if (!result.unheld) result.unheld = d.valid ? d.code : 0xFFFD;
        }
        i += d.length;
    }
    return result;
#endif
}

std::string ToAnsi(std::u8string_view utf8) { return ToAnsiExactly(utf8).bytes; }

// ---- Letter case of ANSI text -----------------------------------------------------

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    const CaseRule& rule = AnsiCaseRule();
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (rule.lower[x] != rule.lower[y]) return false;
        // A character of two bytes: its second byte is no letter of its own.
        if (rule.lead[x] && ++i < a.size() && a[i] != b[i]) return false;
    }
    return true;
}

std::string CaseKey(std::string_view text)
{
    const CaseRule& rule = AnsiCaseRule();
    std::string key(text);
    for (std::size_t i = 0; i < key.size(); ++i) {
        const auto x = static_cast<unsigned char>(key[i]);
        key[i] = static_cast<char>(rule.lower[x]);
        if (rule.lead[x]) ++i;  // the second byte stays as it is
    }
    return key;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameIgnoringCase(text.substr(0, prefix.size()), prefix);
}

Lines SplitLines(std::string_view text)
{
    Lines lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // A plain scan: find_first_of asks its set once per character.
        std::size_t stop = pos;
        while (stop < text.size() && text[stop] != '\r' && text[stop] != '\n') ++stop;
        lines.emplace_back(text.substr(pos, stop - pos));
        pos = stop + (text.compare(stop, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

std::string_view UpToZero(std::string_view text)
{
    const auto zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

std::string JoinLines(const Lines& lines)
{
    std::size_t total = 0;
    for (const auto& line : lines) total += line.size() + 2;
    std::string text;
    text.reserve(total);
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

}  // namespace sonrik::text
