// GoogleTest's Notification for the cross builds. Their compilers' thread
// model (cmake/mingw-common.cmake) has no std::mutex or condition variable,
// with which GoogleTest builds its own; this one waits on a system event.
// Included before everything else in the cross builds' test programs.
#pragma once

namespace testing::internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify();
    void WaitForNotification();

private:
    void* event_;
};

}  // namespace testing::internal

#define GTEST_HAS_NOTIFICATION_ 1
