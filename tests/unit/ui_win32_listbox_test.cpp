// The columned list box on real windows: what the user does to the header
// and the rows reaches the model as the headless backend reports it, the
// rows always show the model's selection, and each row draws exactly the
// cells its sections hold. Windows only (runs under Wine).
#ifdef _WIN32

#include "ui/win32/automation_names.h"
#include "ui/win32/peers.h"
#include "ui/win32/win32_backend.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

using namespace sonrik::ui;
using sonrik::ui::win32::DrawnCell;
using sonrik::ui::win32::Win32Backend;

namespace {

using Log = std::vector<std::string>;

class ListForm : public Form {
public:
    explicit ListForm(Backend& backend) : Form(backend, "SonrikListForm")
    {
        SetClientSize(560, 260);
        TagBox.SetBounds(8, 8, 513, 200);
        Other.SetBounds(8, 220, 100, 21);
        TagBox.OnClick = [this] { log.push_back("click"); };
        TagBox.OnDblClick = [this] { log.push_back("dblclick"); };
        TagBox.OnMouseUp = [this](MouseButton button, ShiftState, int x, int y) {
            log.push_back(std::string("up:") + (button == MouseButton::Right ? "R," : "L,") +
                          std::to_string(TagBox.RowAt(x, y)) + "," + std::to_string(TagBox.Sections().sectionAt(x)));
        };
        TagBox.OnKeyDown = [this](int& key, ShiftState) {
            if (key == VK_RETURN) log.push_back("enter");
        };
        TagBox.OnHeaderSized = [this](int section, int width) {
            TagBox.SetSectionAutoSize(section, false);
            log.push_back("sized:" + std::to_string(section) + "=" + std::to_string(width));
        };
    }
    ~ListForm() override { Destroy(); }

    // The list editor's way: a minimum of an equal share each (or a first
    // column of 30), then all auto-sized.
    void Columns(const std::vector<std::u8string>& titles, bool narrowFirst = false)
    {
        TagBox.ClearSections();
        const int n = static_cast<int>(titles.size());
        for (int i = 0; i < n; ++i) {
            TagBox.AddSection();
            TagBox.SetSectionText(i, titles[static_cast<std::size_t>(i)]);
            if (narrowFirst && i == 0)
                TagBox.SetSectionWidth(i, 30);
            else
                TagBox.SetSectionMinWidth(i, TagBox.ClientWidth() / n);
        }
        for (int i = 0; i < n; ++i) TagBox.SetSectionAutoSize(i, true);
    }

    ColumnListBox TagBox{this, "TagBox"};
    Edit Other{this, "Other"};
    Log log;
};

std::vector<std::u8string> Rows(int count)
{
    std::vector<std::u8string> rows;
    for (int i = 0; i < count; ++i) {
        const std::u8string n(sonrik::text::AsUtf8(std::to_string(i)));
        rows.push_back(u8"C:\\Music\\a" + n + u8".mp3|A - " + n + u8".mp3|Test OK");
    }
    return rows;
}

// Shift or Ctrl held for the keyboard state the window reads.
class Held {
public:
    explicit Held(int key) : key_(key) { Set(true); }
    ~Held() { Set(false); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    void Set(bool down) const
    {
        BYTE state[256]{};
        GetKeyboardState(state);
        state[key_] = down ? 0x80 : 0;
        SetKeyboardState(state);
    }
    int key_;
};

// The rows painted into a bitmap; the cells drawn meanwhile are collected,
// and `inspect` sees each while its device context is live.
class Painted {
public:
    explicit Painted(HWND list, const std::function<void(const DrawnCell&)>& inspect = {})
    {
        RECT client{};
        GetClientRect(list, &client);
        const HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, client.right, client.bottom);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        FillRect(dc_, &client, GetSysColorBrush(COLOR_WINDOW));
        sonrik::ui::win32::SetDrawnCellHook([&](const DrawnCell& cell) {
            cells.push_back(cell);
            colours.push_back(GetTextColor(cell.dc));
            if (inspect) inspect(cell);
        });
        // The list box may leave its scroll offset in the context.
        const int saved = SaveDC(dc_);
        SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
        RestoreDC(dc_, saved);
        sonrik::ui::win32::SetDrawnCellHook(nullptr);
    }
    ~Painted()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Painted(const Painted&) = delete;
    Painted& operator=(const Painted&) = delete;

    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    std::vector<DrawnCell> CellsOf(int row) const
    {
        std::vector<DrawnCell> of;
        for (const auto& cell : cells)
            if (cell.row == row) of.push_back(cell);
        return of;
    }
    std::vector<std::wstring> TextsOf(int row) const
    {
        std::vector<std::wstring> texts;
        for (const auto& cell : CellsOf(row)) texts.push_back(cell.text);
        return texts;
    }

