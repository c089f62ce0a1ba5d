// The group box's styled-or-classic decisions, its style-data handle and its
// painting, over style calls and a canvas that record what they are asked.
#include "widgets/xpgroupbox_logic.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace sonrik::widgets;

// What the style library would answer; counts every call.
class FakeStyle final : public GroupBoxStyle {
public:
    bool loaded = true;
    bool themeActive = true;
    bool appThemed = true;
    ThemeData nextHandle = 0x100;
    int lineHeight = 13;     // bottom of the extent of "0"
    int charWidth = 6;       // caption width = characters x charWidth
    std::string failing;     // the call that fails: "extent0", "extent", "background", "text"

    int opens = 0, activeQueries = 0, themedQueries = 0;
    std::vector<ThemeData> closed;
    std::vector<std::string> calls;  // the drawing calls, in order
    std::vector<int> states;
    std::vector<unsigned> flagsSeen;
    Rect frame, excluded, textRect;
    std::string drawnText;

    bool libraryLoaded() const override { return loaded; }
    ThemeData openThemeData() override
    {
        ++opens;
        return nextHandle++;
    }
    void closeThemeData(ThemeData theme) override { closed.push_back(theme); }
    bool isThemeActive() override
    {
        ++activeQueries;
        return themeActive;
    }
    bool isAppThemed() override
    {
        ++themedQueries;
        return appThemed;
    }
    std::optional<Rect> textExtent(ThemeData, int state, std::string_view text,
                                   unsigned flags) override
    {
        const bool zero = text == "0" && calls.empty();
        calls.push_back(zero ? "extent0" : "extent");
        states.push_back(state);
        flagsSeen.push_back(flags);
        if (failing == calls.back()) return std::nullopt;
        return Rect{0, 0, static_cast<int>(text.size()) * charWidth, lineHeight};
    }
    bool drawBackground(ThemeData, int state, const Rect& f, const Rect& e) override
    {
        calls.push_back("background");
        states.push_back(state);
        frame = f;
        excluded = e;
        return failing != "background";
    }
    bool drawText(ThemeData, int state, std::string_view text, unsigned flags,
                  const Rect& rect) override
    {
        calls.push_back("text");
        states.push_back(state);
        flagsSeen.push_back(flags);
        drawnText = text;
        textRect = rect;
        return failing != "text";
    }
};

// Records the plain drawing; the classic text height is 16.
class FakeCanvas final : public GroupBoxCanvas {
public:
    std::vector<std::string> ops;
    std::vector<ClassicFrame> frames;
    Rect filled, captionRect;
    unsigned captionFlags = 0;

    Size textSize(std::string_view text) override
    {
        return {static_cast<int>(text.size()) * 7, 16};
    }
    void fillWithParentBrush(const Rect& rect) override
    {
        ops.push_back("fill");
        filled = rect;
    }
    void frameRect(const Rect& rect, FrameColour colour) override
    {
        ops.push_back("frame");
        frames.push_back({rect, colour});
    }
    void drawCaption(std::string_view, const Rect& rect, unsigned flags) override
    {
        ops.push_back("caption");
        captionRect = rect;
        captionFlags = flags;
    }
};

GroupBoxView boxView(std::string caption = "ID3v1")
{
    GroupBoxView view;
    view.caption = std::move(caption);
    view.width = 200;
    view.height = 120;
    view.hasParentWindow = true;
    return view;
}

struct Fixture : ::testing::Test {
    FakeStyle style;
    FakeCanvas canvas;
};

using GroupBoxTheme = Fixture;
using GroupBoxStyled = Fixture;
using GroupBoxPaint = Fixture;

TEST_F(GroupBoxTheme, OpensOnCreateClosesOnDestroy)
{
    XPGroupBoxLogic box(style);
    EXPECT_EQ(box.ThemeHandle(), 0u);
    box.windowCreated();
    EXPECT_EQ(style.opens, 1);
    EXPECT_EQ(box.ThemeHandle(), 0x100u);
    // Whether a style is active is not asked at creation.
    EXPECT_EQ(style.activeQueries, 0);

    box.windowDestroyed();
    EXPECT_EQ(style.closed, std::vector<ThemeData>{0x100});
    EXPECT_EQ(box.ThemeHandle(), 0u);
    box.windowDestroyed();
    EXPECT_EQ(style.closed.size(), 1u);
}

