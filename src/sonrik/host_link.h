// The messages the editors send to the host player's window. They are sent
// synchronously; a host window of 0 receives nothing and every call gives 0.
#pragma once

#include "ui/backend.h"

#include <cstdint>
#include <string_view>

namespace sonrik {

namespace hostmsg {
inline constexpr unsigned Command = 273;   // WM_COMMAND
inline constexpr std::uintptr_t StopPlayback = 4002;
inline constexpr std::uintptr_t ResumePlayback = 4003;
inline constexpr unsigned AboutToApply = 2125;
// The caption of the questions both windows ask, in either language.
inline constexpr std::u8string_view QuestionCaption = u8"Tag editor";
}  // namespace hostmsg

class HostLink {
public:
    HostLink(ui::Backend& backend, ui::WindowHandle hostWindow) : backend_(backend), window_(hostWindow) {}

    // Asks the host to stop playing and release the file; true when it did
    // (answered 0).
    bool StopPlayback() const;
    // Tells the host it may play again; its answer is not read.
    void ResumePlayback() const;
    // Tells the host the list editor is about to rename or write files.
    void AboutToApply() const;

    ui::WindowHandle Window() const { return window_; }

private:
    ui::Backend& backend_;
    ui::WindowHandle window_;
};

}  // namespace sonrik