    std::vector<DrawnCell> cells;  // their device context is gone once painted
    std::vector<COLORREF> colours;

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

class Win32ListBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.Create();
        form.SetVisible(true);
        form.Columns({u8"Old name", u8"New name", u8"Статус"});
        form.TagBox.AssignItems(Rows(8));
        backend.ProcessMessages();
        form.log.clear();
    }

    // Changes made by code reach the windows from the message loop.
    void Settle() { backend.ProcessMessages(); }

    HWND Container() const { return Win32Backend::WindowOf(form.TagBox); }
    HWND Header() const { return FindWindowExW(Container(), nullptr, WC_HEADERW, nullptr); }
    HWND ListWindow() const { return FindWindowExW(Container(), nullptr, WC_LISTBOXW, nullptr); }

    RECT RowRect(int row) const
    {
        RECT rect{};
        SendMessageW(ListWindow(), LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
        return rect;
    }

    // A user's click at x on a row (or at a point below the rows).
    void ClickAt(int x, int y, WPARAM keys = 0)
    {
        const LPARAM at = MAKELPARAM(x, y);
        SendMessageW(ListWindow(), WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
        SendMessageW(ListWindow(), WM_LBUTTONUP, keys, at);
    }
    void Click(int row, WPARAM keys = 0)
    {
        const RECT r = RowRect(row);
        ClickAt(10, (r.top + r.bottom) / 2, keys);
    }
    void Key(int key)
    {
        SendMessageW(ListWindow(), WM_KEYDOWN, static_cast<WPARAM>(key), 1);
        SendMessageW(ListWindow(), WM_KEYUP, static_cast<WPARAM>(key), static_cast<LPARAM>(0xC0000001));
    }

    std::vector<int> SelectedRows() const
    {
        std::vector<int> rows;
        for (int i = 0; i < form.TagBox.Count(); ++i)
            if (form.TagBox.Selected(i)) rows.push_back(i);
        return rows;
    }

    // The window shows exactly the model's selection and current row.
    void ExpectWindowShowsModel() const
    {
        const HWND list = ListWindow();
        const ColumnListBox& box = form.TagBox;
        ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), box.Count());
        for (int i = 0; i < box.Count(); ++i)
            EXPECT_EQ(SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0, box.Selected(i)) << "row " << i;
        if (box.MultiSelect()) {
            if (box.CurrentRow() >= 0) {
                EXPECT_EQ(SendMessageW(list, LB_GETCARETINDEX, 0, 0), box.CurrentRow());
            }
        } else {
            EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), box.CurrentRow());
        }
        EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), box.TopRow());
    }

    int HeaderWidth(int section) const
    {
        HDITEMW item{};
        item.mask = HDI_WIDTH;
        SendMessageW(Header(), HDM_GETITEMW, static_cast<WPARAM>(section), reinterpret_cast<LPARAM>(&item));
        return item.cxy;
    }

    std::wstring HeaderText(int section) const
    {
        wchar_t text[64]{};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(Header(), HDM_GETITEMW, static_cast<WPARAM>(section), reinterpret_cast<LPARAM>(&item));
        return text;
    }

    void ExpectHeaderShowsModel() const
    {
        const auto& sections = form.TagBox.Sections();
        ASSERT_EQ(SendMessageW(Header(), HDM_GETITEMCOUNT, 0, 0), sections.count());
        for (int i = 0; i < sections.count(); ++i) EXPECT_EQ(HeaderWidth(i), sections[i].Width()) << "section " << i;
    }

    Win32Backend backend;
    ListForm form{backend};
};

}  // namespace

