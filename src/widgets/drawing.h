// Portable drawing vocabulary of the widgets: rectangles in client
// coordinates and the text-drawing flags. The flag values are the platform's
// own, so the Win32 painting code passes them on unchanged.
#pragma once

namespace sonrik::widgets {

// Right and bottom are exclusive, as on the platform.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int width() const noexcept { return right - left; }
    constexpr int height() const noexcept { return bottom - top; }
    constexpr bool empty() const noexcept { return right <= left || bottom <= top; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const Size&, const Size&) = default;
};

namespace textflags {
inline constexpr unsigned Left = 0x0;
inline constexpr unsigned Center = 0x1;
inline constexpr unsigned Right = 0x2;
inline constexpr unsigned VCenter = 0x4;
inline constexpr unsigned SingleLine = 0x20;
inline constexpr unsigned NoPrefix = 0x800;
inline constexpr unsigned EditControl = 0x2000;
inline constexpr unsigned PathEllipsis = 0x4000;
inline constexpr unsigned EndEllipsis = 0x8000;
inline constexpr unsigned RtlReading = 0x20000;
}  // namespace textflags

// Right-to-left reading order: text runs right to left and the horizontal
// alignment is mirrored (left becomes right and right left; centre stays).
constexpr unsigned AdjustForReadingOrder(unsigned flags, bool rightToLeft) noexcept
{
    if (!rightToLeft) return flags;
    constexpr unsigned horizontal = textflags::Center | textflags::Right;
    unsigned aligned = flags & horizontal;
    if (aligned == textflags::Left)
        aligned = textflags::Right;
    else if (aligned == textflags::Right)
        aligned = textflags::Left;
    return (flags & ~horizontal) | aligned | textflags::RtlReading;
}

}  // namespace sonrik::widgets
