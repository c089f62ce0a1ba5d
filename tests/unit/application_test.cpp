#include "sonrik/application.h"

#include "ui/headless/headless.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using sonrik::Application;
using sonrik::ui::Backend;
using sonrik::ui::Form;
using sonrik::ui::WindowHandle;
using sonrik::ui::headless::HeadlessBackend;
using sonrik::ui::headless::User;

namespace {

// A window that notes when it is destroyed, and can fail while it is created.
class NotedForm : public Form {
public:
    NotedForm(Backend& backend, std::string name, std::vector<std::string>& log, bool failOnCreate = false)
        : Form(backend, name)
    {
        OnCreate = [failOnCreate] {
            if (failOnCreate) throw std::runtime_error("Cannot read the layout");
        };
        OnDestroy = [&log, name] { log.push_back(name); };
    }
    ~NotedForm() override { Destroy(); }
};

struct Opened {
    WindowHandle owner = 0;
    std::string text;
};

class ApplicationTest : public ::testing::Test {
protected:
    // One opening call as the entry points make it; the user closes the window.
    Opened Open(WindowHandle appWindow, const std::string& name, bool failOnCreate = false)
    {
        Opened seen;
        backend.WhileModal([&](User& user) {
            seen.owner = app.OwnerWindow();
            user.Close(*shown);
        });
        app.Open(
            backend, appWindow, [&] { return std::make_unique<NotedForm>(backend, name, destroyed, failOnCreate); },
            [&](Form& form) {
                form.SetCaption(sonrik::text::FromAnsi(name + " file"));
                shown = &form;
            });
        if (shown) seen.text = sonrik::text::Bytes(shown->Caption());
        return seen;
    }

    // The windows' backend and what they note outlive the application object.
    HeadlessBackend backend;
    std::vector<std::string> destroyed;
    Application app;
    Form* shown = nullptr;
};

TEST_F(ApplicationTest, OwnerFollowsTheLatestApplicationWindow)
{
    EXPECT_EQ(app.OwnerWindow(), 0u);
    EXPECT_EQ(Open(0x100, "First").owner, 0x100u);
    EXPECT_EQ(Open(0x100, "Second").owner, 0x100u);
    EXPECT_EQ(Open(0x200, "Third").owner, 0x200u);
    EXPECT_EQ(app.OwnerWindow(), 0x200u);
}

TEST_F(ApplicationTest, ClosedWindowsStayUntilTheyAreDestroyedNewestFirst)
{
    Open(0x100, "First");
    Open(0x100, "Second");
    Open(0x100, "Third");
    EXPECT_EQ(app.WindowCount(), 3u);
    EXPECT_TRUE(destroyed.empty());

    app.DestroyWindows();
    EXPECT_EQ(destroyed, (std::vector<std::string>{"Third", "Second", "First"}));
    EXPECT_EQ(app.WindowCount(), 0u);
}

TEST_F(ApplicationTest, ErrorWhileTheWindowIsBuiltIsShownAndTheCallReturns)
{
    app.Open(
        backend, 0x100, []() -> std::unique_ptr<Form> { throw std::runtime_error("Out of resources"); },
        [](Form&) { FAIL() << "a window that was never built is not prepared"; });
    EXPECT_EQ(backend.ErrorBoxes(), (std::vector<std::string>{"Out of resources."}));
    EXPECT_EQ(app.WindowCount(), 0u);
}

TEST_F(ApplicationTest, DestroyHandlerThatFailsDoesNotStopTheOthers)
{
    Open(0x100, "First");
    app.Open(
        backend, 0x100,
        [&] {
            auto form = std::make_unique<NotedForm>(backend, "Broken", destroyed);
            form->OnDestroy = [] { throw std::runtime_error("Disk full"); };
            return form;
        },
        [&](Form& form) { shown = &form; });
    app.DestroyWindows();
    EXPECT_EQ(destroyed, (std::vector<std::string>{"First"}));
}

}  // namespace