TEST_F(Win32ListBox, AHeaderAboveOwnerDrawnRowsMirrorsTheModel)
{
    const HWND header = Header();
    const HWND list = ListWindow();
    ASSERT_NE(header, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(sonrik::automation::FindNamedWindow(Win32Backend::WindowOf(form), L"TagBox"), Container());
    EXPECT_EQ(GetWindowLongPtrW(header, GWL_STYLE) & (HDS_BUTTONS | HDS_HOTTRACK), HDS_BUTTONS | HDS_HOTTRACK);
    const LONG_PTR wanted = LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL | WS_TABSTOP;
    EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & wanted, wanted);
    // The scroll bars come when the rows need them.
    EXPECT_FALSE(GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL);
    form.TagBox.AssignItems(Rows(30));
    Settle();
    EXPECT_TRUE(GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL);
    form.TagBox.AssignItems(Rows(8));
    Settle();

    // The header is as high as the model says, the rows fill the rest.
    RECT client{}, headerRect{}, listRect{};
    GetClientRect(Container(), &client);
    GetWindowRect(header, &headerRect);
    GetWindowRect(list, &listRect);
    MapWindowPoints(nullptr, Container(), reinterpret_cast<POINT*>(&headerRect), 2);
    MapWindowPoints(nullptr, Container(), reinterpret_cast<POINT*>(&listRect), 2);
    EXPECT_EQ(headerRect.top, 0);
    EXPECT_EQ(headerRect.bottom - headerRect.top, 17);
    EXPECT_EQ(listRect.top, 17);
    EXPECT_EQ(listRect.bottom, client.bottom);
    EXPECT_EQ(listRect.right - listRect.left, client.right);

    // Sections with their UTF-8 captions and the model's widths, which
    // share the header's client width: the control's less its border.
    ExpectHeaderShowsModel();
    EXPECT_EQ(HeaderText(0), L"Old name");
    EXPECT_EQ(HeaderText(2), L"Статус");
    EXPECT_EQ(form.TagBox.Sections().totalWidth(), 511);
    EXPECT_EQ(form.TagBox.Sections().totalWidth(), client.right);

    // The model knows the real row height, so its geometry is the window's.
    EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), form.TagBox.ItemHeight());
    EXPECT_EQ(RowRect(3).top, form.TagBox.RowRect(3).top);
    EXPECT_EQ(RowRect(3).bottom, form.TagBox.RowRect(3).bottom);

    // A wider control: the auto-sized sections share the new width.
    form.TagBox.SetBounds(8, 8, 540, 200);
    Settle();
    ExpectHeaderShowsModel();
    EXPECT_EQ(form.TagBox.Sections().totalWidth(), 538);
    // Sized from outside the model: the model takes the size and shares it.
    SetWindowPos(Container(), nullptr, 0, 0, 600, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(form.TagBox.Width(), 600);
    EXPECT_EQ(form.TagBox.Sections().totalWidth(), 598);
    ExpectHeaderShowsModel();
    // Sections replaced: the header follows.
    form.Columns({u8"Files"});
    Settle();
    ExpectHeaderShowsModel();
    EXPECT_EQ(HeaderText(0), L"Files");

    form.TagBox.AddItem(u8"new.mp3");
    Settle();
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 9);
    form.TagBox.ClearItems();
    Settle();
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(form.log.empty());
}

TEST_F(Win32ListBox, ClicksSelectAsExtendedSelectionAndRunTheClickHandlerOnce)
{
    Click(1);
    EXPECT_EQ(form.log, (Log{"click", "up:L,1,0"}));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1}));
    EXPECT_EQ(form.ActiveControl(), &form.TagBox);
    EXPECT_EQ(GetFocus(), ListWindow());
    ExpectWindowShowsModel();

    form.log.clear();
    Click(4, MK_SHIFT);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(form.TagBox.CurrentRow(), 4);
    ExpectWindowShowsModel();
    Click(2, MK_CONTROL);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 3, 4}));
    ExpectWindowShowsModel();
    EXPECT_EQ(form.log, (Log{"click", "up:L,4,0", "click", "up:L,2,0"}));

    // Below the last row there is nothing to pick; the pointer still counts.
    form.log.clear();
    const int below = RowRect(7).bottom + 5;
    ClickAt(200, below);
    EXPECT_EQ(form.log, (Log{"up:L,-1,1"}));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 3, 4}));

    // A drag extends from the pressed row; each new row is one change.
    form.log.clear();
    const auto middle = [&](int row) { return MAKELPARAM(10, (RowRect(row).top + RowRect(row).bottom) / 2); };
    SendMessageW(ListWindow(), WM_LBUTTONDOWN, MK_LBUTTON, middle(5));
    SendMessageW(ListWindow(), WM_MOUSEMOVE, MK_LBUTTON, middle(5));
    SendMessageW(ListWindow(), WM_MOUSEMOVE, MK_LBUTTON, middle(6));
    SendMessageW(ListWindow(), WM_MOUSEMOVE, MK_LBUTTON, middle(7));
    SendMessageW(ListWindow(), WM_LBUTTONUP, 0, middle(7));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(form.log, (Log{"click", "click", "click", "up:L,7,0"}));
    ExpectWindowShowsModel();

    // The second click of a double click only reports the double click; a
    // right button reports where it came up.
    form.log.clear();
    SendMessageW(ListWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON, middle(6));
    SendMessageW(ListWindow(), WM_LBUTTONUP, 0, middle(6));
    SendMessageW(ListWindow(), WM_RBUTTONUP, 0, MAKELPARAM(400, (RowRect(2).top + RowRect(2).bottom) / 2));
    EXPECT_EQ(form.log, (Log{"dblclick", "up:L,6,0", "up:R,2,2"}));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{5, 6, 7}));
}

