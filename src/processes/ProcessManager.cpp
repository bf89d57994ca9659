#include "processes/ProcessManager.h"

#include <cctype>

#include "common/Log.h"
#include "common/Platform.h"
#include "processes/CommandWords.h"
#include "processes/ISyncProcess.h"
#include "processes/ITenvikSDK.h"

namespace Tenvik {

ProcessManager::ProcessManager(ITenvikSDK* ownerSdk, ISyncProcess& syncProcess)
    : sync(&syncProcess), owner(ownerSdk), system(this) {
    registerProcesses();
}

// The system process runs from the start with PID 0; every other handler waits for the
// firmware's create report.
void ProcessManager::registerProcesses() {
    processIdsByName = CommandWords::table();
    processes = {&system, &update, &ping, &set, &memory, &dump, &log, sync, &collect};
    for (Process* handler : processes) {
        handler->pid = -1;
        handler->delegate = this;
    }
    system.pid = 0;
}

void ProcessManager::configure(uint8_t headerSize, int32_t packetSize, int32_t dataVersion,
                               const FirmwareVersion& firmware, int32_t userEventTimestampMode,
                               int32_t syncMode, int32_t signalCountKind) {
    sync->configure(headerSize, static_cast<uint32_t>(packetSize),
                    static_cast<uint32_t>(dataVersion), firmware, static_cast<uint32_t>(syncMode),
                    static_cast<uint32_t>(signalCountKind));
    collect.setSignalCount(signalCountKind);
    system.clock().setMode(userEventTimestampMode);
}

void ProcessManager::setContext(void* hostContext) {
    context = hostContext;
    sync->setContext(hostContext);
}

// ---- Synchronisation callbacks ---------------------------------------------------------------

void ProcessManager::setSyncStateCallback(TenvikSDK_IntCallback callback) {
    sync->setSyncStateCallback(callback);
}
void ProcessManager::setSyncProgressCallback(TenvikSDK_ProgressCallback callback) {
    sync->setSyncProgressCallback(callback);
}
void ProcessManager::setPastEcgCallback(TenvikSDK_TimedFloatCallback callback) {
    sync->setPastEcgCallback(callback);
}
void ProcessManager::setPastRespirationCallback(TenvikSDK_TimedFloatCallback callback) {
    sync->setPastRespirationCallback(callback);
}
void ProcessManager::setPastTemperatureCallback(TenvikSDK_TimedFloatCallback callback) {
    sync->setPastTemperatureCallback(callback);
}
void ProcessManager::setPastHeartRateCallback(TenvikSDK_TimedUInt32Callback callback) {
    sync->setPastHeartRateCallback(callback);
}
void ProcessManager::setPastActivityCallback(TenvikSDK_TimedUInt32Callback callback) {
    sync->setPastActivityCallback(callback);
}
void ProcessManager::setPastRespirationRateCallback(TenvikSDK_TimedUInt32Callback callback) {
    sync->setPastRespirationRateCallback(callback);
}
void ProcessManager::setPastStepsCallback(TenvikSDK_TimedUInt64Callback callback) {
    sync->setPastStepsCallback(callback);
}

// ---- Routing ---------------------------------------------------------------------------------

void ProcessManager::process(const uint8_t* data, uint16_t size, uint16_t pid, uint64_t options) {
    logLine(LogDebug, "ProcessManager::process - PID: ", pid);
    // The 16-bit PID widens without sign, so no message matches a stopped handler's -1.
    for (Process* handler : processes) {
        if (handler->pid == static_cast<int32_t>(pid)) {
            handler->process(data, size, options);
            return;
        }
    }
    if (passthroughPids.count(pid) != 0) {
        logLine(LogDebug, "ProcessManager::process - passthrough payload for unknown PID: ", pid);
        // Unchanged, without a terminator.
        deliverPayload("Shell", data, size);
        return;
    }
    logLine(LogDebug, "ProcessManager::process - no matching process for PID: ", pid);
}

bool ProcessManager::hasHandler(ProcessID processId) {
    return processId >= 0 && static_cast<size_t>(processId) < HandlerCount;
}

Process* ProcessManager::handlerOf(ProcessID processId) const {
    return hasHandler(processId) ? processes[static_cast<size_t>(processId)] : nullptr;
}

int32_t ProcessManager::pidOf(ProcessID processId) const {
    const Process* handler = handlerOf(processId);
    return handler != nullptr ? handler->pid : -1;
}

// ---- Instances created and ended by the firmware ----------------------------------------------

void ProcessManager::createProcess(ProcessID processId, uint16_t pid) {
    const auto type = static_cast<int32_t>(processId);
    if (!hasHandler(processId)) {
        if (processId == ProcessUnknown || type < 0) {
            logLine(LogDebug, "ProcessManager::createProcess - unknown process type (ProcessID=",
                    type, ")");
        } else {
            logLine(LogWarning, "ProcessManager::createProcess - ProcessID=", type,
                    " not found in map");
        }
        if (pid != 0) {
            passthroughPids.insert(pid);
            logLine(LogDebug, "ProcessManager::createProcess - registered unknown PID passthrough=",
                    pid);
        }
        return;
    }
    Process* handler = handlerOf(processId);
    if (handler == nullptr) {
        logLine(LogWarning, "ProcessManager::createProcess - Process pointer is null for ProcessID=",
                type);
        return;
    }
    if (handler->pid == -1) {
        logLine(LogDebug, "ProcessManager::createProcess setting PID ", pid, " for process ", type);
        handler->pid = pid;
        if (pid == 0 && processId != ProcessSystem) {
            logLine(LogWarning,
                    "ProcessManager::createProcess - WARNING: Firmware assigned PID=0 to "
                    "non-system process ID=",
                    type, ". This might indicate a firmware issue.");
        }
        return;
    }
    if (processId == ProcessSystem && pid == 0) {
        logLine(LogDebug,
                "ProcessManager::createProcess - system process already initialized with PID=0");
        handler->pid = 0;
        return;
    }
    logLine(LogDebug, "ProcessManager::createProcess - ProcessID=", type, " already exists with PID=",
            handler->pid, ". Firmware is creating new instance with PID=", pid);
    // The old instance hands its data to the host while it still holds its PID.
    handler->onKilled();
    handler->pid = pid;
}

// A kill report for a known type always stops its handler, whatever PID it names.
void ProcessManager::killProcess(ProcessID processId, uint16_t pid) {
    const auto type = static_cast<int32_t>(processId);
    logLine(LogDebug, "ProcessManager::killProcess called for process ID: ", type);
    if (hasHandler(processId)) {
        Process* handler = handlerOf(processId);
        if (handler == nullptr) {
            logLine(LogWarning,
                    "ProcessManager::killProcess - Process pointer is null for ProcessID=", type);
            return;
        }
        // Stopped before it ends, so that no message reaches it from inside onKilled.
        const int32_t old = handler->pid;
        handler->pid = -1;
        logLine(LogDebug, "ProcessManager::killProcess calling onKilled() for process ID: ", type);
        handler->onKilled();
        logLine(LogDebug, "ProcessManager::killProcess completed for process ID: ", type,
                " (PID reset from ", old, " to -1)");
        return;
    }
    if (processId == ProcessUnknown || type < 0) {
        logLine(LogDebug, "ProcessManager::killProcess - unknown process type (ProcessID=", type,
                ")");
    } else {
        logLine(LogWarning, "ProcessManager::killProcess - ProcessID=", type, " not found in map");
    }
    if (pid != 0) {
        passthroughPids.erase(pid);
        logLine(LogDebug, "ProcessManager::killProcess - removed unknown PID passthrough=", pid);
    }
}

void ProcessManager::didReceiveUserEvent(uint64_t timestamp) {
    if (userEventCallback != nullptr) {
        userEventCallback(context, timestamp);
    }
}

int32_t ProcessManager::fetchPid(const std::string& command) const {
    const std::string_view word = std::string_view(command).substr(0, command.find(' '));
    const auto found = processIdsByName.find(word);
    const Process* handler = found != processIdsByName.end() ? handlerOf(found->second) : nullptr;
    if (handler == nullptr || handler->pid == -1) {
        logLine(LogDebug, "ProcessManager fetchPid not found or pid=-1");
        return 0;
    }
    logLine(LogDebug, "ProcessManager fetchPid found pid: ", static_cast<uint16_t>(handler->pid));
    return handler->pid;
}

// ---- Deliveries ------------------------------------------------------------------------------

void ProcessManager::didReceivePayload(std::string_view name, std::string_view payload) {
    deliverPayload(name, reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
}

void ProcessManager::deliverPayload(std::string_view name, const uint8_t* data, size_t size) {
    // The callback wants a NUL-terminated name; names are short, so this stays in the
    // string's own storage.
    const std::string terminatedName(name);
    static constexpr uint8_t noBytes = 0;
    const bool hasBytes = data != nullptr && size > 0;
    deliver(terminatedName.c_str(), hasBytes ? data : &noBytes, hasBytes ? size : 0);
}

TENVIK_CATCHES_THREAD_CANCELLATION
void ProcessManager::deliver(const char* name, const uint8_t* data, size_t size) {
    if (payloadCallback == nullptr) {
        logLine(LogDebug, "ProcessManager::didReceivePayload - callback is null");
        return;
    }
    try {
        payloadCallback(context, name, data, size);
    } TENVIK_PASS_THREAD_CANCELLATION catch (...) {
        logLine(LogWarning, "ProcessManager::didReceivePayload - exception in payload callback");
    }
}

void ProcessManager::didReceiveSession(const Session& session) {
    if (owner != nullptr) {
        owner->didReceiveSession(session);
    }
}

// ---- Protocol-2 command queue ------------------------------------------------------------------

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
