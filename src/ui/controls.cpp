#include "ui/controls.h"

#include "ui/backend.h"
#include "ui/form.h"

#include <algorithm>
#include <stdexcept>

namespace sonrik::ui {

// ---- Control -------------------------------------------------------------------

Control::Control(Kind kind, Control* parent, std::string name)
    : kind_(kind), parent_(parent), name_(std::move(name))
{
    if (parent_) {
        parent_->children_.push_back(this);
        parent_->zOrder_.push_back(this);  // a later control is in front
    }
}

// Children are members declared after their parents, so they are gone first;
// nothing here may touch the parent.
Control::~Control() = default;

Form& Control::OwnerForm()
{
    Control* c = this;
    while (c->kind_ != Kind::Form) {
        if (!c->parent_) throw std::logic_error("control " + name_ + " is not on a form");
        c = c->parent_;
    }
    return static_cast<Form&>(*c);
}

const Form& Control::OwnerForm() const { return const_cast<Control*>(this)->OwnerForm(); }

void Control::Notify(Property property)
{
    if (peer_) peer_->Changed(property);
}

bool Control::StoreText(std::string_view text, std::optional<char32_t> unheld)
{
    if (text_ == text && unheld_ == unheld) return false;
    text_.assign(text);
    unheld_ = unheld;
    Notify(Property::Text);
    return true;
}

void Control::SetCaption(std::u8string_view caption)
{
    if (caption_ == caption) return;
    caption_.assign(caption);
    Notify(Property::Text);
}

void Control::SetEnabled(bool value)
{
    if (enabled_ == value) return;
    enabled_ = value;
    Notify(Property::Enabled);
    for (Control* child : children_) child->Notify(Property::Enabled);
}

bool Control::EnabledInTree() const
{
    for (const Control* c = this; c; c = c->parent_)
        if (!c->enabled_) return false;
    return true;
}

void Control::SetVisible(bool value)
{
    if (value) BringToFront();
    if (visible_ == value) return;
    visible_ = value;
    Notify(Property::Visible);
    // An aligned control that comes or goes changes what its siblings get.
    if (align_ != Align::None && parent_) parent_->Realign();
}

bool Control::VisibleInTree() const
{
    for (const Control* c = this; c; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void Control::SetBounds(int left, int top, int width, int height)
{
    const Bounds b{left, top, width, height};
    if (bounds_ == b) return;
    const bool resized = b.width != bounds_.width || b.height != bounds_.height;
    bounds_ = b;
    Notify(Property::Bounds);
    if (align_ != Align::None && parent_ && !parent_->aligning_) parent_->Realign();
    if (resized) {
        SizeChanged();
        Realign();
        OnResize();
    }
}

void Control::SetAlign(Align value)
{
    if (align_ == value) return;
    align_ = value;
    if (parent_) parent_->Realign();
}

// Edges first, in the order top, bottom, left, right, each taking the full
// length of what is left; then the client-aligned controls fill the rest.
// Controls with the same edge keep the order of their positions (the one
// nearest that edge goes first), and creation order between equals.
void Control::Realign()
{
    if (aligning_) return;
    std::vector<Control*> aligned;
    for (Control* child : children_)
        if (child->align_ != Align::None && child->visible_) aligned.push_back(child);
    const Bounds area = ClientArea();
    // A parent not sized yet has nothing to share; laying out into it would
    // lose the order of the edges' controls.
    if (aligned.empty() || (area.width <= 0 && area.height <= 0)) return;
    aligning_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{aligning_};

    int left = area.left, top = area.top;
    int right = area.left + area.width, bottom = area.top + area.height;
    const auto place = [](Control& c, int x, int y, int w, int h) {
        c.SetBounds(x, y, std::max(0, w), std::max(0, h));
    };
    for (const Align edge : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
        std::vector<Control*> group;
        for (Control* c : aligned)
            if (c->align_ == edge) group.push_back(c);
        std::stable_sort(group.begin(), group.end(), [edge](const Control* a, const Control* b) {
            const Bounds& x = a->bounds_;
            const Bounds& y = b->bounds_;
            switch (edge) {
            case Align::Top: return x.top < y.top;
            case Align::Bottom: return x.top + x.height > y.top + y.height;
            case Align::Left: return x.left < y.left;
            case Align::Right: return x.left + x.width > y.left + y.width;
            default: return false;
            }
        });
        for (Control* c : group) {
            const Bounds& b = c->bounds_;
            switch (edge) {
            case Align::Top:
                place(*c, left, top, right - left, b.height);
                top += b.height;
                break;
            case Align::Bottom:
                place(*c, left, bottom - b.height, right - left, b.height);
                bottom -= b.height;
                break;
            case Align::Left:
                place(*c, left, top, b.width, bottom - top);
                left += b.width;
                break;
            case Align::Right:
                place(*c, right - b.width, top, b.width, bottom - top);
                right -= b.width;
                break;
            default: place(*c, left, top, right - left, bottom - top); break;
            }
        }
    }
}

void Control::BringToFront()
{
    if (!parent_) return;
    auto& order = parent_->zOrder_;
    const auto it = std::find(order.begin(), order.end(), this);
    if (it == order.end() || it + 1 == order.end()) return;
    order.erase(it);
    order.push_back(this);
    Notify(Property::ZOrder);
}

Control* Control::ChildAt(int x, int y) const
{
    for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it) {
        const Bounds& b = (*it)->bounds_;
        if ((*it)->visible_ && x >= b.left && x < b.left + b.width && y >= b.top && y < b.top + b.height) return *it;
    }
    return nullptr;
}

void Control::Repaint()
{
    Control* c = this;
    while (c->kind_ != Kind::Form && c->parent_) c = c->parent_;
    if (c->kind_ == Kind::Form) static_cast<Form*>(c)->GetBackend().Repaint(*this);
}

void Control::SetFocus() { OwnerForm().FocusControl(this); }

bool Control::Focused() const { return OwnerForm().ActiveControl() == this; }

void Control::AttachPeer(std::unique_ptr<ControlPeer> peer) { peer_ = std::move(peer); }

void Control::DetachPeer()
{
    for (Control* child : children_) child->DetachPeer();
    peer_.reset();
}

// ---- Edit and Memo -------------------------------------------------------------

void Edit::SetText(std::string_view text)
{
    if (StoreText(text)) OnChange();
}

void Edit::SetDigitsOnly(bool value)
{
    digitsOnly_ = value;
    Notify(Property::Style);
}

void Edit::SetReadOnly(bool value)
{
    readOnly_ = value;
    Notify(Property::Style);
}

std::vector<std::string> Memo::Lines() const
{
    // A memo's text splits into lines exactly as a tag's line lists do: by
    // the shared rule, up to a zero byte.
    return text::SplitLines(text::UpToZero(Text()));
}

void Memo::SetLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    SetText(text);
}

// ---- CheckBox --------------------------------------------------------------------

void CheckBox::SetChecked(bool value)
{
    if (checked_ == value) return;
    checked_ = value;
    Notify(Property::Checked);
    OnClick();
    OnChange();
}

// ---- ComboBox ----------------------------------------------------------------------

void ComboBox::SetItems(std::vector<std::string> items)
{
    items_ = std::move(items);
    if (itemIndex_ >= static_cast<int>(items_.size())) itemIndex_ = -1;
    Notify(Property::Items);
}

void ComboBox::AddItem(std::string item)
{
    items_.push_back(std::move(item));
    Notify(Property::Items);
}

void ComboBox::InsertItem(int index, std::string item)
{
    index = std::clamp(index, 0, static_cast<int>(items_.size()));
    items_.insert(items_.begin() + index, std::move(item));
    if (itemIndex_ >= index) ++itemIndex_;
    Notify(Property::Items);
}

void ComboBox::DeleteItem(int index)
{
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    items_.erase(items_.begin() + index);
    if (itemIndex_ == index)
        itemIndex_ = -1;
    else if (itemIndex_ > index)
        --itemIndex_;
    Notify(Property::Items);
}

void ComboBox::ClearItems()
{
    items_.clear();
    itemIndex_ = -1;
    if (style_ == Style::DropDownList) StoreText("");
    Notify(Property::Items);
}

int ComboBox::IndexOf(std::string_view item) const
{
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (text::SameIgnoringCase(items_[i], item)) return static_cast<int>(i);
    return -1;
}

void ComboBox::SetItemIndex(int index)
{
    if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
    itemIndex_ = index;
    StoreText(index >= 0 ? std::string_view(items_[static_cast<std::size_t>(index)]) : std::string_view{});
    Notify(Property::ItemIndex);
}

void ComboBox::SetText(std::string_view text)
{
    const int match = IndexOf(text);
    if (style_ == Style::DropDownList) {
        SetItemIndex(match);
        return;
    }
    StoreText(text);
    itemIndex_ = match;
    Notify(Property::ItemIndex);
}

void ComboBox::SetDroppedDown(bool value)
{
    if (droppedDown_ == value) return;
    droppedDown_ = value;
    Notify(Property::DroppedDown);
}

// ---- the rest ----------------------------------------------------------------------

// The frame's lines (two with the 3-D look) and the caption line on top.
Bounds GroupBox::ClientArea() const
{
    return {2, kCaptionHeight + 2, std::max(0, Width() - 4), std::max(0, Height() - kCaptionHeight - 4)};
}

void GroupBox::SetCtl3D(bool value)
{
    ctl3D_ = value;
    Notify(Property::Style);
}

void StatusBar::SetPanelWidths(const std::vector<int>& widths)
{
    panels_.resize(widths.size());
    for (std::size_t i = 0; i < widths.size(); ++i) panels_[i].width = widths[i];
    Notify(Property::Panels);
}

const std::u8string& StatusBar::PanelText(int index) const
{
    return panels_.at(static_cast<std::size_t>(index)).text;
}

void StatusBar::SetPanelText(int index, std::u8string_view text)
{
    auto& panel = panels_.at(static_cast<std::size_t>(index));
    if (panel.text == text) return;
    panel.text.assign(text);
    Notify(Property::Panels);
}

int PageControl::PageCount() const
{
    return static_cast<int>(std::count_if(Children().begin(), Children().end(),
                                          [](const Control* c) { return c->kind() == Kind::TabSheet; }));
}

TabSheet& PageControl::Page(int index)
{
    int i = 0;
    for (Control* c : Children())
        if (c->kind() == Kind::TabSheet && i++ == index) return static_cast<TabSheet&>(*c);
    throw std::out_of_range("page " + std::to_string(index) + " of " + Name());
}

void PageControl::SetActivePageIndex(int index)
{
    if (index < 0 || index >= PageCount() || index == activePage_) return;
    activePage_ = index;
    Notify(Property::PageIndex);
}

void PageControl::SelectNextPage(bool forward)
{
    const int count = PageCount();
    if (count == 0) return;
    SetActivePageIndex((activePage_ + (forward ? 1 : count - 1)) % count);
}

void PageControl::SetTabWidth(int width)
{
    tabStyle_.tabWidth = std::max(0, width);
    Notify(Property::TabStyle);
}

void PageControl::SetMultiLine(bool value)
{
    tabStyle_.multiLine = value;
    Notify(Property::TabStyle);
}

void PageControl::SizeChanged()
{
    if (Peer() && Peer()->LaysOutPages()) return;  // the window reports its real display area
    for (Control* c : Children())
        if (c->kind() == Kind::TabSheet)
            c->SetBounds(2, kNominalTabHeight + 2, std::max(0, Width() - 4),
                         std::max(0, Height() - kNominalTabHeight - 4));
}

void TabControl::SetTabWidth(int width)
{
    tabStyle_.tabWidth = std::max(0, width);
    Notify(Property::TabStyle);
}

void TabControl::SetMultiLine(bool value)
{
    tabStyle_.multiLine = value;
    Notify(Property::TabStyle);
}

void TabControl::SetTabs(std::vector<std::u8string> tabs)
{
    tabs_ = std::move(tabs);
    if (tabIndex_ >= static_cast<int>(tabs_.size())) tabIndex_ = tabs_.empty() ? -1 : 0;
    if (tabIndex_ < 0 && !tabs_.empty()) tabIndex_ = 0;
    Notify(Property::Items);
}

void TabControl::SetTabIndex(int index)
{
    if (index < -1 || index >= static_cast<int>(tabs_.size()) || index == tabIndex_) return;
    tabIndex_ = index;
    Notify(Property::PageIndex);
}

// ---- ColumnListBox -------------------------------------------------------------------

void ColumnListBox::SetDelimiter(char value)
{
    delimiter_ = value;
    Notify(Property::Items);
}

void ColumnListBox::SetHeaderHeight(int value)
{
    headerHeight_ = value;
    Notify(Property::Sections);
}

void ColumnListBox::SetOptions(const widgets::ColumnOptions& options)
{
    options_ = options;
    Notify(Property::Items);
}

void ColumnListBox::Relayout()
{
    sections_.autoSize(ClientWidth());
    SetScrollLeft(scrollLeft_);
    Notify(Property::Sections);
}

void ColumnListBox::SetScrollLeft(int value)
{
    const int widest = std::max(0, sections_.totalWidth() - ClientWidth());
    const int clamped = std::clamp(value, 0, widest);
    if (clamped == scrollLeft_) return;
    scrollLeft_ = clamped;
    Notify(Property::Sections);
}

void ColumnListBox::SizeChanged() { Relayout(); }

void ColumnListBox::ClearSections()
{
    sections_.clear();
    scrollLeft_ = 0;
    Notify(Property::Sections);
}

int ColumnListBox::AddSection()
{
    sections_.add();
    Notify(Property::Sections);
    return sections_.count() - 1;
}

void ColumnListBox::SetSectionText(int index, std::u8string_view caption)
{
    sections_[index].setText(std::u8string(caption));
    Notify(Property::Sections);
}

void ColumnListBox::SetSectionWidth(int index, int width)
{
    sections_[index].setWidth(width);
    SetScrollLeft(scrollLeft_);
    Notify(Property::Sections);
}

void ColumnListBox::SetSectionMinWidth(int index, int width)
{
    sections_[index].setMinWidth(width);
    Notify(Property::Sections);
}

void ColumnListBox::SetSectionAutoSize(int index, bool value)
{
    sections_[index].setAutoSize(value);
    if (value) Relayout();
    Notify(Property::Sections);
}

void ColumnListBox::ClearItems()
{
    rows_.clear();
    topRow_ = 0;
    Notify(Property::Items);
}

void ColumnListBox::AddItem(std::u8string_view row)
{
    rows_.add(std::string(text::Bytes(row)));
    Notify(Property::Items);
}

void ColumnListBox::AssignItems(const std::vector<std::u8string>& rows)
{
    std::vector<std::string> bytes;
    bytes.reserve(rows.size());
    for (const auto& row : rows) bytes.emplace_back(text::Bytes(row));
    rows_.assign(std::move(bytes));
    topRow_ = 0;
    Notify(Property::Items);
}

void ColumnListBox::SetItem(int index, std::u8string_view row)
{
    rows_.setItem(index, std::string(text::Bytes(row)));
    if (ControlPeer* peer = Peer()) peer->RowChanged(index);
}

void ColumnListBox::SetMultiSelect(bool value)
{
    if (rows_.MultiSelect() == value) return;
    rows_.setMultiSelect(value);
    Notify(Property::Style);
}

void ColumnListBox::SetCurrentRow(int index)
{
    rows_.setCurrentRow(index);
    Notify(Property::Selection);
}

void ColumnListBox::SetSelected(int index, bool value)
{
    rows_.setSelected(index, value);
    Notify(Property::Selection);
}

void ColumnListBox::SetItemHeight(int value)
{
    if (value > 0) itemHeight_ = value;
}

void ColumnListBox::SetTopRow(int value)
{
    topRow_ = std::clamp(value, 0, std::max(0, rows_.count() - 1));
    Notify(Property::Selection);
}

widgets::Rect ColumnListBox::RowRect(int index) const
{
    return widgets::RowRect(index, topRow_, itemHeight_, ClientWidth());
}

int ColumnListBox::RowAt(int, int y) const { return widgets::RowAt(y, topRow_, itemHeight_, rows_.count()); }

}  // namespace sonrik::ui
