#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace TenvikTest {

// Every way of cutting a message into non-empty chunks whose first chunk holds at least
// `firstMin` bytes, with at most `maxCuts` cut points (use a large bound for all of them).
// Calls `visit` with the chunks of each way.
inline void forEachCut(const std::vector<uint8_t>& message, size_t firstMin, size_t maxCuts,
                       const std::function<void(const std::vector<std::vector<uint8_t>>&)>& visit) {
    std::vector<size_t> ends;
    std::function<void(size_t, size_t)> cutFrom = [&](size_t begin, size_t cutsLeft) {
        // The chunk starting at `begin` either runs to the end, or ends earlier at a cut.
        ends.push_back(message.size());
        std::vector<std::vector<uint8_t>> chunks;
        size_t start = 0;
        for (size_t end : ends) {
            chunks.emplace_back(message.begin() + static_cast<std::ptrdiff_t>(start),
                                message.begin() + static_cast<std::ptrdiff_t>(end));
            start = end;
        }
        visit(chunks);
        ends.pop_back();
        if (cutsLeft == 0) {
            return;
        }
        const size_t shortest = begin == 0 ? (firstMin > 0 ? firstMin : 1) : 1;
        for (size_t end = begin + shortest; end < message.size(); ++end) {
            ends.push_back(end);
            cutFrom(end, cutsLeft - 1);
            ends.pop_back();
        }
    };
    if (message.size() >= firstMin) {
        cutFrom(0, maxCuts);
    }
}

}  // namespace TenvikTest
