#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/FirmwareVersion.h"
#include "decoding/DataConverter.h"
#include "link/DataType.h"
#include "link/Receiver.h"
#include "link/Sender.h"
#include "processes/ProcessManager.h"
#include "common/HostCallbacks.h"
#include "session/ISessionProcessor.h"
#include "session/SessionProcessor.h"
#include "processes/ITenvikSDK.h"
#include "link/LegacyITenvikSDK.h"
#include "common/SynchronizationCallbacks.h"
#include "sync/Sync.h"

namespace Tenvik {

class UnifiedBLEManager;

// One instance per connected device: owns every component, wires them from the firmware
// revision at construction, and is the delegate the components report to.
class TenvikSDK : public ITenvikSDK, public Legacy::ITenvikSDK, public ISessionProcessor {
public:
    explicit TenvikSDK(const FirmwareVersion& firmware);
    ~TenvikSDK() override;

    TenvikSDK(const TenvikSDK&) = delete;
    TenvikSDK& operator=(const TenvikSDK&) = delete;

    // ITenvikSDK
    void receiveMessage(const char* data, uint16_t size, uint16_t pid,
                        uint64_t options) override;
    void didReceiveSession(const Session& session) override;

    // Legacy::ITenvikSDK
    void receiveMessage(const char* data, uint32_t length, uint16_t pid) override;

    // ISessionProcessor: session samples forwarded to the host callbacks.
    void didReceiveEcg(float sample, uint64_t timestamp) override;
    void didReceiveRespiration(float sample, uint64_t timestamp) override;
    void didReceiveSteps(uint64_t steps, uint64_t timestamp) override;
    void didReceiveTemperature(float temperature, uint64_t timestamp) override;
    void didReceiveAccelerometer(float x, float y, float z, uint64_t timestamp) override;
    void didReceiveMotionVector2(float x, float y, float z, uint64_t timestamp) override;
    void didReceiveMotionVector3(float x, float y, float z, uint64_t timestamp) override;
    void didReceiveQuaternion(float q0, float q1, float q2, float q3,
                              uint64_t timestamp) override;
    void didReceiveOrientation(float angle0, float angle1, float angle2,
                               uint64_t timestamp) override;
    void didReceiveHeartRate(uint32_t beatsPerMinute, uint64_t timestamp) override;
    void didReceiveRr(uint32_t interval, uint64_t timestamp) override;
    void didReceiveRespirationRate(uint32_t rate, uint64_t timestamp) override;
    void didReceiveSoundVolume(uint16_t value, uint64_t timestamp) override;
    void didReceiveActivity(uint32_t activity, uint64_t timestamp) override;
    void didReceivePressure(uint32_t value, uint64_t timestamp) override;
    void didReceiveUserEvent(uint64_t eventTime) override;
    void didReceiveBodyPosition(uint32_t bodyPosition, uint64_t timestamp) override;
    void didReceiveWearState(uint32_t state) override;
    void didReceivePressureLeadOff(int state) override;
    void didReceiveSignal15(uint8_t value, uint64_t timestamp) override;
    void didReceiveEda(float value, uint64_t timestamp) override;
    void didReceiveGps(float v0, float v1, float v2, float v3, float v4, float v5,
                       uint64_t timestamp) override;

    // Context fan-out to every holder of a host context.
    void setContext(void* hostContext);

    // Host calls in progress on this instance. Every export that acts on the instance runs
    // between beginHostCall and endHostCall, so that a host callback may destroy the instance
    // it was called from: the destroy then waits until the outermost call has returned.
    void beginHostCall() { ++hostCallDepth; }
    // True when the outermost call has just returned and the host destroyed the instance
    // during it: the caller deletes it now.
    bool endHostCall() { return --hostCallDepth == 0 && destroyRequested; }
    bool isInsideHostCall() const { return hostCallDepth > 0; }
    // A destroy from inside one of the instance's own calls. Every callback is cleared, so
    // nothing more reaches the host, and every later export on the instance does nothing.
    void requestDestroy();
    bool isDestroyRequested() const { return destroyRequested; }
    // Set by a destroy: the log scope of every call on the instance holds its lines back with
    // it, so a destroyed instance reports nothing more, not even a log line.
    const bool& silencedFlag() const { return destroyRequested; }

    // Switches off every callback the instance and its components hold. Every component that
    // keeps a host callback must be reached from here (see requestDestroy).
    void clearAllCallbacks();

