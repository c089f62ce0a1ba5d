// The rules the two editor windows lean on, on the headless backend: tab
// changes that can be refused, Alt+letter shortcuts, z-order, alignment,
// placement, focus given to the window itself, errors while creating, and
// clicks on list cells.
#include "ui/headless/headless.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace sonrik::ui;
using sonrik::ui::headless::HeadlessBackend;
using sonrik::ui::headless::User;

namespace {

using Log = std::vector<std::string>;

class RulesForm : public Form {
public:
    explicit RulesForm(Backend& backend) : Form(backend, "RulesForm")
    {
        SetClientSize(648, 515);
        Title.SetCaption(u8"&Title");
        Save.SetCaption(u8"&Save");
        Use.SetCaption(u8"&Use Lyrics3 Tag");
        Russian.SetCaption(u8"&Заменять только пустые поля");
        Amp.SetCaption(u8"Rock && &Roll");
        Tabs.SetTabs({u8"&File list", u8"TAG to file name", u8"File name to TA&G"});
        Sheet1.SetCaption(u8"&Lyrics");
        Sheet2.SetCaption(u8"&Others");
        List.SetBounds(8, 96, 513, 297);
        Cell.SetBounds(100, 120, 121, 21);
        Cell.SetVisible(false);

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
        Amp.OnClick = [this] { log.push_back("Amp.Click"); };
        Field.OnEnter = [this] { log.push_back("Field.Enter"); };
        Field.OnExit = [this] { log.push_back("Field.Exit"); };
        List.OnMouseUp = [this](MouseButton, ShiftState, int x, int y) {
            log.push_back("List.MouseUp:" + std::to_string(x) + "," + std::to_string(y) + ",row " +
                          std::to_string(List.CurrentRow()));
        };
        List.OnClick = [this] { log.push_back("List.Click:" + std::to_string(List.CurrentRow())); };
        List.OnDblClick = [this] { log.push_back("List.DblClick"); };
    }
    ~RulesForm() override { Destroy(); }

    Label Title{this, "Title"};
    Edit Field{this, "Field"};
    Button Save{this, "Save"};
    CheckBox Use{this, "Use"};
    CheckBox Russian{this, "Russian"};
    CheckBox Amp{this, "Amp"};
    TabControl Tabs{this, "Tabs"};
    PageControl Pages{this, "Pages"};
    TabSheet Sheet1{&Pages, "Sheet1"};
    TabSheet Sheet2{&Pages, "Sheet2"};
    ColumnListBox List{this, "List"};
    Edit Cell{this, "Cell"};
    Log log;
    bool allowChange = true;
};

class UiWindowRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.Create();
        form.SetVisible(true);
    }
    HeadlessBackend backend;
    RulesForm form{backend};
    User user{backend};
};

}  // namespace

TEST_F(UiWindowRules, EveryWayOfPickingATabAsksFirstAndCanBeRefused)
{
    enum class Way { Click, ArrowKey, CtrlTab, AltLetter };
    const struct {
        Way way;
        bool allow;
    } cases[] = {
        {Way::Click, true},   {Way::Click, false},   {Way::ArrowKey, true},  {Way::ArrowKey, false},
        {Way::CtrlTab, true}, {Way::CtrlTab, false}, {Way::AltLetter, true}, {Way::AltLetter, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.way) * 2 + c.allow);
        form.Tabs.SetTabIndex(0);
        form.Pages.SetActivePageIndex(0);
        form.allowChange = c.allow;
        form.log.clear();
        switch (c.way) {
        case Way::Click:
            user.SelectTab(form.Tabs, 1);
            user.SelectPage(form.Pages, 1);
            break;
        case Way::ArrowKey:
            user.Focus(form.Tabs);
            user.PressKey(form, keys::Right);
            user.Focus(form.Pages);
            user.PressKey(form, keys::Right);
            break;
        case Way::CtrlTab:
            user.Focus(form.Tabs);
            user.PressKey(form, keys::Tab, ssCtrl);
            user.Focus(form.Pages);
            user.PressKey(form, keys::Tab, ssCtrl);
            break;
        case Way::AltLetter:
            form.Tabs.SetTabs({u8"&File list", u8"TAG to file &name", u8"File name to TAG"});
            user.PressAlt(form, 'n');
            user.PressAlt(form, 'o');
            break;
        }
        const int tab = c.allow ? 1 : 0;
        EXPECT_EQ(form.Tabs.TabIndex(), tab);
        EXPECT_EQ(form.Pages.ActivePageIndex(), tab);
        EXPECT_EQ(form.log, c.allow ? (Log{"Tabs.Changing:0", "Tabs.Change:1", "Pages.Changing:0", "Pages.Change:1"})
                                    : (Log{"Tabs.Changing:0", "Pages.Changing:0"}));
        form.Tabs.SetTabs({u8"&File list", u8"TAG to file name", u8"File name to TA&G"});
    }
}

