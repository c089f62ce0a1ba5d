// UTF-8 encoding and decoding for the command line and the JSON output.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sonrik::text {

inline constexpr char32_t ReplacementChar = 0xFFFD;

// Appends the UTF-8 form of a Unicode scalar value (surrogates and values
// above U+10FFFF are written as U+FFFD).
void AppendUtf8(std::string& out, char32_t ch);

struct DecodedChar {
    char32_t value;      // U+FFFD when !valid
    std::size_t length;  // bytes consumed, at least 1
    bool valid;
};

// Decodes the character at the start of a non-empty text. An ill-formed
// sequence consumes its maximal valid prefix (at least one byte), as the
// Unicode standard recommends, so a decoder loop always makes progress.
DecodedChar DecodeUtf8(std::string_view text);

bool IsValidUtf8(std::string_view text);

// The text with every ill-formed sequence replaced by U+FFFD.
std::string SanitizeUtf8(std::string_view text);

}  // namespace sonrik::text
