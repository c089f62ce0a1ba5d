// The columned list box's windows. The portable logic (widgets/
// column_listbox_logic) decides widths, cells, flags and selection; here the
// header and the list box show the model, and clicks, keys, scrolling and
// section drags go back to it through UserInput.
#include "ui/win32/peers.h"

#include "ui/input.h"
#include "ui/win32/text.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace sonrik::ui::win32 {

namespace {

constexpr int kHeaderId = 1;
constexpr int kListId = 2;

std::function<void(const DrawnCell&)>& DrawnCellHook()
{
    static std::function<void(const DrawnCell&)> hook;
    return hook;
}

ShiftState ShiftOfMouse(WPARAM keys)
{
    ShiftState shift = 0;
    if (keys & MK_SHIFT) shift |= ssShift;
    if (keys & MK_CONTROL) shift |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    return shift;
}

ShiftState ShiftOfKeyboard()
{
    ShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    return shift;
}

int HeaderFormat(widgets::Alignment alignment)
{
    switch (alignment) {
    case widgets::Alignment::Right: return HDF_STRING | HDF_RIGHT;
    case widgets::Alignment::Center: return HDF_STRING | HDF_CENTER;
    case widgets::Alignment::Left: break;
    }
    return HDF_STRING | HDF_LEFT;
}

DWORD ListStyle(bool multiSelect)
{
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_OWNERDRAWFIXED | LBS_NODATA |
                  LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    if (multiSelect) style |= LBS_EXTENDEDSEL;
    return style;
}

// Selects a GDI object into a device context for a scope.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~Selected() { SelectObject(dc_, old_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Asks the container to bring its parts up to date.
UINT FlushMessage()
{
    static const UINT message = RegisterWindowMessageW(L"Sonrik.ColumnListBox.Flush");
    return message;
}

// Messages by which the user acts on the rows: pending changes go in first,
// so the user acts on what the model has, and the outcome is shown at once.
bool IsUserAction(UINT id)
{
    switch (id) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL: return true;
    default: return false;
    }
}

int HorizontalPosition(HWND list)
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_POS;
    return GetScrollInfo(list, SB_HORZ, &info) ? info.nPos : 0;
}

bool IsHeaderCode(UINT code, UINT wide, UINT ansi) { return code == wide || code == ansi; }

}  // namespace

void SetDrawnCellHook(std::function<void(const DrawnCell&)> hook) { DrawnCellHook() = std::move(hook); }

ColumnListBoxPeer::ColumnListBoxPeer(Win32Backend& backend, ColumnListBox& list) : WindowPeer(backend, list)
{
    // One pixel of frame, as the window layouts count it (a 513-wide list
    // holds a 511-wide section).
    CreateChild(kPanelClass, WS_CLIPCHILDREN | WS_BORDER, WS_EX_CONTROLPARENT, std::wstring());
    DWORD headerStyle = WS_CHILD | WS_VISIBLE | HDS_HORZ | HDS_BUTTONS;
    if (list.HeaderHotTrack()) headerStyle |= HDS_HOTTRACK;
    header_ = CreateWindowExW(0, WC_HEADERW, nullptr, headerStyle, 0, 0, 0, 0, Window(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHeaderId)), backend.Instance(), nullptr);
    if (!header_) throw std::runtime_error("cannot create the header of " + list.Name());
    SendMessageW(header_, WM_SETFONT, reinterpret_cast<WPARAM>(backend.Font()), FALSE);
    CreateList();
    ApplySections();
    ApplyRows();
    EnableParts();
}

// ---- building the parts ------------------------------------------------------------

void ColumnListBoxPeer::CreateList()
{
    const HWND old = list_;
    const bool hadFocus = old && GetFocus() == old;
    recreating_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{recreating_};
    if (old) DestroyWindow(old);
    list_ = nullptr;
    RECT client{};
    GetClientRect(Window(), &client);
    const int top = std::min<int>(List().HeaderHeight(), client.bottom);
    // The row height comes from WM_MEASUREITEM, answered while this runs.
    const HWND list = CreateWindowExW(0, WC_LISTBOXW, nullptr, ListStyle(List().MultiSelect()), 0, top, client.right,
                                      client.bottom - top, Window(),
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                                      GetBackend().Instance(), nullptr);
    if (!list) throw std::runtime_error("cannot create the rows of " + List().Name());
    list_ = list;
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(GetBackend().Font()), FALSE);
    AdoptPart(list_);
    List().SetItemHeight(static_cast<int>(SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0)));
    shownTop_ = 0;
    if (old) {
        pending_ = 0;  // everything goes into the new list box now
        EnableParts();
        ApplySections();  // the horizontal extent belongs to the list box
        ApplyRows();
        if (hadFocus) ::SetFocus(list_);
    }
}

