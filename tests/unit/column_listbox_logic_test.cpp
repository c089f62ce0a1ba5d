// The columned list box without a window: header sections and their
// auto-sizing, rows cut into cells, the cell layout and flags, the selection
// rules and the row geometry.
#include "widgets/column_listbox_logic.h"

#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace sonrik::widgets;

std::vector<int> widthsOf(const HeaderSections& sections)
{
    std::vector<int> widths;
    for (int i = 0; i < sections.count(); ++i) widths.push_back(sections[i].Width());
    return widths;
}

// n auto-sized sections with the given minimum, as the list editor sets up
// its previews.
HeaderSections autoSections(int n, int minWidth)
{
    HeaderSections sections;
    for (int i = 0; i < n; ++i) {
        auto& section = sections.add();
        section.setMinWidth(minWidth);
        section.setAutoSize(true);
    }
    return sections;
}

std::vector<std::string> cellsOf(std::string_view row)
{
    const auto cells = SplitRow(row, '|');
    return {cells.begin(), cells.end()};
}

// ---- sections ----

TEST(HeaderSection, WidthIsAlwaysClampedIntoItsLimits)
{
    HeaderSection section;
    section.setMinWidth(40);
    section.setMaxWidth(120);
    section.setWidth(10);
    EXPECT_EQ(section.Width(), 40);
    section.setWidth(500);
    EXPECT_EQ(section.Width(), 120);
    section.setWidth(77);
    EXPECT_EQ(section.Width(), 77);

    // Moving a limit past the width moves the width along.
    section.setMinWidth(90);
    EXPECT_EQ(section.Width(), 90);
    section.setMaxWidth(60);
    EXPECT_EQ(section.MaxWidth(), 60);
    EXPECT_EQ(section.MinWidth(), 60);
    EXPECT_EQ(section.Width(), 60);
    section.setMinWidth(200);
    EXPECT_EQ(section.MaxWidth(), 200);
    EXPECT_EQ(section.Width(), 200);

    HeaderSection fresh;
    fresh.setWidth(-5);
    EXPECT_EQ(fresh.Width(), 0);
    fresh.setMinWidth(-3);
    EXPECT_EQ(fresh.MinWidth(), 0);
    EXPECT_EQ(fresh.alignment, Alignment::Left);
    EXPECT_EQ(fresh.imageIndex, -1);
    EXPECT_FALSE(fresh.AutoSize());
}

TEST(HeaderSections, EdgesAndTheSectionUnderAPoint)
{
    HeaderSections sections;
    for (const int width : {100, 50, 80}) sections.add().setWidth(width);
    EXPECT_EQ(sections.leftOf(0), 0);
    EXPECT_EQ(sections.leftOf(2), 150);
    EXPECT_EQ(sections.totalWidth(), 230);
    EXPECT_THROW(sections.leftOf(4), std::out_of_range);

    EXPECT_EQ(sections.sectionAt(1), 0);
    EXPECT_EQ(sections.sectionAt(99), 0);
    EXPECT_EQ(sections.sectionAt(101), 1);
    EXPECT_EQ(sections.sectionAt(229), 2);
    // Boundaries and the space right of the last section belong to none.
    for (const int x : {0, 100, 150, 230, 400, -7}) EXPECT_EQ(sections.sectionAt(x), -1) << x;

    sections.clear();
    EXPECT_EQ(sections.count(), 0);
    EXPECT_EQ(sections.sectionAt(10), -1);
}

// ---- auto-sizing ----

TEST(HeaderAutoSize, EqualSharesWithTheRemainderOnTheLeft)
{
    auto sections = autoSections(3, 0);
    sections.autoSize(700);
    EXPECT_EQ(widthsOf(sections), (std::vector<int>{234, 233, 233}));

    HeaderSections single;
    auto& files = single.add();
    files.setAutoSize(true);
    single.autoSize(511);
    EXPECT_EQ(single[0].Width(), 511);
}

