// The control layer: a portable model of every control the editor windows use.
//
// A control holds its state (text, items, check state, bounds, ...) and its
// events. Code changes the state through setters; the event rules hold in one
// place, here, for every backend:
//   - a check box whose state really changes, from code or by the user, runs
//     OnClick and then OnChange, so a handler bound to either runs; a state
//     set to what it already is runs neither;
//   - an edit box or memo runs OnChange whenever its text changes;
//   - a combo box runs OnChange only when the user types into it or picks an
//     entry, never when code sets its text or selection;
//   - a tab control or page control asks OnChanging (preset true; false
//     refuses) before a tab the user picks (click, arrow keys, Ctrl+Tab,
//     Alt+letter) becomes current, and runs OnChange after; selecting a tab
//     from code runs neither.
// Z-order: a later control is in front of an earlier one; BringToFront and
// SetVisible(true) put a control in front of its siblings, and the one in
// front takes the mouse where they overlap.
// Align: a control aligned to an edge or to the client area of its parent is
// laid out again whenever the parent's size changes.
// A backend mirrors the state into real windows through a ControlPeer and
// reports what the user did through UserInput (ui/input.h); the headless
// backend has no peers and lets tests act as the user.
//
// Texts: captions (labels, buttons, check boxes, group boxes, tabs, the form,
// status panels, list headers, list rows, message boxes) are UTF-8
// (std::u8string, set by SetCaption, AddItem...); field contents (edit boxes,
// combo boxes, memos) are bytes in the system's ANSI code page (std::string,
// set by SetText), never re-encoded here. A file name or a field shown in a
// caption or a list row goes through text::FromAnsi.
#pragma once

#include "text/text.h"
#include "ui/event.h"
#include "widgets/column_listbox_logic.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik::ui {

class Form;
class ControlPeer;
class UserInput;

// A window handle of the platform (the host's windows); 0 for none.
using WindowHandle = std::uintptr_t;

// Virtual-key codes as the platform numbers them.
namespace keys {
inline constexpr int Back = 8, Tab = 9, Return = 13, Escape = 27, Space = 32;
inline constexpr int Left = 37, Up = 38, Right = 39, Down = 40, F4 = 115;
}  // namespace keys

enum ShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssDouble = 32 };
using ShiftState = unsigned;

enum class MouseButton { Left, Right, Middle };

struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Bounds&) const = default;
};

// What changed, for a peer to mirror.
enum class Property {
    Text, Enabled, Visible, Bounds, Focus, Items, ItemIndex, Checked, DroppedDown,
    PageIndex, Panels, Style, Selection, Sections, ZOrder, TabStyle,
};

// Where a control goes inside its parent when the parent is laid out: not
// moved, along an edge (taking the edge's full length), or into what is left.
enum class Align { None, Top, Bottom, Left, Right, Client };

// What a paint handler draws on: the window, its device context and its
// client rectangle. Valid only while the handler runs.
struct PaintContext {
    WindowHandle window = 0;
    std::uintptr_t dc = 0;
    widgets::Rect client;
};

// The kinds of control, so a backend can build the matching window.
enum class Kind {
    Form, Label, Edit, ComboBox, CheckBox, Button, Memo, PageControl, TabSheet,
    TabControl, Panel, Bevel, StatusBar, GroupBox, ColumnListBox,
};

class Control {
public:
    Control(Kind kind, Control* parent, std::string name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Kind kind() const { return kind_; }
    const std::string& Name() const { return name_; }
    Control* Parent() const { return parent_; }
    const std::vector<Control*>& Children() const { return children_; }
    Form& OwnerForm();
    const Form& OwnerForm() const;

    // The caption (UTF-8) of a label, button, check box, group box, tab
    // sheet or form; a field (edit box, combo box) shows its Text() instead.
    const std::u8string& Caption() const { return caption_; }
    void SetCaption(std::u8string_view caption);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Enabled, and every parent enabled too.
    bool EnabledInTree() const;
    bool Visible() const { return visible_; }
    // Showing a control also brings it to the front of its siblings.
    void SetVisible(bool value);
    bool VisibleInTree() const;
    const Bounds& GetBounds() const { return bounds_; }
    void SetBounds(int left, int top, int width, int height);
    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.width; }
    int Height() const { return bounds_.height; }

