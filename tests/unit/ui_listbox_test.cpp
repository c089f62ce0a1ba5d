#include "ui/headless/headless.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace sonrik::ui;
using sonrik::ui::headless::HeadlessBackend;
using sonrik::ui::headless::User;

namespace {

class ListForm : public Form {
public:
    explicit ListForm(Backend& backend) : Form(backend, "ListForm")
    {
        TagBox.SetBounds(0, 0, 600, 300);
        TagBox.OnClick = [this] { log.push_back("click"); };
        TagBox.OnDblClick = [this] { log.push_back("dblclick"); };
        TagBox.OnMouseUp = [this](MouseButton, ShiftState, int x, int y) {
            log.push_back("up:" + std::to_string(TagBox.Sections().sectionAt(x)) + "," +
                          std::to_string(TagBox.RowAt(x, y)));
        };
        TagBox.OnHeaderSized = [this](int section, int width) {
            TagBox.SetSectionAutoSize(section, false);
            log.push_back("sized:" + std::to_string(section) + "=" + std::to_string(width));
        };
    }
    ~ListForm() override { Destroy(); }

    // Three auto-sized columns, each at least a third of the width.
    void ThreeColumns()
    {
        TagBox.ClearSections();
        for (const char8_t* title : {u8"Old name", u8"New name", u8"Status"}) {
            const int i = TagBox.AddSection();
            TagBox.SetSectionText(i, title);
            TagBox.SetSectionMinWidth(i, TagBox.ClientWidth() / 3);
            TagBox.SetSectionAutoSize(i, true);
        }
    }

    ColumnListBox TagBox{this, "TagBox"};
    std::vector<std::string> log;
};

class UiListBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.Create();
        form.SetVisible(true);
        form.ThreeColumns();
        form.TagBox.AssignItems({u8"a.mp3|A - B.mp3|", u8"c.mp3|C - D.mp3|", u8"e.mp3|E - F.mp3|"});
    }
    HeadlessBackend backend;
    ListForm form{backend};
    User user{backend};
};

}  // namespace

TEST_F(UiListBox, ColumnsShareTheWidthAndKeepTheirMinimum)
{
    const auto& s = form.TagBox.Sections();
    EXPECT_EQ(s[0].Width() + s[1].Width() + s[2].Width(), form.TagBox.ClientWidth());
    const int minimum = form.TagBox.ClientWidth() / 3;
    form.TagBox.SetBounds(0, 0, 150, 300);  // narrower than the minimums
    for (int i = 0; i < 3; ++i) EXPECT_GE(s[i].Width(), minimum) << i;
}

TEST_F(UiListBox, DraggedColumnKeepsItsWidthOnLaterResizes)
{
    user.DragSection(form.TagBox, 0, 300);
    EXPECT_EQ(form.log, std::vector<std::string>{"sized:0=300"});
    form.TagBox.SetBounds(0, 0, 900, 300);
    const auto& s = form.TagBox.Sections();
    EXPECT_EQ(s[0].Width(), 300);
    EXPECT_EQ(s[1].Width() + s[2].Width(), form.TagBox.ClientWidth() - 300);
}

TEST_F(UiListBox, ClicksSelectRowsAndReportTheCellUnderThePointer)
{
    user.ClickRow(form.TagBox, 1);
    user.ClickRow(form.TagBox, 2, ssShift);
    EXPECT_EQ(form.TagBox.SelectedCount(), 2);
    EXPECT_TRUE(form.TagBox.Selected(1));
    EXPECT_EQ(form.TagBox.CurrentRow(), 2);
    EXPECT_EQ(form.log, (std::vector<std::string>{"click", "up:0,1", "click", "up:0,2"}));

    form.log.clear();
    user.PressKey(form, keys::Up);
    EXPECT_EQ(form.TagBox.CurrentRow(), 1);
    EXPECT_EQ(form.TagBox.SelectedCount(), 1);
    user.DoubleClickRow(form.TagBox, 0);
    EXPECT_EQ(form.log.back(), "dblclick");

    // Single selection keeps the current row only.
    form.TagBox.SetMultiSelect(false);
    EXPECT_EQ(form.TagBox.SelectedCount(), 1);
    EXPECT_TRUE(form.TagBox.Selected(form.TagBox.CurrentRow()));
}

TEST_F(UiListBox, RowGeometryCountsOnlyExistingRows)
{
    const int h = form.TagBox.ItemHeight();
    EXPECT_EQ(form.TagBox.RowAt(5, h * 2 + 1), 2);
    EXPECT_EQ(form.TagBox.RowAt(5, h * 3 + 1), -1);
    EXPECT_EQ(form.TagBox.RowRect(1).top, h);
    form.TagBox.SetItem(1, u8"x.mp3|Y.mp3|Renamed");
    EXPECT_EQ(form.TagBox.Item(1), u8"x.mp3|Y.mp3|Renamed");
}