TEST_F(Win32ListBox, NavigationKeysMoveTheSelectionThroughTheModel)
{
    form.TagBox.SetFocus();
    ASSERT_EQ(GetFocus(), ListWindow());
    Key(VK_DOWN);  // no current row yet: the first
    Key(VK_DOWN);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1}));
    {
        const Held shift(VK_SHIFT);
        Key(VK_DOWN);
    }
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 2}));
    {
        const Held ctrl(VK_CONTROL);
        Key(VK_DOWN);  // the focus moves, the selection stays
    }
    EXPECT_EQ(form.TagBox.CurrentRow(), 3);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 2}));
    ExpectWindowShowsModel();
    Key(VK_SPACE);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 2, 3}));
    ExpectWindowShowsModel();
    EXPECT_EQ(form.log, (Log{"click", "click", "click", "click", "click"}));

    form.log.clear();
    Key(VK_END);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{7}));
    Key(VK_DOWN);  // nowhere to go: nothing changes, no handler
    Key(VK_HOME);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0}));
    Key(VK_UP);
    {
        const Held shift(VK_SHIFT);
        Key(VK_NEXT);  // all rows fit: to the last one
    }
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    ExpectWindowShowsModel();
    Key(VK_RETURN);
    EXPECT_EQ(form.log, (Log{"click", "click", "click", "enter"}));

    // Without rows the keys move nothing.
    form.TagBox.ClearItems();
    form.log.clear();
    for (const int key : {VK_DOWN, VK_NEXT, VK_PRIOR, VK_END, VK_SPACE}) Key(key);
    EXPECT_TRUE(form.log.empty());
    EXPECT_EQ(form.TagBox.CurrentRow(), -1);
}

TEST_F(Win32ListBox, ChangesFromCodeReachTheWindowWithoutRunningHandlers)
{
    form.TagBox.SetSelected(2, true);
    form.TagBox.SetSelected(5, true);
    form.TagBox.SetCurrentRow(5);
    Settle();
    ExpectWindowShowsModel();
    form.TagBox.SetItem(2, u8"x.mp3|y.mp3|File exists");  // text only: selection stays
    Settle();
    EXPECT_TRUE(SendMessageW(ListWindow(), LB_GETSEL, 2, 0) > 0);

    form.TagBox.AssignItems(Rows(100));
    Settle();
    ExpectWindowShowsModel();
    EXPECT_EQ(SelectedRows(), std::vector<int>{});
    form.TagBox.SetTopRow(50);
    Settle();
    EXPECT_EQ(SendMessageW(ListWindow(), LB_GETTOPINDEX, 0, 0), 50);
    form.TagBox.SetCurrentRow(90);  // scrolled into view, and the model knows
    Settle();
    ExpectWindowShowsModel();
    RECT client{};
    GetClientRect(ListWindow(), &client);
    EXPECT_GE(form.TagBox.RowRect(90).top, 0);
    EXPECT_LE(form.TagBox.RowRect(90).bottom, client.bottom);
    EXPECT_TRUE(form.log.empty());
}

