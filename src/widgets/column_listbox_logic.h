// The portable part of ColumnListBox: a list whose rows are strings cut into
// cells at a delimiter, drawn one cell per header section. Here live the
// header sections and their auto-sizing, the row splitting and cell layout,
// the rows with their selection, and the row geometry; the Win32 painting
// code only fills rectangles and draws the texts it is given.
#pragma once

#include "widgets/drawing.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sonrik::widgets {

enum class Alignment { Left, Right, Center };

class HeaderSection {
public:
    static constexpr int kDefaultWidth = 50;
    static constexpr int kDefaultMaxWidth = 10000;

    // The caption (UTF-8).
    const std::u8string& Text() const noexcept { return text_; }
    void setText(std::u8string text) { text_ = std::move(text); }

    // Every width set is clamped into [MinWidth, MaxWidth].
    int Width() const noexcept { return width_; }
    void setWidth(int width);
    // Limits are never negative and MinWidth never exceeds MaxWidth: raising
    // the minimum above the maximum raises the maximum with it, and lowering
    // the maximum below the minimum lowers the minimum. The width follows.
    int MinWidth() const noexcept { return minWidth_; }
    void setMinWidth(int minWidth);
    int MaxWidth() const noexcept { return maxWidth_; }
    void setMaxWidth(int maxWidth);

    bool AutoSize() const noexcept { return autoSize_; }
    void setAutoSize(bool autoSize) noexcept { autoSize_ = autoSize; }

    Alignment alignment = Alignment::Left;
    int imageIndex = -1;

private:
    std::u8string text_;
    int width_ = kDefaultWidth;
    int minWidth_ = 0;
    int maxWidth_ = kDefaultMaxWidth;
    bool autoSize_ = false;
};

// The header's sections, left to right.
class HeaderSections {
public:
    void clear() noexcept { sections_.clear(); }
    // A new section at the right end. References to sections stay valid only
    // until the next add or clear.
    HeaderSection& add();
    int count() const noexcept { return static_cast<int>(sections_.size()); }
    HeaderSection& operator[](int i) { return sections_.at(static_cast<std::size_t>(i)); }
    const HeaderSection& operator[](int i) const { return sections_.at(static_cast<std::size_t>(i)); }

    // Left edge of section i: the sum of the widths before it.
    int leftOf(int i) const;
    int totalWidth() const { return leftOf(count()); }
    // The section strictly containing x; -1 on a boundary or right of the
    // last section.
    int sectionAt(int x) const;

    // Shares the width left by the fixed sections among the auto-sized ones;
    // a section that its limits keep from its share drops out and the rest
    // share again. Run whenever the header's client width changes.
    void autoSize(int clientWidth);

private:
    std::vector<HeaderSection> sections_;
};

// Row strings are cut into cells at the delimiter. A delimiter at the very
// end makes no empty last cell; two in a row make an empty cell between them.
std::vector<std::string_view> SplitRow(std::string_view row, char delimiter);

// False when the row is empty once spaces and control characters are trimmed
// from both ends: such a row draws no text.
bool RowHasText(std::string_view row);

struct ColumnOptions {
    bool pathEllipsis = true;  // loPathEllipsis: a long path loses its middle
    bool endEllipsis = true;   // loEndEllipsis
    bool editControl = true;   // loEditControl
};

// Flags for drawing one cell: one line, vertically centred, '&' shown as
// itself (file names contain it), the section's alignment and the options.
unsigned CellTextFlags(Alignment alignment, const ColumnOptions& options, bool rightToLeft);

struct CellLayout {
    std::string_view text;  // points into the row string
    Rect rect;
    unsigned flags = 0;
};

// The cells of one row as they are drawn into `rowRect`: each within its
// section, one pixel in from either edge. Cells beyond the last section are
// dropped; a row without text gives none.
std::vector<CellLayout> LayoutRow(std::string_view row, char delimiter,
                                  const HeaderSections& sections, const Rect& rowRect,
                                  const ColumnOptions& options, bool rightToLeft);

// Keys held during a click or a move; combine with |. The bits are those of
// the control layer's shift state, which is passed on as it is.
enum SelectKeys : unsigned {
    ShiftNone = 0,
    ShiftKey = 1,
    CtrlKey = 4,
};

// The rows and their selection. With multiple selection on, selection works
// as the platform's extended selection does: a plain click selects one row,
// Shift extends from the anchor, Ctrl toggles. With it off, the current row
// is the one selected row.
class RowList {
public:
    void clear() noexcept;
    void add(std::string row);
    void assign(std::vector<std::string> rows);
    int count() const noexcept { return static_cast<int>(rows_.size()); }
    const std::string& item(int i) const { return rows_.at(index(i)); }
    // Replaces the text of row i; its selection and the current row stay.
    void setItem(int i, std::string row);

    bool MultiSelect() const noexcept { return multiSelect_; }
    // Switching multiple selection off keeps the current row selected when it
    // was; any other selection is dropped, and with nothing selected there is
    // no current row.
    void setMultiSelect(bool multiSelect);

    // The current row (the focused row with multiple selection), -1 for none.
    int CurrentRow() const noexcept { return current_; }
    int SelectedCount() const noexcept;
    bool Selected(int i) const { return selected_.at(index(i)); }

    // From code: make row i current (-1 for none). Without multiple
    // selection it becomes the selected row; with it, only the focus moves.
    void setCurrentRow(int i);
    // From code: select or deselect row i. Without multiple selection,
    // selecting makes it the current row.
    void setSelected(int i, bool selected);

    // The user clicks row i with the given keys held.
    void click(int i, unsigned shift = ShiftNone);
    // The user moves to row i with the keyboard: plain selects only it, Shift
    // extends from the anchor, Ctrl moves the focus and leaves the selection.
    void moveTo(int i, unsigned shift = ShiftNone);
    // Space with multiple selection: toggles the current row.
    void toggleCurrent();

private:
    std::size_t index(int i) const;
    void selectOnly(int i);
    void selectRange(int from, int to, bool keepOthers);

    std::vector<std::string> rows_;
    std::vector<bool> selected_;
    int current_ = -1;
    int anchor_ = -1;
    bool multiSelect_ = true;
};

// Geometry of the row list, in its own client coordinates, with `topRow` the
// first visible row.
Rect RowRect(int row, int topRow, int itemHeight, int clientWidth);
// The row under y, counting only existing rows; -1 above the first or below
// the last.
int RowAt(int y, int topRow, int itemHeight, int rowCount);

}  // namespace sonrik::widgets
