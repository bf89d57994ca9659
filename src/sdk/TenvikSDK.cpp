#include "sdk/TenvikSDK.h"

#include <cstring>
#include <string_view>

#include "common/ByteConverters.h"
#include "common/Forward.h"
#include "common/Log.h"
#include "common/TimeUtils.h"
#include "link/UnifiedBLEManager.h"
#include "sync/SyncStatus.h"

namespace Tenvik {

TenvikSDK::TenvikSDK(const FirmwareVersion& firmware)
    : dataConverter(firmware),
      receiver(this),
      processManager(this, sync),
      firmwareVersion(firmware),
      sessionProcessor(this, 0) {
    if (!firmware.valid) {
        logLine(LogError, "TenvikSDK::TenvikSDK: invalid firmware version, rejecting initialization");
        return;
    }
    const std::string firmwareText = firmware.toString();
    configureLegacyFraming();
    routeToProcessManager = dataConverter.getProcessRouting();
    processManager.configure(static_cast<uint8_t>(dataConverter.getSyncHeaderSize()),
                             dataConverter.getPacketSize(), dataConverter.getDataVersion(),
                             firmware, dataConverter.hasUserEventTimestamp() ? 1 : 0,
                             dataConverter.getSyncMode(), dataConverter.getSessionFormat());
    sessionProcessor.setFirmwareVersion(firmware);
    ensureUnifiedBLEManager(firmwareText);
}

TenvikSDK::~TenvikSDK() = default;

// The legacy Sender and Receiver carry no traffic, but take the header version, package size
// and sender mode that the firmware calls for.
void TenvikSDK::configureLegacyFraming() {
    const auto headerVersion = static_cast<uint8_t>(dataConverter.getLegacyProtocolVersion());
    const int packetSize = dataConverter.getPacketSize();
    sender.setProtocolVersion(headerVersion);
    receiver.setProtocolVersion(headerVersion);
    sender.setMaxPackageSize(packetSize);
    receiver.setCmdPackageSize(static_cast<uint32_t>(packetSize));
    sender.setMode(dataConverter.getSenderMode());
}

int TenvikSDK::getSessionFormat() const { return dataConverter.getSessionFormat(); }

// ---- Context and registration ------------------------------------------------------------

void TenvikSDK::setContext(void* hostContext) {
    context = hostContext;
    sessionProcessor.setContext(hostContext);
    dataConverter.setContext(hostContext);
    dataConverter.getSignalProcessor().motionDetector().setContext(hostContext);
    processManager.setContext(hostContext);
    bleContext = hostContext;
}

void TenvikSDK::requestDestroy() {
    destroyRequested = true;
    clearAllCallbacks();
}

// Through the registration operations themselves, so that every holder a registration reaches
// is cleared too.
void TenvikSDK::clearAllCallbacks() {
    initCallbacks(HostCallbacks{});
    initSynchronizationCallbacks(SynchronizationCallbacks{});
    setPayloadCallback(nullptr);
    setEdaCallback(nullptr);
    setGpsCallback(nullptr);
    setPastEdaCallback(nullptr);
    setPastGpsCallback(nullptr);
    setBLESendCallback(nullptr);
    setBLEReadyCallback(nullptr);
}

void TenvikSDK::initCallbacks(const HostCallbacks& callbacks) {
    dataConverter.setHostCallbacks(callbacks);
    dataConverter.getSignalProcessor().motionDetector().setEventCallback(
        callbacks.motionEventCallback);
    sessionProcessor.setMotionEventCallback(callbacks.motionEventCallback);
    processManager.setUserEventCallback(callbacks.userEventCallback);
}

// Nine of them reach the synchronisation process through the process manager, the others
// directly; each is stored where both transfer modes read it.
void TenvikSDK::initSynchronizationCallbacks(const SynchronizationCallbacks& callbacks) {
    processManager.setSyncStateCallback(callbacks.syncStateCallback);
    processManager.setSyncProgressCallback(callbacks.syncProgressCallback);
    processManager.setPastEcgCallback(callbacks.pastEcgCallback);
    processManager.setPastRespirationCallback(callbacks.pastRespirationCallback);
    processManager.setPastTemperatureCallback(callbacks.pastTemperatureCallback);
    processManager.setPastHeartRateCallback(callbacks.pastHeartRateCallback);
    sync.setPastRrCallback(callbacks.pastRrCallback);
    processManager.setPastActivityCallback(callbacks.pastActivityCallback);
    processManager.setPastRespirationRateCallback(callbacks.pastRespirationRateCallback);
    processManager.setPastStepsCallback(callbacks.pastStepsCallback);
    sync.setPastUserEventCallback(callbacks.pastUserEventCallback);
    sync.setPastSoundVolumeCallback(callbacks.pastSoundVolumeCallback);
    sync.setPastPressureCallback(callbacks.pastPressureCallback);
    sync.setPastAccelerometerCallback(callbacks.pastAccelerometerCallback);
    sync.setPastMotionVector2Callback(callbacks.pastMotionVector2Callback);
    sync.setPastQuaternionCallback(callbacks.pastQuaternionCallback);
    sync.setPastOrientationCallback(callbacks.pastOrientationCallback);
    sync.setPastMotionVector3Callback(callbacks.pastMotionVector3Callback);
    sync.setPastBodyPositionCallback(callbacks.pastBodyPositionCallback);
    sync.setPastSignal15Callback(callbacks.pastSignal15Callback);
}

void TenvikSDK::setPayloadCallback(TenvikSDK_PayloadCallback callback) {
    processManager.setPayloadCallback(callback);
}

void TenvikSDK::setEdaCallback(TenvikSDK_TimedFloatCallback callback) {
    dataConverter.setEdaCallback(callback);
}

void TenvikSDK::setGpsCallback(TenvikSDK_TimedGpsCallback callback) {
    dataConverter.setGpsCallback(callback);
}

void TenvikSDK::setPastEdaCallback(TenvikSDK_TimedFloatCallback callback) {
    sync.setPastEdaCallback(callback);
}

void TenvikSDK::setPastGpsCallback(TenvikSDK_TimedGpsCallback callback) {
    sync.setPastGpsCallback(callback);
}

void TenvikSDK::setBLESendCallback(TenvikSDK_BleSendCallback callback) {
    bleSendCallback = callback;
    if (unifiedBLEManager) {
        configureUnifiedBLEManagerCallbacks();
    }
}

void TenvikSDK::setBLEReadyCallback(TenvikSDK_BleReadyCallback callback) {
    bleReadyCallback = callback;
    if (unifiedBLEManager) {
        configureUnifiedBLEManagerCallbacks();
    }
}

// ---- Device link ---------------------------------------------------------------------------

void TenvikSDK::ensureUnifiedBLEManager(const std::string& firmwareText) {
    if (!unifiedBLEManager) {
        unifiedBLEManager = std::make_unique<UnifiedBLEManager>(0);
        if (!firmwareText.empty()) {
            unifiedBLEManager->setFirmwareVersion(firmwareText);
        }
    }
    configureUnifiedBLEManagerCallbacks();
}

void TenvikSDK::configureUnifiedBLEManagerCallbacks() {
    if (!unifiedBLEManager) {
        return;
    }
    // Each callable reads the host's callbacks and context when it runs, so a host that
    // replaces them sees the change from the next packet on.
    unifiedBLEManager->setCallbacks(
        [this](const uint8_t* data, int length) { sendToHost(data, length); },
        [this]() { signalReadyToHost(); },
        [this](const std::vector<uint8_t>& payload, uint16_t pid, uint64_t options,
               DataType type) { handleUnifiedBLEPackage(payload, pid, options, type); },
        [this](const std::string& message) { handleUnifiedBLEError(message); });
}

void TenvikSDK::sendToHost(const uint8_t* data, int length) {
    if (bleSendCallback == nullptr) {
        logLine(LogWarning, "UnifiedBLEManager attempted to send chunk but BLE send callback is null");
        return;
    }
    bleSendCallback(bleContext, data, length);
}

void TenvikSDK::signalReadyToHost() {
    if (bleReadyCallback != nullptr) {
        bleReadyCallback(bleContext);
    }
}

int TenvikSDK::linkProtocol() const {
    return unifiedBLEManager ? unifiedBLEManager->getProtocolVersion() : 0;
}

void TenvikSDK::processBLEChunk(const uint8_t* data, int size) {
    if (unifiedBLEManager) {
        unifiedBLEManager->processChunk(data, size);
    }
}

void TenvikSDK::sendPayload(const uint8_t* data, int size, int pid) {
    if (!unifiedBLEManager) {
        return;
    }
    if (pid < 0) {
        pid = 0;
    }
    const auto wirePid = static_cast<uint16_t>(pid);
    const bool textCommand = firmwareVersion.valid && firmwareVersion.major() >= 1 &&
                             firmwareVersion.major() <= 3 && wirePid == 0;
    // The size is judged before a byte of the command is read: a command that the link will
    // refuse is neither scanned nor queued, so no later answer is named after it.
    if (textCommand && linkProtocol() == 2 && unifiedBLEManager->payloadFits(data, size)) {
        queueTextCommand(data, size);
    }
    if (!unifiedBLEManager->sendBytes(data, size, wirePid, textCommand ? 0 : 1)) {
        logLine(LogWarning, "sendPayload: UnifiedBLEManager rejected payload (may be awaiting ACK)");
    }
}

void TenvikSDK::queueTextCommand(const uint8_t* data, int size) {
    if (data == nullptr || size <= 0) {
        return;
    }
    const auto* text = reinterpret_cast<const char*>(data);
    const auto* terminator = static_cast<const char*>(std::memchr(text, 0, static_cast<size_t>(size)));
    std::string_view command(text, terminator != nullptr ? static_cast<size_t>(terminator - text)
                                                         : static_cast<size_t>(size));
    constexpr std::string_view whiteSpace = " \t\n\v\f\r";
    const size_t first = command.find_first_not_of(whiteSpace);
    if (first == std::string_view::npos) {
        return;
    }
    command = command.substr(first, command.find_last_not_of(whiteSpace) - first + 1);
    std::string lowered(command);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    processManager.pushPendingProcess(lowered);
}

void TenvikSDK::handleUnifiedBLEPackage(const std::vector<uint8_t>& payload, uint16_t pid,
                                        uint64_t options, DataType type) {
    // Messages carry a 16-bit size onwards.
    const auto size = static_cast<uint16_t>(payload.size());
    if (linkProtocol() != 2) {
        receiveMessage(reinterpret_cast<const char*>(payload.data()), size, pid, options);
        return;
    }
    if (payload.empty()) {
        logLine(LogWarning, "handleUnifiedBLEPackage(V2): empty payload received");
        return;
    }
    std::string name = "system";
    if (type == ProcessData) {
        name = processManager.popPendingProcessName();
        if (name.empty()) {
            name = "system";
        }
    }
    processManager.deliverPayload(name, payload.data(), size);
}

void TenvikSDK::handleUnifiedBLEError(const std::string& message) {
    logLine(LogWarning, "UnifiedBLEManager error: ", message);
    processManager.didReceivePayload("system", "BLE_ERROR: " + message);
}

void TenvikSDK::receiveMessage(const char* data, uint16_t size, uint16_t pid,
                               uint64_t options) {
    if (routeToProcessManager != 0) {
        processManager.process(reinterpret_cast<const uint8_t*>(data), size, pid, options);
        return;
    }
    if (legacyMessageText(data, size) == "RECEIVED") {
        return;
    }
    switch (legacySyncState) {
        case legacySyncTransfer:
            sync.process(reinterpret_cast<const uint8_t*>(data), size, options);
            return;
        case legacySyncAwaitingStart:
            handleLegacyStartReply(reinterpret_cast<const uint8_t*>(data), size);
            return;
        case legacySyncAwaitingCount: handleLegacyCountReply(data, size); return;
        default: return;  // idle
    }
}

// The message as text: up to its first zero byte, never beyond its size.
std::string_view TenvikSDK::legacyMessageText(const char* data, uint16_t size) {
    if (data == nullptr || size == 0) {
        return {};
    }
    const auto* end = static_cast<const char*>(std::memchr(data, 0, size));
    return {data, end != nullptr ? static_cast<size_t>(end - data) : size};
}

// Only these two commands move the legacy path away from idle; nothing sends them today.
void TenvikSDK::checkLegacySyncCommand(const std::string& command) {
    if (legacySyncState != legacySyncIdle) {
        return;
    }
    if (command == "sync start") {
        legacySyncState = legacySyncAwaitingStart;
    } else if (command == "sync count") {
        legacySyncState = legacySyncAwaitingCount;
    }
}

namespace {

// What the host hears when the device answers a start with anything but "start".
constexpr int legacyStartRefusedState = 3;

}  // namespace

// The device answers a start with a "start" header: the transfer begins. Anything else ends
// the attempt. A reply too short to hold a header is refused and the path keeps waiting.
void TenvikSDK::handleLegacyStartReply(const uint8_t* data, uint16_t size) {
    if (data == nullptr || size < SyncReceiver::headerLayoutSize) {
        logLine(LogWarning,
                "TenvikSDK::handleLegacyStartReply: reply shorter than a sync header, size = ",
                size);
        return;
    }
    SyncHeader header;
    SyncReceiver::parseHeader(header, data);
    const TenvikSDK_IntCallback reportState = sync.getReceiver().getSyncStateCallback();
    if (SyncReceiver::classifyHeader(header) == SyncStatusStart) {
        if (reportState != nullptr) {
            reportState(context, SyncStateStarted);
        }
        legacySyncState = legacySyncTransfer;
        return;
    }
    legacySyncState = legacySyncIdle;
    if (reportState != nullptr) {
        reportState(context, legacyStartRefusedState);
    }
}

// The device answers a count request with a text whose first number counts bytes; the host
// hears thousands of them.
void TenvikSDK::handleLegacyCountReply(const char* data, uint16_t size) {
    legacySyncState = legacySyncIdle;
    const TenvikSDK_ProgressCallback reportProgress = sync.getReceiver().getSyncProgressCallback();
    if (reportProgress == nullptr) {
        return;
    }
    const std::string text(legacyMessageText(data, size));
    const int count = parseLeadingInteger(text.c_str());
    reportProgress(context, static_cast<uint32_t>(count) / 1000u, -1.0f);
}

void TenvikSDK::receiveMessage(const char* data, uint32_t length, uint16_t pid) {
    const uint32_t limited = length < 65535u ? length : 65535u;
    receiveMessage(data, static_cast<uint16_t>(limited), pid, uint64_t{0});
}

void TenvikSDK::didReceiveSession(const Session& session) {
    sessionProcessor.sessionProcess(session, "online");
}

// ---- Characteristic values ------------------------------------------------------------------

void TenvikSDK::processECGPackage(const uint8_t* data, int size) {
    dataConverter.processECGPackage(data, size, nowMs());
}
void TenvikSDK::processRespirationPackage(const uint8_t* data, int size) {
    dataConverter.processRespirationPackage(data, size, nowMs());
}
void TenvikSDK::processTemperaturePackage(const uint8_t* data, int size) {
    dataConverter.processTemperaturePackage(data, size, nowMs());
}
void TenvikSDK::processMotionPackage(const uint8_t* data, int size) {
    dataConverter.processMotionPackage(data, size, nowMs());
}
void TenvikSDK::processBatteryPackage(const uint8_t* data, int size) {
    dataConverter.processBatteryPackage(data, size);
}
void TenvikSDK::processActivityPackage(const uint8_t* data, int size) {
    dataConverter.processActivityPackage(data, size, nowMs());
}
void TenvikSDK::processStepsPackage(const uint8_t* data, int size) {
    dataConverter.processStepsPackage(data, size, nowMs());
}
void TenvikSDK::processOrientationPackage(const uint8_t* data, int size) {
    dataConverter.processOrientationPackage(data, size, nowMs());
}
void TenvikSDK::processHeartRatePackage(const uint8_t* data, int size) {
    dataConverter.processHeartRatePackage(data, size, nowMs());
}
void TenvikSDK::processHealthThermometerPackage(const uint8_t* data, int size) {
    dataConverter.processHealthThermometerPackage(data, size, nowMs());
}
void TenvikSDK::processSoundVolumePackage(const uint8_t* data, int size) {
    dataConverter.processSoundVolumePackage(data, size, nowMs());
}
void TenvikSDK::processNasalCannulaPackage(const uint8_t* data, int size) {
    dataConverter.processNasalCannulaPackage(data, size, nowMs());
}

// ---- Session samples to the host callbacks -----------------------------------------------------

void TenvikSDK::didReceiveEcg(float sample, uint64_t timestamp) {
    forward(dataCallbacks().ecgCallback, context, timestamp, sample);
}
void TenvikSDK::didReceiveRespiration(float sample, uint64_t timestamp) {
    forward(dataCallbacks().respirationCallback, context, timestamp, sample);
}
void TenvikSDK::didReceiveSteps(uint64_t steps, uint64_t timestamp) {
    forward(dataCallbacks().stepsCallback, context, timestamp, steps);
}
void TenvikSDK::didReceiveTemperature(float temperature, uint64_t timestamp) {
    forward(dataCallbacks().temperatureCallback, context, timestamp, temperature);
}
void TenvikSDK::didReceiveAccelerometer(float x, float y, float z, uint64_t timestamp) {
    forward(dataCallbacks().accelerometerCallback, context, timestamp, x, y, z);
}
void TenvikSDK::didReceiveMotionVector2(float x, float y, float z, uint64_t timestamp) {
    forward(dataCallbacks().motionVector2Callback, context, timestamp, x, y, z);
}
void TenvikSDK::didReceiveMotionVector3(float x, float y, float z, uint64_t timestamp) {
    forward(dataCallbacks().motionVector3Callback, context, timestamp, x, y, z);
}
void TenvikSDK::didReceiveQuaternion(float q0, float q1, float q2, float q3,
                                     uint64_t timestamp) {
    forward(dataCallbacks().quaternionCallback, context, timestamp, q0, q1, q2, q3);
}
void TenvikSDK::didReceiveOrientation(float angle0, float angle1, float angle2,
                                      uint64_t timestamp) {
    forward(dataCallbacks().orientationCallback, context, timestamp, angle0, angle1, angle2);
}
void TenvikSDK::didReceiveHeartRate(uint32_t beatsPerMinute, uint64_t timestamp) {
    forward(dataCallbacks().heartRateCallback, context, timestamp, beatsPerMinute);
}
void TenvikSDK::didReceiveRr(uint32_t interval, uint64_t timestamp) {
    forward(dataCallbacks().rrCallback, context, timestamp, interval);
}
void TenvikSDK::didReceiveRespirationRate(uint32_t rate, uint64_t timestamp) {
    forward(dataCallbacks().respirationRateCallback, context, timestamp, rate);
}
void TenvikSDK::didReceiveSoundVolume(uint16_t value, uint64_t timestamp) {
    forward(dataCallbacks().soundVolumeCallback, context, timestamp, value);
}
void TenvikSDK::didReceiveActivity(uint32_t activity, uint64_t timestamp) {
    forward(dataCallbacks().activityCallback, context, timestamp, activity);
}
void TenvikSDK::didReceivePressure(uint32_t value, uint64_t timestamp) {
    forward(dataCallbacks().pressureCallback, context, timestamp, value);
}
// One registration for both roads: user events of the system process and of a session.
void TenvikSDK::didReceiveUserEvent(uint64_t eventTime) {
    processManager.didReceiveUserEvent(eventTime);
}
void TenvikSDK::didReceiveBodyPosition(uint32_t bodyPosition, uint64_t timestamp) {
    forward(dataCallbacks().bodyPositionCallback, context, timestamp, bodyPosition);
}
// Only a listening host has its wear state recorded; the converter reports changes alone.
void TenvikSDK::didReceiveWearState(uint32_t state) {
    if (dataCallbacks().wearStateCallback != nullptr) {
        dataConverter.parseWearState(state);
    }
}
void TenvikSDK::didReceivePressureLeadOff(int state) {
    if (dataCallbacks().pressureLeadOffCallback != nullptr) {
        dataCallbacks().pressureLeadOffCallback(context, state);
    }
}
void TenvikSDK::didReceiveSignal15(uint8_t value, uint64_t timestamp) {
    forward(dataCallbacks().signal15Callback, context, timestamp, value);
}
void TenvikSDK::didReceiveEda(float value, uint64_t timestamp) {
    forward(dataCallbacks().edaCallback, context, timestamp, value);
}
void TenvikSDK::didReceiveGps(float v0, float v1, float v2, float v3, float v4, float v5,
                              uint64_t timestamp) {
    forward(dataCallbacks().gpsCallback, context, timestamp, v0, v1, v2, v3, v4, v5);
}

}  // namespace Tenvik