TEST_F(Win32ListBox, ANewRowTextRedrawsOnlyThatRow)
{
    struct Case {
        std::vector<int> changed;
        std::set<int> drawn;
    };
    for (const Case& c : std::vector<Case>{{{3}, {3}}, {{2, 5}, {2, 5}}}) {
        Settle();
        std::set<int> drawn;
        std::set<std::wstring> texts;
        sonrik::ui::win32::SetDrawnCellHook([&](const DrawnCell& cell) {
            drawn.insert(cell.row);
            texts.insert(cell.text);
        });
        for (const int row : c.changed) form.TagBox.SetItem(row, u8"new.mp3|x|File exists");
        Settle();
        sonrik::ui::win32::SetDrawnCellHook(nullptr);
        EXPECT_EQ(drawn, c.drawn);
        EXPECT_TRUE(texts.count(L"new.mp3")) << "the new text is shown";
    }
}

TEST_F(Win32ListBox, ScrollingKeepsTheModelsRowGeometryTrue)
{
    form.TagBox.AssignItems(Rows(100));
    SendMessageW(ListWindow(), WM_VSCROLL, SB_PAGEDOWN, 0);
    const auto top = static_cast<int>(SendMessageW(ListWindow(), LB_GETTOPINDEX, 0, 0));
    ASSERT_GT(top, 0);
    EXPECT_EQ(form.TagBox.TopRow(), top);
    Click(top + 1);
    EXPECT_EQ(form.TagBox.CurrentRow(), top + 1);
    EXPECT_EQ(form.log, (Log{"click", "up:L," + std::to_string(top + 1) + ",0"}));

    // A page down goes to the last visible row first, then a page on.
    form.TagBox.SetFocus();
    RECT client{};
    GetClientRect(ListWindow(), &client);
    const int page = client.bottom / form.TagBox.ItemHeight();
    Key(VK_NEXT);
    EXPECT_EQ(form.TagBox.CurrentRow(), top + page - 1);
    Key(VK_NEXT);
    EXPECT_EQ(form.TagBox.CurrentRow(), top + 2 * page - 2);
    Key(VK_END);
    EXPECT_EQ(form.TagBox.CurrentRow(), 99);
    ExpectWindowShowsModel();
    EXPECT_EQ(form.TagBox.RowAt(10, form.TagBox.RowRect(99).top + 1), 99);
}

TEST_F(Win32ListBox, SwitchingMultipleSelectionRebuildsTheRowsFromTheModel)
{
    Click(1);
    Click(3, MK_CONTROL);
    const HWND before = ListWindow();
    form.log.clear();

    form.TagBox.SetMultiSelect(false);
    const HWND list = ListWindow();
    ASSERT_NE(list, nullptr);
    EXPECT_NE(before, list);
    EXPECT_FALSE(IsWindow(before));
    EXPECT_FALSE(GetWindowLongPtrW(list, GWL_STYLE) & LBS_EXTENDEDSEL);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 8);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{3}));  // the current row stays selected
    ExpectWindowShowsModel();
    EXPECT_EQ(GetFocus(), list);  // the focus stays on the rows
    EXPECT_TRUE(form.log.empty());

    Click(5);
    Click(6, MK_SHIFT);  // one row at a time now
    EXPECT_EQ(SelectedRows(), (std::vector<int>{6}));
    ExpectWindowShowsModel();

    form.TagBox.SetMultiSelect(true);
    EXPECT_TRUE(GetWindowLongPtrW(ListWindow(), GWL_STYLE) & LBS_EXTENDEDSEL);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{6}));
    ExpectWindowShowsModel();
    Click(7, MK_SHIFT);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{6, 7}));
    ExpectHeaderShowsModel();
}

