// The real windows behind the model's controls. One peer per control: it
// builds the window, pushes the model's state into it when code changes a
// property, and reports what the user did to the model through UserInput.
// Notifications that the system sends to a parent window (WM_COMMAND,
// WM_NOTIFY) are handed back to the peer of the child that sent them, so a
// control works the same on a form, a panel, a group box or a tab sheet.
#pragma once

#include "ui/controls.h"
#include "ui/win32/win32_backend.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sonrik::widgets {
class XPGroupBoxLogic;
class GroupBoxStyle;
}  // namespace sonrik::widgets

namespace sonrik::ui::win32 {

// Window classes of our own: forms, plain containers (panels, tab sheets) and
// the group box.
inline constexpr const wchar_t* kFormClass = L"Sonrik.Form";
inline constexpr const wchar_t* kPanelClass = L"Sonrik.Panel";
inline constexpr const wchar_t* kGroupBoxClass = L"Sonrik.GroupBox";

// Registered while at least one backend of the module exists: a module that
// is unloaded must not leave classes behind that point into it.
void RegisterWindowClasses(HINSTANCE instance);
void UnregisterWindowClasses(HINSTANCE instance);

class WindowPeer;

// The peer whose own window is `window` (not one of its parts); null for
// windows that are not ours.
WindowPeer* PeerOfWindow(HWND window);
// The peer of `window` or of the nearest ancestor that has one.
WindowPeer* PeerOwning(HWND window);

struct Message {
    HWND window;
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
    bool ownClass;  // our window class (default: DefWindowProc) or a subclassed system control
    LRESULT result = 0;
};

class WindowPeer : public ControlPeer {
public:
    WindowPeer(Win32Backend& backend, Control& control);
    ~WindowPeer() override;
    WindowPeer(const WindowPeer&) = delete;
    WindowPeer& operator=(const WindowPeer&) = delete;

    HWND Window() const { return window_; }
    Control& Model() const { return control_; }
    // The window the children's windows are created in.
    virtual HWND ContainerWindow() const { return window_; }

    void Changed(Property property) override;

    // Entry of both window procedures (own classes and subclassed controls).
    // Nothing thrown here reaches the system.
    LRESULT Dispatch(HWND window, UINT id, WPARAM wParam, LPARAM lParam, bool ownClass);

protected:
    Win32Backend& GetBackend() const { return backend_; }
    // Creates the control's window inside its parent's container and adopts it.
    void CreateChild(const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& text);
    // Takes `window` as the control's window: lookup, automation name, font,
    // and (for system controls) the subclass that routes its messages here.
    void Adopt(HWND window, bool ownClass);
    // A window the control made inside itself (the edit field of a combo box)
    // whose keys, focus and mouse belong to the control.
    void AdoptPart(HWND part);

    // Handles a message; false passes it on (with wParam possibly changed).
    virtual bool Handle(Message& m);
    // A notification the control's window sent to its parent.
    virtual void Command(WORD code);
    virtual bool Notify(const NMHDR& header, LRESULT& result);

    virtual void ApplyText();
    virtual void ApplyBounds();
    virtual void ApplyVisible();
    virtual void ApplyOther(Property property);
    // Puts the window where the model has the control among its siblings.
    virtual void ApplyZOrder();
    void ApplyEnabled();
    void ApplyFocus();

    static LRESULT Default(const Message& m);

    // While code pushes state into the window, the notifications that causes
    // are not the user's doing and are not reported.
    bool Updating() const { return updating_ > 0; }
    // While a user action is being reported, state pushed back from the model
    // that the window already shows is left alone (so the caret stays put).
    bool Reporting() const { return reporting_ > 0; }
    class Scope {
    public:
        explicit Scope(int& counter) : counter_(counter) { ++counter_; }
        ~Scope() { --counter_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        int& counter_;
    };
    Scope UpdatingScope() { return Scope(updating_); }
    Scope ReportingScope() { return Scope(reporting_); }

private:
    void ReportFocus();
    void ReportMouseUp(const Message& m);

    Win32Backend& backend_;
    Control& control_;
    HWND window_ = nullptr;
    bool ownClass_ = false;
    std::vector<HWND> parts_;
    int updating_ = 0;
    int reporting_ = 0;
};

class FormPeer final : public WindowPeer {
public:
    FormPeer(Win32Backend& backend, Form& form);
    Form& GetForm() const { return static_cast<Form&>(Model()); }
    // Shows and activates the window for its modal loop. The focus is placed
    // by PlaceFocus once the activation handler has run, so it can land on a
    // control that the handler enabled.
    void ShowModal();
    // Gives the focus to the model's active control, or to the first control
    // in tab order.
    void PlaceFocus();

protected:
    bool Handle(Message& m) override;
    void ApplyText() override;
    void ApplyBounds() override;
    void ApplyVisible() override;
    void ApplyOther(Property property) override;

private:
    bool focusPlacedLater_ = false;
};

class TextPeer final : public WindowPeer {  // labels, buttons, check boxes, bevels
public:
    TextPeer(Win32Backend& backend, Control& control);

protected:
    void Command(WORD code) override;
    void ApplyText() override;
    void ApplyBounds() override;
    void ApplyOther(Property property) override;

private:
    // Labels and check boxes without a size take the size of their caption.
    bool SizesToCaption() const;
};

class EditPeer final : public WindowPeer {  // edit boxes and memos
public:
    EditPeer(Win32Backend& backend, Edit& edit);

protected:
    bool Handle(Message& m) override;
    void Command(WORD code) override;
    void ApplyText() override;
    void ApplyOther(Property property) override;
};

class ComboBoxPeer final : public WindowPeer {
public:
    ComboBoxPeer(Win32Backend& backend, ComboBox& combo);

protected:
    void Command(WORD code) override;
    void ApplyText() override;
    void ApplyBounds() override;
    void ApplyOther(Property property) override;

private:
    ComboBox& Combo() const { return static_cast<ComboBox&>(Model()); }
    void FillItems();
    // Puts the model's selection and text into the window.
    void Synchronize();
};

class TabSheetPeer;

// The model's tab layout on a tab control window: several rows or one, and
// a fixed tab width or tabs as wide as their captions.
void ApplyTabStyle(HWND tabs, const TabStyle& style);

class PageControlPeer final : public WindowPeer {
public:
    PageControlPeer(Win32Backend& backend, PageControl& pages);
    // A sheet's window joins (its peer is not attached to the model yet) or goes.
    void AddSheet(const TabSheet& sheet, HWND window);
    void RemoveSheet(const TabSheet& sheet);
    void SheetCaptionChanged(const TabSheet& sheet);
    // Places every sheet in the tab control's display area and shows only the
    // active one.
    void Layout();
    bool LaysOutPages() const override { return true; }

protected:
    bool Notify(const NMHDR& header, LRESULT& result) override;
    void ApplyBounds() override;
    void ApplyOther(Property property) override;

private:
    PageControl& Pages() const { return static_cast<PageControl&>(Model()); }
    int IndexOf(const TabSheet& sheet) const;

