#include "processes/System.h"

#include <string>
#include <string_view>

#include "common/Log.h"
#include "common/ByteOrder.h"
#include "processes/ProcessManagerDelegate.h"
#include "processes/SystemDelegate.h"

namespace Tenvik {

namespace {

constexpr uint16_t MinimumMessageSize = 4;

uint16_t pidField(const uint8_t* message) { return loadLe16(message + 1); }
// The process type is a signed byte: 0x80 to 0xFF are the dynamic types -128 to -1.
ProcessID processIdField(const uint8_t* message) {
    return static_cast<ProcessID>(static_cast<int8_t>(message[3]));
}

// "ProcessID=5, PID=258", or "ProcessID=dynamic(-1, raw=255), PID=9" for a dynamic type.
void logReport(const char* prefix, const uint8_t* message) {
    const auto processId = static_cast<int32_t>(processIdField(message));
    if (processId < 0) {
        logLine(LogDebug, prefix, "ProcessID=dynamic(", processId,
                ", raw=", static_cast<unsigned>(message[3]), "), PID=", pidField(message));
    } else {
        logLine(LogDebug, prefix, "ProcessID=", processId, ", PID=", pidField(message));
    }
}

}  // namespace

System::System(SystemDelegate* delegateOfSystem) : systemDelegate(delegateOfSystem) {}

void System::process(const uint8_t* data, uint16_t size, uint64_t /*options*/) {
    if (data == nullptr || size < MinimumMessageSize) {
        logLine(LogWarning, "System::process - invalid payload (size=", size, ")");
        return;
    }
    // The bytes stay as they are during the reports: messages reach a process only through the
    // link, which holds back a chunk fed from inside a callback until this one is done.
    const uint8_t* bytes = data;
    switch (static_cast<SystemInformation>(bytes[0])) {
        case SystemInformation::createSuccess:
            reportCreated(bytes);
            break;
        case SystemInformation::createFailure:
            logLine(LogWarning, "SystemInformation::createFailure");
            break;
        case SystemInformation::killSuccess:
            reportKilled(bytes);
            break;
        case SystemInformation::killFailure:
            logLine(LogWarning, "SystemInformation::killFailure");
            break;
        case SystemInformation::userEvent:
            reportUserEvent(bytes, size);
            break;
        default:
            logUnknownKind(bytes, size);
            break;
    }
    if (delegate != nullptr) {
        delegate->didReceivePayload("System",
                                    std::string_view(reinterpret_cast<const char*>(data), size));
    }
}

void System::reportCreated(const uint8_t* message) {
    const ProcessID processId = processIdField(message);
    const uint16_t createdPid = pidField(message);
    if (createdPid == 0 && processId == ProcessSystem) {
        logLine(LogDebug, "SystemInformation::createSuccess - system process confirmed (PID=0)");
    } else {
        logReport("SystemInformation::createSuccess - ", message);
    }
    systemDelegate->createProcess(processId, createdPid);
}

void System::reportKilled(const uint8_t* message) {
    logReport("SystemInformation::killSuccess - ", message);
    systemDelegate->killProcess(processIdField(message), pidField(message));
}

void System::reportUserEvent(const uint8_t* message, uint16_t size) {
    const uint64_t timestamp = eventClock.userEventTimestamp(message, size);
    logLine(LogDebug, "SystemInformation::userEvent - timestamp=", timestamp);
    systemDelegate->didReceiveUserEvent(timestamp);
}

void System::logUnknownKind(const uint8_t* message, uint16_t size) {
    if (!logEnabled()) {
        return;
    }
    static constexpr char hexDigits[] = "0123456789abcdef";
    std::string bytes;
    bytes.reserve(static_cast<size_t>(size) * 3);
    for (uint16_t i = 0; i < size; ++i) {
        if (i > 0) {
            bytes.push_back(' ');
        }
        bytes.push_back(hexDigits[message[i] >> 4]);
        bytes.push_back(hexDigits[message[i] & 0x0F]);
    }
    logLine(LogWarning, "SystemInformation::unknown status=", static_cast<unsigned>(message[0]),
            " (size=", size, ") pidField=", pidField(message),
            " processIdField=", static_cast<unsigned>(message[3]), " bytes=[", bytes, "]");
}

}  // namespace Tenvik
