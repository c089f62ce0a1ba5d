// A long session of the player in real windows: every window opened stays
// with the application object until unload but gives its system windows back
// when it closes. Windows only (runs under Wine).
#ifdef _WIN32

#include "Main/tag_frm.h"
#include "Main_List/list_editor.h"
#include "sonrik/application.h"
#include "tagfrm_test_support.h"
#include "ui/win32/win32_backend.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace sonrik;
using namespace sonrik::testing;
using sonrik::ui::win32::Win32Backend;

namespace {

// The windows of this thread, top-level ones and all their children.
BOOL CALLBACK CountWindow(HWND, LPARAM n) { return ++*reinterpret_cast<int*>(n), TRUE; }
BOOL CALLBACK CountWindowAndChildren(HWND window, LPARAM n)
{
    EnumChildWindows(window, CountWindow, n);
    return CountWindow(window, n);
}
int ThreadWindows()
{
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindowAndChildren, reinterpret_cast<LPARAM>(&n));
    return n;
}

// Closes the form once its modal loop runs, noting the windows it had open.
const ui::Form* closing = nullptr;
int* shownWindows = nullptr;
void CALLBACK CloseNow(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    *shownWindows = ThreadWindows();
    PostMessageW(Win32Backend::WindowOf(*closing), WM_CLOSE, 0, 0);
}
void CloseWhenShown(ui::Form& form, int& shown)
{
    closing = &form;
    shownWindows = &shown;
    SetTimer(nullptr, 0, 0, CloseNow);
}

TEST(PlayerSession, ClosedWindowsLeaveNoSystemWindowsBehind)
{
    constexpr int kOpenings = 20;
    TempDir dir;
    const std::string song = dir.file("song.mp3"), module = dir.file("Sonrik.dll");
    WriteBytes(song, Audio(2000) + Record("Song", "Band"));
    NoStyles noStyles;
    widgets::StyleProbe probe{noStyles};
    Win32Backend backend;
    Application app;
    const int before = ThreadWindows();
    int afterFirst = 0, editorShown = 0, listShown = 0;
    for (int i = 0; i < kOpenings; ++i) {
        app.Open(backend, 0, [&] { return std::make_unique<TATagFrm>(backend, probe, module); },
                 [&](ui::Form& form) {
                     static_cast<TATagFrm&>(form).TargetFile = song;
                     CloseWhenShown(form, editorShown);
                 });
        app.Open(backend, 0, [&] { return std::make_unique<TAListEditor>(backend, module); },
                 [&](ui::Form& form) { CloseWhenShown(form, listShown); });
        if (i == 0) afterFirst = ThreadWindows();
    }
    EXPECT_EQ(app.WindowCount(), 2u * kOpenings);
    EXPECT_GT(editorShown, before + 40);  // open, it had its windows
    EXPECT_GT(listShown, before + 10);
    EXPECT_LE(afterFirst, before + 2);  // at most the backend's own
    EXPECT_EQ(ThreadWindows(), afterFirst);
}

}  // namespace

#endif
