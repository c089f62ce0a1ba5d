// The headless backend: controls live only in memory. Tests act as the user
// through User, answer message boxes from a queue, and read back everything
// the windows asked, waited for or sent to the host.
#pragma once

#include "ui/backend.h"
#include "ui/input.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace sonrik::ui::headless {

class User;

// A question asked; text and caption as the bytes of their UTF-8.
struct Question {
    const Form* ownerForm = nullptr;
    WindowHandle ownerWindow = 0;
    std::string text;
    std::string caption;
    unsigned flags = 0;
    int answer = 0;
};

struct HostMessage {
    WindowHandle window = 0;
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::intptr_t result = 0;
};

class HeadlessBackend : public Backend {
public:
    HeadlessBackend();
    ~HeadlessBackend() override;

    // ---- what a test sets up ----
    // The answers to the next message boxes, in order.
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    // What the user does while the next form is shown modally; the modal call
    // returns when this returns (whether or not the form was closed).
    void WhileModal(std::function<void(User&)> session) { sessions_.push_back(std::move(session)); }
    // The host window's answer to a message (by message and wParam); 0 by default.
    void SetHostAnswer(unsigned message, std::uintptr_t wParam, std::intptr_t result)
    {
        hostAnswers_[{message, wParam}] = result;
    }
    // The screen's work area forms are placed on; 1024 x 768 at 0, 0 by default.
    void SetWorkArea(const Bounds& area) { workArea_ = area; }
    // Something to run when a host message arrives (for example, to see what
    // the window showed at that moment).
    void OnHostMessage(std::function<void(const HostMessage&)> hook) { hostHook_ = std::move(hook); }

    // ---- what a test reads back ----
    const std::vector<Question>& Questions() const { return questions_; }
    const std::vector<std::string>& ErrorBoxes() const { return errorBoxes_; }
    const std::vector<HostMessage>& HostMessages() const { return hostMessages_; }
    const std::vector<int>& Waits() const { return waits_; }
    int ProcessMessagesCount() const { return processMessages_; }
    Cursor CurrentCursor() const { return cursor_; }
    // Everything in the order it happened: "box:<text>", "error:<text>",
    // "host:<message>,<wParam>", "wait:<ms>", "process", "closed",
    // "repaint:<control>", "focus-window:<form>".
    const std::vector<std::string>& Journal() const { return journal_; }
    int ModalRuns() const { return modalRuns_; }
    int LivePeers() const { return livePeers_; }

    // ---- Backend ----
    // A peer per control that stands for the system resources a real
    // window would hold: LivePeers() counts those not released yet.
    std::unique_ptr<ControlPeer> CreatePeer(Control&) override;
    void RunModal(Form& form, WindowHandle owner) override;
    void EndModal(Form& form) override;
    WindowHandle HandleOf(const Form&) const override { return 0; }
    void FocusWindow(Form& form) override;
    void Repaint(Control& control) override;
    int ShowMessageBox(BoxOwner owner, std::u8string_view text, std::u8string_view caption, unsigned flags) override;
    void ErrorBox(std::u8string_view text) override;
    void ProcessMessages() override;
    void Wait(int milliseconds) override;
    void SetCursor(Cursor cursor) override { cursor_ = cursor; }
    std::intptr_t SendHostMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam) override;

private:
    std::deque<int> answers_;
    std::deque<std::function<void(User&)>> sessions_;
    std::map<std::pair<unsigned, std::uintptr_t>, std::intptr_t> hostAnswers_;
    std::function<void(const HostMessage&)> hostHook_;
    std::vector<Question> questions_;
    std::vector<std::string> errorBoxes_;
    std::vector<HostMessage> hostMessages_;
    std::vector<int> waits_;
    std::vector<std::string> journal_;
    int processMessages_ = 0;
    int modalRuns_ = 0;
    int livePeers_ = 0;
    Cursor cursor_ = Cursor::Normal;
    Bounds workArea_{0, 0, 1024, 768};
};

// A test acting as the user on the forms of a headless backend. Every action
// checks that a user could do it (the control is visible and enabled) and
// goes through the same entry points as real window notifications.
class User {
public:
    explicit User(HeadlessBackend& backend) : backend_(backend) {}

    void Focus(Control& control);
    // Moves the focus off the form's focused control (to no control).
    void Leave(Form& form);
    void Click(Control& control);
    void DoubleClick(Control& control);
    // Types characters one by one into the control (focusing it first):
    // each goes through the key handlers and, unless one takes it, is typed.
    void TypeText(Control& control, std::string_view text);
    // Replaces the whole text, as selecting all and pasting does: ANSI
    // bytes, or a text in any script as the system would hand it over.
    void ReplaceText(Control& control, std::string_view text);
    void ReplaceText(Control& control, std::u8string_view text);
    void Pick(ComboBox& combo, int index);
    void DropDown(ComboBox& combo, bool open);
    // Presses a key in the focused control (or the form when none has focus).
    void PressKey(Form& form, int key, ShiftState shift = 0);
    void SelectPage(PageControl& pages, int index);
    void SelectTab(TabControl& tabs, int index);
    // The list box: click or double-click a row (mouse up reported at the
    // middle of its first cell), drag a section's right edge to a new width.
    void ClickRow(ColumnListBox& list, int row, ShiftState shift = 0);
    void DoubleClickRow(ColumnListBox& list, int row);
    void DragSection(ColumnListBox& list, int section, int width);
    // Moves the list's horizontal scroll bar to `position` pixels.
    void ScrollColumns(ColumnListBox& list, int position);
    // Clicks or double-clicks a cell: the mouse goes up at x (the row list's
    // client coordinates) in the middle of the row, then the click, or the
    // click and the double click, follow.
    void ClickCell(ColumnListBox& list, int row, int x);
    void DoubleClickCell(ColumnListBox& list, int row, int x);
    // Alt+letter, as the keyboard gives it; false when no caption has it.
    bool PressAlt(Form& form, char letter);
    bool PressAlt(Form& form, char32_t letter);
    void Close(Form& form);

private:
    void Require(const Control& control, const char* action) const;
    // Focuses a field the user can type into.
    void RequireField(Control& control);
    // What the control itself does with a character nobody took.
    void Type(Control& control, char ch);

    HeadlessBackend& backend_;
};

}  // namespace sonrik::ui::headless
