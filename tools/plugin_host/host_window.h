// The host's own windows: HostWindow, which answers and records the messages
// the module sends to the player, and the application window that owns the
// module's windows. Both live on the thread that created them (the host's
// user-interface thread); other threads reach that thread through Post.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace host {

// One message HostWindow received, with the answer it gave.
struct HostMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT answer = 0;
};

// "message=273 wParam=4002 lParam=0 answer=1"
std::string Describe(const HostMessage& record);

class HostWindows {
public:
    static constexpr UINT kStopPlayback = 4002;
    static constexpr UINT kResumePlayback = 4003;
    static constexpr UINT kAboutToApply = 2125;

    // How the application window shows: as a small window of its own (the
    // stand-in player), or only as a taskbar button carrying `title` (the
    // launcher), which brings the module's window to the front when clicked.
    enum class Look { Window, TaskbarButton };

    explicit HostWindows(const char* title = "sonrik-host", Look look = Look::Window);
    ~HostWindows();
    HostWindows(const HostWindows&) = delete;
    HostWindows& operator=(const HostWindows&) = delete;

    HWND Host() const { return host_; }
    // The player's application window; a second one stands in for the player
    // having made a new one, so a test can see the module's owner move.
    HWND Application(int index = 1) const { return index == 2 ? secondApplication_ : application_; }

    // The answer to WM_COMMAND 4002: 0 grants, anything else refuses.
    void SetStopAnswer(LRESULT answer);
    std::vector<HostMessage> Messages() const;

    // Runs `action` on the windows' thread, after the messages already
    // posted to it; callable from any thread. False when the thread's queue
    // took nothing (the windows are gone).
    bool Post(std::function<void()> action) const;
    // Ends the windows' thread message loop (from any thread).
    void PostQuit() const;

private:
    void Release() noexcept;
    static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Answer(UINT message, WPARAM wParam, LPARAM lParam);

    HWND host_ = nullptr;
    HWND application_ = nullptr;
    HWND secondApplication_ = nullptr;
    // Guards the answer and the record, which the script's thread reads.
    mutable CRITICAL_SECTION lock_;
    LRESULT stopAnswer_ = 0;
    std::vector<HostMessage> messages_;
};

}  // namespace host