TEST_F(UiWindowRules, TabKeysStepWrapRoundAndCodeRunsNoHandler)
{
    user.Focus(form.Tabs);
    user.PressKey(form, keys::Left);                  // no tab before the first
    user.PressKey(form, keys::Tab, ssCtrl | ssShift);  // Ctrl+Shift+Tab wraps to the last
    EXPECT_EQ(form.Tabs.TabIndex(), 2);
    user.PressKey(form, keys::Tab, ssCtrl);
    EXPECT_EQ(form.Tabs.TabIndex(), 0);
    form.Tabs.SetTabIndex(1);
    form.Pages.SetActivePageIndex(1);
    EXPECT_EQ(form.log, (Log{"Tabs.Changing:0", "Tabs.Change:2", "Tabs.Changing:2", "Tabs.Change:0"}));

    // A form that takes Ctrl+Tab itself keeps it from the control.
    form.log.clear();
    form.SetKeyPreview(true);
    form.OnKeyDown = [](int& key, ShiftState shift) {
        if (key == keys::Tab && (shift & ssCtrl)) key = 0;
    };
    user.PressKey(form, keys::Tab, ssCtrl);
    EXPECT_EQ(form.Tabs.TabIndex(), 1);
    EXPECT_TRUE(form.log.empty());
}

