// The group box's window: the portable logic decides styled or classic,
// erasing and geometry; here are the visual-style calls and the GDI drawing.
#include "ui/win32/peers.h"
#include "ui/win32/text.h"
#include "widgets/style_loaders.h"
#include "widgets/xpgroupbox_logic.h"

#include <cwchar>

namespace sonrik::ui::win32 {

namespace {

// The published signatures of the visual-style functions the box calls; the
// library is never linked, its addresses come from the loader.
using OpenThemeDataFn = HANDLE(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT(WINAPI*)(HANDLE);
using ThemeQueryFn = BOOL(WINAPI*)();
using GetThemeTextExtentFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, LPCWSTR, int, DWORD, const RECT*, RECT*);
using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);
using DrawThemeTextFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*);
using DrawThemeParentBackgroundFn = HRESULT(WINAPI*)(HWND, HDC, const RECT*);

template <typename Fn>
Fn Function(void* address)
{
    return reinterpret_cast<Fn>(address);
}

HANDLE Theme(widgets::ThemeData theme) { return reinterpret_cast<HANDLE>(theme); }

RECT ToRect(const widgets::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

class LibraryStyle final : public widgets::GroupBoxStyle {
public:
    LibraryStyle(const widgets::StyleLibrary* library, HWND window) : library_(library), window_(window) {}
    void SetCanvas(HDC dc) { dc_ = dc; }

    bool libraryLoaded() const override { return library_ && widgets::GroupBoxCanStyle(*library_); }

    widgets::ThemeData openThemeData() override
    {
        return reinterpret_cast<widgets::ThemeData>(
            Function<OpenThemeDataFn>(library_->OpenThemeData())(window_, L"BUTTON"));
    }

    void closeThemeData(widgets::ThemeData theme) override
    {
        Function<CloseThemeDataFn>(library_->CloseThemeData())(Theme(theme));
    }

    bool isThemeActive() override { return Function<ThemeQueryFn>(library_->IsThemeActive())() != FALSE; }
    bool isAppThemed() override { return Function<ThemeQueryFn>(library_->IsAppThemed())() != FALSE; }

    std::optional<widgets::Rect> textExtent(widgets::ThemeData theme, int state, std::string_view text,
                                            unsigned flags) override
    {
        const std::wstring wide = Utf8ToWide(text::AsUtf8(text));  // the painter's captions are UTF-8
        RECT extent{};
        const HRESULT result = Function<GetThemeTextExtentFn>(library_->GetThemeTextExtent())(
            Theme(theme), dc_, widgets::groupbox::kPart, state, wide.c_str(), -1, flags, nullptr, &extent);
        if (result != S_OK) return std::nullopt;
        return widgets::Rect{extent.left, extent.top, extent.right, extent.bottom};
    }

    bool drawBackground(widgets::ThemeData theme, int state, const widgets::Rect& frame,
                        const widgets::Rect& excluded) override
    {
        const RECT rect = ToRect(frame);
        const int saved = SaveDC(dc_);
        ExcludeClipRect(dc_, excluded.left, excluded.top, excluded.right, excluded.bottom);
        const HRESULT result = Function<DrawThemeBackgroundFn>(library_->DrawThemeBackground())(
            Theme(theme), dc_, widgets::groupbox::kPart, state, &rect, nullptr);
        RestoreDC(dc_, saved);
        return result == S_OK;
    }

    bool drawText(widgets::ThemeData theme, int state, std::string_view text, unsigned flags,
                  const widgets::Rect& rect) override
    {
        const std::wstring wide = Utf8ToWide(text::AsUtf8(text));  // the painter's captions are UTF-8
        const RECT r = ToRect(rect);
        return Function<DrawThemeTextFn>(library_->DrawThemeText())(Theme(theme), dc_, widgets::groupbox::kPart,
                                                                     state, wide.c_str(), -1, flags, 0, &r) == S_OK;
    }

    void DrawParentBackground(HWND child, HDC dc) const
    {
        Function<DrawThemeParentBackgroundFn>(library_->DrawThemeParentBackground())(child, dc, nullptr);
    }

private:
    const widgets::StyleLibrary* library_;
    HWND window_;
    HDC dc_ = nullptr;
};

// The brush the parent gives static controls: the background the box stands on.
HBRUSH ParentBrush(HWND window, HDC dc)
{
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(window), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window)));
    return brush ? brush : GetSysColorBrush(COLOR_BTNFACE);
}

class GdiCanvas final : public widgets::GroupBoxCanvas {
public:
    GdiCanvas(HWND window, HDC dc, bool enabled) : window_(window), dc_(dc), enabled_(enabled) {}

