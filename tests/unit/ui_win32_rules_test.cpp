// The window rules the editors lean on, on real windows: refusable tab
// changes, Alt+letter shortcuts through the modal loop's message path,
// z-order, alignment into the real display areas, placement, focus given to
// the window, errors while creating, repaint and the sheets' paint hook.
// Windows only (runs under Wine).
#ifdef _WIN32

#include "ui/win32/win32_backend.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace sonrik::ui;
using sonrik::ui::win32::Win32Backend;

namespace {

using Log = std::vector<std::string>;

class RulesForm : public Form {
public:
    explicit RulesForm(Backend& backend) : Form(backend, "SonrikRulesForm")
    {
        SetClientSize(560, 400);
        Title.SetBounds(8, 8, 60, 16);
        Title.SetCaption(u8"&Title");
        Field.SetBounds(8, 26, 160, 21);
        Save.SetBounds(8, 56, 75, 25);
        Save.SetCaption(u8"&Save");
        Use.SetBounds(8, 90, 160, 17);
        Use.SetCaption(u8"&Use Lyrics3 Tag");
        Russian.SetBounds(8, 110, 200, 17);
        Russian.SetCaption(u8"&Заменять только пустые поля");
        Tabs.SetBounds(220, 8, 330, 100);
        Tabs.SetTabs({u8"&File list", u8"TAG to file &name", u8"File name to TAG"});
        Pages.SetBounds(220, 120, 330, 150);
        Sheet1.SetCaption(u8"&Lyrics");
        Sheet2.SetCaption(u8"&Others");
        SheetMemo.SetAlign(Align::Client);
        List.SetBounds(8, 140, 200, 120);
        Cell.SetBounds(20, 160, 121, 21);
        Cell.SetVisible(false);
        Status.SetBounds(0, 381, 0, 19);
        Status.SetAlign(Align::Bottom);
        Bottom.SetBounds(0, 317, 0, 64);
        Bottom.SetAlign(Align::Bottom);

        Tabs.OnChanging = [this](bool& allow) {
            log.push_back("Tabs.Changing:" + std::to_string(Tabs.TabIndex()));
            allow = allowChange;
        };
        Tabs.OnChange = [this] { log.push_back("Tabs.Change:" + std::to_string(Tabs.TabIndex())); };
        Pages.OnChanging = [this](bool& allow) {
            log.push_back("Pages.Changing:" + std::to_string(Pages.ActivePageIndex()));
            allow = allowChange;
        };
        Pages.OnChange = [this] { log.push_back("Pages.Change:" + std::to_string(Pages.ActivePageIndex())); };
        Save.OnClick = [this] { log.push_back("Save.Click"); };
        Use.OnClick = [this] { log.push_back("Use.Click:" + std::to_string(Use.Checked())); };
        Use.OnChange = [this] { log.push_back("Use.Change:" + std::to_string(Use.Checked())); };
        Russian.OnClick = [this] { log.push_back("Russian.Click"); };
        Field.OnEnter = [this] { log.push_back("Field.Enter"); };
        Field.OnExit = [this] { log.push_back("Field.Exit"); };
    }
    ~RulesForm() override { Destroy(); }