// The text height of the font plus room for the one-pixel inset and the
// focus frame: 16 for the 8-point window font.
int ColumnListBoxPeer::RowHeight() const
{
    const HDC dc = GetDC(Window());
    TEXTMETRICW metrics{};
    {
        const Selected font(dc, GetBackend().Font());
        GetTextMetricsW(dc, &metrics);
    }
    ReleaseDC(Window(), dc);
    return metrics.tmHeight + 3;
}

void ColumnListBoxPeer::Layout()
{
    if (!list_) return;
    RECT client{};
    GetClientRect(Window(), &client);
    const int top = std::clamp<int>(List().HeaderHeight(), 0, client.bottom);
    SetWindowPos(list_, nullptr, 0, top, client.right, client.bottom - top, SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceHeader();
}

// The header scrolls with the rows: it stands left of the container by the
// list's horizontal scroll position.
void ColumnListBoxPeer::PlaceHeader()
{
    RECT client{};
    GetClientRect(Window(), &client);
    const int position = list_ ? HorizontalPosition(list_) : 0;
    const int width = std::max<int>(client.right + position, List().Sections().totalWidth());
    const int height = std::clamp<int>(List().HeaderHeight(), 0, client.bottom);
    SetWindowPos(header_, nullptr, -position, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(header_, height > 0 ? SW_SHOWNA : SW_HIDE);
}

void ColumnListBoxPeer::EnableParts()
{
    const BOOL enabled = IsWindowEnabled(Window());
    EnableWindow(header_, enabled);
    if (list_) EnableWindow(list_, enabled);
}

int ColumnListBoxPeer::VisibleRows() const
{
    RECT client{};
    GetClientRect(list_, &client);
    return std::max(1, static_cast<int>(client.bottom) / std::max(1, List().ItemHeight()));
}

// ---- the model into the windows --------------------------------------------------------

void ColumnListBoxPeer::ApplyOther(Property property)
{
    switch (property) {
    case Property::Sections: Defer(kSections); return;
    case Property::Items: Defer(kRows); return;
    case Property::Selection:
        if (syncing_ == 0) Defer(kSelection);
        return;
    case Property::Style: {
        const bool shownMulti = (GetWindowLongPtrW(list_, GWL_STYLE) & LBS_EXTENDEDSEL) != 0;
        // A list box cannot change its selection style while it lives.
        if (shownMulti != List().MultiSelect()) CreateList();
        return;
    }
    default: return;
    }
}

// Every change the list box is told of repaints rows and scroll bars at
// once, which is slow enough (a few milliseconds under Wine) that a page of
// rows appended one by one would take seconds.
void ColumnListBoxPeer::Defer(unsigned what)
{
    pending_ |= what;
    if (!flushPosted_) flushPosted_ = PostMessageW(Window(), FlushMessage(), 0, 0) != FALSE;
    if (!flushPosted_) Flush();
}

// A list that shows the outcome of each file as it goes changes a row at a
// time: only that row is drawn again, not the whole list each time. Marking
// it costs no more than asking for a flush would, and the message loop draws
// it with whatever else changed; a new number of rows redraws them all anyway.
void ColumnListBoxPeer::RowChanged(int row)
{
    if (!list_ || (pending_ & kRows) != 0) return;
    RECT rect{}, client{};
    if (SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) == LB_ERR) {
        Defer(kRows);
        return;
    }
    // A row out of sight lies outside the client area and marks nothing.
    GetClientRect(list_, &client);
    const RECT line{client.left, rect.top, client.right, rect.bottom};
    InvalidateRect(list_, &line, TRUE);
}

void ColumnListBoxPeer::Flush()
{
    const unsigned what = std::exchange(pending_, 0u);
    if (what & kSections) ApplySections();
    if (what & kRows)
        ApplyRows();
    else if (what & kSelection)
        ApplySelection();
}

void ColumnListBoxPeer::ApplySections()
{
    const auto scope = UpdatingScope();
    const auto& sections = List().Sections();
    const int count = sections.count();
    for (auto shown = static_cast<int>(SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0)); shown > count; --shown)
        SendMessageW(header_, HDM_DELETEITEM, static_cast<WPARAM>(shown - 1), 0);
    const auto shown = static_cast<int>(SendMessageW(header_, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring text = Utf8ToWide(sections[i].Text());
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.cxy = sections[i].Width();
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        item.fmt = HeaderFormat(sections[i].alignment);
        SendMessageW(header_, i < shown ? HDM_SETITEMW : HDM_INSERTITEMW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
    }
    auto style = static_cast<DWORD>(GetWindowLongPtrW(header_, GWL_STYLE));
    const DWORD hot = List().HeaderHotTrack() ? style | HDS_HOTTRACK : style & ~static_cast<DWORD>(HDS_HOTTRACK);
    if (hot != style) SetWindowLongPtrW(header_, GWL_STYLE, static_cast<LONG_PTR>(hot));
    if (!list_) return;
    // Rows scroll sideways only when the columns are wider than the control.
    const int total = sections.totalWidth();
    SendMessageW(list_, LB_SETHORIZONTALEXTENT, total > List().ClientWidth() ? static_cast<WPARAM>(total) : 0, 0);
    Layout();
    InvalidateRect(list_, nullptr, TRUE);
}

void ColumnListBoxPeer::ApplyRows()
{
    if (!list_) return;
    {
        const auto scope = UpdatingScope();
        const int count = List().Count();
        if (SendMessageW(list_, LB_GETCOUNT, 0, 0) != count)
            SendMessageW(list_, LB_SETCOUNT, static_cast<WPARAM>(count), 0);
        InvalidateRect(list_, nullptr, TRUE);
    }
    ApplySelection();
}

// Pushes selection, current row and top row; only rows whose state differs
// are touched, so a list the user scrolled stays where it is.
void ColumnListBoxPeer::ApplySelection()
{
    if (!list_ || syncing_ > 0) return;
    {
        const auto scope = UpdatingScope();
        const ColumnListBox& model = List();
        const int count = model.Count();
        const int current = model.CurrentRow();
        if (model.MultiSelect()) {
            // One question for what the window shows: rows are added one by
            // one, and a message per row each time would add up.
            std::vector<bool> shown(static_cast<std::size_t>(count), false);
            const auto shownCount = static_cast<int>(SendMessageW(list_, LB_GETSELCOUNT, 0, 0));
            if (shownCount > 0) {
                std::vector<int> rows(static_cast<std::size_t>(shownCount));
                SendMessageW(list_, LB_GETSELITEMS, static_cast<WPARAM>(shownCount), reinterpret_cast<LPARAM>(rows.data()));
                for (const int row : rows)
                    if (row >= 0 && row < count) shown[static_cast<std::size_t>(row)] = true;
            }
            // Runs of rows to change, as ranges: selecting a single row
            // would also move the caret there and scroll to it each time.
            bool changed = false;
            for (int i = 0; i < count;) {
                const bool selected = model.Selected(i);
                if (shown[static_cast<std::size_t>(i)] == selected) {
                    ++i;
                    continue;
                }
                int last = i;
                while (last + 1 < count && model.Selected(last + 1) == selected &&
                       shown[static_cast<std::size_t>(last + 1)] != selected)
                    ++last;
                if (selected)
                    SendMessageW(list_, LB_SELITEMRANGEEX, static_cast<WPARAM>(i), last);
                else if (last > i)
                    SendMessageW(list_, LB_SELITEMRANGEEX, static_cast<WPARAM>(last), i);
                else
                    SendMessageW(list_, LB_SETSEL, FALSE, i);  // a range of one would select
                changed = true;
                i = last + 1;
            }
            const auto caret = static_cast<int>(SendMessageW(list_, LB_GETCARETINDEX, 0, 0));
            if (current >= 0 && (changed || caret != current))
                SendMessageW(list_, LB_SETCARETINDEX, static_cast<WPARAM>(current), FALSE);
        } else if (SendMessageW(list_, LB_GETCURSEL, 0, 0) != current) {
            SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
        }
        // A top row the model has and the window never showed was set by code.
        if (model.TopRow() != shownTop_ && model.TopRow() < count)
            SendMessageW(list_, LB_SETTOPINDEX, static_cast<WPARAM>(model.TopRow()), 0);
    }
    SyncTopRow();
}

// The window scrolled: the model's row geometry follows.
void ColumnListBoxPeer::SyncTopRow()
{
    if (!list_) return;
    const auto top = static_cast<int>(SendMessageW(list_, LB_GETTOPINDEX, 0, 0));
    shownTop_ = top;
    if (top != List().TopRow()) {
        const Scope scope(syncing_);
        List().SetTopRow(top);
    }
    // The columns scrolled sideways: the model's hit tests add the offset.
    if (const int position = HorizontalPosition(list_); position != List().ScrollLeft()) {
        const Scope scope(syncing_);
        UserInput::ScrolledHorizontally(List(), position);
    }
    PlaceHeader();
}

// ---- messages ------------------------------------------------------------------------

bool ColumnListBoxPeer::Handle(Message& m)
{
    if (m.window == list_) {
        if (!IsUserAction(m.id)) return HandleList(m);
        Flush();
        const bool handled = HandleList(m);
        Flush();
        return handled;
    }
    if (m.window == Window()) {
        if (m.id != FlushMessage()) return HandleContainer(m);
        flushPosted_ = false;
        Flush();
        m.result = 0;
        return true;
    }
    return false;  // a list box on its way out
}

bool ColumnListBoxPeer::HandleContainer(Message& m)
{
    switch (m.id) {
    case WM_MEASUREITEM: {
        auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(m.lParam);
        if (measure.CtlType != ODT_LISTBOX || measure.CtlID != kListId) return false;
        measure.itemHeight = static_cast<UINT>(RowHeight());
        m.result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam);
        if (item.CtlType != ODT_LISTBOX || item.hwndItem != list_) return false;
        DrawRow(item);
        m.result = TRUE;
        return true;
    }
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(m.lParam) != list_ || !list_) return WindowPeer::Handle(m);
        Flush();
        Command(HIWORD(m.wParam));
        Flush();
        m.result = 0;
        return true;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(m.lParam);
        if (header.hwndFrom != header_) return WindowPeer::Handle(m);
        return HandleHeader(header, m.result);
    }
    case WM_SETFOCUS:
        // The rows take the keys; the container only passes the focus on.
        if (list_ && !recreating_) ::SetFocus(list_);
        m.result = 0;
        return true;
    case WM_ENABLE:
        EnableParts();
        return false;
    case WM_SIZE: {
        Layout();
        RECT frame{};
        GetWindowRect(Window(), &frame);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        // Sized by anything but the model (whose own sizes arrive equal):
        // the model hears of it and sizes its columns again.
        if (!Updating() && (width != Model().Width() || height != Model().Height())) {
            UserInput::Resized(Model(), width, height);
            Flush();
        }
        return false;
    }
    default: return WindowPeer::Handle(m);
    }
}

