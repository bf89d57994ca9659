#pragma once

#include <array>
#include <cstdint>

#include "common/FirmwareVersion.h"
#include "common/Quaternion.h"
#include "common/Vector3.h"
#include "session/ISessionProcessor.h"
#include "signal/IPressureLeadOff.h"
#include "signal/MotionDetector.h"
#include "signal/PressureLeadOffDetector.h"
#include "tenvik_sdk.h"

namespace Tenvik {

class Session;

// Replays one recorded session as timed samples and state reports through its delegate: the
// records of each signal block are spread evenly over the session (user events, EDA and GPS
// records carry their own times), pressure records feed a contact detector of its own,
// activities are reported on change only, and unless told to skip it, the motion and
// orientation records run through a motion detector so that recorded movement raises the
// same events as live movement.
class SessionProcessor final : public IPressureLeadOff {
public:
    // `delegate` receives every sample and must outlive the processor.
    SessionProcessor(ISessionProcessor* delegate, int skipMotionAnalysis);
    SessionProcessor(const SessionProcessor&) = delete;
    SessionProcessor& operator=(const SessionProcessor&) = delete;

    // Delivers the whole session. `source` names the caller ("online", "sync") and changes
    // nothing. A session without both times is skipped: nothing is delivered.
    void sessionProcess(const Session& session, const char* source);

    // The host context, for this processor and its motion detector.
    void setContext(void* hostContext);
    void setMotionEventCallback(TenvikSDK_IntCallback callback);
    // The day offset: none for firmware after 3.7.75, one day for older or unknown firmware.
    // No record time applies it.
    void setFirmwareVersion(const FirmwareVersion& firmware);

    MotionDetector& motionDetector() { return motion; }

    // IPressureLeadOff: the contact state goes on to the delegate unchanged.
    void didChangePressureLeadOff(int32_t state) override;

    uint64_t getTimestampStart() const { return timestampStart; }
    uint64_t getTimestampEnd() const { return timestampEnd; }
    int64_t getDayOffset() const { return dayOffset; }
    void* getContext() const { return context; }

private:
    static constexpr int kAccelerationCapacity = 64;
    static constexpr int kOrientationCapacity = 50;

    // The motion and orientation records of one session, paired up by the motion analysis
    // once every signal has been delivered.
    struct MotionRecords {
        std::array<Vector3, kAccelerationCapacity> accelerations{};
        std::array<Quaternion, kOrientationCapacity> quaternions{};
        std::array<Vector3, kOrientationCapacity> orientations{};
        int orientationCount = 0;
        int accelerationCount = 0;
    };

    // What one call of sessionProcess works on. It lives on that call's stack, so every
    // session starts with empty motion and orientation records and nothing of it outlasts it.
    struct Pass {
        uint64_t start = 0;
        uint64_t end = 0;
        MotionRecords motion;
    };

    void deliverSignals(const Session& session, Pass& pass);

    void parseEcg(const Pass& pass, const uint8_t* data, int size);
    void parseRespiration(const Pass& pass, const uint8_t* data, int size);
    void parseTemperature(const Pass& pass, const uint8_t* data, int size);
    void parseHeartRate(const Pass& pass, const uint8_t* data, int size);
    void parseRr(const Pass& pass, const uint8_t* data, int size);
    void parseSoundVolume(const Pass& pass, const uint8_t* data, int size);
    void parsePressure(const Pass& pass, const uint8_t* data, int size);
    void parseAccel(Pass& pass, const uint8_t* data, int size);
    void parseOrientation(Pass& pass, const uint8_t* data, int size);
    void parseActivity(const Pass& pass, const uint8_t* data, int size);
    void reportActivity(const Pass& pass, const uint8_t* data, int size);
    void parseSteps(const Pass& pass, const uint8_t* data, int size);
    void parseRespirationRate(const Pass& pass, const uint8_t* data, int size);
    void parseUserEvent(const uint8_t* data, int size);
    void parseBodyPosition(const Pass& pass, const uint8_t* data, int size);
    void parseSignal15(const Pass& pass, const uint8_t* data, int size);
    void parseEda(const uint8_t* data, int size);
    void parseGps(const uint8_t* data, int size);
    void analyzeMotion(const MotionRecords& records);

    ISessionProcessor* delegate;
    void* context = nullptr;
    uint64_t timestampStart = 0;
    uint64_t timestampEnd = 0;
    int64_t dayOffset = 0;
    uint32_t lastActivity = 0;  // no code maps to 0, so the first activity always reports
    int skipMotionAnalysis;
    MotionDetector motion;
    PressureLeadOffDetector pressureLeadOffDetector;
};

}  // namespace Tenvik