    widgets::Size textSize(std::string_view text) override
    {
        const std::wstring wide = Utf8ToWide(text::AsUtf8(text));  // the painter's captions are UTF-8
        SIZE size{};
        GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size);
        return {size.cx, size.cy};
    }

    void fillWithParentBrush(const widgets::Rect& rect) override
    {
        const RECT r = ToRect(rect);
        FillRect(dc_, &r, ParentBrush(window_, dc_));
    }

    void frameRect(const widgets::Rect& rect, widgets::FrameColour colour) override
    {
        const int index = colour == widgets::FrameColour::ButtonHighlight ? COLOR_BTNHIGHLIGHT
                          : colour == widgets::FrameColour::ButtonShadow  ? COLOR_BTNSHADOW
                                                                          : COLOR_WINDOWFRAME;
        const RECT r = ToRect(rect);
        FrameRect(dc_, &r, GetSysColorBrush(index));
    }

    // On the box's own colour, so the frame line stops at the caption. The
    // rectangle is one text line high; descenders that reach below it stay.
    void drawCaption(std::string_view text, const widgets::Rect& rect, unsigned flags) override
    {
        const std::wstring wide = Utf8ToWide(text::AsUtf8(text));  // the painter's captions are UTF-8
        RECT r = ToRect(rect);
        SetBkMode(dc_, OPAQUE);
        SetBkColor(dc_, GetSysColor(COLOR_BTNFACE));
        SetTextColor(dc_, GetSysColor(enabled_ ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        DrawTextW(dc_, wide.c_str(), -1, &r, flags | DT_NOCLIP);
    }

private:
    HWND window_;
    HDC dc_;
    bool enabled_;
};

widgets::GroupBoxView ViewOf(const GroupBox& box, HWND window)
{
    widgets::GroupBoxView view;
    RECT client{};
    GetClientRect(window, &client);
    view.caption = std::string(text::Bytes(box.Caption()));
    view.width = client.right;
    view.height = client.bottom;
    view.enabled = IsWindowEnabled(window) != FALSE;
    view.ctl3D = box.Ctl3D();
    view.hasParentWindow = GetParent(window) != nullptr;
    view.rightToLeft = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
    return view;
}

}  // namespace

GroupBoxPeer::GroupBoxPeer(Win32Backend& backend, GroupBox& box) : WindowPeer(backend, box)
{
    CreateChild(kGroupBoxClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, Utf8ToWide(box.Caption()));
    style_ = std::make_unique<LibraryStyle>(backend.Styles(), Window());
    logic_ = std::make_unique<widgets::XPGroupBoxLogic>(*style_);
    logic_->windowCreated();
}

GroupBoxPeer::~GroupBoxPeer()
{
    if (logic_) logic_->windowDestroyed();
}

void GroupBoxPeer::Paint(HDC dc)
{
    const auto& box = static_cast<const GroupBox&>(Model());
    const widgets::GroupBoxView view = ViewOf(box, Window());
    const HGDIOBJ oldFont = SelectObject(dc, GetBackend().Font());
    static_cast<LibraryStyle&>(*style_).SetCanvas(dc);
    GdiCanvas canvas(Window(), dc, view.enabled);
    logic_->paint(view, canvas);
    static_cast<LibraryStyle&>(*style_).SetCanvas(nullptr);
    SelectObject(dc, oldFont);
}

bool GroupBoxPeer::Handle(Message& m)
{
    const auto& box = static_cast<const GroupBox&>(Model());
    switch (m.id) {
    case WM_PAINT: {
        struct Painting {
            HWND window;
            PAINTSTRUCT ps{};
            HDC dc;
            explicit Painting(HWND w) : window(w), dc(BeginPaint(w, &ps)) {}
            ~Painting() { EndPaint(window, &ps); }
        } painting(Window());
        Paint(painting.dc);
        m.result = 0;
        return true;
    }
    case WM_PRINTCLIENT:  // a child asks for the background behind it
        Paint(reinterpret_cast<HDC>(m.wParam));
        m.result = 0;
        return true;
    case WM_ERASEBKGND:
        switch (logic_->eraseBackground(ViewOf(box, Window()), m.wParam, static_cast<std::uintptr_t>(m.lParam))) {
        case widgets::EraseAction::BaseClass: return false;
        case widgets::EraseAction::Nothing: break;
        case widgets::EraseAction::FillWithParentBrush: {
            const auto dc = reinterpret_cast<HDC>(m.wParam);
            RECT client{};
            GetClientRect(Window(), &client);
            FillRect(dc, &client, ParentBrush(Window(), dc));
            break;
        }
        }
        m.result = widgets::groupbox::kEraseResult;
        return true;
    case WM_THEMECHANGED:
        m.result = logic_->themeChanged();
        InvalidateRect(Window(), nullptr, TRUE);
        return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
        // Every child that asks: buttons, check boxes, labels, and edit
        // boxes that are disabled or read-only (they ask as static controls).
        const auto child = reinterpret_cast<HWND>(m.lParam);
        if (!logic_->answersChildColour(ViewOf(box, Window()), m.id)) return WindowPeer::Handle(m);
        const auto dc = reinterpret_cast<HDC>(m.wParam);
        static_cast<LibraryStyle&>(*style_).DrawParentBackground(child, dc);
        SetBkMode(dc, TRANSPARENT);
        m.result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        return true;
    }
    case WM_ENABLE:
        InvalidateRect(Window(), nullptr, TRUE);  // the caption changes colour
        return WindowPeer::Handle(m);
    default:
        return WindowPeer::Handle(m);
    }
}

void GroupBoxPeer::ApplyText()
{
    WindowPeer::ApplyText();
    InvalidateRect(Window(), nullptr, TRUE);
}

void GroupBoxPeer::ApplyOther(Property property)
{
    if (property == Property::Style) InvalidateRect(Window(), nullptr, TRUE);
}

}  // namespace sonrik::ui::win32