bool ColumnListBoxPeer::HandleList(Message& m)
{
    switch (m.id) {
    case WM_LBUTTONDOWN:
        MouseDown(m);
        m.result = 0;
        return true;
    case WM_MOUSEMOVE:
        if (dragRow_ < 0) return false;
        MouseDrag(m);
        m.result = 0;
        return true;
    case WM_LBUTTONUP: {
        const bool dragged = dragRow_ >= 0;
        dragRow_ = -1;
        if (dragged && GetCapture() == list_) ReleaseCapture();
        UserInput::MouseUp(Model(), MouseButton::Left, ShiftOfMouse(m.wParam), GET_X_LPARAM(m.lParam),
                           GET_Y_LPARAM(m.lParam));
        m.result = 0;
        return true;
    }
    case WM_RBUTTONUP: {
        m.result = Default(m);  // the context menu request
        UserInput::MouseUp(Model(), MouseButton::Right, ShiftOfMouse(m.wParam), GET_X_LPARAM(m.lParam),
                           GET_Y_LPARAM(m.lParam));
        return true;
    }
    case WM_LBUTTONDBLCLK:
        // The first click of the pair selected the row; the list box's own
        // handling would select again by its own rules.
        if (GetFocus() != list_) ::SetFocus(list_);
        UserInput::DoubleClicked(Model());
        m.result = 0;
        return true;
    case WM_CAPTURECHANGED:
        dragRow_ = -1;
        return false;
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_SIZE:
        m.result = Default(m);
        if (m.window == list_) SyncTopRow();
        return true;
    case WM_CHAR:
        // Reported to the model by the base; the rows hold no strings to
        // search, so the list box gets nothing to act on.
        if (WindowPeer::Handle(m)) return true;
        m.result = 0;
        return true;
    case WM_KEYDOWN:
        if (WindowPeer::Handle(m)) return true;  // a handler took the key
        if (m.window != list_) {  // a handler rebuilt the rows
            m.result = 0;
            return true;
        }
        if (!HandleKey(m.wParam)) return false;
        m.result = 0;
        return true;
    default: return WindowPeer::Handle(m);
    }
}