    Align GetAlign() const { return align_; }
    // Lays the parent out again at once and whenever its size changes.
    void SetAlign(Align value);
    // The part of the control that aligned children share, in its own
    // coordinates.
    virtual Bounds ClientArea() const { return {0, 0, Width(), Height()}; }

    // Puts the control in front of its siblings.
    void BringToFront();
    // The children from back to front.
    const std::vector<Control*>& ZOrder() const { return zOrder_; }
    // The visible child in front at a point of this control's coordinates;
    // null when none is there.
    Control* ChildAt(int x, int y) const;

    // Redraws the control and its children now.
    void Repaint();

    // Moves the keyboard focus here (runs OnExit of the old and OnEnter of the
    // new control when the focus really moves).
    void SetFocus();
    bool Focused() const;
    // Whether the user can move the focus here with the keyboard or the mouse.
    virtual bool CanFocus() const { return false; }

    Event<> OnClick;
    Event<> OnDblClick;
    Event<> OnChange;
    Event<> OnEnter;
    Event<> OnExit;
    Event<int&, ShiftState> OnKeyDown;
    Event<int&, ShiftState> OnKeyUp;
    Event<char&> OnKeyPress;
    Event<MouseButton, ShiftState, int, int> OnMouseUp;
    Event<> OnResize;

    ControlPeer* Peer() const { return peer_.get(); }
    void AttachPeer(std::unique_ptr<ControlPeer> peer);
    void DetachPeer();

protected:
    // Runs before OnResize when the size changed.
    virtual void SizeChanged() {}
    // Tells the peer, if any, that a property changed from code.
    void Notify(Property property);
    // The contents of a field (ANSI bytes); public in the field controls.
    const std::string& Text() const { return text_; }
    // The first character the user put into the field that the ANSI code
    // page cannot hold ('?' stands in its place in Text()); none for text
    // set from code. Public in the field controls.
    std::optional<char32_t> UnheldCharacter() const { return unheld_; }
    // Stores a field's contents without events; true when they differ.
    bool StoreText(std::string_view text, std::optional<char32_t> unheld = std::nullopt);
    // Places the aligned children in ClientArea().
    void Realign();

private:
    friend class UserInput;
    friend class Form;

    Kind kind_;
    Control* parent_;
    std::string name_;
    std::vector<Control*> children_;
    std::vector<Control*> zOrder_;
    std::string text_;
    std::optional<char32_t> unheld_;
    std::u8string caption_;
    bool enabled_ = true;
    bool visible_ = true;
    Bounds bounds_;
    Align align_ = Align::None;
    bool aligning_ = false;
    std::unique_ptr<ControlPeer> peer_;
};

// What a backend attaches to a control to mirror it.
class ControlPeer {
public:
    virtual ~ControlPeer() = default;
    virtual void Changed(Property property) = 0;
    // A page control's real window, which knows how high its tabs are,
    // places the pages itself.
    virtual bool LaysOutPages() const { return false; }
    // The text of one row of a list changed, not the number of rows: a peer
    // may draw only that row again.
    virtual void RowChanged(int /*row*/) { Changed(Property::Items); }
};

class Label : public Control {
public:
    Label(Control* parent, std::string name) : Control(Kind::Label, parent, std::move(name)) {}
};

class Button : public Control {
public:
    Button(Control* parent, std::string name) : Control(Kind::Button, parent, std::move(name)) {}
    bool CanFocus() const override { return true; }
};

// An edit box (single line) or, through Memo, a multi-line one.
class Edit : public Control {
public:
    Edit(Control* parent, std::string name) : Control(Kind::Edit, parent, std::move(name)) {}
    bool CanFocus() const override { return true; }
    using Control::Text;
    using Control::UnheldCharacter;
    // Runs OnChange when the text really changes.
    void SetText(std::string_view text);

    // Accepts digits only when typed.
    bool DigitsOnly() const { return digitsOnly_; }
    void SetDigitsOnly(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

protected:
    Edit(Kind kind, Control* parent, std::string name) : Control(kind, parent, std::move(name)) {}

private:
    bool digitsOnly_ = false;
    bool readOnly_ = false;
};

class Memo : public Edit {
public:
    Memo(Control* parent, std::string name) : Edit(Kind::Memo, parent, std::move(name)) {}
    // The text split into lines, and set from lines (each ended by CR LF but the last).
    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& lines);
};

