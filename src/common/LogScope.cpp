#include "common/LogScope.h"

namespace Tenvik {
namespace {

// The flag of the innermost scope open on this thread; none outside every scope.
thread_local const bool* currentFlag = nullptr;

}  // namespace

LogScope::LogScope(const bool& silenced) noexcept : outer(currentFlag) { currentFlag = &silenced; }

LogScope::~LogScope() { currentFlag = outer; }

bool LogScope::silenced() noexcept { return currentFlag != nullptr && *currentFlag; }

void LogScope::prepareThread() noexcept {
    // Read through a volatile, so that the read, and the thread's copy, is not optimised away.
    const bool* volatile flag = currentFlag;
    static_cast<void>(flag);
}

}  // namespace Tenvik