TEST_F(Win32ListBox, ASelectionSetOnTheWindowItselfIsReadBack)
{
    // Automation tools select in the list box and tell its parent.
    const HWND list = ListWindow();
    SendMessageW(list, LB_SETSEL, TRUE, 2);
    SendMessageW(list, LB_SETSEL, TRUE, 4);
    SendMessageW(list, LB_SETCARETINDEX, 4, FALSE);
    SendMessageW(Container(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{2, 4}));
    EXPECT_EQ(form.TagBox.CurrentRow(), 4);
    EXPECT_EQ(form.log, (Log{"click"}));
    SendMessageW(Container(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(form.log, (Log{"click", "dblclick"}));
}

TEST_F(Win32ListBox, DraggingADividerResizesTheSectionThroughTheModel)
{
    const HWND header = Header();
    const auto drag = [&](int section, int by) {
        RECT item{};
        SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(section), reinterpret_cast<LPARAM>(&item));
        const int y = (item.top + item.bottom) / 2;
        SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item.right - 1, y));
        SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(item.right - 1 + by / 2, y));
        SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(item.right - 1 + by, y));
        SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(item.right - 1 + by, y));
    };
    const int before = form.TagBox.Sections()[0].Width();
    drag(0, 60);
    EXPECT_EQ(form.log, (Log{"sized:0=" + std::to_string(before + 60)}));
    EXPECT_FALSE(form.TagBox.Sections()[0].AutoSize());
    ExpectHeaderShowsModel();

    // The dragged width stays on resizes; the others share the rest.
    form.TagBox.SetBounds(8, 8, 540, 200);
    Settle();
    EXPECT_EQ(form.TagBox.Sections()[0].Width(), before + 60);
    ExpectHeaderShowsModel();

    // Narrower than its minimum: the header shows the model's clamped width.
    form.log.clear();
    drag(1, -120);
    ASSERT_EQ(form.log.size(), 1u);
    EXPECT_EQ(form.log[0], "sized:1=" + std::to_string(511 / 3));
    ExpectHeaderShowsModel();
}

TEST_F(Win32ListBox, AmpersandsInCellsAreShownNotTakenAsMnemonics)
{
    form.Columns({u8"Files", u8"Status"});
    form.TagBox.AssignItems({u8"Simon & Garfunkel.mp3|Rock && Roll"});
    Settle();
    std::vector<std::pair<int, int>> widths;  // as drawn, and of every character
    const Painted shot(ListWindow(), [&](const DrawnCell& cell) {
        RECT drawn{0, 0, 1000, 100};
        DrawTextW(cell.dc, cell.text.c_str(), -1, &drawn, cell.flags | DT_CALCRECT);
        SIZE whole{};
        GetTextExtentPoint32W(cell.dc, cell.text.c_str(), static_cast<int>(cell.text.size()), &whole);
        widths.emplace_back(drawn.right, whole.cx);
    });
    const auto texts = shot.TextsOf(0);  // a row may be drawn more than once
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0], L"Simon & Garfunkel.mp3");
    EXPECT_EQ(texts[1], L"Rock && Roll");
    for (const auto& [drawn, whole] : widths) EXPECT_EQ(drawn, whole);  // no '&' swallowed
    EXPECT_TRUE(shot.CellsOf(0).at(0).flags & DT_NOPREFIX);
}

TEST_F(Win32ListBox, EachRowDrawsItsCellsWithinTheirSections)
{
    form.Other.SetFocus();
    form.TagBox.ClearSections();
    for (int i = 0; i < 2; ++i) {
        form.TagBox.AddSection();
        form.TagBox.SetSectionWidth(i, 150);
    }
    form.TagBox.AssignItems({u8"one|two|three", u8"   ", u8"a||c", u8"end|", u8"Тест пройден|x"});
    form.TagBox.SetSelected(0, true);
    Settle();
    const HWND list = ListWindow();
    const Painted shot(list);

    // Three cells under two sections: two drawn, one pixel in from each edge.
    EXPECT_EQ(shot.TextsOf(0), (std::vector<std::wstring>{L"one", L"two"}));
    const RECT row = RowRect(0);
    const auto cell = [&](int row, std::size_t k) { return shot.CellsOf(row).at(k); };
    EXPECT_EQ(cell(0, 0).rect.left, 1);
    EXPECT_EQ(cell(0, 0).rect.right, 149);
    EXPECT_EQ(cell(0, 1).rect.left, 151);
    EXPECT_EQ(cell(0, 1).rect.right, 299);
    EXPECT_EQ(cell(0, 1).rect.top, row.top);
    EXPECT_EQ(cell(0, 0).flags, static_cast<UINT>(DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT |
                                                  DT_END_ELLIPSIS | DT_EDITCONTROL));

    // Spaces only: no text; two delimiters make an empty cell; a trailing
    // one makes none; rows are UTF-8, so Cyrillic shows whatever the ANSI
    // code page.
    EXPECT_TRUE(shot.TextsOf(1).empty());
    EXPECT_EQ(shot.TextsOf(2), (std::vector<std::wstring>{L"a", L""}));
    EXPECT_EQ(shot.TextsOf(3), (std::vector<std::wstring>{L"end"}));
    EXPECT_EQ(shot.TextsOf(4), (std::vector<std::wstring>{L"Тест пройден", L"x"}));

    // Selected rows are filled with the selection colour, text in the
    // highlight-text colour; others with the window's.
    const int middleOf0 = (RowRect(0).top + RowRect(0).bottom) / 2;
    const int middleOf1 = (RowRect(1).top + RowRect(1).bottom) / 2;
    EXPECT_EQ(shot.At(120, middleOf0), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(shot.colours.front(), GetSysColor(COLOR_HIGHLIGHTTEXT));
    EXPECT_EQ(shot.colours.back(), GetSysColor(COLOR_WINDOWTEXT));
    bool blank = true;
    for (int x = 0; x < 300; ++x) blank &= shot.At(x, middleOf1) == GetSysColor(COLOR_WINDOW);
    EXPECT_TRUE(blank) << "a row of spaces draws nothing";

    // Disabled rows take the inactive-caption colour.
    form.TagBox.SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(list));
    const Painted disabled(list);
    EXPECT_EQ(disabled.colours.back(), GetSysColor(COLOR_INACTIVECAPTION));
}

