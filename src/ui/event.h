// Assignable event handlers, as the window descriptions name them
// (OnClick, OnChange, ...), and a scoped guard that detaches one for a while.
#pragma once

#include <functional>
#include <utility>

namespace sonrik::ui {

template <typename... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;

    Event& operator=(Handler handler)
    {
        handler_ = std::move(handler);
        return *this;
    }
    explicit operator bool() const { return static_cast<bool>(handler_); }

    void operator()(Args... args) const
    {
        if (handler_) handler_(std::forward<Args>(args)...);
    }

    // Detaches the handler until the guard goes out of scope.
    class [[nodiscard]] Detached {
    public:
        explicit Detached(Event& event) : event_(event), saved_(std::exchange(event.handler_, {})) {}
        ~Detached() { event_.handler_ = std::move(saved_); }
        Detached(const Detached&) = delete;
        Detached& operator=(const Detached&) = delete;

    private:
        Event& event_;
        Handler saved_;
    };

private:
    Handler handler_;
};

// `auto guard = Detach(V1UseID3v1.OnClick);`
template <typename... Args>
[[nodiscard]] typename Event<Args...>::Detached Detach(Event<Args...>& event)
{
    return typename Event<Args...>::Detached(event);
}

}  // namespace sonrik::ui
