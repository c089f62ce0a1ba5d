#include "ui/backend.h"

namespace sonrik::ui {

std::u8string ErrorBoxText(std::u8string_view message)
{
    std::u8string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += u8'.';
    return text;
}

std::u8string ApplicationTitle(std::u8string_view exePath)
{
    const auto slash = exePath.find_last_of(u8"\\/:");
    std::u8string_view name = slash == std::u8string_view::npos ? exePath : exePath.substr(slash + 1);
    if (const auto dot = name.find(u8'.'); dot != std::u8string_view::npos) name = name.substr(0, dot);
    return text::LowerAfterFirst(name);
}

}  // namespace sonrik::ui
