#pragma once

// GoogleTest's customisation header, in place of its own (empty) one for a C++ runtime without
// std::mutex and std::condition_variable: MinGW's win32-threads flavour. GoogleTest keeps its
// Windows locks and threads there, but its Notification is written with the two; this one
// waits on a Windows event instead (Notification.cpp, built into GoogleTest's library). Only
// GoogleTest's own thread helpers use it.

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    // Lets every thread waiting now or later go on.
    void Notify();
    // Returns once Notify has been called.
    void WaitForNotification();

private:
    void* event;  // a manual-reset event's HANDLE
};

}  // namespace testing::internal