TEST_F(UiWindowRules, AltLetterActsOnTheControlWhoseCaptionMarksIt)
{
    const struct {
        char32_t letter;
        bool handled;
        Log log;
        const Control* focus;
    } cases[] = {
        {U's', true, {"Save.Click"}, nullptr},
        {U'S', true, {"Save.Click"}, nullptr},
        {U'u', true, {"Use.Click:1", "Use.Change:1"}, &form.Use},
        {U't', true, {"Field.Enter"}, &form.Field},  // the label's next control
        {U'з', true, {"Russian.Click"}, &form.Russian},
        {U'З', true, {"Russian.Click"}, &form.Russian},
        {U'r', true, {"Amp.Click"}, &form.Amp},  // "&&" is a plain ampersand
        {U'q', false, {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<unsigned>(c.letter));
        form.FocusControl(nullptr);
        form.log.clear();
        EXPECT_EQ(user.PressAlt(form, c.letter), c.handled);
        EXPECT_EQ(form.log, c.log);
        EXPECT_EQ(form.ActiveControl(), c.focus);
    }
    form.Save.SetEnabled(false);
    form.log.clear();
    EXPECT_FALSE(user.PressAlt(form, 's'));
    EXPECT_TRUE(form.log.empty());
}

TEST(UiAccelerator, CaptionsMarkTheLetterAfterASingleAmpersand)
{
    const struct {
        const char* caption;
        char32_t letter;
    } cases[] = {
        {"&Save", U'S'},       {"Sa&ve", U'v'},  {"Rock && Roll", 0},   {"Rock &&&Roll", U'R'},
        {"&Заменять", U'З'}, {"trailing&", 0}, {"", 0},               {"no mark", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(AcceleratorOf(c.caption), c.letter) << c.caption;
}

TEST_F(UiWindowRules, CheckBoxChangeRunsClickThenChangeFromCodeAndUser)
{
    form.Use.SetChecked(true);
    form.Use.SetChecked(true);
    user.Click(form.Use);
    EXPECT_EQ(form.log, (Log{"Use.Click:1", "Use.Change:1", "Use.Click:0", "Use.Change:0"}));
}

TEST_F(UiWindowRules, ControlShownOverAnotherIsInFrontAndTakesThePoint)
{
    const int x = 150, y = 130;  // inside both the list and the cell editor
    EXPECT_EQ(form.ChildAt(x, y), &form.List);
    form.Cell.SetVisible(true);
    EXPECT_EQ(form.ChildAt(x, y), &form.Cell);
    form.List.BringToFront();
    EXPECT_EQ(form.ChildAt(x, y), &form.List);
    form.Cell.SetVisible(true);  // showing again brings it forward again
    EXPECT_EQ(form.ChildAt(x, y), &form.Cell);
    EXPECT_EQ(form.ZOrder().back(), &form.Cell);
    form.Cell.SetVisible(false);
    EXPECT_EQ(form.ChildAt(x, y), &form.List);
    EXPECT_EQ(form.ChildAt(600, 500), nullptr);
}

namespace {

// The list editor's frame: a client panel above a bottom panel above a
// status bar, and the single-file editor's page control on the right of a
// group box.
class AlignForm : public Form {
public:
    explicit AlignForm(Backend& backend) : Form(backend, "AlignForm")
    {
        Status.SetBounds(0, 496, 0, 19);
        Bottom.SetBounds(0, 432, 0, 64);
        Status.SetAlign(Align::Bottom);
        Bottom.SetAlign(Align::Bottom);
        Top.SetBounds(0, 0, 0, 30);
        Top.SetAlign(Align::Top);
        Main.SetAlign(Align::Client);
        Group.SetBounds(192, 0, 385, 321);
        Pages.SetBounds(0, 0, 207, 0);
        Pages.SetAlign(Align::Right);
        Memo.SetAlign(Align::Client);
        SetClientSize(648, 515);
    }
    ~AlignForm() override { Destroy(); }

    Panel Main{this, "Main"};
    Panel Bottom{this, "Bottom"};
    Panel Top{this, "Top"};
    StatusBar Status{this, "Status"};
    GroupBox Group{this, "Group"};
    PageControl Pages{&Group, "Pages"};
    TabSheet Sheet{&Pages, "Sheet"};
    sonrik::ui::Memo Memo{&Sheet, "Memo"};
};

}  // namespace

TEST(UiAlign, AlignedControlsShareTheParentAndFollowItsResize)
{
    HeadlessBackend backend;
    AlignForm form(backend);
    const struct {
        int width, height;
        Bounds status, bottom, top, main;
    } cases[] = {
        {648, 515, {0, 496, 648, 19}, {0, 432, 648, 64}, {0, 0, 648, 30}, {0, 30, 648, 402}},
        {500, 300, {0, 281, 500, 19}, {0, 217, 500, 64}, {0, 0, 500, 30}, {0, 30, 500, 187}},
        {300, 100, {0, 81, 300, 19}, {0, 17, 300, 64}, {0, 0, 300, 30}, {0, 30, 300, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.height);
        form.SetClientSize(c.width, c.height);
        EXPECT_EQ(form.Status.GetBounds(), c.status);
        EXPECT_EQ(form.Bottom.GetBounds(), c.bottom);
        EXPECT_EQ(form.Top.GetBounds(), c.top);
        EXPECT_EQ(form.Main.GetBounds(), c.main);
    }
    // Inside a group box the frame and caption are left free: 321 - 304 = 17.
    EXPECT_EQ(form.Pages.GetBounds(), (Bounds{176, 15, 207, 304}));
    EXPECT_EQ(form.Memo.GetBounds(), (Bounds{0, 0, 203, 280}));  // the sheet below one row of tabs
    form.Bottom.SetVisible(false);
    EXPECT_EQ(form.Main.GetBounds(), (Bounds{0, 30, 300, 51}));
}

TEST(UiPlacement, DesignedPositionMovesOntoTheWorkAreaOnlyWhenItDoesNotFit)
{
    const Bounds work{0, 0, 1024, 768};
    const struct {
        FormPosition position;
        int left, top, width, height;
        int placedLeft, placedTop;
    } cases[] = {
        {FormPosition::Designed, 467, 196, 300, 200, 467, 196},   // fits
        {FormPosition::Designed, 467, 196, 654, 542, 370, 196},   // off the right edge
        {FormPosition::Designed, 467, 500, 300, 542, 467, 226},   // off the bottom
        {FormPosition::Designed, -50, -10, 300, 200, 0, 0},       // off the top left
        {FormPosition::Designed, 467, 196, 1200, 900, 0, 0},      // larger than the screen
        {FormPosition::ScreenCenter, 467, 196, 624, 468, 200, 150},
        {FormPosition::ScreenCenter, 0, 0, 1200, 900, 0, 0},
    };
    for (const auto& c : cases) {
        const Bounds placed = PlaceWindow(c.position, c.left, c.top, c.width, c.height, work);
        EXPECT_EQ(placed, (Bounds{c.placedLeft, c.placedTop, c.width, c.height})) << c.left << "," << c.top;
    }
    EXPECT_EQ(PlaceWindow(FormPosition::Designed, 10, 10, 100, 100, {50, 40, 800, 600}), (Bounds{50, 40, 100, 100}));
}

TEST(UiPlacement, ShownFormStandsWhereItsPositionSays)
{
    HeadlessBackend backend;
    backend.SetWorkArea({0, 0, 800, 600});
    RulesForm form(backend);
    form.Create();
    form.ShowModal();
    EXPECT_EQ(form.ScreenBounds(), (Bounds{76, 42, 648, 515}));
    form.SetDesignedPosition(467, 196);
    form.ShowModal();
    EXPECT_EQ(form.ScreenBounds(), (Bounds{152, 85, 648, 515}));
}

TEST_F(UiWindowRules, FocusGivenToTheWindowRunsNoExitAndKeepsTheActiveControl)
{
    backend.WhileModal([this](User& u) {
        u.Focus(form.Field);
        form.log.clear();
        form.FocusWindow();
        EXPECT_EQ(form.ActiveControl(), &form.Field);
        EXPECT_TRUE(form.log.empty());
        u.Focus(form.Save);
        EXPECT_EQ(form.log, Log{"Field.Exit"});
    });
    form.ShowModal();
    EXPECT_EQ(backend.Journal().back(), "focus-window:RulesForm");
}

TEST(UiCreate, AnErrorWhileCreatingIsShownAndTheWindowStillOpens)
{
    HeadlessBackend backend;
    RulesForm form(backend);
    form.OnCreate = [] { throw std::runtime_error("Cannot open moduls.ini"); };
    form.OnActivate = [&form] { form.log.push_back("Activate"); };
    form.Create();
    EXPECT_TRUE(form.Created());
    EXPECT_EQ(backend.ErrorBoxes(), std::vector<std::string>{"Cannot open moduls.ini."});
    form.ShowModal();
    EXPECT_EQ(backend.ModalRuns(), 1);
    EXPECT_EQ(form.log, Log{"Activate"});
}

TEST_F(UiWindowRules, RepaintIsAskedOfTheBackendAndHeadlessSheetsNeverPaint)
{
    int painted = 0;
    form.Sheet1.OnPaint = [&](const PaintContext&) { ++painted; };
    form.Sheet1.Repaint();
    form.Pages.Repaint();
    EXPECT_EQ(backend.Journal(), (std::vector<std::string>{"repaint:Sheet1", "repaint:Pages"}));
    EXPECT_EQ(painted, 0);
}

TEST_F(UiWindowRules, TabLayoutIsKeptByTheModel)
{
    EXPECT_TRUE(form.Pages.GetTabStyle().multiLine);
    form.Pages.SetTabWidth(101);
    form.Pages.SetMultiLine(false);
    form.Tabs.SetTabWidth(-5);
    EXPECT_EQ(form.Pages.GetTabStyle().tabWidth, 101);
    EXPECT_FALSE(form.Pages.GetTabStyle().multiLine);
    EXPECT_EQ(form.Tabs.GetTabStyle().tabWidth, 0);
}

TEST_F(UiWindowRules, CellClicksReportTheMouseUpAtTheCellThenTheClick)
{
    form.List.AssignItems({u8"a|b", u8"c|d", u8"e|f"});
    user.ClickCell(form.List, 1, 300);
    user.DoubleClickCell(form.List, 2, 40);
    const int h = form.List.ItemHeight();
    EXPECT_EQ(form.log, (Log{"List.MouseUp:300," + std::to_string(h + h / 2) + ",row -1", "List.Click:1",
                             "List.MouseUp:40," + std::to_string(2 * h + h / 2) + ",row 1", "List.Click:2",
                             "List.DblClick"}));
    EXPECT_THROW(user.ClickCell(form.List, 3, 10), std::logic_error);
}

TEST(UiListBoxWidth, AutoSizedSectionsShareTheWidthInsideTheBorder)
{
    HeadlessBackend backend;
    RulesForm form(backend);
    const struct {
        int width, sections, total;
    } cases[] = {{513, 1, 511}, {513, 3, 511}, {540, 2, 538}, {2, 1, 0}};
    for (const auto& c : cases) {
        form.List.ClearSections();
        for (int i = 0; i < c.sections; ++i) form.List.SetSectionAutoSize(form.List.AddSection(), true);
        form.List.SetBounds(8, 96, c.width, 297);
        EXPECT_EQ(form.List.Sections().totalWidth(), c.total) << c.width;
        form.List.SetBounds(8, 96, 100, 100);
    }
}
