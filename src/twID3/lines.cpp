#include "twID3/twID3.h"

namespace sonrik::twID3 {

LineList TextToLines(std::string_view text)
{
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);

    LineList lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

std::string LinesToText(const LineList& lines)
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

}  // namespace sonrik::twID3