    Label Title{this, "Title"};
    Edit Field{this, "Field"};
    Button Save{this, "Save"};
    CheckBox Use{this, "Use"};
    CheckBox Russian{this, "Russian"};
    TabControl Tabs{this, "Tabs"};
    PageControl Pages{this, "Pages"};
    TabSheet Sheet1{&Pages, "Sheet1"};
    TabSheet Sheet2{&Pages, "Sheet2"};
    Memo SheetMemo{&Sheet2, "SheetMemo"};
    ColumnListBox List{this, "List"};
    Edit Cell{this, "Cell"};
    Panel Bottom{this, "Bottom"};
    StatusBar Status{this, "Status"};
    Log log;
    bool allowChange = true;
};

HWND W(const Control& control) { return Win32Backend::WindowOf(control); }

void SetKeyHeld(int key, bool held)
{
    BYTE state[256]{};
    GetKeyboardState(state);
    state[key] = held ? 0x80 : 0;
    if (key == VK_CONTROL) state[VK_LCONTROL] = state[key];
    SetKeyboardState(state);
}

RECT WindowRectIn(HWND window, HWND parent)
{
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class Win32Rules : public ::testing::Test {
protected:
    void SetUp() override
    {
        backend.SetMessageBoxHook([this](HWND, const std::wstring& text, const std::wstring&, unsigned) {
            boxes.push_back(text);
            return IDOK;
        });
        form.Create();
        form.SetVisible(true);
        backend.ProcessMessages();
        form.Save.SetFocus();  // a control whose focus moves log nothing
        form.log.clear();
    }

    // Posted as the keyboard delivers it, through the modal loop's path.
    void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        PostMessageW(window, message, wParam, lParam);
        backend.ProcessMessages();
    }

    static void ClickTab(HWND tabs, int index)
    {
        RECT item{};
        SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(tabs, WM_LBUTTONUP, 0, at);
    }

    Win32Backend backend;
    RulesForm form{backend};
    std::vector<std::wstring> boxes;
};

}  // namespace

TEST_F(Win32Rules, EveryWayOfPickingATabAsksFirstAndCanBeRefused)
{
    enum class Way { Click, ArrowKey, CtrlTab, AltLetter };
    const struct {
        Way way;
        bool allow;
    } cases[] = {
        {Way::Click, true},   {Way::Click, false},   {Way::ArrowKey, true},  {Way::ArrowKey, false},
        {Way::CtrlTab, true}, {Way::CtrlTab, false}, {Way::AltLetter, true}, {Way::AltLetter, false},
    };
    const HWND tabs = W(form.Tabs);
    const HWND pages = W(form.Pages);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.way) * 2 + c.allow);
        form.Tabs.SetTabIndex(0);
        form.Pages.SetActivePageIndex(0);
        form.allowChange = c.allow;
        form.log.clear();
        switch (c.way) {
        case Way::Click:
            ClickTab(tabs, 1);
            ClickTab(pages, 1);
            break;
        case Way::ArrowKey:
            for (const HWND window : {tabs, pages}) {
                SetFocus(window);
                Post(window, WM_KEYDOWN, VK_RIGHT, 1);
            }
            break;
        case Way::CtrlTab:
            SetKeyHeld(VK_CONTROL, true);
            for (const HWND window : {tabs, pages}) {
                SetFocus(window);
                Post(window, WM_KEYDOWN, VK_TAB, 1);
            }
            SetKeyHeld(VK_CONTROL, false);
            break;
        case Way::AltLetter:
            Post(W(form.Field), WM_SYSCHAR, L'n', 1 << 29);
            Post(W(form.Field), WM_SYSCHAR, L'o', 1 << 29);
            break;
        }
        const int tab = c.allow ? 1 : 0;
        EXPECT_EQ(form.Tabs.TabIndex(), tab);
        EXPECT_EQ(form.Pages.ActivePageIndex(), tab);
        EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), tab);  // a refused pick is taken back
        EXPECT_EQ(SendMessageW(pages, TCM_GETCURSEL, 0, 0), tab);
        EXPECT_EQ(IsWindowVisible(W(form.Sheet2)) != FALSE, c.allow);
        EXPECT_EQ(form.log, c.allow ? (Log{"Tabs.Changing:0", "Tabs.Change:1", "Pages.Changing:0", "Pages.Change:1"})
                                    : (Log{"Tabs.Changing:0", "Pages.Changing:0"}));
    }
}

