#include "sonrik/application.h"

#include "text/text.h"

#include <exception>

namespace sonrik {

namespace {

void ReportError(ui::Backend& backend, std::u8string_view message) noexcept
{
    try {
        backend.ErrorBox(ui::ErrorBoxText(message));
    } catch (...) {
        // Nothing may cross into the host, not even a failing error box.
    }
}

}  // namespace

void Application::Open(ui::Backend& backend, ui::WindowHandle appWindow,
                       const std::function<std::unique_ptr<ui::Form>()>& make,
                       const std::function<void(ui::Form&)>& prepare) noexcept
{
    try {
        SetOwnerWindow(appWindow);
        windows_.push_back(make());
        ui::Form& form = *windows_.back();
        form.Create();
        prepare(form);
        form.ShowModal(owner_);
    } catch (const std::exception& error) {
        ReportError(backend, text::AsUtf8(error.what()));  // every message is UTF-8
    } catch (...) {
        ReportError(backend, u8"Unknown error");
    }
}

void Application::DestroyWindows() noexcept
{
    while (!windows_.empty()) {
        std::unique_ptr<ui::Form> form = std::move(windows_.back());
        windows_.pop_back();
        if (!form) continue;
        try {
            form->Destroy();
        } catch (...) {
            // The next window still gets to write what it holds.
        }
        form.reset();
    }
}

}  // namespace sonrik