void ColumnListBoxPeer::MouseDown(const Message& m)
{
    if (GetFocus() != list_) ::SetFocus(list_);
    // Below the last row nothing is picked (the list box would take the
    // last row).
    const int top = static_cast<int>(SendMessageW(list_, LB_GETTOPINDEX, 0, 0));
    const int row = widgets::RowAt(GET_Y_LPARAM(m.lParam), top, List().ItemHeight(), List().Count());
    if (row < 0) return;
    const ShiftState shift = ShiftOfMouse(m.wParam);
    UserInput::RowClicked(List(), row, shift);
    dragRow_ = row;
    dragShift_ = shift;
    if (list_) SetCapture(list_);
}

// Dragging with the button held extends the selection from the clicked row,
// as the platform's extended selection does; the rows scroll along.
void ColumnListBoxPeer::MouseDrag(const Message& m)
{
    const int count = List().Count();
    if (count == 0) return;
    const int y = GET_Y_LPARAM(m.lParam);
    const int height = std::max(1, List().ItemHeight());
    const int top = static_cast<int>(SendMessageW(list_, LB_GETTOPINDEX, 0, 0));
    const int row = std::clamp(top + (y >= 0 ? y / height : -1), 0, count - 1);
    if (row == dragRow_) return;
    dragRow_ = row;
    const ShiftState shift = List().MultiSelect() ? (dragShift_ & ssCtrl) | ssShift : 0;
    UserInput::RowClicked(List(), row, shift);
}

