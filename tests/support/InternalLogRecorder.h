#pragma once

#include <string>
#include <vector>

#include "common/Log.h"

namespace TenvikTest {

// Collects log lines of the internals directly (unit tests link the internals, not the export
// layer). Installs itself on construction and switches logging off again on destruction.
class InternalLogRecorder {
public:
    struct Line {
        int level;
        std::string text;
        bool operator==(const Line&) const = default;
    };

    InternalLogRecorder() { Tenvik::setLogCallback(&InternalLogRecorder::record, this); }
    ~InternalLogRecorder() { Tenvik::clearLogCallback(); }
    InternalLogRecorder(const InternalLogRecorder&) = delete;
    InternalLogRecorder& operator=(const InternalLogRecorder&) = delete;

    const std::vector<Line>& lines() const { return recorded; }
    void clear() { recorded.clear(); }
    bool contains(int level, const std::string& text) const {
        for (const Line& line : recorded) {
            if (line.level == level && line.text == text) {
                return true;
            }
        }
        return false;
    }

private:
    static void record(void* context, int level, const char* text) {
        static_cast<InternalLogRecorder*>(context)->recorded.push_back({level, text});
    }
    std::vector<Line> recorded;
};

}  // namespace TenvikTest
