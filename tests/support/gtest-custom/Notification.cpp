#include "gtest/internal/custom/gtest-port.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>

namespace testing::internal {

Notification::Notification() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (event == nullptr) {
        std::abort();
    }
}

Notification::~Notification() { CloseHandle(event); }

void Notification::Notify() { SetEvent(event); }

void Notification::WaitForNotification() { WaitForSingleObject(event, INFINITE); }

}  // namespace testing::internal