TEST_F(GroupBoxTheme, ThemeChangeReplacesTheHandleAndAnswersZero)
{
    XPGroupBoxLogic box(style);
    box.windowCreated();
    EXPECT_EQ(box.themeChanged(), 0);
    EXPECT_EQ(style.closed, std::vector<ThemeData>{0x100});
    EXPECT_EQ(box.ThemeHandle(), 0x101u);

    // Nothing open yet: only an open.
    FakeStyle fresh;
    XPGroupBoxLogic unopened(fresh);
    EXPECT_EQ(unopened.themeChanged(), 0);
    EXPECT_TRUE(fresh.closed.empty());
    EXPECT_EQ(unopened.ThemeHandle(), 0x100u);
}

TEST_F(GroupBoxTheme, WithoutTheLibraryNoStyleCallIsMade)
{
    style.loaded = false;
    XPGroupBoxLogic box(style);
    box.windowCreated();
    EXPECT_EQ(box.themeChanged(), 0);
    EXPECT_EQ(style.opens, 0);
    EXPECT_EQ(box.ThemeHandle(), 0u);
    EXPECT_EQ(box.paint(boxView(), canvas), PaintResult::Classic);
    EXPECT_EQ(style.activeQueries + style.themedQueries, 0);
    EXPECT_TRUE(style.calls.empty());
}

TEST_F(GroupBoxTheme, AfterTheLibraryIsReleasedTheHandleIsLeftAlone)
{
    {
        XPGroupBoxLogic box(style);
        box.windowCreated();
        style.loaded = false;  // module unload released the library
        box.windowDestroyed();
        EXPECT_EQ(box.ThemeHandle(), 0x100u);
    }
    EXPECT_TRUE(style.closed.empty());

    // Still loaded when the object goes: the open handle is closed then.
    style.loaded = true;
    {
        XPGroupBoxLogic box(style);
        box.windowCreated();
    }
    EXPECT_EQ(style.closed, std::vector<ThemeData>{0x101});
}

