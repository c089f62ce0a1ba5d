// The portable part of TXPGroupBox, the group box that draws its frame and
// caption with the active visual style and falls back to the classic etched
// frame. Everything here decides and lays out; the calls that touch a real
// window or device context go through GroupBoxStyle and GroupBoxCanvas, which
// the Win32 painting code implements.
#pragma once

#include "widgets/drawing.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik::widgets {

class StyleLibrary;

// A visual-style data handle; 0 when none is open.
using ThemeData = std::uintptr_t;

namespace groupbox {
inline constexpr int kPart = 4;           // BP_GROUPBOX
inline constexpr int kStateNormal = 1;    // GBS_NORMAL
inline constexpr int kStateDisabled = 2;  // GBS_DISABLED
inline constexpr int kCaptionGap = 8;     // added to a non-empty caption's width
inline constexpr int kCaptionOffset = 8;  // the caption's distance from the frame's edge

inline constexpr unsigned kMsgEraseBackground = 0x14;   // WM_ERASEBKGND
inline constexpr unsigned kMsgCtlColorButton = 0x135;   // WM_CTLCOLORBTN
inline constexpr unsigned kMsgCtlColorStatic = 0x138;   // WM_CTLCOLORSTATIC
inline constexpr unsigned kMsgThemeChanged = 0x31A;     // WM_THEMECHANGED
inline constexpr long kEraseResult = 1;                 // "background erased", always

// Caption text flags, measuring and drawing alike.
constexpr unsigned CaptionFlags(bool rightToLeft) noexcept
{
    return AdjustForReadingOrder(textflags::SingleLine | textflags::Center, rightToLeft);
}
}  // namespace groupbox

// What the logic needs to know of the control when it decides or paints.
struct GroupBoxView {
    std::string caption;  // UTF-8
    int width = 0;
    int height = 0;
    bool enabled = true;
    bool ctl3D = true;            // the 3-D look flag
    bool doubleBuffered = false;
    bool hasParentWindow = false; // a parent whose window exists
    bool rightToLeft = false;
};

// The visual-style calls of one group box, bound to its own window and its
// paint canvas. Texts are UTF-8; the implementation hands them to the
// library in UTF-16. Part id is always groupbox::kPart.
class GroupBoxStyle {
public:
    virtual ~GroupBoxStyle() = default;
    // The library is loaded and exports every function the group box calls;
    // a missing function counts as a missing library.
    virtual bool libraryLoaded() const = 0;
    // OpenThemeData for the class "BUTTON" on the control's window.
    virtual ThemeData openThemeData() = 0;
    virtual void closeThemeData(ThemeData theme) = 0;
    virtual bool isThemeActive() = 0;
    virtual bool isAppThemed() = 0;
    // GetThemeTextExtent over the whole text, no bounding rectangle;
    // nothing when the call fails.
    virtual std::optional<Rect> textExtent(ThemeData theme, int state, std::string_view text,
                                           unsigned flags) = 0;
    // DrawThemeBackground of `frame` with `excluded` cut out of the clipping
    // region for this call only (the device-context state is restored).
    virtual bool drawBackground(ThemeData theme, int state, const Rect& frame,
                                const Rect& excluded) = 0;
    virtual bool drawText(ThemeData theme, int state, std::string_view text, unsigned flags,
                          const Rect& rect) = 0;
};

enum class FrameColour { ButtonHighlight, ButtonShadow, WindowFrame };

// Plain drawing on the control's paint canvas, in the control's font.
class GroupBoxCanvas {
public:
    virtual ~GroupBoxCanvas() = default;
    virtual Size textSize(std::string_view text) = 0;
    // Fills with the brush the parent answers to WM_CTLCOLORSTATIC for this
    // canvas and the control's window.
    virtual void fillWithParentBrush(const Rect& rect) = 0;
    // A one-pixel frame.
    virtual void frameRect(const Rect& rect, FrameColour colour) = 0;
    // The caption on one line, on the control's colour.
    virtual void drawCaption(std::string_view text, const Rect& rect, unsigned flags) = 0;
};

// True when the library is loaded and exports every function a group box
// calls: what a GroupBoxStyle over the real library reports as loaded.
bool GroupBoxCanStyle(const StyleLibrary& library);

struct ClassicFrame {
    Rect rect;
    FrameColour colour;
};

struct ClassicLayout {
    std::vector<ClassicFrame> frames;  // drawn in this order
    Rect caption;                      // empty when there is no caption
};

// The classic frame(s) and caption place; textHeight is the height of "0",
// captionWidth the width of the caption (0 when it is empty).
ClassicLayout ClassicGroupBoxLayout(const GroupBoxView& view, int textHeight, int captionWidth);

struct StyledLayout {
    Rect frame;
    Rect caption;  // the frame line is broken here; the caption is centred in it
};

// The styled frame and caption rectangle from the style's text height H and
// caption width W.
StyledLayout StyledGroupBoxLayout(const GroupBoxView& view, int textHeight, int captionWidth);

enum class EraseAction {
    BaseClass,           // let the base group box erase
    Nothing,             // leave the background as it is
    FillWithParentBrush, // fill the client area with the parent's static-control brush
};

enum class PaintResult { Classic, Styled };

// The per-control logic: the style data handle and every styled-or-classic
// decision. The handle is closed when the object goes, if still open and the
// library is still loaded; `style` must outlive the object.
class XPGroupBoxLogic {
public:
    explicit XPGroupBoxLogic(GroupBoxStyle& style) : style_(style) {}
    XPGroupBoxLogic(const XPGroupBoxLogic&) = delete;
    XPGroupBoxLogic& operator=(const XPGroupBoxLogic&) = delete;
    ~XPGroupBoxLogic() { windowDestroyed(); }

    ThemeData ThemeHandle() const noexcept { return theme_; }

    // Window life: open style data after the window exists, close it when the
    // window goes, reopen it when the user changes the visual style.
    void windowCreated();
    void windowDestroyed();
    long themeChanged();  // the message result: 0

    // Every condition, in order, each time: library loaded, 3-D look, style
    // data open, a style active, the application themed, not designing.
    bool isStyled(const GroupBoxView& view);

    EraseAction eraseBackground(const GroupBoxView& view, std::uintptr_t wParam,
                                std::uintptr_t lParam);
    // Whether a child's colour message is answered by painting the styled
    // parent background behind the child and returning the null brush.
    bool answersChildColour(const GroupBoxView& view, unsigned message);

    PaintResult paint(const GroupBoxView& view, GroupBoxCanvas& canvas);

private:
    bool paintStyled(const GroupBoxView& view, GroupBoxCanvas& canvas);

    GroupBoxStyle& style_;
    ThemeData theme_ = 0;
};

// Classic painting on its own: the base group box's drawing.
void PaintClassicGroupBox(const GroupBoxView& view, GroupBoxCanvas& canvas);

}  // namespace sonrik::widgets
