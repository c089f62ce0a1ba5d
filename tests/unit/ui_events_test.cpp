#include "ui/headless/headless.h"

#include "platform/errors.h"
#include "sonrik/host_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace sonrik::ui;
namespace text = sonrik::text;
using sonrik::ui::headless::HeadlessBackend;
using sonrik::ui::headless::User;

namespace {

// A small form with one control of each kind that has event rules.
class TestForm : public Form {
public:
    explicit TestForm(Backend& backend) : Form(backend, "TestForm")
    {
        Box.OnClick = [this] { log.push_back("Box.Click:" + std::to_string(Box.Checked())); };
        Field.OnChange = [this] { log.push_back("Field.Change:" + Field.Text()); };
        Digits.SetDigitsOnly(true);
        Digits.OnChange = [this] { log.push_back("Digits.Change:" + Digits.Text()); };
        Combo.SetItems({"Alpha", "Beta", "Gamma"});
        Combo.OnChange = [this] { log.push_back("Combo.Change:" + Combo.Text()); };
        List.SetItems({"Country", "Classic Rock", "Dance"});
        List.OnChange = [this] { log.push_back("List.Change:" + std::to_string(List.ItemIndex())); };
        Field.OnEnter = [this] { log.push_back("Field.Enter"); };
        Field.OnExit = [this] { log.push_back("Field.Exit"); };
        Combo.OnEnter = [this] { log.push_back("Combo.Enter"); };
        Ok.OnClick = [this] { log.push_back("Ok.Click"); };
        OnActivate = [this] { log.push_back("Activate"); };
    }
    ~TestForm() override { Destroy(); }

    Edit Field{this, "Field"};
    Edit Digits{this, "Digits"};
    CheckBox Box{this, "Box"};
    ComboBox Combo{this, "Combo"};
    ComboBox List{this, "List", ComboBox::Style::DropDownList};
    Memo Notes{this, "Notes"};
    Button Ok{this, "Ok"};
    std::vector<std::string> log;
};

class UiEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.Create();
        form.SetVisible(true);  // shown without a modal loop, so the user can reach it
    }
    HeadlessBackend backend;
    TestForm form{backend};
    User user{backend};
};

}  // namespace

TEST_F(UiEvents, CheckBoxFromCodeRunsClickOnlyOnARealChange)
{
    form.Box.SetChecked(false);
    EXPECT_TRUE(form.log.empty());
    form.Box.SetChecked(true);
    form.Box.SetChecked(true);
    user.Click(form.Box);
    EXPECT_EQ(form.log, (std::vector<std::string>{"Box.Click:1", "Box.Click:0"}));
    EXPECT_FALSE(form.Box.Checked());

    form.log.clear();
    {
        auto quiet = Detach(form.Box.OnClick);
        form.Box.SetChecked(true);
    }
    EXPECT_TRUE(form.log.empty());
    EXPECT_TRUE(form.Box.Checked());
    form.Box.SetChecked(false);  // attached again
    EXPECT_EQ(form.log, std::vector<std::string>{"Box.Click:0"});
}

TEST_F(UiEvents, EditRunsChangeOnEveryTextChangeFromCodeOrUser)
{
    form.Field.SetText("abc");
    form.Field.SetText("abc");
    user.TypeText(form.Field, "de");
    user.PressKey(form, keys::Back);
    EXPECT_EQ(form.log, (std::vector<std::string>{"Field.Change:abc", "Field.Enter", "Field.Change:abcd",
                                                   "Field.Change:abcde", "Field.Change:abcd"}));
    form.log.clear();
    user.TypeText(form.Digits, "1a2");
    EXPECT_EQ(form.Digits.Text(), "12");
    EXPECT_EQ(form.log, (std::vector<std::string>{"Field.Exit", "Digits.Change:1", "Digits.Change:12"}));
}

TEST_F(UiEvents, ComboRunsChangeOnlyForTheUser)
{
    form.Combo.SetText("Beta");
    EXPECT_EQ(form.Combo.ItemIndex(), 1);
    form.Combo.SetItemIndex(2);
    EXPECT_EQ(form.Combo.Text(), "Gamma");
    form.Combo.SetText("free text");
    EXPECT_EQ(form.Combo.ItemIndex(), -1);
    EXPECT_TRUE(form.log.empty());

    user.Pick(form.Combo, 0);
    EXPECT_EQ(form.Combo.Text(), "Alpha");
    user.ReplaceText(form.Combo, "Typed");
    EXPECT_EQ(form.Combo.ItemIndex(), -1);
    EXPECT_EQ(form.log, (std::vector<std::string>{"Combo.Enter", "Combo.Change:Alpha", "Combo.Change:Typed"}));

    // A list without a field: code selects by text, the user's key jumps by letter.
    form.log.clear();
    form.List.SetText("dance");
    EXPECT_EQ(form.List.ItemIndex(), 2);
    form.List.SetText("no such entry");
    EXPECT_EQ(form.List.ItemIndex(), -1);
    EXPECT_EQ(form.List.Text(), "");
    user.TypeText(form.List, "c");
    EXPECT_EQ(form.List.ItemIndex(), 0);
    EXPECT_EQ(form.log, std::vector<std::string>{"List.Change:0"});
    EXPECT_THROW(user.ReplaceText(form.List, "x"), std::logic_error);
}