TEST_F(GroupBoxStyled, ConditionsAreTestedInOrderAndStopAtTheFirstFailure)
{
    struct Case {
        const char* name;
        bool loaded, ctl3D, created, active, themed;
        bool styled;
        int activeQueries, themedQueries;
    };
    const Case cases[] = {
        {"all hold", true, true, true, true, true, true, 1, 1},
        {"no library", false, true, true, true, true, false, 0, 0},
        {"flat look", true, false, true, true, true, false, 0, 0},
        {"no style data", true, true, false, true, true, false, 0, 0},
        {"styles off", true, true, true, false, true, false, 1, 0},
        {"application not themed", true, true, true, true, false, false, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeStyle fake;
        XPGroupBoxLogic box(fake);
        if (c.created) box.windowCreated();
        fake.loaded = c.loaded;
        fake.themeActive = c.active;
        fake.appThemed = c.themed;
        auto view = boxView();
        view.ctl3D = c.ctl3D;
        EXPECT_EQ(box.isStyled(view), c.styled);
        EXPECT_EQ(fake.activeQueries, c.activeQueries);
        EXPECT_EQ(fake.themedQueries, c.themedQueries);
        fake.loaded = true;
    }
}

TEST_F(GroupBoxStyled, StylesSwitchedOffWhileShownPaintClassicWithoutReopening)
{
    XPGroupBoxLogic box(style);
    box.windowCreated();
    ASSERT_EQ(box.paint(boxView(), canvas), PaintResult::Styled);
    for (const bool active : {false, true}) {
        style.themeActive = active;
        style.appThemed = !active;
        style.calls.clear();
        EXPECT_EQ(box.paint(boxView(), canvas), PaintResult::Classic);
        EXPECT_TRUE(style.calls.empty());
    }
    EXPECT_EQ(style.opens, 1);
    EXPECT_TRUE(style.closed.empty());
}

TEST_F(GroupBoxStyled, EraseBackground)
{
    XPGroupBoxLogic box(style);
    auto view = boxView();
    EXPECT_EQ(box.eraseBackground(view, 1, 2), EraseAction::BaseClass);  // not styled yet

    box.windowCreated();
    EXPECT_EQ(box.eraseBackground(view, 7, 0), EraseAction::FillWithParentBrush);
    view.doubleBuffered = true;
    EXPECT_EQ(box.eraseBackground(view, 7, 0), EraseAction::Nothing);
    // The buffered paint's own request: both parameters are the buffer.
    EXPECT_EQ(box.eraseBackground(view, 7, 7), EraseAction::FillWithParentBrush);
    view.hasParentWindow = false;
    EXPECT_EQ(box.eraseBackground(view, 7, 7), EraseAction::BaseClass);
    EXPECT_EQ(box.eraseBackground(view, 7, 0), EraseAction::Nothing);
    style.themeActive = false;
    EXPECT_EQ(box.eraseBackground(view, 7, 0), EraseAction::BaseClass);
}

TEST_F(GroupBoxStyled, ChildColourMessagesAreAnsweredOnlyWhenStyled)
{
    XPGroupBoxLogic box(style);
    box.windowCreated();
    const auto view = boxView();
    EXPECT_TRUE(box.answersChildColour(view, groupbox::kMsgCtlColorButton));
    EXPECT_TRUE(box.answersChildColour(view, groupbox::kMsgCtlColorStatic));
    const int queries = style.activeQueries;
    EXPECT_FALSE(box.answersChildColour(view, 0x133));  // WM_CTLCOLOREDIT
    EXPECT_EQ(style.activeQueries, queries);
    style.appThemed = false;
    EXPECT_FALSE(box.answersChildColour(view, groupbox::kMsgCtlColorStatic));
}

TEST_F(GroupBoxPaint, StyledFrameBreaksAroundTheCaption)
{
    XPGroupBoxLogic box(style);
    box.windowCreated();
    ASSERT_EQ(box.paint(boxView("ID3v1"), canvas), PaintResult::Styled);

    EXPECT_EQ(style.calls, (std::vector<std::string>{"extent0", "extent", "background", "text"}));
    EXPECT_EQ(canvas.ops, std::vector<std::string>{"fill"});
    EXPECT_EQ(canvas.filled, (Rect{0, 0, 200, 120}));
    // H = 13: the frame's top is 13/2 - 1; W = 5 x 6 = 30, gap 8.
    EXPECT_EQ(style.frame, (Rect{0, 5, 199, 119}));
    EXPECT_EQ(style.excluded, (Rect{8, 0, 46, 13}));
    EXPECT_EQ(style.textRect, style.excluded);
    EXPECT_EQ(style.drawnText, "ID3v1");
    for (const int state : style.states) EXPECT_EQ(state, groupbox::kStateNormal);
    for (const unsigned flags : style.flagsSeen) EXPECT_EQ(flags, 33u);
}

TEST_F(GroupBoxPaint, DisabledBoxUsesTheDisabledState)
{
    XPGroupBoxLogic box(style);
    box.windowCreated();
    auto view = boxView();
    view.enabled = false;
    ASSERT_EQ(box.paint(view, canvas), PaintResult::Styled);
    ASSERT_EQ(style.states.size(), 4u);
    for (const int state : style.states) EXPECT_EQ(state, groupbox::kStateDisabled);
}

TEST_F(GroupBoxPaint, EmptyCaptionLeavesTheFrameUnbroken)
{
    XPGroupBoxLogic box(style);
    box.windowCreated();
    ASSERT_EQ(box.paint(boxView(""), canvas), PaintResult::Styled);
    EXPECT_TRUE(style.excluded.empty());
    EXPECT_EQ(style.excluded, (Rect{8, 0, 8, 13}));
}

TEST_F(GroupBoxPaint, EveryFailingStyleCallFallsBackToClassic)
{
    struct Case {
        const char* failing;
        std::vector<std::string> canvasOps;
    };
    const Case cases[] = {
        {"extent0", {"frame", "frame", "caption"}},
        {"extent", {"frame", "frame", "caption"}},
        // Classic painting goes over the parent's background already filled.
        {"background", {"fill", "frame", "frame", "caption"}},
        {"text", {"fill", "frame", "frame", "caption"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing);
        FakeStyle fake;
        FakeCanvas plain;
        fake.failing = c.failing;
        XPGroupBoxLogic box(fake);
        box.windowCreated();
        EXPECT_EQ(box.paint(boxView(), plain), PaintResult::Classic);
        EXPECT_EQ(plain.ops, c.canvasOps);
        EXPECT_EQ(fake.calls.back(), c.failing);
        // The next paint tries the style again.
        fake.failing.clear();
        EXPECT_EQ(box.paint(boxView(), plain), PaintResult::Styled);
    }
}

TEST_F(GroupBoxPaint, ClassicWhenTheParentHasNoWindowOrTheLookIsFlat)
{
    XPGroupBoxLogic box(style);
    box.windowCreated();
    auto orphan = boxView();
    orphan.hasParentWindow = false;
    EXPECT_EQ(box.paint(orphan, canvas), PaintResult::Classic);
    EXPECT_TRUE(style.calls.empty());

    auto flat = boxView();
    flat.ctl3D = false;
    EXPECT_EQ(box.paint(flat, canvas), PaintResult::Classic);
    EXPECT_TRUE(style.calls.empty());
}

TEST(GroupBoxClassic, EtchedFrameWithCaption)
{
    FakeCanvas canvas;
    PaintClassicGroupBox(boxView("Lyrics3"), canvas);
    EXPECT_EQ(canvas.ops, (std::vector<std::string>{"frame", "frame", "caption"}));
    ASSERT_EQ(canvas.frames.size(), 2u);
    // Text height 16: highlight one pixel right of and below the shadow.
    EXPECT_EQ(canvas.frames[0].rect, (Rect{1, 8, 200, 120}));
    EXPECT_EQ(canvas.frames[0].colour, FrameColour::ButtonHighlight);
    EXPECT_EQ(canvas.frames[1].rect, (Rect{0, 7, 199, 119}));
    EXPECT_EQ(canvas.frames[1].colour, FrameColour::ButtonShadow);
    EXPECT_EQ(canvas.captionRect, (Rect{8, 0, 8 + 7 * 7, 16}));
    EXPECT_EQ(canvas.captionFlags, 0x20u);
}

TEST(GroupBoxClassic, FlatFrameAndNoCaption)
{
    FakeCanvas canvas;
    auto view = boxView("");
    view.ctl3D = false;
    PaintClassicGroupBox(view, canvas);
    EXPECT_EQ(canvas.ops, std::vector<std::string>{"frame"});
    EXPECT_EQ(canvas.frames[0].rect, (Rect{0, 7, 200, 120}));
    EXPECT_EQ(canvas.frames[0].colour, FrameColour::WindowFrame);
}

TEST(GroupBoxRightToLeft, CaptionMirroredAgainstTheFrameRightEdge)
{
    auto view = boxView("Tag");
    view.rightToLeft = true;

    // Classic: the caption ends 8 pixels in from the frame's right edge.
    const auto etched = ClassicGroupBoxLayout(view, 16, 21);
    EXPECT_EQ(etched.caption, (Rect{199 - 21 - 8, 0, 199 - 8, 16}));
    view.ctl3D = false;
    const auto flat = ClassicGroupBoxLayout(view, 16, 21);
    EXPECT_EQ(flat.caption, (Rect{200 - 21 - 8, 0, 200 - 8, 16}));

    // Styled: the break, caption plus gap, mirrors the left-to-right one.
    view.ctl3D = true;
    const auto styled = StyledGroupBoxLayout(view, 13, 18);
    EXPECT_EQ(styled.frame, (Rect{0, 5, 199, 119}));
    EXPECT_EQ(styled.caption, (Rect{199 - 8 - 18 - 8, 0, 199 - 8, 13}));
    EXPECT_EQ(styled.caption.width(), StyledGroupBoxLayout(boxView("Tag"), 13, 18).caption.width());

    EXPECT_EQ(groupbox::CaptionFlags(true), 33u | textflags::RtlReading);
}

}  // namespace
