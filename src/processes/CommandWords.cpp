#include "processes/CommandWords.h"

namespace Tenvik {

namespace {

struct CommandWord {
    const char* word;
    ProcessID processId;
    const char* answerName;
};

constexpr CommandWord commandWords[] = {
    {"system", ProcessSystem, "system"}, {"update", ProcessUpdate, "Update"},
    {"ping", ProcessPing, "Ping"},       {"set", ProcessSet, "Set"},
    {"memory", ProcessMemory, "Memtest"}, {"dump", ProcessDump, "Dump"},
    {"log", ProcessLog, "Log"},          {"sync", ProcessSync, "Sync"},
    {"collect", ProcessCollect, "Collect"},
};

}  // namespace

std::map<std::string, ProcessID, std::less<>> CommandWords::table() {
    std::map<std::string, ProcessID, std::less<>> words;
    for (const CommandWord& entry : commandWords) {
        words.emplace(entry.word, entry.processId);
    }
    return words;
}

std::string_view CommandWords::answerName(ProcessID processId) {
    for (const CommandWord& entry : commandWords) {
        if (entry.processId == processId) {
            return entry.answerName;
        }
    }
    return "system";
}

}  // namespace Tenvik