    // Callback registration.
    void initCallbacks(const HostCallbacks& callbacks);
    void initSynchronizationCallbacks(const SynchronizationCallbacks& callbacks);
    void setPayloadCallback(TenvikSDK_PayloadCallback callback);
    void setEdaCallback(TenvikSDK_TimedFloatCallback callback);
    void setGpsCallback(TenvikSDK_TimedGpsCallback callback);
    void setPastEdaCallback(TenvikSDK_TimedFloatCallback callback);
    void setPastGpsCallback(TenvikSDK_TimedGpsCallback callback);
    void setBLESendCallback(TenvikSDK_BleSendCallback callback);
    void setBLEReadyCallback(TenvikSDK_BleReadyCallback callback);

    // Device link entry points.
    void processBLEChunk(const uint8_t* data, int size);
    void sendPayload(const uint8_t* data, int size, int pid);

    // Characteristic entry points: stamped with the wall clock at the call.
    void processECGPackage(const uint8_t* data, int size);
    void processRespirationPackage(const uint8_t* data, int size);
    void processTemperaturePackage(const uint8_t* data, int size);
    void processMotionPackage(const uint8_t* data, int size);
    void processBatteryPackage(const uint8_t* data, int size);
    void processActivityPackage(const uint8_t* data, int size);
    void processStepsPackage(const uint8_t* data, int size);
    void processOrientationPackage(const uint8_t* data, int size);
    void processHeartRatePackage(const uint8_t* data, int size);
    void processHealthThermometerPackage(const uint8_t* data, int size);
    void processSoundVolumePackage(const uint8_t* data, int size);
    void processNasalCannulaPackage(const uint8_t* data, int size);

    const FirmwareVersion& getFirmwareVersion() const { return firmwareVersion; }
    void* getContext() const { return context; }
    int getSessionFormat() const;
    int getRouteToProcessManager() const { return routeToProcessManager; }
    const Sender& getSender() const { return sender; }
    const Receiver& getReceiver() const { return receiver; }
    const ProcessManager& getProcessManager() const { return processManager; }

    // The legacy synchronisation path of firmware whose messages bypass the process manager:
    // idle until a synchronisation command is seen, then waiting for the device's reply to a
    // start or to a count request, or passing a transfer to the synchronisation process.
    enum LegacySyncState : int {
        legacySyncTransfer = 0,
        legacySyncAwaitingStart = 1,
        legacySyncAwaitingCount = 2,
        legacySyncIdle = 3,
    };
    void checkLegacySyncCommand(const std::string& command);
    void handleLegacyStartReply(const uint8_t* data, uint16_t size);
    void handleLegacyCountReply(const char* data, uint16_t size);
    int getLegacySyncState() const { return legacySyncState; }
    const Sync& getSync() const { return sync; }
    const SessionProcessor& getSessionProcessor() const { return sessionProcessor; }

private:
    void configureLegacyFraming();
    static std::string_view legacyMessageText(const char* data, uint16_t size);
    // The host's data callbacks, kept by the converter for live and session values alike.
    const DataConverter::Callbacks& dataCallbacks() const { return dataConverter.getCallbacks(); }
    // The device link: created once, its four callbacks lead back into this object.
    void ensureUnifiedBLEManager(const std::string& firmwareText);
    void configureUnifiedBLEManagerCallbacks();
    void handleUnifiedBLEPackage(const std::vector<uint8_t>& payload, uint16_t pid,
                                 uint64_t options, DataType type);
    void handleUnifiedBLEError(const std::string& message);
    void sendToHost(const uint8_t* data, int length);
    void signalReadyToHost();
    void queueTextCommand(const uint8_t* data, int size);
    int linkProtocol() const;

    int legacySyncState = legacySyncIdle;
    DataConverter dataConverter;
    void* context = nullptr;
    Sender sender;
    Receiver receiver;
    int routeToProcessManager = 0;
    std::unique_ptr<UnifiedBLEManager> unifiedBLEManager;
    // Built before the process manager that routes to it, and destroyed after it.
    Sync sync;
    ProcessManager processManager;
    FirmwareVersion firmwareVersion;
    TenvikSDK_BleSendCallback bleSendCallback = nullptr;
    TenvikSDK_BleReadyCallback bleReadyCallback = nullptr;
    void* bleContext = nullptr;

    int hostCallDepth = 0;
    bool destroyRequested = false;

    // Replays the sessions that the Collect process receives to the live callbacks; built
    // last, after everything its samples reach.
    SessionProcessor sessionProcessor;
};

}  // namespace Tenvik
