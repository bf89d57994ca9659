#pragma once

#include <functional>
#include <stdexcept>
#include <utility>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <thread>
#endif

namespace TenvikTest {

// Runs a function on a thread of its own, which `join` (or, at the latest, the destructor)
// waits for. The Windows build's C++ runtime has no std::thread, so there the thread is one
// of the system's own.
class TestThread {
public:
    explicit TestThread(std::function<void()> function) : body(std::move(function)) { start(); }
    ~TestThread() { join(); }
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;

    void join() {
#if defined(_WIN32)
        if (handle != nullptr) {
            WaitForSingleObject(handle, INFINITE);
            CloseHandle(handle);
            handle = nullptr;
        }
#else
        if (thread.joinable()) {
            thread.join();
        }
#endif
    }

private:
#if defined(_WIN32)
    void start() {
        handle = CreateThread(nullptr, 0, &run, this, 0, nullptr);
        if (handle == nullptr) {
            throw std::runtime_error("CreateThread failed");
        }
    }

    static DWORD WINAPI run(void* self) {
        static_cast<TestThread*>(self)->body();
        return 0;
    }

    HANDLE handle = nullptr;
#else
    void start() { thread = std::thread(body); }

    std::thread thread;
#endif

    std::function<void()> body;
};

}  // namespace TenvikTest