TEST_F(UiEvents, KeyPreviewLetsTheFormTakeKeysFirst)
{
    std::vector<std::string> order;
    form.SetKeyPreview(true);
    form.OnKeyPress = [&](char& ch) {
        order.push_back(std::string("form:") + ch);
        if (ch == 'x') ch = 0;  // swallowed
    };
    form.Field.OnKeyPress = [&](char& ch) { order.push_back(std::string("field:") + ch); };
    form.OnKeyDown = [&](int& key, ShiftState shift) {
        if (key == keys::Tab && (shift & ssCtrl)) order.push_back("form:ctrl-tab");
    };
    user.TypeText(form.Field, "axb");
    EXPECT_EQ(form.Field.Text(), "ab");
    user.PressKey(form, keys::Tab, ssCtrl);
    EXPECT_EQ(order, (std::vector<std::string>{"form:a", "field:a", "form:x", "form:b", "field:b", "form:ctrl-tab"}));
    EXPECT_TRUE(form.Field.Focused());  // Ctrl+Tab does not move the focus between controls
    user.PressKey(form, keys::Tab);
    EXPECT_TRUE(form.Digits.Focused());
}

TEST_F(UiEvents, FocusRunsExitThenEnterWhenItReallyMoves)
{
    form.Field.SetFocus();
    form.Field.SetFocus();
    form.Combo.SetFocus();
    user.Leave(form);
    EXPECT_EQ(form.log, (std::vector<std::string>{"Field.Enter", "Field.Exit", "Combo.Enter"}));
    EXPECT_EQ(form.ActiveControl(), nullptr);
}

TEST_F(UiEvents, ErrorsEscapingHandlersAreShownAndTheWindowStaysOpen)
{
    form.Ok.OnClick = [] { throw sonrik::IoError(5); };
    form.Box.OnClick = [] { throw sonrik::Error(u8"Unable to write to C:\\moduls.ini"); };
    backend.WhileModal([&](User& u) {
        u.Click(form.Ok);
        u.Click(form.Box);
        EXPECT_TRUE(form.Showing());
        u.Close(form);
    });
    form.ShowModal();
    EXPECT_EQ(backend.ErrorBoxes(),
              (std::vector<std::string>{"File access denied.", "Unable to write to C:\\moduls.ini."}));
    EXPECT_TRUE(form.Box.Checked());  // the option keeps its new state on screen
    EXPECT_FALSE(form.Showing());
}

TEST_F(UiEvents, ModalLoopActivatesAndCloseCanBeRefused)
{
    bool allow = false;
    form.OnCloseQuery = [&](bool& canClose) { canClose = allow; };
    backend.WhileModal([&](User& u) {
        u.Close(form);
        EXPECT_TRUE(form.Showing());
        allow = true;
        u.Close(form);
        EXPECT_FALSE(form.Visible() && !form.Showing());
    });
    form.ShowModal();
    EXPECT_EQ(form.log.front(), "Activate");
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(backend.ModalRuns(), 1);
}

TEST_F(UiEvents, MessageBoxesAreAnsweredFromTheQueueAndRecorded)
{
    backend.QueueAnswer(answer::Yes);
    form.Ok.OnClick = [&] {
        const int a = backend.ShowMessageBox({nullptr, 42}, u8"Clear all values?", u8"Tag editor", mb::YesNo | mb::IconQuestion);
        form.log.push_back(a == answer::Yes ? "yes" : "no");
        backend.ShowMessageBox({&form, 0}, u8"Again?", u8"Tag editor", mb::YesNo);  // nobody expected this one
        form.log.push_back("not reached");
    };
    user.Click(form.Ok);
    ASSERT_EQ(backend.Questions().size(), 1u);
    EXPECT_EQ(backend.Questions()[0].ownerWindow, 42u);
    EXPECT_EQ(backend.Questions()[0].flags, mb::YesNo | mb::IconQuestion);
    EXPECT_EQ(form.log, std::vector<std::string>{"yes"});
    ASSERT_EQ(backend.ErrorBoxes().size(), 1u);
    EXPECT_NE(backend.ErrorBoxes()[0].find("Again?"), std::string::npos);
}

