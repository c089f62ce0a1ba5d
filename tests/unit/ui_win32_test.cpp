// The control layer's event rules on real windows: the messages a user's
// action produces are sent to the controls, and the model must see exactly
// what the headless backend shows it. Windows only (runs under Wine).
#ifdef _WIN32

#include "ui/win32/automation_names.h"
#include "ui/win32/win32_backend.h"
#include "widgets/style_loaders.h"
#include "widgets/xpgroupbox_logic.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace sonrik::ui;
using sonrik::ui::win32::Win32Backend;

namespace {

// One control of every kind, some inside containers so that notifications
// must find their way back from a group box, a tab sheet, a tab control and
// a panel.
class Gallery : public Form {
public:
    explicit Gallery(Backend& backend) : Form(backend, "SonrikTestGallery")
    {
        SetCaption(u8"Галерея");
        SetClientSize(600, 420);
        Caption.SetBounds(8, 8, 0, 0);
        Caption.SetCaption(u8"Название");
        Field.SetBounds(8, 24, 160, 21);
        Digits.SetBounds(8, 50, 60, 21);
        Digits.SetDigitsOnly(true);
        Notes.SetBounds(8, 76, 160, 60);
        Combo.SetBounds(8, 142, 160, 21);
        Combo.SetItems({"Alpha", "Beta", "Gamma"});
        List.SetBounds(8, 168, 160, 21);
        List.SetItems({"Country", "Classic Rock", "Dance"});
        Box.SetBounds(8, 194, 0, 0);
        Box.SetCaption(u8"Использовать ID3v1 Тэг");
        Ok.SetBounds(8, 216, 75, 25);
        Ok.SetCaption(u8"Сохранить");
        Group.SetBounds(180, 8, 200, 120);
        Group.SetCaption(u8"ID3v1, ID3v1.1, ID3v2 Tag");
        InnerField.SetBounds(8, 32, 160, 21);
        InnerBox.SetBounds(8, 60, 160, 17);
        InnerBox.SetCaption(u8"Use ID3v1.1 Tag");
        Pages.SetBounds(180, 136, 200, 140);
        Sheet1.SetCaption(u8"Текст");
        Sheet2.SetCaption(u8"Others");
        Pages.SetActivePageIndex(1);  // before the windows exist
        SheetMemo.SetBounds(4, 4, 150, 60);
        Tabs.SetBounds(390, 8, 200, 120);
        Tabs.SetTabs({u8"File list", u8"TAG to file name", u8"File name to TAG"});
        TabButton.SetBounds(8, 60, 75, 25);
        TabButton.SetCaption(u8"Test");
        Side.SetBounds(390, 136, 200, 60);
        SideBox.SetBounds(8, 8, 150, 17);
        SideBox.SetCaption(u8"In English language");
        Rule.SetBounds(0, 300, 600, 4);
        Status.SetBounds(0, 0, 0, 19);
        Status.SetPanelWidths({350, 0});

        Box.OnClick = [this] { log.push_back("Box.Click:" + std::to_string(Box.Checked())); };
        InnerBox.OnClick = [this] { log.push_back("InnerBox.Click:" + std::to_string(InnerBox.Checked())); };
        SideBox.OnClick = [this] { log.push_back("SideBox.Click:" + std::to_string(SideBox.Checked())); };
        Ok.OnClick = [this] { log.push_back("Ok.Click"); };
        TabButton.OnClick = [this] { log.push_back("TabButton.Click"); };
        Field.OnChange = [this] { log.push_back("Field.Change:" + Field.Text()); };
        Digits.OnChange = [this] { log.push_back("Digits.Change:" + Digits.Text()); };
        InnerField.OnChange = [this] { log.push_back("InnerField.Change:" + InnerField.Text()); };
        SheetMemo.OnChange = [this] { log.push_back("SheetMemo.Change"); };
        Combo.OnChange = [this] { log.push_back("Combo.Change:" + Combo.Text()); };
        List.OnChange = [this] { log.push_back("List.Change:" + std::to_string(List.ItemIndex())); };
        Pages.OnChange = [this] { log.push_back("Pages.Change:" + std::to_string(Pages.ActivePageIndex())); };
        Tabs.OnChange = [this] { log.push_back("Tabs.Change:" + std::to_string(Tabs.TabIndex())); };
        Field.OnDblClick = [this] { log.push_back("Field.DblClick"); };
        Field.OnMouseUp = [this](MouseButton button, ShiftState shift, int x, int y) {
            log.push_back("Field.MouseUp:" + std::to_string(button == MouseButton::Right) + "," +
                          std::to_string(shift) + "," + std::to_string(x) + "," + std::to_string(y));
        };
    }
    ~Gallery() override { Destroy(); }

