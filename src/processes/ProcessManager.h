#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>

#include "processes/ProcessID.h"
#include "processes/ProcessManagerDelegate.h"
#include "tenvik_sdk.h"

namespace Tenvik {

class ITenvikSDK;

// Mirror of the processes running in the device firmware. Hands named payloads to the host's
// payload callback and keeps the queue of unanswered protocol-2 commands, so that each answer
// can be named after the command it answers.
class ProcessManager final : public ProcessManagerDelegate {
public:
    // Most commands that wait for an answer at once; a further one pushes out the oldest.
    static constexpr size_t MaxPendingProcesses = 8;

    explicit ProcessManager(ITenvikSDK* owner = nullptr);

    ProcessManager(const ProcessManager&) = delete;
    ProcessManager& operator=(const ProcessManager&) = delete;

    void setPayloadCallback(TenvikSDK_PayloadCallback callback) { payloadCallback = callback; }
    void setContext(void* hostContext);

    // ProcessManagerDelegate
    void didReceivePayload(const std::string& name, const std::string& payload) override;
    void didReceiveSession(const Session& session) override;

    // The same delivery for bytes the caller already holds, without copying them.
    void deliverPayload(std::string_view name, const uint8_t* data, size_t size);

    // Queues the process type named by the first word of a text command (the word ends at the
    // first space); words that name no process queue nothing.
    void pushPendingProcess(const std::string& command);
    // The answer name of the oldest queued command, or "system" when none waits.
    std::string popPendingProcessName();

    size_t pendingProcessCount() const { return pendingProcessIds.size(); }

private:
    void registerProcesses();

    TenvikSDK_PayloadCallback payloadCallback = nullptr;
    void* context = nullptr;
    ITenvikSDK* owner = nullptr;
    std::map<std::string, ProcessID, std::less<>> processIdsByName;
    std::deque<ProcessID> pendingProcessIds;
};

}  // namespace Tenvik
