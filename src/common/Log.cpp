#include "common/Log.h"

#include <atomic>
#include <deque>

#include "common/LogScope.h"
#include "common/Platform.h"

namespace Tenvik {
namespace {

// The pair behind a sequence count, odd while a writer is storing it. Readers retry until they
// read both halves under one even count; writers, rare (set, create, destroy), take turns on
// the count. Nobody blocks a reader for longer than two stores.
std::atomic<unsigned> logPairSequence{0};
std::atomic<LogCallback> logCallback{nullptr};
std::atomic<void*> logContext{nullptr};

struct LogPair {
    LogCallback callback;
    void* context;
};

LogPair readLogPair() noexcept {
    while (true) {
        const unsigned before = logPairSequence.load(std::memory_order_acquire);
        const LogPair pair{logCallback.load(std::memory_order_relaxed),
                           logContext.load(std::memory_order_relaxed)};
        std::atomic_thread_fence(std::memory_order_acquire);
        const unsigned after = logPairSequence.load(std::memory_order_relaxed);
        if (before == after && (before & 1u) == 0) {
            return pair;
        }
    }
}

// One buffer per depth of log callbacks running on this thread: the host's text stays valid
// for the whole of its callback, even when the callback makes the library log again. A deque
// never moves the buffers it holds.
struct ThreadLogBuffers {
    std::deque<std::string> buffers;
    std::size_t depth = 0;
};

std::string& bufferAtCurrentDepth(ThreadLogBuffers& thread) {
    while (thread.buffers.size() <= thread.depth) {
        thread.buffers.emplace_back();
    }
    return thread.buffers[thread.depth];
}

}  // namespace

void setLogCallback(LogCallback callback, void* context) noexcept {
    unsigned sequence = logPairSequence.load(std::memory_order_relaxed);
    while ((sequence & 1u) != 0 ||
           !logPairSequence.compare_exchange_weak(sequence, sequence + 1,
                                                  std::memory_order_relaxed)) {
        sequence = logPairSequence.load(std::memory_order_relaxed);
    }
    std::atomic_thread_fence(std::memory_order_release);
    logCallback.store(callback, std::memory_order_relaxed);
    logContext.store(context, std::memory_order_relaxed);
    logPairSequence.store(sequence + 2, std::memory_order_release);
}

void clearLogCallback() noexcept { setLogCallback(nullptr, nullptr); }

// A silenced source's lines cost no more than lines with logging off.
bool logEnabled() noexcept {
    return logCallback.load(std::memory_order_relaxed) != nullptr && !LogScope::silenced();
}

void prepareThreadLogState() noexcept {
#if TENVIK_EMULATED_THREAD_LOCAL
    LogScope::prepareThread();
    try {
        threadInstance<ThreadLogBuffers>();
    } catch (...) {
        // The buffers' storage is there; the first line builds them again.
    }
#endif
}

namespace detail {

std::string& beginLogLine() {
    std::string& buffer = bufferAtCurrentDepth(threadInstance<ThreadLogBuffers>());
    buffer.clear();
    return buffer;
}

void endLogLine(int level) {
    // Read the pair once: a callback cleared on another thread between a caller's test and
    // this call must not be called through null.
    const LogPair pair = readLogPair();
    // Every line passes here, so this one test holds back all lines of a silenced source.
    if (pair.callback == nullptr || LogScope::silenced()) {
        return;
    }
    ThreadLogBuffers& thread = threadInstance<ThreadLogBuffers>();
    const std::string& text = bufferAtCurrentDepth(thread);
    struct Depth {
        explicit Depth(std::size_t& count) : depth(count) { ++depth; }
        ~Depth() { --depth; }
        std::size_t& depth;
    } nested(thread.depth);
    pair.callback(pair.context, level, text.c_str());
}

}  // namespace detail

void logMessage(int level, std::string_view text) {
    detail::beginLogLine().assign(text);
    detail::endLogLine(level);
}

}  // namespace Tenvik
