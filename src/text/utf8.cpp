#include "text/utf8.h"

#include <algorithm>

namespace sonrik::text {

void AppendUtf8(std::string& out, char32_t ch)
{
    if ((ch >= 0xD800 && ch <= 0xDFFF) || ch > 0x10FFFF) ch = ReplacementChar;
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

DecodedChar DecodeUtf8(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(0);
    if (lead < 0x80) return {lead, 1, true};

    // Length, payload bits of the lead byte, and the allowed range of the
    // second byte (which is what excludes overlong forms, surrogates and
    // values above U+10FFFF).
    std::size_t length = 0;
    char32_t value = 0;
    unsigned low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return {ReplacementChar, 1, false};
    }

    for (std::size_t i = 1; i < length; ++i) {
        const bool inRange = i < text.size() && byte(i) >= (i == 1 ? low : 0x80u)
                             && byte(i) <= (i == 1 ? high : 0xBFu);
        if (!inRange) return {ReplacementChar, i, false};
        value = (value << 6) | (byte(i) & 0x3F);
    }
    return {value, length, true};
}

namespace {

std::size_t AsciiPrefix(std::string_view text)
{
    std::size_t n = 0;
    while (n < text.size() && static_cast<unsigned char>(text[n]) < 0x80) ++n;
    return n;
}

}  // namespace

bool IsValidUtf8(std::string_view text)
{
    // Most texts are ASCII: those bytes need no decoding.
    text.remove_prefix(std::min(text.size(), AsciiPrefix(text)));
    while (!text.empty()) {
        const DecodedChar ch = DecodeUtf8(text);
        if (!ch.valid) return false;
        text.remove_prefix(ch.length);
    }
    return true;
}

std::string SanitizeUtf8(std::string_view text)
{
    if (AsciiPrefix(text) == text.size()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const DecodedChar ch = DecodeUtf8(text);
        if (ch.valid)
            out.append(text.substr(0, ch.length));
        else
            AppendUtf8(out, ReplacementChar);
        text.remove_prefix(ch.length);
    }
    return out;
}

}  // namespace sonrik::text