class CheckBox : public Control {
public:
    CheckBox(Control* parent, std::string name) : Control(Kind::CheckBox, parent, std::move(name)) {}
    bool CanFocus() const override { return true; }
    bool Checked() const { return checked_; }
    // Runs OnClick and then OnChange when the state really changes, as a
    // user's click does.
    void SetChecked(bool value);

private:
    friend class UserInput;
    bool checked_ = false;
};

class ComboBox : public Control {
public:
    enum class Style { DropDown, DropDownList };  // with and without an edit field

    ComboBox(Control* parent, std::string name, Style style = Style::DropDown)
        : Control(Kind::ComboBox, parent, std::move(name)), style_(style)
    {
    }
    bool CanFocus() const override { return true; }
    Style GetStyle() const { return style_; }

    const std::vector<std::string>& Items() const { return items_; }
    void SetItems(std::vector<std::string> items);
    void AddItem(std::string item);
    void InsertItem(int index, std::string item);
    void DeleteItem(int index);
    void ClearItems();
    int IndexOf(std::string_view item) const;

    // -1 when no entry is selected. Setting it from code runs no handler.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    using Control::Text;
    using Control::UnheldCharacter;
    // Sets the field's text from code; runs no handler. In a list without an
    // edit field the text selects the matching entry, or none.
    void SetText(std::string_view text);

    bool DroppedDown() const { return droppedDown_; }
    void SetDroppedDown(bool value);

private:
    friend class UserInput;
    Style style_;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    bool droppedDown_ = false;
};

class Panel : public Control {
public:
    Panel(Control* parent, std::string name) : Control(Kind::Panel, parent, std::move(name)) {}
};

// A horizontal rule.
class Bevel : public Control {
public:
    Bevel(Control* parent, std::string name) : Control(Kind::Bevel, parent, std::move(name)) {}
};

// The theme-aware group box: a captioned frame around its children.
class GroupBox : public Control {
public:
    // Height of the caption line in the window font (8-point MS Sans Serif).
    static constexpr int kCaptionHeight = 13;

    GroupBox(Control* parent, std::string name) : Control(Kind::GroupBox, parent, std::move(name)) {}
    // Inside the frame and below the caption.
    Bounds ClientArea() const override;
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);

private:
    bool ctl3D_ = true;
};

class StatusBar : public Control {
public:
    StatusBar(Control* parent, std::string name) : Control(Kind::StatusBar, parent, std::move(name)) {}
    struct PanelInfo {
        int width = 0;  // the last panel takes the rest
        std::u8string text;
    };
    const std::vector<PanelInfo>& Panels() const { return panels_; }
    void SetPanelWidths(const std::vector<int>& widths);
    const std::u8string& PanelText(int index) const;
    void SetPanelText(int index, std::u8string_view text);

private:
    std::vector<PanelInfo> panels_;
};

class TabSheet : public Control {
public:
    TabSheet(Control* parent, std::string name) : Control(Kind::TabSheet, parent, std::move(name)) {}

    // Draws the sheet's background instead of the system when assigned. A
    // backend with windows runs it with the sheet's drawing context and
    // client rectangle and releases the context after; the headless backend
    // never paints.
    Event<const PaintContext&> OnPaint;
};

// How the tabs of a tab control or page control are laid out.
struct TabStyle {
    int tabWidth = 0;        // every tab this wide; 0: as wide as its caption
    bool multiLine = true;   // several rows of tabs (false: one row with scroll arrows)
};

// Pages with tabs; the children are its TabSheets.
class PageControl : public Control {
public:
    // Without windows the sheets fill the control below one row of tabs this
    // high; a backend with windows reports the real display area.
    static constexpr int kNominalTabHeight = 20;

    PageControl(Control* parent, std::string name) : Control(Kind::PageControl, parent, std::move(name)) {}
    bool CanFocus() const override { return true; }
    int PageCount() const;
    TabSheet& Page(int index);
    int ActivePageIndex() const { return activePage_; }
    // Showing a page from code runs no handler.
    void SetActivePageIndex(int index);
    void SelectNextPage(bool forward = true);

    const TabStyle& GetTabStyle() const { return tabStyle_; }
    void SetTabWidth(int width);
    void SetMultiLine(bool value);

    // Before a page the user picks is shown; false keeps the current one.
    Event<bool&> OnChanging;

protected:
    void SizeChanged() override;

private:
    friend class UserInput;
    int activePage_ = 0;
    TabStyle tabStyle_;
};

