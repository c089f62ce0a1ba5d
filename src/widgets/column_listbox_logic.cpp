#include "widgets/column_listbox_logic.h"

#include <algorithm>
#include <stdexcept>

namespace sonrik::widgets {

// ---- header sections ----

void HeaderSection::setWidth(int width) { width_ = std::clamp(width, minWidth_, maxWidth_); }

void HeaderSection::setMinWidth(int minWidth)
{
    minWidth_ = std::max(minWidth, 0);
    maxWidth_ = std::max(maxWidth_, minWidth_);
    setWidth(width_);
}

void HeaderSection::setMaxWidth(int maxWidth)
{
    maxWidth_ = std::max(maxWidth, 0);
    minWidth_ = std::min(minWidth_, maxWidth_);
    setWidth(width_);
}

HeaderSection& HeaderSections::add() { return sections_.emplace_back(); }

int HeaderSections::leftOf(int i) const
{
    if (i < 0 || i > count()) throw std::out_of_range("header section index");
    int left = 0;
    for (int k = 0; k < i; ++k) left += sections_[static_cast<std::size_t>(k)].Width();
    return left;
}

int HeaderSections::sectionAt(int x) const
{
    int left = 0;
    for (int i = 0; i < count(); ++i) {
        const int right = left + (*this)[i].Width();
        if (left < x && x < right) return i;
        left = right;
    }
    return -1;
}

void HeaderSections::autoSize(int clientWidth)
{
    int available = clientWidth;
    std::vector<HeaderSection*> group;
    for (auto& section : sections_) {
        if (section.AutoSize())
            group.push_back(&section);
        else
            available -= section.Width();
    }
    // Every pass either keeps the whole group, which ends the loop, or
    // removes at least one section from it, so it ends after at most one pass
    // per section.
    while (!group.empty()) {
        const int n = static_cast<int>(group.size());
        const int share = available / n;
        const int remainder = available % n;
        std::vector<HeaderSection*> kept;
        for (int k = 0; k < n; ++k) {
            HeaderSection& section = *group[static_cast<std::size_t>(k)];
            const int wanted = share + (k == 0 ? remainder : 0);
            section.setWidth(wanted);
            if (section.Width() == wanted)
                kept.push_back(&section);
            else
                available -= section.Width();
        }
        if (kept.size() == group.size()) break;
        group = std::move(kept);
    }
}

// ---- rows as cells ----

std::vector<std::string_view> SplitRow(std::string_view row, char delimiter)
{
    std::vector<std::string_view> cells;
    std::size_t start = 0;
    while (start < row.size()) {
        const std::size_t end = std::min(row.find(delimiter, start), row.size());
        cells.push_back(row.substr(start, end - start));
        start = end + 1;
    }
    return cells;
}

bool RowHasText(std::string_view row)
{
    // Bytes from 0x80 up are letters of the ANSI code page, not controls.
    const auto blank = [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b <= 0x20 || b == 0x7F;
    };
    return !std::all_of(row.begin(), row.end(), blank);
}

unsigned CellTextFlags(Alignment alignment, const ColumnOptions& options, bool rightToLeft)
{
    unsigned flags = textflags::SingleLine | textflags::VCenter | textflags::NoPrefix;
    switch (alignment) {
    case Alignment::Left: flags |= textflags::Left; break;
    case Alignment::Right: flags |= textflags::Right; break;
    case Alignment::Center: flags |= textflags::Center; break;
    }
    if (options.pathEllipsis) flags |= textflags::PathEllipsis;
    if (options.endEllipsis) flags |= textflags::EndEllipsis;
    if (options.editControl) flags |= textflags::EditControl;
    return AdjustForReadingOrder(flags, rightToLeft);
}

std::vector<CellLayout> LayoutRow(std::string_view row, char delimiter,
                                  const HeaderSections& sections, const Rect& rowRect,
                                  const ColumnOptions& options, bool rightToLeft)
{
    std::vector<CellLayout> layout;
    if (!RowHasText(row)) return layout;
    const auto cells = SplitRow(row, delimiter);
    const int shown = std::min(static_cast<int>(cells.size()), sections.count());
    int left = rowRect.left;
    for (int k = 0; k < shown; ++k) {
        const HeaderSection& section = sections[k];
        const Rect rect{left + 1, rowRect.top, left + section.Width() - 1, rowRect.bottom};
        layout.push_back({cells[static_cast<std::size_t>(k)], rect,
                          CellTextFlags(section.alignment, options, rightToLeft)});
        left += section.Width();
    }
    return layout;
}

// ---- rows and selection ----

std::size_t RowList::index(int i) const
{
    if (i < 0 || i >= count()) throw std::out_of_range("row index " + std::to_string(i));
    return static_cast<std::size_t>(i);
}

void RowList::clear() noexcept
{
    rows_.clear();
    selected_.clear();
    current_ = -1;
    anchor_ = -1;
}

void RowList::add(std::string row)
{
    rows_.push_back(std::move(row));
    selected_.push_back(false);
}

void RowList::assign(std::vector<std::string> rows)
{
    clear();
    rows_ = std::move(rows);
    selected_.assign(rows_.size(), false);
}

void RowList::setItem(int i, std::string row) { rows_[index(i)] = std::move(row); }

void RowList::setMultiSelect(bool multiSelect)
{
    if (multiSelect == multiSelect_) return;
    multiSelect_ = multiSelect;
    if (!multiSelect_) selectOnly(current_ >= 0 && selected_[index(current_)] ? current_ : -1);
    anchor_ = current_;
}

int RowList::SelectedCount() const noexcept
{
    return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

void RowList::setCurrentRow(int i)
{
    if (i != -1) index(i);
    if (!multiSelect_) {
        selectOnly(i);
        return;
    }
    current_ = i;
    anchor_ = i;
}

void RowList::setSelected(int i, bool selected)
{
    const std::size_t at = index(i);
    if (multiSelect_)
        selected_[at] = selected;
    else if (selected)
        selectOnly(i);
    else if (i == current_)
        selectOnly(-1);
}

void RowList::click(int i, unsigned shift)
{
    const std::size_t at = index(i);
    if (!multiSelect_) {
        selectOnly(i);
        return;
    }
    const bool withShift = (shift & ShiftKey) != 0;
    const bool withCtrl = (shift & CtrlKey) != 0;
    if (withShift) {
        selectRange(anchor_ >= 0 ? anchor_ : i, i, withCtrl);
    } else if (withCtrl) {
        selected_[at] = !selected_[at];
        current_ = i;
        anchor_ = i;
    } else {
        selectOnly(i);
    }
}

void RowList::moveTo(int i, unsigned shift)
{
    index(i);
    if (multiSelect_ && (shift & CtrlKey) != 0 && (shift & ShiftKey) == 0) {
        current_ = i;
        return;
    }
    click(i, shift);
}

void RowList::toggleCurrent()
{
    if (!multiSelect_ || current_ < 0) return;
    const std::size_t at = index(current_);
    selected_[at] = !selected_[at];
    anchor_ = current_;
}

void RowList::selectOnly(int i)
{
    std::fill(selected_.begin(), selected_.end(), false);
    if (i >= 0) selected_[index(i)] = true;
    current_ = i;
    anchor_ = i;
}

// Selects from..to (either order); the anchor stays where it was.
void RowList::selectRange(int from, int to, bool keepOthers)
{
    if (!keepOthers) std::fill(selected_.begin(), selected_.end(), false);
    const auto [low, high] = std::minmax(from, to);
    for (int k = low; k <= high; ++k) selected_[index(k)] = true;
    current_ = to;
    anchor_ = from;
}

// ---- geometry ----

Rect RowRect(int row, int topRow, int itemHeight, int clientWidth)
{
    const int top = (row - topRow) * itemHeight;
    return {0, top, clientWidth, top + itemHeight};
}

int RowAt(int y, int topRow, int itemHeight, int rowCount)
{
    if (y < 0 || itemHeight <= 0) return -1;
    const int row = topRow + y / itemHeight;
    return row < rowCount ? row : -1;
}

}  // namespace sonrik::widgets