TEST_F(Win32ListBox, TooLongTextsAreShortenedAPathInItsMiddle)
{
    form.Other.SetFocus();  // the focused row would be drawn twice
    form.TagBox.ClearSections();
    for (const int width : {160, 60}) form.TagBox.SetSectionWidth(form.TagBox.AddSection(), width);
    const std::u8string path = u8"C:\\Music\\A rather long artist name\\An even longer album title\\track.mp3";
    form.TagBox.AssignItems({path + u8"|Not enough information"});
    Settle();
    std::vector<std::wstring> shown;
    const Painted shot(ListWindow(), [&](const DrawnCell& cell) {
        std::wstring text = cell.text + std::wstring(8, L'\0');
        RECT rect = cell.rect;
        DrawTextW(cell.dc, text.data(), -1, &rect, cell.flags | DT_MODIFYSTRING);
        shown.push_back(text.c_str());
    });
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shot.cells[0].flags & DT_PATH_ELLIPSIS);
    const std::wstring& file = shown[0];
    EXPECT_LT(file.size(), path.size());
    EXPECT_EQ(file.substr(0, 3), L"C:\\");
    EXPECT_NE(file.find(L"..."), std::wstring::npos);
    EXPECT_EQ(file.substr(file.size() - 9), L"track.mp3");
    // Any other text keeps its beginning and loses its end.
    const std::wstring& status = shown[1];
    EXPECT_EQ(status.substr(0, 3), L"Not");
    EXPECT_EQ(status.substr(status.size() - 3), L"...");
    EXPECT_EQ(status.find(L"..."), status.size() - 3);
}

TEST_F(Win32ListBox, ColumnsWiderThanTheControlScrollTheRowsAndTheHeaderTogether)
{
    form.Other.SetFocus();  // no focus frame in the way
    const HWND list = ListWindow();
    EXPECT_EQ(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), 0);  // auto-sized columns fit
    form.TagBox.ClearSections();
    for (int i = 0; i < 5; ++i) {
        form.TagBox.AddSection();
        form.TagBox.SetSectionWidth(i, 200);
    }
    Settle();
    EXPECT_EQ(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), 1000);

    // Where the second cell of row 0 begins on the screen.
    const RECT row = RowRect(0);
    const auto firstInk = [&] {
        const Painted shot(list);
        for (int x = 150; x < 300; ++x)
            for (int y = row.top; y < row.bottom; ++y)
                if (shot.At(x, y) == GetSysColor(COLOR_WINDOWTEXT)) return x;
        return -1;
    };
    const int unscrolled = firstInk();
    ASSERT_GT(unscrolled, 200);

    for (int i = 0; i < 20; ++i) Key(VK_RIGHT);
    const int position = GetScrollPos(list, SB_HORZ);
    ASSERT_GT(position, 0);
    EXPECT_TRUE(form.log.empty());  // scrolling selects nothing
    RECT header{};
    GetWindowRect(Header(), &header);
    MapWindowPoints(nullptr, Container(), reinterpret_cast<POINT*>(&header), 2);
    EXPECT_EQ(header.left, -position);
    EXPECT_EQ(firstInk(), unscrolled - position);
}

#endif  // _WIN32
