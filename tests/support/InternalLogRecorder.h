#pragma once

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "common/Log.h"

namespace TenvikTest {

// Collects log lines straight from the internal log function, for unit tests that do not go
// through the shared library. Removes itself when destroyed.
class InternalLogRecorder {
public:
    struct Line {
        int level;
        std::string text;
        bool operator==(const Line&) const = default;
        friend void PrintTo(const Line& line, std::ostream* out) {
            *out << "{" << line.level << ", \"" << line.text << "\"}";
        }
    };

    InternalLogRecorder() { Tenvik::setLogCallback(&InternalLogRecorder::record, this); }
    ~InternalLogRecorder() { Tenvik::clearLogCallback(); }
    InternalLogRecorder(const InternalLogRecorder&) = delete;
    InternalLogRecorder& operator=(const InternalLogRecorder&) = delete;

    const std::vector<Line>& lines() const { return recorded; }
    void clear() { recorded.clear(); }
    // Whether this exact line arrived at this level.
    bool contains(int level, const std::string& text) const {
        return std::any_of(recorded.begin(), recorded.end(), [&](const Line& line) {
            return line.level == level && line.text == text;
        });
    }

private:
    static void record(void* context, int level, const char* text) {
        static_cast<InternalLogRecorder*>(context)->recorded.push_back({level, text});
    }
    std::vector<Line> recorded;
};

}  // namespace TenvikTest
