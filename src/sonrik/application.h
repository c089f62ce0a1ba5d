// The module-wide application object: the owner of every editor window the
// module opens. Each opening call hands it the host's application window as
// the owner of the module's windows and a new window to keep; closing a
// window only hides it, and every window kept is destroyed when the module is
// unloaded, the most recently created first, each running its destroy
// handler (which writes the history file).
#pragma once

#include "ui/backend.h"

#include <functional>
#include <memory>
#include <vector>

namespace sonrik {

class Application {
public:
    Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    ~Application() { DestroyWindows(); }

    // The owner of the module's top-level windows; 0 until the first call.
    ui::WindowHandle OwnerWindow() const noexcept { return owner_; }
    void SetOwnerWindow(ui::WindowHandle window) noexcept { owner_ = window; }

    std::size_t WindowCount() const noexcept { return windows_.size(); }

    // One opening call: takes `appWindow` as the owner, keeps the window that
    // `make` builds, creates it, lets `prepare` set its fields (file name,
    // host window) and shows it modally; returns when it closes. No error
    // leaves this call: one raised while the window is built, created or
    // shown goes to the backend's error box, as the message loop does with
    // errors of the window's own handlers.
    void Open(ui::Backend& backend, ui::WindowHandle appWindow,
              const std::function<std::unique_ptr<ui::Form>()>& make,
              const std::function<void(ui::Form&)>& prepare) noexcept;

    // Destroys every window kept, newest first; each runs its destroy handler.
    // An error of one destroy handler does not keep the others from running.
    void DestroyWindows() noexcept;

private:
    ui::WindowHandle owner_ = 0;
    std::vector<std::unique_ptr<ui::Form>> windows_;
};

}  // namespace sonrik
