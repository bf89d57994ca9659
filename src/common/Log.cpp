#include "common/Log.h"

#include <atomic>

namespace Tenvik {
namespace {

// Plain process-wide state in intent; atomics only so that a host which sets the callback
// on one thread while another logs does not read a torn pointer.
std::atomic<LogCallback> logCallback{nullptr};
std::atomic<void*> logContext{nullptr};

// Holds the text handed to the host until the next line on the same thread.
thread_local std::string logBuffer;

}  // namespace

void setLogCallback(LogCallback callback, void* context) noexcept {
    logCallback.store(callback, std::memory_order_relaxed);
    logContext.store(context, std::memory_order_relaxed);
}

void clearLogCallback() noexcept { setLogCallback(nullptr, nullptr); }

bool logEnabled() noexcept { return logCallback.load(std::memory_order_relaxed) != nullptr; }

void logMessage(int level, const std::string& text) {
    // Read the pair once: a callback cleared on another thread between a caller's test and
    // this call must not be called through null.
    const LogCallback callback = logCallback.load(std::memory_order_relaxed);
    void* const context = logContext.load(std::memory_order_relaxed);
    if (callback == nullptr) {
        return;
    }
    logBuffer = text;
    callback(context, level, logBuffer.c_str());
}

}  // namespace Tenvik
