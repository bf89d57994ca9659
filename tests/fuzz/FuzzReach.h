#pragma once

#include <set>
#include <string>

// The reach check's record: the names of what the inputs replayed so far have reached (a
// decoder layout that accepted a value, a report that arrived, a call made from inside a
// report). Only a replay with a list to check switches it on; while fuzzing it records
// nothing and costs one test per call.
class FuzzReach {
public:
    static bool enabled() { return on; }
    static void enable() { on = true; }
    static void mark(const std::string& item);
    static const std::set<std::string>& reached() { return items; }

private:
    static inline bool on = false;
    static inline std::set<std::string> items;
};
