#pragma once

#include <algorithm>
#include <string>

#include "InternalLogRecorder.h"

namespace TenvikTest {

// Whether the recorder holds this exact line at this level.
inline bool hasLogLine(const InternalLogRecorder& log, int level, const std::string& text) {
    const auto& lines = log.lines();
    return std::any_of(lines.begin(), lines.end(), [&](const InternalLogRecorder::Line& line) {
        return line.level == level && line.text == text;
    });
}

}  // namespace TenvikTest