TEST_F(Win32Rules, AltLetterThroughTheMessageLoopActsAsADialogDoes)
{
    const struct {
        wchar_t letter;
        Log log;
        const Control* focus;
    } cases[] = {
        {L's', {"Save.Click"}, &form.Save},  // a button is clicked, the focus stays
        {L'U', {"Use.Click:1", "Use.Change:1"}, &form.Use},
        {L't', {"Field.Enter"}, &form.Field},  // a label focuses the next control
        {L'з', {"Russian.Click"}, &form.Russian},
        {L'q', {}, &form.Save},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.letter));
        form.Save.SetFocus();
        form.log.clear();
        Post(GetFocus(), WM_SYSCHAR, c.letter, 1 << 29);
        EXPECT_EQ(form.log, c.log);
        EXPECT_EQ(form.ActiveControl(), c.focus);
        EXPECT_EQ(GetFocus(), W(*c.focus));
    }
    // The window shows the shortcut letters' captions as the model has them.
    wchar_t caption[64]{};
    GetWindowTextW(W(form.Russian), caption, 64);
    EXPECT_STREQ(caption, L"&Заменять только пустые поля");
}

TEST_F(Win32Rules, CheckBoxClickRunsClickThenChange)
{
    SendMessageW(W(form.Use), BM_CLICK, 0, 0);
    form.Use.SetChecked(false);
    EXPECT_EQ(form.log, (Log{"Use.Click:1", "Use.Change:1", "Use.Click:0", "Use.Change:0"}));
}

TEST_F(Win32Rules, ControlShownOverAnotherIsInFrontAndTakesTheMouse)
{
    const HWND top = W(form);
    const POINT inBoth{60, 170};
    const auto front = [&] { return ChildWindowFromPointEx(top, inBoth, CWP_SKIPINVISIBLE); };
    EXPECT_EQ(front(), W(form.List));
    form.Cell.SetVisible(true);
    EXPECT_EQ(front(), W(form.Cell));
    POINT screen = inBoth;
    ClientToScreen(top, &screen);
    EXPECT_EQ(WindowFromPoint(screen), W(form.Cell));  // the mouse goes to it
    form.List.BringToFront();
    EXPECT_EQ(front(), W(form.List));
    form.Cell.SetVisible(true);
    EXPECT_EQ(front(), W(form.Cell));

    // The keyboard's order is the model's, whatever the z-order.
    form.Field.SetFocus();
    Post(W(form.Field), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_EQ(form.ActiveControl(), &form.Save);
}

TEST_F(Win32Rules, AlignedControlsFillTheRealAreas)
{
    const HWND top = W(form);
    RECT status = WindowRectIn(W(form.Status), top);
    RECT bottom = WindowRectIn(W(form.Bottom), top);
    EXPECT_EQ(status.bottom, 400);
    EXPECT_EQ(bottom.bottom, status.top);
    EXPECT_EQ(bottom.right - bottom.left, 560);
    EXPECT_EQ(bottom.bottom - bottom.top, 64);

    // The memo fills the display area the page control really has.
    form.Pages.SetActivePageIndex(1);
    RECT sheet{};
    GetClientRect(W(form.Sheet2), &sheet);
    const RECT memo = WindowRectIn(W(form.SheetMemo), W(form.Sheet2));
    EXPECT_EQ(memo.left, 0);
    EXPECT_EQ(memo.top, 0);
    EXPECT_EQ(memo.right, sheet.right);
    EXPECT_EQ(memo.bottom, sheet.bottom);
    EXPECT_GT(sheet.bottom, 60);

    form.SetClientSize(500, 300);
    status = WindowRectIn(W(form.Status), top);
    bottom = WindowRectIn(W(form.Bottom), top);
    EXPECT_EQ(status.bottom, 300);
    EXPECT_EQ(bottom.right - bottom.left, 500);
    EXPECT_EQ(bottom.bottom, status.top);
}

TEST_F(Win32Rules, FormStandsCentredOrAtItsDesignedPlaceOnTheWorkArea)
{
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const HWND top = W(form);
    const auto frame = [&] {
        RECT r{};
        GetWindowRect(top, &r);
        return r;
    };
    RECT r = frame();
    EXPECT_NEAR(r.left - work.left, work.right - r.right, 1);
    EXPECT_EQ(form.ScreenBounds(), (Bounds{r.left, r.top, r.right - r.left, r.bottom - r.top}));

    form.SetDesignedPosition(work.left + 10, work.top + 20);
    r = frame();
    EXPECT_EQ(r.left, work.left + 10);
    EXPECT_EQ(r.top, work.top + 20);

    form.SetDesignedPosition(work.right - 50, work.bottom - 40);  // would hang off the screen
    r = frame();
    EXPECT_EQ(r.right, work.right);
    EXPECT_EQ(r.bottom, work.bottom);
    EXPECT_EQ(form.ScreenBounds().left, r.left);
    RECT client{};
    GetClientRect(top, &client);
    EXPECT_EQ(client.right, 560);  // the client size stays what the form asks
}

TEST_F(Win32Rules, FocusGivenToTheWindowRunsNoExitAndKeepsTheActiveControl)
{
    form.Field.SetFocus();
    form.log.clear();
    form.FocusWindow();
    EXPECT_EQ(GetFocus(), W(form));
    EXPECT_EQ(form.ActiveControl(), &form.Field);
    EXPECT_TRUE(form.log.empty());
    SetFocus(W(form.Use));  // the user moves on: now the exit runs
    EXPECT_EQ(form.log, Log{"Field.Exit"});
}

TEST_F(Win32Rules, AnErrorWhileCreatingIsShownAndTheWindowStillOpens)
{
    RulesForm other(backend);
    other.OnCreate = [] { throw std::runtime_error("Cannot open moduls.ini"); };
    other.Create();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Cannot open moduls.ini.");
    ASSERT_NE(W(other), nullptr);
    EXPECT_NE(W(other.Save), nullptr);
    other.SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(W(other)));
}

