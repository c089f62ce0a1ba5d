// Single-byte code pages: tag bytes to UTF-8 for output, and UTF-8 values from
// the command line to tag bytes. Every table maps all 256 bytes one to one
// (bytes a code page leaves undefined map to the C1 control of the same
// number), so decoding and encoding again gives back every byte.
#pragma once

#include "platform/errors.h"
#include "text/text.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sonrik::text {

// A value that a code page cannot hold, or that is not valid UTF-8.
class EncodeError : public Error {
public:
    // The tool builds its messages in UTF-8 (arguments go through
    // ArgumentToUtf8 first).
    explicit EncodeError(std::string_view utf8) : Error(text::AsUtf8(utf8)) {}
};

class CodePage {
public:
    // The code page with this number, or nullptr when it is not built in.
    static const CodePage* Find(unsigned number);
    // The numbers of the built-in code pages.
    static std::span<const unsigned> Numbers();

    unsigned Number() const { return number_; }
    std::string_view Name() const { return name_; }

    char32_t ToUnicode(std::uint8_t byte) const;
    std::optional<std::uint8_t> FromUnicode(char32_t ch) const;

    // Tag bytes to UTF-8.
    std::string Decode(std::string_view bytes) const;
    // UTF-8 to tag bytes; throws EncodeError naming the first character
    // this code page cannot hold, or the first ill-formed byte.
    std::string Encode(std::string_view utf8) const;

    using UpperHalf = std::array<char16_t, 128>;
    constexpr CodePage(unsigned number, std::string_view name, const UpperHalf* upper)
        : number_(number), name_(name), upper_(upper)
    {
    }

private:
    unsigned number_;
    std::string_view name_;
    const UpperHalf* upper_;  // bytes 0x80-0xFF; nullptr means Latin-1
};

// "U+041F" style name of a character.
std::string CodePointName(char32_t ch);

}  // namespace sonrik::text