TEST(HeaderAutoSize, MinimumsHoldOnANarrowControl)
{
    auto sections = autoSections(3, 100);
    for (const int client : {200, 299, 0, -40}) {
        sections.autoSize(client);
        EXPECT_EQ(widthsOf(sections), (std::vector<int>{100, 100, 100})) << client;
    }
    sections.autoSize(301);
    EXPECT_EQ(widthsOf(sections), (std::vector<int>{101, 100, 100}));
}

TEST(HeaderAutoSize, ClampedSectionsLeaveTheGroupAndTheRestShareAgain)
{
    auto sections = autoSections(3, 0);
    sections[2].setMinWidth(140);
    sections.autoSize(300);
    EXPECT_EQ(widthsOf(sections), (std::vector<int>{80, 80, 140}));

    // A section that leaves only in the second pass.
    auto capped = autoSections(3, 0);
    capped[0].setMaxWidth(90);
    capped[1].setMaxWidth(115);
    capped.autoSize(330);
    EXPECT_EQ(widthsOf(capped), (std::vector<int>{90, 115, 125}));

    // Nobody can take the rest: the maximums stand.
    auto allCapped = autoSections(2, 0);
    allCapped[0].setMaxWidth(40);
    allCapped[1].setMaxWidth(40);
    allCapped.autoSize(500);
    EXPECT_EQ(widthsOf(allCapped), (std::vector<int>{40, 40}));
}

TEST(HeaderAutoSize, FixedSectionsKeepTheirWidth)
{
    auto sections = autoSections(3, 50);
    sections.autoSize(600);
    // The user drags section 1's edge; the list editor clears its auto-size.
    sections[1].setWidth(260);
    sections[1].setAutoSize(false);
    for (const int client : {600, 800, 300}) {
        sections.autoSize(client);
        EXPECT_EQ(sections[1].Width(), 260) << client;
    }
    EXPECT_EQ(widthsOf(sections), (std::vector<int>{50, 260, 50}));
    sections.autoSize(801);
    EXPECT_EQ(widthsOf(sections), (std::vector<int>{271, 260, 270}));

    // No auto-sized section at all: nothing moves.
    HeaderSections fixed;
    fixed.add().setWidth(70);
    fixed.add().setWidth(90);
    fixed.autoSize(1000);
    EXPECT_EQ(widthsOf(fixed), (std::vector<int>{70, 90}));
}

TEST(HeaderAutoSize, EightColumnLayout)
{
    // The tag preview: minimum client width / 8, except the narrow track
    // column, which gets a width of 30 and no minimum.
    const int client = 509;
    HeaderSections sections;
    for (int i = 0; i < 8; ++i) sections.add();
    sections[0].setWidth(30);
    for (int i = 1; i < 8; ++i) sections[i].setMinWidth(client / 8);
    for (int i = 0; i < 8; ++i) sections[i].setAutoSize(true);
    EXPECT_EQ(sections[0].Width(), 30);  // until the header is next sized
    EXPECT_EQ(sections[7].Width(), 63);

    sections.autoSize(client);
    EXPECT_EQ(sections.totalWidth(), client);
    EXPECT_EQ(sections[0].Width(), client - 7 * 63);
    for (int i = 1; i < 8; ++i) EXPECT_EQ(sections[i].Width(), 63);

    sections.autoSize(900);
    EXPECT_EQ(widthsOf(sections), (std::vector<int>{116, 112, 112, 112, 112, 112, 112, 112}));

    // Narrower than the minimums: the track column gives up everything.
    sections.autoSize(400);
    EXPECT_EQ(sections[0].Width(), 0);
    for (int i = 1; i < 8; ++i) EXPECT_EQ(sections[i].Width(), 63);
}

// ---- rows as cells ----