    Label Caption{this, "Caption"};
    Edit Field{this, "Field"};
    Edit Digits{this, "Digits"};
    Memo Notes{this, "Notes"};
    ComboBox Combo{this, "Combo"};
    ComboBox List{this, "List", ComboBox::Style::DropDownList};
    CheckBox Box{this, "Box"};
    Button Ok{this, "Ok"};
    GroupBox Group{this, "Group"};
    Edit InnerField{&Group, "InnerField"};
    CheckBox InnerBox{&Group, "InnerBox"};
    PageControl Pages{this, "Pages"};
    TabSheet Sheet1{&Pages, "Sheet1"};
    TabSheet Sheet2{&Pages, "Sheet2"};
    Memo SheetMemo{&Sheet2, "SheetMemo"};
    TabControl Tabs{this, "Tabs"};
    Button TabButton{&Tabs, "TabButton"};
    Panel Side{this, "Side"};
    CheckBox SideBox{&Side, "SideBox"};
    Bevel Rule{this, "Rule"};
    StatusBar Status{this, "Status"};
    std::vector<std::string> log;
};

struct BoxCall {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    unsigned flags;
};

std::wstring ClassOf(HWND window)
{
    wchar_t name[64]{};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[512]{};
    GetWindowTextW(window, text, 512);
    return text;
}

LONG_PTR StyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }

std::wstring Wide(UINT codePage, const std::string& bytes)
{
    std::wstring wide(bytes.size() * 2 + 1, L'\0');
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length));
    return wide;
}

class Win32Ui : public ::testing::Test {
protected:
    void SetUp() override
    {
        backend.SetMessageBoxHook([this](HWND owner, const std::wstring& text, const std::wstring& caption,
                                         unsigned flags) {
            boxes.push_back({owner, text, caption, flags});
            return answer;
        });
        form.Create();
        form.SetVisible(true);
        backend.ProcessMessages();
        form.log.clear();
    }

    static HWND W(const Control& control) { return Win32Backend::WindowOf(control); }

    // A notification as the control's window sends it to its parent window.
    static void Notify(const Control& control, WORD code)
    {
        const HWND window = W(control);
        SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), code),
                     reinterpret_cast<LPARAM>(window));
    }

    static void Type(HWND window, const std::wstring& text)
    {
        for (const wchar_t ch : text) SendMessageW(window, WM_CHAR, ch, 1);
    }

    static HWND ComboEdit(const ComboBox& combo)
    {
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        GetComboBoxInfo(W(combo), &info);
        return info.hwndItem;
    }

    // A user's click on a tab: the tab control itself sends the notifications.
    static void ClickTab(HWND tabs, int index)
    {
        RECT item{};
        SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(tabs, WM_LBUTTONUP, 0, at);
    }

    Win32Backend backend;
    Gallery form{backend};
    std::vector<BoxCall> boxes;
    int answer = IDOK;
};

using Log = std::vector<std::string>;

}  // namespace

namespace {

// Global atoms live as long as the Wine server, not the process: a test
// program that ended without destroying its forms leaves their names behind
// for the next one. Clear such leftovers before any form of ours exists, so
// the release check below sees only this program's references.
const bool staleNamesCleared = [] {
    for (const wchar_t* name : {L"SonrikTestGallery", L"InnerField"})
        for (int i = 0; i < 1000; ++i) {
            const ATOM atom = GlobalFindAtomW(name);
            if (atom == 0) break;
            GlobalDeleteAtom(atom);
        }
    return true;
}();

}  // namespace

