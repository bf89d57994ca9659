#pragma once

#include <string>
#include <vector>

#include "tenvik_sdk.h"

namespace TenvikTest {

struct LogLine {
    int level;
    std::string text;
    bool operator==(const LogLine&) const = default;
};

// Collects the library's log lines through the public log callback. Install it after the
// last TenvikSDK_create, since creation switches logging off.
class LogRecorder {
public:
    void install() { TenvikSDK_set_log_callback(&LogRecorder::record, this); }
    static void uninstall() { TenvikSDK_set_log_callback(nullptr, nullptr); }

    const std::vector<LogLine>& lines() const { return recorded; }
    void clear() { recorded.clear(); }
    bool contains(const std::string& text) const {
        for (const auto& line : recorded) {
            if (line.text == text) {
                return true;
            }
        }
        return false;
    }
    void* lastContext = nullptr;

private:
    static void record(void* context, int level, const char* text) {
        auto* self = static_cast<LogRecorder*>(context);
        self->lastContext = context;
        self->recorded.push_back({level, text});
    }
    std::vector<LogLine> recorded;
};

}  // namespace TenvikTest
