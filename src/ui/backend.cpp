#include "ui/backend.h"

#include <cctype>

namespace sonrik::ui {

std::string Backend::Utf8ToAnsi(std::string_view utf8) const
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80)
            out += utf8[i];
        else if ((b & 0xC0) != 0x80)
            out += '?';  // one per character: continuation bytes add nothing
    }
    return out;
}

std::string ErrorBoxText(std::string_view message)
{
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

std::string ApplicationTitle(std::string_view exePath)
{
    const auto slash = exePath.find_last_of("\\/:");
    std::string name(slash == std::string_view::npos ? exePath : exePath.substr(slash + 1));
    if (const auto dot = name.find('.'); dot != std::string::npos) name.resize(dot);
    for (std::size_t i = 1; i < name.size(); ++i)
        name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    return name;
}

}  // namespace sonrik::ui