TEST_F(Win32Rules, SheetPaintHookDrawsWithTheSheetsContextOnRepaint)
{
    form.Pages.SetActivePageIndex(1);
    std::vector<PaintContext> painted;
    form.Sheet2.OnPaint = [&](const PaintContext& context) {
        painted.push_back(context);
        FillRect(reinterpret_cast<HDC>(context.dc),
                 reinterpret_cast<const RECT*>(&context.client), static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    };
    form.Sheet2.Repaint();
    ASSERT_EQ(painted.size(), 1u);
    RECT client{};
    GetClientRect(W(form.Sheet2), &client);
    EXPECT_EQ(painted[0].window, reinterpret_cast<WindowHandle>(W(form.Sheet2)));
    EXPECT_NE(painted[0].dc, 0u);
    EXPECT_EQ(painted[0].client, (sonrik::widgets::Rect{0, 0, client.right, client.bottom}));
    form.Sheet1.Repaint();  // no handler: the system paints it
    EXPECT_EQ(painted.size(), 1u);
}

TEST_F(Win32Rules, TabsTakeTheModelsWidthAndRows)
{
    const HWND pages = W(form.Pages);
    EXPECT_TRUE(GetWindowLongPtrW(pages, GWL_STYLE) & TCS_MULTILINE);
    form.Pages.SetTabWidth(101);
    form.Pages.SetMultiLine(false);
    EXPECT_TRUE(GetWindowLongPtrW(pages, GWL_STYLE) & TCS_FIXEDWIDTH);
    EXPECT_FALSE(GetWindowLongPtrW(pages, GWL_STYLE) & TCS_MULTILINE);
    for (int i = 0; i < 2; ++i) {
        RECT item{};
        SendMessageW(pages, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(item.right - item.left, 101) << i;
    }
    form.Tabs.SetTabWidth(90);
    RECT item{};
    SendMessageW(W(form.Tabs), TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.right - item.left, 90);
}

#endif  // _WIN32