// Navigation keys move through the model; the list box only shows the result.
bool ColumnListBoxPeer::HandleKey(WPARAM key)
{
    ColumnListBox& model = List();
    const int count = model.Count();
    const int current = model.CurrentRow();
    const ShiftState shift = ShiftOfKeyboard();
    const int last = std::max(count - 1, 0);
    const int page = VisibleRows();
    const int top = static_cast<int>(SendMessageW(list_, LB_GETTOPINDEX, 0, 0));
    int target = -1;
    switch (key) {
    case VK_UP: target = current < 0 ? 0 : current - 1; break;
    case VK_DOWN: target = current < 0 ? 0 : current + 1; break;
    case VK_HOME: target = 0; break;
    case VK_END: target = last; break;
    case VK_NEXT: {
        // First to the last visible row, then a page further.
        const int bottom = top + page - 1;
        target = std::clamp(current < bottom ? bottom : current + page - 1, 0, last);
        break;
    }
    case VK_PRIOR: target = std::clamp(current > top ? top : current - (page - 1), 0, last); break;
    case VK_SPACE: UserInput::RowToggled(model); return true;
    case VK_LEFT:
    case VK_RIGHT:
        SendMessageW(list_, WM_HSCROLL, key == VK_LEFT ? SB_LINELEFT : SB_LINERIGHT, 0);
        return true;
    default: return false;
    }
    // Up at the first row and Down at the last move nowhere.
    if (count > 0) UserInput::RowMovedTo(model, target, shift);
    return true;
}

void ColumnListBoxPeer::Command(WORD code)
{
    if (Updating()) return;
    switch (code) {
    case LBN_SELCHANGE: ReadBackSelection(); return;
    case LBN_DBLCLK: UserInput::DoubleClicked(Model()); return;
    default: return;
    }
}