TEST_F(Win32Ui, EveryControlHasANamedWindowOfItsKind)
{
    ASSERT_TRUE(staleNamesCleared);
    const HWND top = W(form);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(GetParent(top), nullptr);
    EXPECT_EQ(TextOf(top), L"Галерея");
    RECT client{};
    GetClientRect(top, &client);
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 420);
    RECT frame{}, work{};
    GetWindowRect(top, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(frame.left - work.left, work.right - frame.right, 1);  // centred
    EXPECT_NEAR(frame.top - work.top, work.bottom - frame.bottom, 1);

    const struct {
        const Control& control;
        const wchar_t* windowClass;
    } expected[] = {
        {form.Caption, L"Static"},         {form.Field, L"Edit"},
        {form.Notes, L"Edit"},             {form.Combo, L"ComboBox"},
        {form.Box, L"Button"},             {form.Ok, L"Button"},
        {form.Pages, L"SysTabControl32"},  {form.Tabs, L"SysTabControl32"},
        {form.Rule, L"Static"},            {form.Status, L"msctls_statusbar32"},
        {form.InnerField, L"Edit"},        {form.TabButton, L"Button"},
    };
    for (const auto& e : expected) {
        const HWND window = W(e.control);
        ASSERT_NE(window, nullptr) << e.control.Name();
        EXPECT_EQ(_wcsicmp(ClassOf(window).c_str(), e.windowClass), 0) << e.control.Name();
        const std::wstring name(e.control.Name().begin(), e.control.Name().end());
        EXPECT_EQ(sonrik::automation::FindNamedWindow(top, name), window) << e.control.Name();
    }
    EXPECT_EQ(sonrik::automation::FindNamedForm(GetCurrentThreadId(), L"SonrikTestGallery"), top);

    // Children of containers are child windows of the container's window.
    EXPECT_EQ(GetParent(W(form.InnerField)), W(form.Group));
    EXPECT_EQ(GetParent(W(form.Sheet2)), W(form.Pages));
    EXPECT_EQ(GetParent(W(form.SheetMemo)), W(form.Sheet2));
    EXPECT_EQ(GetParent(W(form.TabButton)), W(form.Tabs));
    EXPECT_EQ(GetParent(W(form.SideBox)), W(form.Side));

    EXPECT_TRUE(StyleOf(W(form.Digits)) & ES_NUMBER);
    EXPECT_FALSE(StyleOf(W(form.Field)) & ES_NUMBER);
    EXPECT_EQ(StyleOf(W(form.Notes)) & (ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL),
              ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL);
    EXPECT_EQ(StyleOf(W(form.Box)) & BS_TYPEMASK, BS_CHECKBOX);  // the model toggles, not the window
    EXPECT_EQ(StyleOf(W(form.Combo)) & 3, CBS_DROPDOWN);
    EXPECT_EQ(StyleOf(W(form.List)) & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(StyleOf(W(form.Rule)) & SS_TYPEMASK, SS_ETCHEDHORZ);

    // A form's border is chosen by the form.
    EXPECT_TRUE(StyleOf(top) & WS_SYSMENU);
    form.SetBorder(FormBorder::ToolWindow);
    EXPECT_FALSE(StyleOf(top) & WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongPtrW(top, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    GetClientRect(top, &client);
    EXPECT_EQ(client.right, 600);  // the client area keeps its size
    EXPECT_EQ(client.bottom, 420);

    // Destroying the form takes the windows and their names with it.
    form.Destroy();
    EXPECT_FALSE(IsWindow(top));
    EXPECT_EQ(GlobalFindAtomW(L"SonrikTestGallery"), 0);
    EXPECT_EQ(GlobalFindAtomW(L"InnerField"), 0);
}

TEST_F(Win32Ui, CheckBoxFromCodeClicksOnceAndTheUsersClickToggles)
{
    form.Box.SetChecked(true);
    form.Box.SetChecked(true);
    EXPECT_EQ(SendMessageW(W(form.Box), BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(W(form.Box), BM_CLICK, 0, 0);
    EXPECT_FALSE(form.Box.Checked());
    EXPECT_EQ(SendMessageW(W(form.Box), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(form.log, (Log{"Box.Click:1", "Box.Click:0"}));

    form.log.clear();
    {
        const auto quiet = Detach(form.Box.OnClick);
        form.Box.SetChecked(true);
    }
    EXPECT_TRUE(form.log.empty());
    EXPECT_EQ(SendMessageW(W(form.Box), BM_GETCHECK, 0, 0), BST_CHECKED);

    // Inside a group box, a panel and a tab control the click still arrives.
    SendMessageW(W(form.InnerBox), BM_CLICK, 0, 0);
    SendMessageW(W(form.SideBox), BM_CLICK, 0, 0);
    SendMessageW(W(form.TabButton), BM_CLICK, 0, 0);
    SendMessageW(W(form.Ok), BM_CLICK, 0, 0);
    EXPECT_EQ(form.log, (Log{"InnerBox.Click:1", "SideBox.Click:1", "TabButton.Click", "Ok.Click"}));
    EXPECT_EQ(SendMessageW(W(form.InnerBox), BM_GETCHECK, 0, 0), BST_CHECKED);

    // A handler that refuses the change is shown as the model has it.
    form.log.clear();
    form.Box.OnClick = [this] { form.Box.SetChecked(true); };
    SendMessageW(W(form.Box), BM_CLICK, 0, 0);
    EXPECT_TRUE(form.Box.Checked());
    EXPECT_EQ(SendMessageW(W(form.Box), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(Win32Ui, EditRunsChangeForCodeAndForTyping)
{
    const HWND field = W(form.Field);
    form.Field.SetText("abc");
    form.Field.SetText("abc");
    EXPECT_EQ(TextOf(field), L"abc");
    EXPECT_EQ(form.log, (Log{"Field.Change:abc"}));

    form.log.clear();
    SendMessageW(field, EM_SETSEL, 3, 3);
    Type(field, L"de");
    SendMessageW(field, WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(form.Field.Text(), "abcd");
    EXPECT_EQ(form.log, (Log{"Field.Change:abcd", "Field.Change:abcde", "Field.Change:abcd"}));
    DWORD caret = 0;
    SendMessageW(field, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    EXPECT_EQ(caret, 4u);  // the model did not push the typed text back

    Type(field, L"\r\x1b");  // nothing to a single-line field
    EXPECT_EQ(TextOf(field), L"abcd");

    form.log.clear();
    Type(W(form.Digits), L"1a2");
    Type(W(form.InnerField), L"x");
    Type(W(form.SheetMemo), L"y");
    EXPECT_EQ(form.Digits.Text(), "12");
    EXPECT_EQ(form.log, (Log{"Digits.Change:1", "Digits.Change:12", "InnerField.Change:x", "SheetMemo.Change"}));

    // A memo shows lines and reports Return as CR LF.
    form.Notes.SetLines({"one", "two"});
    EXPECT_EQ(TextOf(W(form.Notes)), L"one\r\ntwo");
    SendMessageW(W(form.Notes), EM_SETSEL, 8, 8);
    Type(W(form.Notes), L"\rz");
    EXPECT_EQ(form.Notes.Lines(), (std::vector<std::string>{"one", "two", "z"}));

    // A handler that rewrites the text while the user types wins.
    form.Field.OnChange = [this] {
        if (form.Field.Text() == "abcdX") form.Field.SetText("fixed");
    };
    SendMessageW(field, EM_SETSEL, 4, 4);
    Type(field, L"X");
    EXPECT_EQ(form.Field.Text(), "fixed");
    EXPECT_EQ(TextOf(field), L"fixed");
}

TEST_F(Win32Ui, ComboRunsChangeOnlyForTheUsersTypingAndPicking)
{
    const HWND combo = W(form.Combo);
    form.Combo.SetItemIndex(1);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(TextOf(combo), L"Beta");
    form.Combo.SetText("free text");
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(TextOf(combo), L"free text");
    form.Combo.SetText("gamma");  // an entry in other letters: shown as the model has it
    EXPECT_EQ(form.Combo.ItemIndex(), 2);
    EXPECT_EQ(TextOf(combo), L"gamma");
    form.Combo.AddItem("Delta");  // refilling the list keeps the field
    EXPECT_EQ(TextOf(combo), L"gamma");
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 4);
    EXPECT_TRUE(form.log.empty());

    // A pick from the list, as the list reports it.
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    Notify(form.Combo, CBN_SELCHANGE);
    EXPECT_EQ(form.Combo.Text(), "Alpha");
    EXPECT_EQ(form.Combo.ItemIndex(), 0);
    // Typing into the field: over the selected text, then on.
    SendMessageW(ComboEdit(form.Combo), EM_SETSEL, 0, -1);
    Type(ComboEdit(form.Combo), L"Be");
    EXPECT_EQ(form.Combo.Text(), "Be");
    EXPECT_EQ(form.Combo.ItemIndex(), -1);
    Type(ComboEdit(form.Combo), L"ta");
    EXPECT_EQ(form.Combo.ItemIndex(), 1);
    EXPECT_EQ(TextOf(combo), L"Beta");
    EXPECT_EQ(form.log, (Log{"Combo.Change:Alpha", "Combo.Change:B", "Combo.Change:Be", "Combo.Change:Bet",
                             "Combo.Change:Beta"}));

    // The arrow key in the field picks an entry; the handlers see it once.
    form.log.clear();
    int downs = 0;
    form.Combo.OnKeyDown = [&](int& key, ShiftState) { downs += key == VK_DOWN; };
    SetFocus(ComboEdit(form.Combo));
    SendMessageW(ComboEdit(form.Combo), WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(downs, 1);
    ASSERT_EQ(form.log.size(), 1u);
    const std::string picked = form.Combo.Text();
    EXPECT_EQ(form.log[0], "Combo.Change:" + picked);
    EXPECT_EQ(TextOf(combo), std::wstring(picked.begin(), picked.end()));

    // A list without a field: code selects silently, the arrow key picks.
    form.log.clear();
    const HWND list = W(form.List);
    form.List.SetText("dance");
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 2);
    form.List.SetItemIndex(0);
    EXPECT_TRUE(form.log.empty());
    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(form.List.ItemIndex(), 1);
    EXPECT_EQ(form.List.Text(), "Classic Rock");
    EXPECT_EQ(form.log, (Log{"List.Change:1"}));

    // The drop-down follows the model, and the user's closing reaches it.
    form.List.SetDroppedDown(true);
    EXPECT_TRUE(SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0));
    SendMessageW(list, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_FALSE(SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_FALSE(form.List.DroppedDown());
}

TEST_F(Win32Ui, FocusMovesAreReportedOnceWhetherUserOrCodeMovesIt)
{
    // Shown, the form gave the focus to its first control.
    EXPECT_EQ(form.ActiveControl(), &form.Field);
    EXPECT_EQ(GetFocus(), W(form.Field));
    form.Field.OnEnter = [this] { form.log.push_back("Field.Enter"); };
    form.Field.OnExit = [this] { form.log.push_back("Field.Exit"); };
    form.Combo.OnEnter = [this] { form.log.push_back("Combo.Enter"); };
    form.Combo.OnExit = [this] { form.log.push_back("Combo.Exit"); };
    SetFocus(W(form.Field));
    SetFocus(ComboEdit(form.Combo));  // a click into the combo's field
    EXPECT_EQ(form.ActiveControl(), &form.Combo);
    form.Field.SetFocus();
    EXPECT_EQ(GetFocus(), W(form.Field));
    EXPECT_EQ(form.log, (Log{"Field.Exit", "Combo.Enter", "Combo.Exit", "Field.Enter"}));

    // Mouse: a double click and the button coming up, in the control's coordinates.
    form.log.clear();
    SendMessageW(W(form.Field), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 6));
    SendMessageW(W(form.Field), WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(7, 8));
    EXPECT_EQ(form.log, (Log{"Field.DblClick", "Field.MouseUp:0,1,7,8"}));
}

TEST_F(Win32Ui, TheFormSeesKeysFirstAndATakenKeyGoesNoFurther)
{
    Log order;
    form.SetKeyPreview(true);
    form.OnKeyPress = [&](char& ch) {
        order.push_back(std::string("form:") + ch);
        if (ch == 'x') ch = 0;  // swallowed
        if (ch == 'a') ch = 'b';
    };
    form.Field.OnKeyPress = [&](char& ch) { order.push_back(std::string("field:") + ch); };
    form.OnKeyDown = [&](int& key, ShiftState) {
        if (key == VK_DELETE) key = 0;
    };
    const HWND field = W(form.Field);
    Type(field, L"axc");
    EXPECT_EQ(form.Field.Text(), "bc");
    EXPECT_EQ(order, (Log{"form:a", "field:b", "form:x", "form:c", "field:c"}));

    SendMessageW(field, EM_SETSEL, 0, 1);
    SendMessageW(field, WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_EQ(form.Field.Text(), "bc");  // the form took Delete

    form.SetKeyPreview(false);
    order.clear();
    Type(field, L"x");
    EXPECT_EQ(order, (Log{"field:x"}));
}

TEST_F(Win32Ui, FieldBytesRoundTripThroughTheAnsiCodePage)
{
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);

    const UINT codePage = GetACP();
    RecordProperty("AnsiCodePage", static_cast<int>(codePage));
    const std::wstring shown = Wide(codePage, high);
    form.Field.SetText(high);
    EXPECT_EQ(TextOf(W(form.Field)), shown);
    if (codePage == 1252) {
        EXPECT_EQ(shown[0xC0 - 0x80], L'\u00C0');
        EXPECT_EQ(shown[0x80 - 0x80], L'\u20AC');
        EXPECT_EQ(sonrik::text::Bytes(sonrik::text::FromAnsi("\xC0")), "\xC3\x80");
    } else if (codePage == 1251) {
        EXPECT_EQ(shown[0xC0 - 0x80], L'\u0410');
        EXPECT_EQ(shown[0xFF - 0x80], L'\u044F');
        EXPECT_EQ(sonrik::text::Bytes(sonrik::text::FromAnsi("\xC0")), "\xD0\x90");
    }

    // A field the user edits comes back as the same bytes plus the edit.
    SendMessageW(W(form.Field), EM_SETSEL, 128, 128);
    Type(W(form.Field), L"z");
    EXPECT_EQ(form.Field.Text(), high + "z");

    // Combo entries and typed combo text.
    form.Combo.SetItems({"plain", high});
    SendMessageW(W(form.Combo), CB_SETCURSEL, 1, 0);
    Notify(form.Combo, CBN_SELCHANGE);
    EXPECT_EQ(form.Combo.Text(), high);
    SendMessageW(ComboEdit(form.Combo), EM_SETSEL, 128, 128);
    Type(ComboEdit(form.Combo), L"!");
    EXPECT_EQ(form.Combo.Text(), high + "!");

    // Memo lines.
    form.Notes.SetLines({high, "end"});
    SendMessageW(W(form.Notes), EM_SETSEL, 0, 0);
    Type(W(form.Notes), L"<");
    EXPECT_EQ(form.Notes.Lines(), (std::vector<std::string>{"<" + high, "end"}));

    // Captions are UTF-8 whatever the code page is.
    EXPECT_EQ(TextOf(W(form.Caption)), L"Название");
    EXPECT_EQ(TextOf(W(form.Ok)), L"Сохранить");
}

// What the user types in a script the code page lacks stays on screen as
// typed; the model names the first such character and holds '?' for it.
TEST_F(Win32Ui, TypedCharactersTheCodePageCannotHoldAreNamed)
{
    const UINT codePage = GetACP();
    const struct {
        UINT codePage;
        std::wstring typed;
        std::string bytes;
        char32_t unheld;  // 0: none
    } cases[] = {
        {1252, L"Кино", "????", U'К'}, {1252, L"Café", "Caf\xE9", 0},
        {1251, L"Café", "Caf?", U'é'},  {1251, L"Кино", "\xCA\xE8\xED\xEE", 0},
    };
    for (const auto& c : cases) {
        if (c.codePage != codePage) continue;
        for (HWND field : {W(form.Field), ComboEdit(form.Combo)}) {
            SetWindowTextW(field, L"");
            Type(field, c.typed);
            EXPECT_EQ(TextOf(field), c.typed);
        }
        for (const auto* text : {&form.Field.Text(), &form.Combo.Text()}) EXPECT_EQ(*text, c.bytes);
        EXPECT_EQ(form.Field.UnheldCharacter().value_or(0), c.unheld);
        EXPECT_EQ(form.Combo.UnheldCharacter().value_or(0), c.unheld);
    }
}

TEST_F(Win32Ui, PagesAndTabsFollowCodeSilentlyAndReportTheUsersPick)
{
    const HWND pages = W(form.Pages);
    // Created on its second page: that sheet fills the page area.
    EXPECT_EQ(SendMessageW(pages, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_TRUE(IsWindowVisible(W(form.Sheet2)));
    EXPECT_FALSE(IsWindowVisible(W(form.Sheet1)));
    RECT sheet{}, tabs{};
    GetWindowRect(W(form.Sheet2), &sheet);
    GetWindowRect(pages, &tabs);
    EXPECT_GT(sheet.top, tabs.top);  // below the tab row, inside the control
    EXPECT_LT(sheet.bottom, tabs.bottom);
    EXPECT_GT(sheet.right - sheet.left, (tabs.right - tabs.left) * 3 / 4);

    form.Pages.SetActivePageIndex(0);
    EXPECT_EQ(SendMessageW(pages, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(IsWindowVisible(W(form.Sheet1)));
    EXPECT_FALSE(IsWindowVisible(W(form.Sheet2)));
    EXPECT_TRUE(form.log.empty());

    ClickTab(pages, 1);
    EXPECT_EQ(form.Pages.ActivePageIndex(), 1);
    EXPECT_TRUE(IsWindowVisible(W(form.Sheet2)));
    EXPECT_FALSE(IsWindowVisible(W(form.Sheet1)));

    form.Sheet2.SetCaption(u8"Разное");
    wchar_t caption[32]{};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = 32;
    SendMessageW(pages, TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(caption, L"Разное");

    const HWND tabControl = W(form.Tabs);
    EXPECT_EQ(SendMessageW(tabControl, TCM_GETITEMCOUNT, 0, 0), 3);
    form.Tabs.SetTabIndex(1);
    EXPECT_EQ(SendMessageW(tabControl, TCM_GETCURSEL, 0, 0), 1);
    ClickTab(tabControl, 2);
    EXPECT_EQ(form.Tabs.TabIndex(), 2);
    EXPECT_EQ(form.log, (Log{"Pages.Change:1", "Tabs.Change:2"}));

    // A handler that sends the user back is shown as the model has it.
    form.Tabs.OnChange = [this] { form.Tabs.SetTabIndex(0); };
    ClickTab(tabControl, 1);
    EXPECT_EQ(form.Tabs.TabIndex(), 0);
    EXPECT_EQ(SendMessageW(tabControl, TCM_GETCURSEL, 0, 0), 0);
}

TEST_F(Win32Ui, StateFromCodeReachesTheWindows)
{
    form.Status.SetPanelText(0, u8"Сохранено");
    form.Status.SetPanelText(1, u8"track.mp3");
    const HWND status = W(form.Status);
    int edges[4]{};
    ASSERT_EQ(SendMessageW(status, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 2);
    EXPECT_EQ(edges[0], 350);
    EXPECT_EQ(edges[1], -1);
    wchar_t text[64]{};
    SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"Сохранено");
    RECT bar{}, client{};
    GetWindowRect(status, &bar);
    MapWindowPoints(nullptr, W(form), reinterpret_cast<POINT*>(&bar), 2);
    GetClientRect(W(form), &client);
    EXPECT_EQ(bar.bottom, client.bottom);  // along the bottom edge
    EXPECT_EQ(bar.bottom - bar.top, 19);
    EXPECT_EQ(bar.right - bar.left, client.right);

    // Disabling a container disables what is inside it, however deep.
    form.Group.SetEnabled(false);
    form.Pages.SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(W(form.InnerField)));
    EXPECT_FALSE(IsWindowEnabled(W(form.SheetMemo)));
    form.Group.SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(W(form.InnerField)));
    EXPECT_FALSE(IsWindowEnabled(W(form.SheetMemo)));

    form.Field.SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(W(form.Field)));
    form.Field.SetVisible(true);
    form.Field.SetBounds(20, 30, 100, 23);
    RECT field{};
    GetWindowRect(W(form.Field), &field);
    MapWindowPoints(nullptr, W(form), reinterpret_cast<POINT*>(&field), 2);
    EXPECT_EQ(field.left, 20);
    EXPECT_EQ(field.top, 30);
    EXPECT_EQ(field.right - field.left, 100);
    EXPECT_EQ(field.bottom - field.top, 23);

    // A combo box is as high as the model says when closed; its list drops below.
    RECT combo{}, dropped{};
    GetWindowRect(W(form.Combo), &combo);
    SendMessageW(W(form.Combo), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_EQ(combo.bottom - combo.top, 21);
    const auto itemHeight = static_cast<LONG>(SendMessageW(W(form.Combo), CB_GETITEMHEIGHT, 0, 0));
    EXPECT_GE(dropped.bottom - dropped.top, 3 * itemHeight);  // room for all three entries

    // A label without a size takes its caption's.
    RECT label{};
    GetWindowRect(W(form.Caption), &label);
    EXPECT_GT(label.right - label.left, 20);
    const LONG before = label.right - label.left;
    form.Caption.SetCaption(u8"Номер дорожки");
    GetWindowRect(W(form.Caption), &label);
    EXPECT_GT(label.right - label.left, before);
}

TEST_F(Win32Ui, ErrorsEscapingHandlersGoToTheErrorBoxAndTheWindowStays)
{
    wchar_t program[MAX_PATH]{};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring title = program;
    title = title.substr(title.find_last_of(L"\\/") + 1);
    title = title.substr(0, title.find(L'.'));
    for (std::size_t i = 1; i < title.size(); ++i) title[i] = towlower(title[i]);

    form.Ok.OnClick = [] { throw std::runtime_error("Can not save changes. Error:5"); };
    SendMessageW(W(form.Ok), BM_CLICK, 0, 0);
    // Not even something that is no std::exception gets through a window procedure.
    form.Ok.OnClick = [] { throw 42; };
    SendMessageW(W(form.Ok), BM_CLICK, 0, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"Can not save changes. Error:5.");
    EXPECT_EQ(boxes[0].caption, title);
    EXPECT_EQ(boxes[0].flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(boxes[1].text, L"Unexpected error.");
    EXPECT_TRUE(IsWindowVisible(W(form)));

    // Questions go to the owner asked for, with the answer the user gives.
    answer = IDNO;
    EXPECT_EQ(backend.ShowMessageBox({&form, 0}, u8"Сохранить изменения?", u8"Tag editor",
                                     mb::YesNoCancel | mb::IconQuestion),
              answer::No);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].owner, W(form));
    EXPECT_EQ(boxes[2].text, L"Сохранить изменения?");
    EXPECT_EQ(boxes[2].flags, static_cast<unsigned>(MB_YESNOCANCEL | MB_ICONQUESTION));
    backend.ShowMessageBox({nullptr, reinterpret_cast<WindowHandle>(W(form.Ok))}, u8"x", u8"y", mb::Ok);
    EXPECT_EQ(boxes[3].owner, W(form.Ok));

    // The host's window answers synchronously; no window, no message.
    EXPECT_EQ(backend.SendHostMessage(0, WM_COMMAND, 4002, 0), 0);
    EXPECT_EQ(backend.SendHostMessage(reinterpret_cast<WindowHandle>(W(form.Combo)), CB_GETCOUNT, 0, 0), 3);
}

// ---- the modal loop --------------------------------------------------------------

namespace {

// Runs test steps inside a message loop, one after the other: each step is
// posted behind the messages the previous step posted, so it sees their effect.
class Steps {
public:
    Steps()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Steps::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Sonrik.TestSteps";
        RegisterClassW(&wc);
        window_ = CreateWindowW(L"Sonrik.TestSteps", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Steps() { DestroyWindow(window_); }

    // Queues a step; the first one queued starts the run.
    void Then(std::function<void()> step)
    {
        steps_.push_back(std::move(step));
        if (steps_.size() == 1) PostMessageW(window_, WM_APP, 0, 0);
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT id, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<Steps*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (id != WM_APP || !self || self->steps_.empty()) return DefWindowProcW(window, id, wParam, lParam);
        self->steps_.front()();
        self->steps_.pop_front();
        if (!self->steps_.empty()) PostMessageW(window, WM_APP, 0, 0);
        return 0;
    }

    HWND window_ = nullptr;
    std::deque<std::function<void()>> steps_;
};

void SetKeyHeld(int key, bool held)
{
    BYTE state[256]{};
    GetKeyboardState(state);
    state[key] = held ? 0x80 : 0;
    if (key == VK_CONTROL) state[VK_LCONTROL] = state[key];
    SetKeyboardState(state);
}

struct Watched {
    Win32Backend* backend = nullptr;
    Form* form = nullptr;
} watched;

void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD)
{
    ADD_FAILURE() << "the modal loop did not end";
    watched.backend->EndModal(*watched.form);
}

// Posted key messages as a keyboard driver would deliver them.
void PostKey(HWND window, int key) { PostMessageW(window, WM_KEYDOWN, static_cast<WPARAM>(key), 1); }

}  // namespace

TEST_F(Win32Ui, TheModalLoopOwnsTheThreadUntilTheFormCloses)
{
    form.SetVisible(false);
    const HWND host = CreateWindowExW(0, L"Static", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    SetActiveWindow(host);
    ASSERT_EQ(GetActiveWindow(), host);

    // A loop that never ends fails the test instead of hanging it.
    watched = {&backend, &form};
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, Watchdog);

    int activations = 0;
    int closeQueries = 0;
    Log keys;
    bool hostDisabledWhileModal = false;
    bool formActiveWhileModal = false;
    HWND shown = nullptr;  // the form's window while it is open
    Steps steps;
    form.SetKeyPreview(true);
    form.OnKeyDown = [&](int& key, ShiftState shift) {
        if (key == VK_TAB && (shift & ssCtrl)) {
            keys.push_back("ctrl+tab");
            form.Pages.SelectNextPage();
        } else if (key == VK_ESCAPE) {
            keys.push_back("escape");
            form.Close();
        }
    };
    form.OnCloseQuery = [&](bool& canClose) { canClose = ++closeQueries > 1; };
    form.OnActivate = [&] {
        ++activations;
        hostDisabledWhileModal = !IsWindowEnabled(host);
        formActiveWhileModal = GetActiveWindow() == W(form) && IsWindowVisible(W(form));
        shown = W(form);
        EXPECT_EQ(GetWindow(shown, GW_OWNER), host);
        PostMessageW(W(form), WM_CLOSE, 0, 0);  // refused the first time
        steps.Then([&] {
            EXPECT_TRUE(IsWindowVisible(W(form)));
            form.Field.SetFocus();
            PostKey(W(form.Field), VK_TAB);  // plain Tab moves the focus on
        });
        steps.Then([&] {
            EXPECT_EQ(form.ActiveControl(), &form.Digits);
            EXPECT_EQ(GetFocus(), W(form.Digits));
            form.Ok.SetFocus();
            PostKey(W(form.Ok), VK_RETURN);  // Return clicks a focused button
        });
        steps.Then([&] {
            EXPECT_EQ(form.log, (Log{"Ok.Click"}));
            SetKeyHeld(VK_CONTROL, true);
            PostKey(W(form.Digits), VK_TAB);
        });
        steps.Then([&] {
            SetKeyHeld(VK_CONTROL, false);
            EXPECT_EQ(form.ActiveControl(), &form.Ok);  // Ctrl+Tab moved no focus
            PostKey(W(form.Ok), VK_ESCAPE);
        });
    };
    form.ShowModal(reinterpret_cast<WindowHandle>(host));
    KillTimer(nullptr, watchdog);
    SetKeyHeld(VK_CONTROL, false);

    EXPECT_EQ(activations, 1);
    EXPECT_TRUE(hostDisabledWhileModal);
    EXPECT_TRUE(formActiveWhileModal);
    EXPECT_EQ(closeQueries, 2);
    EXPECT_EQ(keys, (Log{"ctrl+tab", "escape"}));
    EXPECT_EQ(form.Pages.ActivePageIndex(), 0);  // on from the second page
    // Closed, the form gives its windows back; its controls keep their state.
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_EQ(W(form), nullptr);
    EXPECT_EQ(W(form.Field), nullptr);
    EXPECT_TRUE(IsWindowEnabled(host));
    EXPECT_EQ(GetActiveWindow(), host);

    // Shown again, it gets new windows built from that state. An error in
    // the activation handler is shown and the loop goes on.
    form.OnActivate = [&] {
        shown = W(form);
        EXPECT_EQ(TextOf(W(form.Field)), L"kept while closed");
        steps.Then([&] { PostKey(W(form.Ok), VK_ESCAPE); });
        throw std::runtime_error("File access denied");
    };
    form.Field.SetText("kept while closed");
    boxes.clear();
    form.ShowModal(reinterpret_cast<WindowHandle>(host));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"File access denied.");
    EXPECT_EQ(boxes[0].owner, shown);
    EXPECT_FALSE(IsWindow(shown));
    DestroyWindow(host);
}

// ---- the group box -----------------------------------------------------------------

namespace {

class Boxed : public Form {
public:
    explicit Boxed(Backend& backend) : Form(backend, "Boxed")
    {
        SetClientSize(220, 140);
        Group.SetBounds(10, 10, 200, 120);
        Group.SetCaption(u8"Lyrics3 v2.00");
        Check.SetBounds(8, 24, 150, 17);
        Check.SetCaption(u8"Use Timestamp");
        Field.SetBounds(8, 48, 150, 21);
    }
    ~Boxed() override { Destroy(); }
    GroupBox Group{this, "Group"};
    CheckBox Check{&Group, "Check"};
    Edit Field{&Group, "Field"};
};

// The group box drawn into a bitmap of its size.
class Snapshot {
public:
    explicit Snapshot(HWND window)
    {
        RECT client{};
        GetClientRect(window, &client);
        width_ = client.right;
        height_ = client.bottom;
        const HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width_, height_);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc_), 0);
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
    }
    ~Snapshot()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    int Height() const { return height_; }

private:
    int width_ = 0, height_ = 0;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

}  // namespace

TEST(Win32GroupBox, WithoutAStyleLibraryItDrawsTheClassicEtchedFrame)
{
    Win32Backend backend;
    Boxed form(backend);
    form.Create();
    const HWND group = Win32Backend::WindowOf(form.Group);
    const Snapshot shot(group);
    const int middle = shot.Height() / 2;
    EXPECT_EQ(shot.At(0, middle), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(shot.At(1, middle), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(shot.At(198, middle), GetSysColor(COLOR_BTNSHADOW));

    // The frame's top line runs behind the caption, which covers it.
    int lineRow = -1;
    for (int y = 0; y < 20 && lineRow < 0; ++y)
        if (shot.At(180, y) == GetSysColor(COLOR_BTNSHADOW)) lineRow = y;
    ASSERT_GE(lineRow, 0);
    EXPECT_EQ(shot.At(4, lineRow), GetSysColor(COLOR_BTNSHADOW));  // left of the caption: the line
    bool brokenByCaption = false;
    for (int x = 9; x < 40; ++x) brokenByCaption |= shot.At(x, lineRow) != GetSysColor(COLOR_BTNSHADOW);
    EXPECT_TRUE(brokenByCaption);

    // Children paint their own background when the box is not styled.
    const HDC dc = GetDC(group);
    EXPECT_NE(SendMessageW(group, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(Win32Backend::WindowOf(form.Check))),
              reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
    ReleaseDC(group, dc);
}

TEST(Win32GroupBox, WithAnActiveStyleChildrenShowTheStyledBackground)
{
    const sonrik::widgets::StyleLibrary library;
    if (!sonrik::widgets::GroupBoxCanStyle(library))
        GTEST_SKIP() << "no visual-style library with every function the group box calls";
    const auto active = reinterpret_cast<BOOL(WINAPI*)()>(library.IsThemeActive());
    if (!active()) GTEST_SKIP() << "no visual style is active";

    Win32Backend backend(&library);
    Boxed form(backend);
    form.Create();
    const HWND group = Win32Backend::WindowOf(form.Group);
    const HDC dc = GetDC(group);
    const auto answer = [&](const Control& child) {
        return SendMessageW(group, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                            reinterpret_cast<LPARAM>(Win32Backend::WindowOf(child)));
    };
    const auto nullBrush = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    EXPECT_EQ(answer(form.Check), nullBrush);
    // A disabled edit box asks as a static control and gets the styled
    // background too; buttons ask with their own message.
    form.Field.SetEnabled(false);
    EXPECT_EQ(answer(form.Field), nullBrush);
    EXPECT_EQ(SendMessageW(group, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(Win32Backend::WindowOf(form.Check))),
              nullBrush);
    EXPECT_EQ(SendMessageW(group, WM_THEMECHANGED, 0, 0), 0);
    EXPECT_EQ(answer(form.Check), nullBrush);  // reopened after the theme change

    // Switched to the classic look, the box answers like any window.
    form.Group.SetCtl3D(false);
    EXPECT_NE(answer(form.Check), nullBrush);
    ReleaseDC(group, dc);
}

#endif  // _WIN32
