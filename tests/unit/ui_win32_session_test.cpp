// A long session of the player in real windows: every window the module
// opens stays with the application object until unload, but gives its system
// windows back when it closes. Windows only (runs under Wine).
#ifdef _WIN32

#include "Main/tag_frm.h"
#include "Main_List/list_editor.h"
#include "sonrik/application.h"
#include "tagfrm_test_support.h"
#include "ui/win32/win32_backend.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace sonrik;
using namespace sonrik::testing;
using sonrik::ui::win32::Win32Backend;

namespace {

// The windows of this thread, top-level ones and all their children.
int ThreadWindows()
{
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM counter) {
            auto& n = *reinterpret_cast<int*>(counter);
            ++n;
            EnumChildWindows(
                window, [](HWND, LPARAM c) { return ++*reinterpret_cast<int*>(c), TRUE; }, counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// Closes the form as soon as its modal loop runs, noting how many windows
// the thread had while it was open.
void CloseWhenShown(const ui::Form& form, int& shownWindows)
{
    static const ui::Form* closing = nullptr;
    static int* noted = nullptr;
    closing = &form;
    noted = &shownWindows;
    SetTimer(nullptr, 0, 0, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        *noted = ThreadWindows();
        PostMessageW(Win32Backend::WindowOf(*closing), WM_CLOSE, 0, 0);
    });
}

TEST(PlayerSession, ClosedWindowsLeaveNoSystemWindowsBehind)
{
    constexpr int kOpenings = 20;
    TempDir dir;
    const std::string song = dir.file("song.mp3");
    WriteBytes(song, Audio(2000) + Record("Song", "Band"));
    NoStyles noStyles;
    widgets::StyleProbe probe{noStyles};
    Win32Backend backend;
    Application app;

    int before = ThreadWindows(), afterFirst = 0, editorShown = 0, listShown = 0;
    for (int i = 0; i < kOpenings; ++i) {
        app.Open(backend, 0, [&] { return std::make_unique<TATagFrm>(backend, probe, dir.file("Sonrik.dll")); },
                 [&](ui::Form& form) {
                     static_cast<TATagFrm&>(form).TargetFile = song;
                     CloseWhenShown(form, editorShown);
                 });
        app.Open(backend, 0, [&] { return std::make_unique<TAListEditor>(backend, dir.file("Sonrik.dll")); },
                 [&](ui::Form& form) { CloseWhenShown(form, listShown); });
        if (i == 0) afterFirst = ThreadWindows();
    }
    EXPECT_EQ(app.WindowCount(), 2u * kOpenings);
    EXPECT_GT(editorShown, before + 40) << "the editor had its windows while it was open";
    EXPECT_GT(listShown, before + 10);
    EXPECT_EQ(ThreadWindows(), afterFirst);
    EXPECT_LE(afterFirst, before + 2);  // at most the backend's own
}

}  // namespace

#endif
