#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "common/FirmwareVersion.h"
#include "processes/Collect.h"
#include "processes/Dump.h"
#include "processes/Log.h"
#include "processes/Memory.h"
#include "processes/Ping.h"
#include "processes/ProcessID.h"
#include "processes/ProcessManagerDelegate.h"
#include "processes/Set.h"
#include "processes/System.h"
#include "processes/SystemDelegate.h"
#include "processes/Update.h"
#include "tenvik_sdk.h"

namespace Tenvik {

class ISyncProcess;
class ITenvikSDK;

// Mirror of the processes running in the device firmware. Holds one handler per known process
// type, each with the PID of its running instance, and routes every device message to the
// handler whose PID it carries. The system process reports the instances the firmware creates
// and ends; PIDs of types without a handler pass through to the host as "Shell". Hands named
// payloads to the host's payload callback and keeps the queue of unanswered protocol-2
// commands, so that each answer can be named after the command it answers.
class ProcessManager final : public ProcessManagerDelegate, private SystemDelegate {
public:
    // Most commands that wait for an answer at once; a further one pushes out the oldest.
    static constexpr size_t MaxPendingProcesses = 8;
    // Process types 0 to 8 have a handler.
    static constexpr size_t HandlerCount = 9;

    // `owner` receives the sessions of the collect process; `sync` is the synchronisation
    // process, kept by the owner and outliving this object.
    ProcessManager(ITenvikSDK* owner, ISyncProcess& sync);

    ProcessManager(const ProcessManager&) = delete;
    ProcessManager& operator=(const ProcessManager&) = delete;

    // Once, before the first message: the synchronisation process, the collect process's
    // session format and the user-event clock, from the firmware's settings.
    void configure(uint8_t headerSize, int32_t packetSize, int32_t dataVersion,
                   const FirmwareVersion& firmware, int32_t userEventTimestampMode,
                   int32_t syncMode, int32_t signalCountKind);
    void setContext(void* hostContext);

    void setPayloadCallback(TenvikSDK_PayloadCallback callback) { payloadCallback = callback; }
    void setUserEventCallback(TenvikSDK_TimeCallback callback) { userEventCallback = callback; }

    // Stored in the synchronisation process, unchanged.
    void setSyncStateCallback(TenvikSDK_IntCallback callback);
    void setSyncProgressCallback(TenvikSDK_ProgressCallback callback);
    void setPastEcgCallback(TenvikSDK_TimedFloatCallback callback);
    void setPastRespirationCallback(TenvikSDK_TimedFloatCallback callback);
    void setPastTemperatureCallback(TenvikSDK_TimedFloatCallback callback);
    void setPastHeartRateCallback(TenvikSDK_TimedUInt32Callback callback);
    void setPastActivityCallback(TenvikSDK_TimedUInt32Callback callback);
    void setPastRespirationRateCallback(TenvikSDK_TimedUInt32Callback callback);
    void setPastStepsCallback(TenvikSDK_TimedUInt64Callback callback);

    // One complete device message with its PID and the options of its transport package.
    void process(const uint8_t* data, uint16_t size, uint16_t pid, uint64_t options);

    // ProcessManagerDelegate
    void didReceivePayload(std::string_view name, std::string_view payload) override;
    void didReceiveSession(const Session& session) override;

    // The same delivery for bytes the caller already holds, without copying them. An empty
    // payload (`data` may then be null) reaches the host as a readable pointer and size 0.
    void deliverPayload(std::string_view name, const uint8_t* data, size_t size);

    // SystemDelegate: reported by the system process only (and called directly by tests).
    void createProcess(ProcessID processId, uint16_t pid) override;
    void killProcess(ProcessID processId, uint16_t pid) override;
    // Also reached by user events of a replayed session, so that both go to one callback.
    void didReceiveUserEvent(uint64_t timestamp) override;

    // The PID of the running instance named by the first word of `command` (up to its first
    // space, taken as it is), or 0 when the word names no running process.
    int32_t fetchPid(const std::string& command) const;

    // Queues the process type named by the first word of a text command (the word ends at the
    // first space); words that name no process queue nothing.
    void pushPendingProcess(const std::string& command);
    // The answer name of the oldest queued command, or "system" when none waits.
    std::string popPendingProcessName();

    size_t pendingProcessCount() const { return pendingProcessIds.size(); }
    // The PID a handler holds, -1 when it is stopped; -1 for a type without a handler.
    int32_t pidOf(ProcessID processId) const;
    const Collect& getCollect() const { return collect; }
    const System& getSystem() const { return system; }

private:
    void registerProcesses();
    void deliver(const char* name, const uint8_t* data, size_t size);
    static bool hasHandler(ProcessID processId);
    Process* handlerOf(ProcessID processId) const;

    TenvikSDK_PayloadCallback payloadCallback = nullptr;
    TenvikSDK_TimeCallback userEventCallback = nullptr;
    // The handler of each type, indexed by type; the lowest type wins a shared PID.
    std::array<Process*, HandlerCount> processes{};
    ISyncProcess* sync;
    void* context = nullptr;
    ITenvikSDK* owner;
    std::map<std::string, ProcessID, std::less<>> processIdsByName;
    std::deque<ProcessID> pendingProcessIds;
    std::set<uint16_t> passthroughPids;
    Dump dump;
    Set set;
    Ping ping;
    Memory memory;
    Log log;
    Collect collect;
    System system;
    Update update;
};

}  // namespace Tenvik
