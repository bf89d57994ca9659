#include "processes/ProcessManager.h"

#include <cctype>

#include "common/Log.h"
#include "processes/CommandWords.h"
#include "processes/ITenvikSDK.h"

namespace Tenvik {

ProcessManager::ProcessManager(ITenvikSDK* ownerSdk) : owner(ownerSdk) { registerProcesses(); }

void ProcessManager::registerProcesses() { processIdsByName = CommandWords::table(); }

void ProcessManager::setContext(void* hostContext) { context = hostContext; }

void ProcessManager::didReceivePayload(const std::string& name, const std::string& payload) {
    deliverPayload(name, reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
}

void ProcessManager::deliverPayload(std::string_view name, const uint8_t* data, size_t size) {
    if (payloadCallback == nullptr) {
        logLine(LogDebug, "ProcessManager::didReceivePayload - callback is null");
        return;
    }
    // The callback wants a NUL-terminated name; names are short, so this stays in the
    // string's own storage.
    const std::string terminatedName(name);
    try {
        payloadCallback(context, terminatedName.c_str(), data, size);
    } catch (...) {
        logLine(LogWarning, "ProcessManager::didReceivePayload - exception in payload callback");
    }
}

void ProcessManager::didReceiveSession(const Session& session) {
    if (owner != nullptr) {
        owner->didReceiveSession(session);
    }
}

void ProcessManager::pushPendingProcess(const std::string& command) {
    size_t begin = 0;
    while (begin < command.size() && std::isspace(static_cast<unsigned char>(command[begin]))) {
        ++begin;
    }
    if (begin == command.size()) {
        return;
    }
    size_t end = command.find(' ', begin);
    if (end == std::string::npos) {
        end = command.size();
    }
    std::string word = command.substr(begin, end - begin);
    for (char& c : word) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const auto found = processIdsByName.find(word);
    if (found == processIdsByName.end()) {
        return;
    }
    if (pendingProcessIds.size() >= MaxPendingProcesses) {
        pendingProcessIds.pop_front();
    }
    pendingProcessIds.push_back(found->second);
}

std::string ProcessManager::popPendingProcessName() {
    if (pendingProcessIds.empty()) {
        return "system";
    }
    const ProcessID oldest = pendingProcessIds.front();
    pendingProcessIds.pop_front();
    return std::string(CommandWords::answerName(oldest));
}

}  // namespace Tenvik