TEST_F(UiEvents, UserCannotReachDisabledOrHiddenControls)
{
    form.Ok.SetEnabled(false);
    EXPECT_THROW(user.Click(form.Ok), std::logic_error);
    form.Ok.SetEnabled(true);
    form.SetEnabled(false);  // a disabled parent disables its children
    EXPECT_THROW(user.Click(form.Ok), std::logic_error);
    form.SetEnabled(true);
    form.Box.SetVisible(false);
    EXPECT_THROW(user.Click(form.Box), std::logic_error);
    EXPECT_TRUE(form.log.empty());
}

TEST_F(UiEvents, MemoLinesRoundTrip)
{
    form.Notes.SetLines({"one", "", "three"});
    EXPECT_EQ(form.Notes.Text(), "one\r\n\r\nthree");
    EXPECT_EQ(form.Notes.Lines(), (std::vector<std::string>{"one", "", "three"}));
    user.Focus(form.Notes);
    user.PressKey(form, keys::Return);
    user.TypeText(form.Notes, "4");
    EXPECT_EQ(form.Notes.Lines(), (std::vector<std::string>{"one", "", "three", "4"}));
}

TEST(UiHost, MessagesToNoWindowGoNowhereAndGiveZero)
{
    HeadlessBackend backend;
    backend.SetHostAnswer(273, 4002, 1);
    EXPECT_EQ(backend.SendHostMessage(0, 273, 4002, 0), 0);
    EXPECT_EQ(backend.SendHostMessage(77, 273, 4002, 0), 1);
    EXPECT_EQ(backend.SendHostMessage(77, 273, 4003, 0), 0);
    ASSERT_EQ(backend.HostMessages().size(), 3u);
    EXPECT_EQ(backend.HostMessages()[1].result, 1);
}

TEST(UiTexts, ErrorBoxTextAndApplicationTitle)
{
    EXPECT_EQ(text::Bytes(ErrorBoxText(u8"File not found")), "File not found.");
    EXPECT_EQ(text::Bytes(ErrorBoxText(u8"Done.")), "Done.");
    EXPECT_EQ(text::Bytes(ErrorBoxText(u8"Error:5")), "Error:5.");
    EXPECT_EQ(text::Bytes(ErrorBoxText(u8"ends in a dash -")), "ends in a dash -");  // '-' sorts below '.'
    EXPECT_EQ(text::Bytes(ErrorBoxText(u8"")), "");
    EXPECT_EQ(text::Bytes(ApplicationTitle(u8"C:\\Program Files\\Player\\PLAYER.EXE")), "Player");
    EXPECT_EQ(text::Bytes(ApplicationTitle(u8"C:\\x\\sonrik-host.test.exe")), "sonrik-host");
    EXPECT_EQ(text::Bytes(ApplicationTitle(u8"host")), "host");
    // Lower-cased after the first character for every letter of the names a
    // Western or Russian system gives its programs.
    EXPECT_EQ(text::Bytes(ApplicationTitle(u8"C:\\Игры\\ПЛЕЕР.exe")), "Плеер");
    EXPECT_EQ(text::Bytes(ApplicationTitle(u8"C:\\x\\Ärger.exe")), "Ärger");
    EXPECT_EQ(text::Bytes(ApplicationTitle(u8"C:\\x\\ÜBERÄRGER.EXE")), "Überärger");
    EXPECT_EQ(text::Bytes(ApplicationTitle(u8"ЁЖИК.exe")), "Ёжик");
}

TEST(HostLinkTest, StopIsGrantedOnlyByAZeroAnswerAndNoWindowGrantsIt)
{
    HeadlessBackend backend;
    backend.SetHostAnswer(273, 4002, 1);
    const sonrik::HostLink refusing(backend, 0x1234);
    EXPECT_FALSE(refusing.StopPlayback());
    refusing.ResumePlayback();
    refusing.AboutToApply();
    const sonrik::HostLink none(backend, 0);
    EXPECT_TRUE(none.StopPlayback());

    const auto& sent = backend.HostMessages();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].window, 0x1234u);
    EXPECT_EQ(sent[0].message, 273u);
    EXPECT_EQ(sent[0].wParam, 4002u);
    EXPECT_EQ(sent[1].wParam, 4003u);
    EXPECT_EQ(sent[2].message, 2125u);
    EXPECT_EQ(sent[2].wParam, 0u);
    EXPECT_EQ(sent[3].result, 0);
}