// A row of tabs without pages of their own.
class TabControl : public Control {
public:
    TabControl(Control* parent, std::string name) : Control(Kind::TabControl, parent, std::move(name)) {}
    bool CanFocus() const override { return true; }
    // The tabs' captions.
    const std::vector<std::u8string>& Tabs() const { return tabs_; }
    void SetTabs(std::vector<std::u8string> tabs);
    int TabIndex() const { return tabIndex_; }
    // Selecting a tab from code runs no handler.
    void SetTabIndex(int index);

    const TabStyle& GetTabStyle() const { return tabStyle_; }
    void SetTabWidth(int width);
    void SetMultiLine(bool value);

    // Before a tab the user picks becomes current; false keeps the current one.
    Event<bool&> OnChanging;

private:
    friend class UserInput;
    std::vector<std::u8string> tabs_;
    int tabIndex_ = -1;
    TabStyle tabStyle_;
};

// A list whose rows are strings cut into cells at a delimiter and drawn one
// cell per header section.
class ColumnListBox : public Control {
public:
    ColumnListBox(Control* parent, std::string name) : Control(Kind::ColumnListBox, parent, std::move(name)) {}
    bool CanFocus() const override { return true; }

    char Delimiter() const { return delimiter_; }
    void SetDelimiter(char value);
    int HeaderHeight() const { return headerHeight_; }
    void SetHeaderHeight(int value);
    bool HeaderHotTrack() const { return headerHotTrack_; }
    void SetHeaderHotTrack(bool value) { headerHotTrack_ = value; }
    const widgets::ColumnOptions& Options() const { return options_; }
    void SetOptions(const widgets::ColumnOptions& options);

    // Header sections, left to right. Changing them re-runs the auto-sizing.
    const widgets::HeaderSections& Sections() const { return sections_; }
    int SectionCount() const { return sections_.count(); }
    void ClearSections();
    // Appends a section and returns its position.
    int AddSection();
    void SetSectionText(int index, std::u8string_view caption);
    void SetSectionWidth(int index, int width);
    void SetSectionMinWidth(int index, int width);
    void SetSectionAutoSize(int index, bool value);

    // Rows: display text (UTF-8), cells split at Delimiter(). The user reads
    // them but never types into them; Rows() holds the same text as bytes.
    const widgets::RowList& Rows() const { return rows_; }
    int Count() const { return rows_.count(); }
    std::u8string_view Item(int index) const { return text::AsUtf8(rows_.item(index)); }
    void ClearItems();
    void AddItem(std::u8string_view row);
    void AssignItems(const std::vector<std::u8string>& rows);
    void SetItem(int index, std::u8string_view row);

    bool MultiSelect() const { return rows_.MultiSelect(); }
    void SetMultiSelect(bool value);
    int CurrentRow() const { return rows_.CurrentRow(); }
    void SetCurrentRow(int index);
    int SelectedCount() const { return rows_.SelectedCount(); }
    bool Selected(int index) const { return rows_.Selected(index); }
    void SetSelected(int index, bool value);

    // Row geometry in the row list's own client coordinates (below the header).
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int value);  // the backend sets the real height
    int TopRow() const { return topRow_; }
    void SetTopRow(int value);
    widgets::Rect RowRect(int index) const;
    int RowAt(int x, int y) const;
    // The width inside the control's one-pixel border: what the header's
    // client area holds and the auto-sized sections share (a 513-wide list
    // holds one section 511 wide).
    static constexpr int kBorder = 1;
    int ClientWidth() const { return Width() > 2 * kBorder ? Width() - 2 * kBorder : 0; }
    // How far the header and the rows are scrolled to the left, in pixels:
    // above 0 only while the sections are wider than the control. Kept within
    // [0, total section width - client width] as sections and size change.
    int ScrollLeft() const { return scrollLeft_; }
    void SetScrollLeft(int value);

    // The user dragged the right edge of a section: its position and new width.
    Event<int, int> OnHeaderSized;

protected:
    void SizeChanged() override;

private:
    friend class UserInput;
    void Relayout();

    char delimiter_ = '|';
    int headerHeight_ = 17;
    bool headerHotTrack_ = true;
    widgets::ColumnOptions options_;
    widgets::HeaderSections sections_;
    widgets::RowList rows_;
    int itemHeight_ = 16;
    int topRow_ = 0;
    int scrollLeft_ = 0;
};

}  // namespace sonrik::ui