TEST(SplitRow, CellsBetweenDelimiters)
{
    EXPECT_EQ(cellsOf("a|b|c"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(cellsOf("a||c"), (std::vector<std::string>{"a", "", "c"}));
    EXPECT_EQ(cellsOf("a|b|"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(cellsOf("a||"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(cellsOf("|b"), (std::vector<std::string>{"", "b"}));
    EXPECT_EQ(cellsOf("|"), (std::vector<std::string>{""}));
    EXPECT_EQ(cellsOf("plain"), (std::vector<std::string>{"plain"}));
    EXPECT_TRUE(cellsOf("").empty());
    // Cells are not trimmed.
    EXPECT_EQ(cellsOf(" x | y "), (std::vector<std::string>{" x ", " y "}));
}

TEST(RowHasText, SpacesAndControlCharactersAreNoText)
{
    using namespace std::string_view_literals;
    for (const auto blank : {""sv, "   "sv, " \t\r\n"sv, "\0 \x1f\x7f"sv})
        EXPECT_FALSE(RowHasText(blank)) << blank.size();
    for (const auto text : {" x "sv, "|"sv, "\xe9"sv, "  .  "sv}) EXPECT_TRUE(RowHasText(text));
}

TEST(LayoutRow, CellsFollowTheSectionsWithAOnePixelInset)
{
    HeaderSections sections;
    sections.add().setWidth(120);
    sections.add().setWidth(80);
    const Rect row{0, 32, 300, 48};

    // Three cells under two sections: the third is not drawn.
    const auto cells = LayoutRow("a.mp3|b.mp3|Test OK", '|', sections, row, {}, false);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].text, "a.mp3");
    EXPECT_EQ(cells[0].rect, (Rect{1, 32, 119, 48}));
    EXPECT_EQ(cells[1].text, "b.mp3");
    EXPECT_EQ(cells[1].rect, (Rect{121, 32, 199, 48}));

    // An empty cell still takes its place; a shorter row leaves sections empty.
    const auto gap = LayoutRow("|b", '|', sections, row, {}, false);
    ASSERT_EQ(gap.size(), 2u);
    EXPECT_EQ(gap[0].text, "");
    EXPECT_EQ(gap[1].text, "b");
    EXPECT_EQ(LayoutRow("only|", '|', sections, row, {}, false).size(), 1u);

    // A row that starts further right carries its cells along.
    const auto shifted = LayoutRow("x|y", '|', sections, {10, 0, 300, 16}, {}, false);
    EXPECT_EQ(shifted[1].rect, (Rect{131, 0, 209, 16}));

    EXPECT_TRUE(LayoutRow("    ", '|', sections, row, {}, false).empty());
    // Delimiters are text: blank cells are laid out like any others.
    EXPECT_EQ(LayoutRow(" | | ", '|', sections, row, {}, false).size(), 2u);
    EXPECT_TRUE(LayoutRow("a|b", '|', HeaderSections{}, row, {}, false).empty());
}

TEST(LayoutRow, EmptyMiddleCellAndTrailingDelimiterUnderThreeSections)
{
    auto sections = autoSections(3, 0);
    sections.autoSize(300);
    const Rect row{0, 0, 300, 16};
    const auto cells = LayoutRow("song.mp3||Test ERROR|", '|', sections, row, {}, false);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[1].text, "");
    EXPECT_EQ(cells[1].rect, (Rect{101, 0, 199, 16}));
    EXPECT_EQ(cells[2].text, "Test ERROR");
}

TEST(CellTextFlags, AlignmentAndOptions)
{
    const ColumnOptions all;
    const ColumnOptions none{false, false, false};
    constexpr unsigned base = textflags::SingleLine | textflags::VCenter | textflags::NoPrefix;

    EXPECT_EQ(CellTextFlags(Alignment::Left, all, false), base | 0x4000u | 0x8000u | 0x2000u);
    EXPECT_EQ(CellTextFlags(Alignment::Left, none, false), base);
    EXPECT_EQ(CellTextFlags(Alignment::Right, none, false), base | 2u);
    EXPECT_EQ(CellTextFlags(Alignment::Center, none, false), base | 1u);
    EXPECT_EQ(CellTextFlags(Alignment::Left, {true, false, false}, false), base | 0x4000u);
    EXPECT_EQ(CellTextFlags(Alignment::Left, {false, true, false}, false), base | 0x8000u);
    EXPECT_EQ(CellTextFlags(Alignment::Left, {false, false, true}, false), base | 0x2000u);

    // Right to left mirrors left and right; centre stays centred.
    EXPECT_EQ(CellTextFlags(Alignment::Left, none, true), base | 2u | textflags::RtlReading);
    EXPECT_EQ(CellTextFlags(Alignment::Right, none, true), base | textflags::RtlReading);
    EXPECT_EQ(CellTextFlags(Alignment::Center, none, true), base | 1u | textflags::RtlReading);

    HeaderSections sections;
    sections.add().alignment = Alignment::Right;
    const auto cells = LayoutRow("7", '|', sections, {0, 0, 50, 16}, all, false);
    EXPECT_EQ(cells.at(0).flags, CellTextFlags(Alignment::Right, all, false));
}

// ---- rows and selection ----

RowList rows(int n)
{
    RowList list;
    for (int i = 0; i < n; ++i) list.add("row " + std::to_string(i));
    return list;
}

std::vector<int> selectedRows(const RowList& list)
{
    std::vector<int> picked;
    for (int i = 0; i < list.count(); ++i)
        if (list.Selected(i)) picked.push_back(i);
    return picked;
}

TEST(RowList, ItemsAndTheirSelectionAcrossChanges)
{
    RowList list = rows(3);
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(2), "row 2");
    EXPECT_EQ(list.CurrentRow(), -1);
    EXPECT_EQ(list.SelectedCount(), 0);

    list.click(1);
    list.setItem(1, "renamed|Test OK");
    EXPECT_EQ(list.item(1), "renamed|Test OK");
    EXPECT_EQ(list.CurrentRow(), 1);
    EXPECT_TRUE(list.Selected(1));

    list.add("row 3");
    EXPECT_FALSE(list.Selected(3));
    EXPECT_EQ(list.CurrentRow(), 1);

    list.assign({"x", "y"});
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.CurrentRow(), -1);
    EXPECT_EQ(list.SelectedCount(), 0);

    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_THROW(list.item(0), std::out_of_range);
    EXPECT_THROW(list.click(0), std::out_of_range);
    EXPECT_THROW(list.setCurrentRow(0), std::out_of_range);
}

TEST(RowList, ExtendedSelectionWithMouseAndKeys)
{
    RowList list = rows(8);
    ASSERT_TRUE(list.MultiSelect());
    list.click(2);
    list.click(5, ShiftKey);
    EXPECT_EQ(selectedRows(list), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(list.CurrentRow(), 5);
    // Shift again ranges from the same anchor.
    list.click(0, ShiftKey);
    EXPECT_EQ(selectedRows(list), (std::vector<int>{0, 1, 2}));

    list.click(6, CtrlKey);
    EXPECT_EQ(selectedRows(list), (std::vector<int>{0, 1, 2, 6}));
    list.click(1, CtrlKey);
    EXPECT_EQ(selectedRows(list), (std::vector<int>{0, 2, 6}));
    EXPECT_EQ(list.CurrentRow(), 1);
    EXPECT_EQ(list.SelectedCount(), 3);
    // Ctrl+Shift adds the range from the new anchor and keeps the rest.
    list.click(3, CtrlKey | ShiftKey);
    EXPECT_EQ(selectedRows(list), (std::vector<int>{0, 1, 2, 3, 6}));

    list.click(4);
    EXPECT_EQ(selectedRows(list), std::vector<int>{4});

    // Keyboard: Ctrl moves only the focus, Space toggles, Shift extends.
    list.moveTo(6, CtrlKey);
    EXPECT_EQ(list.CurrentRow(), 6);
    EXPECT_EQ(selectedRows(list), std::vector<int>{4});
    list.toggleCurrent();
    EXPECT_EQ(selectedRows(list), (std::vector<int>{4, 6}));
    list.moveTo(7, ShiftKey);
    EXPECT_EQ(selectedRows(list), (std::vector<int>{6, 7}));
    list.moveTo(1);
    EXPECT_EQ(selectedRows(list), std::vector<int>{1});

    list.setSelected(3, true);
    EXPECT_EQ(selectedRows(list), (std::vector<int>{1, 3}));
    list.setCurrentRow(5);  // focus only
    EXPECT_EQ(list.CurrentRow(), 5);
    EXPECT_EQ(selectedRows(list), (std::vector<int>{1, 3}));
}

TEST(RowList, SingleSelectionKeepsOneRowSelectedAtTheCurrentRow)
{
    RowList list = rows(5);
    list.setMultiSelect(false);
    list.click(3, ShiftKey | CtrlKey);  // keys mean nothing here
    EXPECT_EQ(selectedRows(list), std::vector<int>{3});
    list.moveTo(1, CtrlKey);
    EXPECT_EQ(selectedRows(list), std::vector<int>{1});
    EXPECT_EQ(list.CurrentRow(), 1);
    list.toggleCurrent();
    EXPECT_EQ(selectedRows(list), std::vector<int>{1});

    list.setSelected(4, true);
    EXPECT_EQ(list.CurrentRow(), 4);
    EXPECT_EQ(list.SelectedCount(), 1);
    list.setSelected(2, false);  // not the selected row: nothing happens
    EXPECT_EQ(list.CurrentRow(), 4);
    list.setSelected(4, false);
    EXPECT_EQ(list.CurrentRow(), -1);
    EXPECT_EQ(list.SelectedCount(), 0);

    list.setCurrentRow(2);
    EXPECT_EQ(selectedRows(list), std::vector<int>{2});
    list.setCurrentRow(-1);
    EXPECT_EQ(list.SelectedCount(), 0);
}

TEST(RowList, SwitchingToSingleSelectionKeepsAtMostTheCurrentRow)
{
    RowList list = rows(6);
    list.click(1);
    list.click(4, ShiftKey);
    list.setMultiSelect(false);
    EXPECT_EQ(selectedRows(list), std::vector<int>{4});
    EXPECT_EQ(list.CurrentRow(), 4);

    // Back to multiple selection: the one row stays and anchors a Shift click.
    list.setMultiSelect(true);
    list.click(2, ShiftKey);
    EXPECT_EQ(selectedRows(list), (std::vector<int>{2, 3, 4}));

    // The focused row was not selected: nothing stays, and there is no
    // current row.
    list.click(0, CtrlKey);
    list.click(5, CtrlKey);
    list.click(5, CtrlKey);
    ASSERT_EQ(list.CurrentRow(), 5);
    ASSERT_FALSE(list.Selected(5));
    list.setMultiSelect(false);
    EXPECT_EQ(list.SelectedCount(), 0);
    EXPECT_EQ(list.CurrentRow(), -1);
}

// ---- geometry ----

TEST(RowGeometry, RectanglesAndTheRowUnderAPoint)
{
    EXPECT_EQ(RowRect(0, 0, 16, 300), (Rect{0, 0, 300, 16}));
    EXPECT_EQ(RowRect(3, 1, 16, 300), (Rect{0, 32, 300, 48}));
    EXPECT_EQ(RowRect(0, 2, 16, 300).top, -32);  // scrolled out above

    EXPECT_EQ(RowAt(0, 0, 16, 5), 0);
    EXPECT_EQ(RowAt(15, 0, 16, 5), 0);
    EXPECT_EQ(RowAt(16, 0, 16, 5), 1);
    EXPECT_EQ(RowAt(79, 0, 16, 5), 4);
    EXPECT_EQ(RowAt(80, 0, 16, 5), -1);  // below the last row
    EXPECT_EQ(RowAt(40, 3, 16, 5), -1);
    EXPECT_EQ(RowAt(20, 3, 16, 5), 4);
    EXPECT_EQ(RowAt(-1, 0, 16, 5), -1);
    EXPECT_EQ(RowAt(5, 0, 16, 0), -1);  // an empty list has no rows

    // Round trip: the row under any point of a row's rectangle is that row.
    for (int row = 2; row < 9; ++row) {
        const Rect r = RowRect(row, 2, 13, 100);
        EXPECT_EQ(RowAt(r.top, 2, 13, 9), row);
        EXPECT_EQ(RowAt(r.bottom - 1, 2, 13, 9), row);
    }
}

}  // namespace
