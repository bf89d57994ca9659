#pragma once

namespace Tenvik {

// Marks the lines logged on this thread, for as long as the scope lives, as lines of one
// source (an instance whose call is running), which are dropped while that source's
// `silenced` flag is set. Scopes nest: a call into another source from inside a callback
// opens that source's scope, and its end brings the outer one back. The log callback stays
// one for the whole process; only the lines of a silenced source are held back from it.
class LogScope {
public:
    // The flag must outlive the scope.
    explicit LogScope(const bool& silenced) noexcept;
    ~LogScope();
    LogScope(const LogScope&) = delete;
    LogScope& operator=(const LogScope&) = delete;

    // Whether a line logged on this thread now belongs to a silenced source.
    static bool silenced() noexcept;

    // Makes this thread's record of its innermost scope now (see prepareThreadLogState).
    static void prepareThread() noexcept;

private:
    const bool* outer;
};

}  // namespace Tenvik