    std::vector<std::pair<const TabSheet*, HWND>> sheets_;
};

class TabSheetPeer final : public WindowPeer {
public:
    TabSheetPeer(Win32Backend& backend, TabSheet& sheet);
    ~TabSheetPeer() override;

protected:
    // With a paint handler the sheet draws its own background.
    bool Handle(Message& m) override;
    void ApplyText() override;
    void ApplyBounds() override;
    void ApplyVisible() override;
    void ApplyZOrder() override {}  // the page control keeps its sheets in order

private:
    PageControlPeer* Pages() const;
};

class TabControlPeer final : public WindowPeer {
public:
    TabControlPeer(Win32Backend& backend, TabControl& tabs);

protected:
    bool Notify(const NMHDR& header, LRESULT& result) override;
    void ApplyOther(Property property) override;

private:
    TabControl& Tabs() const { return static_cast<TabControl&>(Model()); }
    void FillTabs();
    void SelectModelTab();
};

class PanelPeer final : public WindowPeer {
public:
    PanelPeer(Win32Backend& backend, Control& panel);
};

class StatusBarPeer final : public WindowPeer {
public:
    StatusBarPeer(Win32Backend& backend, StatusBar& bar);

protected:
    void ApplyBounds() override;
    void ApplyOther(Property property) override;

private:
    void ApplyPanels();
};

class GroupBoxPeer final : public WindowPeer {
public:
    GroupBoxPeer(Win32Backend& backend, GroupBox& box);
    ~GroupBoxPeer() override;

protected:
    bool Handle(Message& m) override;
    void ApplyText() override;
    void ApplyOther(Property property) override;

private:
    void Paint(HDC dc);

    std::unique_ptr<widgets::GroupBoxStyle> style_;
    std::unique_ptr<widgets::XPGroupBoxLogic> logic_;
};

// One cell text as a list box draws it: the row, the text after the code-page
// conversion, its rectangle in the row list's client coordinates, the
// DrawText flags, and the device context (font and colours still selected).
struct DrawnCell {
    HWND list;
    int row;
    std::wstring text;
    RECT rect;
    UINT flags;
    HDC dc;
};
// Every cell drawn by any list box is also shown to this hook (none by
// default), so a test can see what the rows put on the screen.
void SetDrawnCellHook(std::function<void(const DrawnCell&)> hook);

// The columned list box: a container holding a header control on top and an
// owner-drawn list box below. The model owns rows, sections and selection;
// the list box holds only the row count and draws from the model. Clicks and
// navigation keys are turned into model input here, so the list box never
// changes its selection on its own and shows the model's once the pending
// changes are flushed.
class ColumnListBoxPeer final : public WindowPeer {
public:
    ColumnListBoxPeer(Win32Backend& backend, ColumnListBox& list);

    HWND HeaderWindow() const { return header_; }
    HWND ListWindow() const { return list_; }

protected:
    bool Handle(Message& m) override;
    void Command(WORD code) override;
    void ApplyOther(Property property) override;
    void RowChanged(int row) override;

private:
    ColumnListBox& List() const { return static_cast<ColumnListBox&>(Model()); }

    bool HandleContainer(Message& m);
    bool HandleList(Message& m);
    bool HandleHeader(const NMHDR& header, LRESULT& result);
    bool HandleKey(WPARAM key);
    void MouseDown(const Message& m);
    void MouseDrag(const Message& m);
    void DrawRow(const DRAWITEMSTRUCT& item);
    int RowHeight() const;

    // Code may change the model many times in a row (a row appended per
    // file); the window is brought up to date once, from the message loop,
    // or at once when the user acts on it.
    enum Pending : unsigned { kSections = 1, kRows = 2, kSelection = 4 };
    void Defer(unsigned what);
    void Flush();

    void CreateList();
    void Layout();
    void PlaceHeader();
    void ApplySections();
    void ApplyRows();
    void ApplySelection();
    void ReadBackSelection();
    void SyncTopRow();
    void EnableParts();
    int VisibleRows() const;

    HWND header_ = nullptr;
    HWND list_ = nullptr;
    int shownTop_ = 0;       // the top row the window had when the model last heard of it
    int syncing_ = 0;        // telling the model what the window did: no push back
    bool recreating_ = false;
    unsigned pending_ = 0;
    bool flushPosted_ = false;
    int dragRow_ = -1;       // the row under a held left button, -1 when not dragging
    ShiftState dragShift_ = 0;
};

}  // namespace sonrik::ui::win32
