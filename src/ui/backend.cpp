#include "ui/backend.h"

#include <cctype>

namespace sonrik::ui {

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