// The list box changed its selection by means of its own (automation tools
// set it and notify): the model takes what the window shows, and the
// selection handler runs as for a click.
void ColumnListBoxPeer::ReadBackSelection()
{
    ColumnListBox& model = List();
    {
        const Scope scope(syncing_);
        if (model.MultiSelect()) {
            for (int i = 0; i < model.Count(); ++i) {
                const bool selected = SendMessageW(list_, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
                if (model.Selected(i) != selected) model.SetSelected(i, selected);
            }
            const auto caret = static_cast<int>(SendMessageW(list_, LB_GETCARETINDEX, 0, 0));
            if (caret >= 0 && caret < model.Count()) model.SetCurrentRow(caret);
        } else {
            const auto selected = static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0));
            model.SetCurrentRow(selected >= 0 && selected < model.Count() ? selected : -1);
        }
    }
    UserInput::Clicked(model);
    ApplySelection();
}

bool ColumnListBoxPeer::HandleHeader(const NMHDR& header, LRESULT& result)
{
    if (Updating()) return false;
    const UINT code = header.code;
    // Only the item-change notices carry an NMHEADER; the header's other
    // notices (custom drawing, capture released, clicks) are shorter, and
    // reading an item pointer from them reads whatever lies behind them.
    if (!IsHeaderCode(code, HDN_ITEMCHANGINGW, HDN_ITEMCHANGINGA) &&
        !IsHeaderCode(code, HDN_ITEMCHANGEDW, HDN_ITEMCHANGEDA))
        return false;
    const auto& notice = reinterpret_cast<const NMHEADERW&>(header);
    // The user dragged a divider: the header is about to take the new width
    // (or, for headers that only tell afterwards, has taken it). The model
    // clamps it and its widths go back into the header; the header's own
    // change is refused so the model's stays.
    if (notice.pitem && (notice.pitem->mask & HDI_WIDTH) != 0) {
        const int section = notice.iItem;
        if (section < 0 || section >= List().SectionCount()) return false;
        Flush();
        if (notice.pitem->cxy != List().Sections()[section].Width())
            UserInput::HeaderSized(List(), section, notice.pitem->cxy);
        pending_ |= kSections;  // the header shows the model's widths now
        Flush();
        result = TRUE;
        return true;
    }
    return false;
}

// ---- drawing ------------------------------------------------------------------------

void ColumnListBoxPeer::DrawRow(const DRAWITEMSTRUCT& item)
{
    const HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const auto row = static_cast<int>(item.itemID);
    if (item.itemID == static_cast<UINT>(-1) || row >= List().Count()) {
        // An empty list still shows where the focus is.
        if ((item.itemAction & ODA_FOCUS) && (item.itemState & ODS_FOCUS)) DrawFocusRect(dc, &rect);
        return;
    }
    // The list box draws every visible row whatever part of it is painted
    // again; a row outside that part would only be clipped away.
    if (!RectVisible(dc, &rect)) return;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : disabled ? COLOR_INACTIVECAPTION : COLOR_WINDOWTEXT));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    {
        const Selected font(dc, GetBackend().Font());
        const ColumnListBox& model = List();
        const bool rightToLeft = (GetWindowLongPtrW(Window(), GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
        const widgets::Rect rowRect{rect.left, rect.top, rect.right, rect.bottom};
        const auto cells = widgets::LayoutRow(model.Rows().item(row), model.Delimiter(), model.Sections(), rowRect,
                                              model.Options(), rightToLeft);
        // Columns that only overhang the rows (under the frame or the
        // vertical scroll bar) end at the visible edge, so their texts are
        // shortened where the user can see it.
        const bool scrolls = model.Sections().totalWidth() > model.ClientWidth();
        RECT client{};
        GetClientRect(list_, &client);
        for (const auto& cell : cells) {
            RECT cellRect{cell.rect.left, cell.rect.top, cell.rect.right, cell.rect.bottom};
            if (!scrolls) cellRect.right = std::min<LONG>(cellRect.right, client.right - 1);
            if (cellRect.right <= cellRect.left) continue;
            const std::wstring text = Utf8ToWide(sonrik::text::AsUtf8(cell.text));
            // The path ellipsis is for paths: on text without a backslash the
            // system puts an ellipsis in front as well as at the end.
            UINT flags = cell.flags;
            if (text.find(L'\\') == std::wstring::npos) flags &= ~static_cast<UINT>(DT_PATH_ELLIPSIS);
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &cellRect, flags);
            if (const auto& hook = DrawnCellHook()) hook({list_, row, text, cellRect, flags, dc});
        }
    }
    SetBkMode(dc, oldMode);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &rect);
}

}  // namespace sonrik::ui::win32
