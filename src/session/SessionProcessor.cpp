#include "session/SessionProcessor.h"

#include <algorithm>
#include <bit>

#include "common/ByteConverters.h"
#include "common/ByteOrder.h"
#include "common/Log.h"
#include "common/TimeUtils.h"
#include "session/RecordClock.h"
#include "session/Session.h"

namespace Tenvik {
namespace {

// Motion records are sampled at 56 Hz by the device while it records.
constexpr float kMotionSampleRate = 56.0f;
constexpr int64_t kOneDayMs = 86400000;

constexpr int kEcgRecord = 3;
constexpr int kRespirationRecord = 3;
constexpr int kTemperatureRecord = 2;
constexpr int kRrRecord = 2;
constexpr int kSoundVolumeRecord = 2;
constexpr int kPressureRecord = 4;
constexpr int kMotionRecord = 18;
constexpr int kOrientationRecord = 14;
constexpr int kStepsRecord = 4;
constexpr int kRespirationRateRecord = 2;
constexpr int kUserEventRecord = 8;
constexpr int kEdaRecord = 12;
constexpr int kGpsRecord = 32;
constexpr int kByteRecord = 1;

// Accelerometer counts: 4096 per g. The two further motion vectors count sixteenths, the
// orientation angles sixty-fourths of a degree.
constexpr float kAccelerationScale = 1.0f / 4096.0f;
constexpr float kMotionVectorScale = 1.0f / 16.0f;
constexpr float kAngleScale = 1.0f / 64.0f;

// A signed 16-bit big-endian field as an exact float.
float signed16(const uint8_t* bytes) { return decodeInt32Q16(bytes[0], bytes[1], 0, 0); }

// A signed 16-bit big-endian field x 2^-14, the quaternion scale.
float quaternionPart(const uint8_t* bytes) { return decodeInt32Q30(bytes[0], bytes[1], 0, 0); }



float loadBeFloat(const uint8_t* bytes) { return std::bit_cast<float>(loadBe32(bytes)); }

Vector3 vectorAt(const uint8_t* bytes, float scale) {
    return {signed16(bytes) * scale, signed16(bytes + 2) * scale, signed16(bytes + 4) * scale};
}

// A block that is not a whole number of records is dropped whole, with a line naming the
// parser and the size.
bool holdsWholeRecords(int size, int recordSize, const char* sizeText) {
    if (size % recordSize == 0) {
        return true;
    }
    logLine(LogInfo, sizeText, size);
    return false;
}

// Calls deliver(record, time) for each record of a block, its time spread over the session.
template <typename Deliver>
void forEachTimedRecord(uint64_t start, uint64_t end, const uint8_t* data, int size, int recordSize,
                        const char* sizeText, Deliver deliver) {
    if (!holdsWholeRecords(size, recordSize, sizeText)) {
        return;
    }
    const auto records = static_cast<uint32_t>(size / recordSize);
    const RecordClock clock(start, end, records);
    for (uint32_t i = 0; i < records; ++i) {
        deliver(data + static_cast<size_t>(i) * static_cast<size_t>(recordSize), clock.timeOf(i));
    }
}

// Calls deliver(record) for each record of a block whose records carry their own times.
template <typename Deliver>
void forEachRecord(const uint8_t* data, int size, int recordSize, const char* sizeText,
                   Deliver deliver) {
    if (!holdsWholeRecords(size, recordSize, sizeText)) {
        return;
    }
    for (int at = 0; at < size; at += recordSize) {
        deliver(data + at);
    }
}

}  // namespace

SessionProcessor::SessionProcessor(ISessionProcessor* sessionDelegate, int skipMotion)
    : delegate(sessionDelegate), skipMotionAnalysis(skipMotion), pressureLeadOffDetector(this) {}

void SessionProcessor::setContext(void* hostContext) {
    context = hostContext;
    motion.setContext(hostContext);
}

void SessionProcessor::setMotionEventCallback(TenvikSDK_IntCallback callback) {
    motion.setEventCallback(callback);
}

void SessionProcessor::setFirmwareVersion(const FirmwareVersion& firmware) {
    const bool newer = firmware.compare(FirmwareVersion::fromText("3.7.75")) > 0;
    dayOffset = newer ? 0 : kOneDayMs;
}

void SessionProcessor::didChangePressureLeadOff(int32_t state) {
    delegate->didReceivePressureLeadOff(state);
}

// A session reaches a processor only through the link, which holds back a chunk fed from inside
// a callback until the chunk in progress is done: no session is replayed inside another on the
// same processor, so its detectors are never fed from inside their own reports (the motion
// detector moves its posture and plank state on after an event). What a host feeds to the live
// characteristics meanwhile goes to the live decoders, whose detectors are their own.
void SessionProcessor::sessionProcess(const Session& session, const char* /*source*/) {
    timestampStart = session.getTimestampStart();
    timestampEnd = session.getTimestampEnd();
    if (timestampStart == 0 || timestampEnd == 0) {
        logLine(LogWarning,
                "SessionProcessor.sessionProcess: skipping session with invalid timestamps");
        return;
    }
    if (logEnabled()) {
        char start[kTimestampTextSize];
        char end[kTimestampTextSize];
        logLine(LogInfo, "SessionProcessor.sessionProcess ",
                formatTimestamp(timestampStart, true, start), " endDate=",
                formatTimestamp(timestampEnd, true, end));
    }
    Pass pass;
    pass.start = timestampStart;
    pass.end = timestampEnd;
    delegate->didReceiveWearState(session.getWearState());
    deliverSignals(session, pass);
    if (skipMotionAnalysis == 0) {
        analyzeMotion(pass.motion);
    }
}

void SessionProcessor::deliverSignals(const Session& session, Pass& pass) {
    const auto block = [&session](SessionSignal signal) -> const ByteBuffer& {
        return session.signal(signal);
    };
    const auto data = [&](SessionSignal signal) { return block(signal).data(); };
    const auto size = [&](SessionSignal signal) {
        return static_cast<int>(block(signal).length());
    };
    using enum SessionSignal;
    parseEcg(pass, data(ecg), size(ecg));
    parseRespiration(pass, data(respiration), size(respiration));
    parseTemperature(pass, data(temperature), size(temperature));
    parseHeartRate(pass, data(heartRate), size(heartRate));
    parseRr(pass, data(rr), size(rr));
    parseSoundVolume(pass, data(soundVolume), size(soundVolume));
    parsePressure(pass, data(pressure), size(pressure));
    parseAccel(pass, data(motion), size(motion));
    parseOrientation(pass, data(orientation), size(orientation));
    parseActivity(pass, data(activity), size(activity));
    parseSteps(pass, data(steps), size(steps));
    parseRespirationRate(pass, data(respirationRate), size(respirationRate));
    parseUserEvent(data(userEvents), size(userEvents));
    parseBodyPosition(pass, data(bodyPosition), size(bodyPosition));
    parseSignal15(pass, data(signal15), size(signal15));
    parseEda(data(eda), size(eda));
    parseGps(data(gps), size(gps));
}

void SessionProcessor::parseEcg(const Pass& pass, const uint8_t* data, int size) {
    forEachTimedRecord(pass.start, pass.end, data, size, kEcgRecord,
                       "SessionProcessor.parseEcg size: ", [this](const uint8_t* r, uint64_t t) {
                           delegate->didReceiveEcg(decodeInt24Q24(r[2], r[1], r[0]), t);
                       });
}

void SessionProcessor::parseRespiration(const Pass& pass, const uint8_t* data, int size) {
    forEachTimedRecord(
        pass.start, pass.end, data, size, kRespirationRecord,
        "SessionProcessor.parseRespiration size: ", [this](const uint8_t* r, uint64_t t) {
            delegate->didReceiveRespiration(decodeInt24Q10(r[2], r[1], r[0]), t);
        });
}

void SessionProcessor::parseTemperature(const Pass& pass, const uint8_t* data, int size) {
    // Hundredths of a degree.
    forEachTimedRecord(
        pass.start, pass.end, data, size, kTemperatureRecord,
        "SessionProcessor.parseTemperature size: ", [this](const uint8_t* r, uint64_t t) {
            delegate->didReceiveTemperature(static_cast<float>(loadLe16(r)) / 100.0f, t);
        });
}

void SessionProcessor::parseHeartRate(const Pass& pass, const uint8_t* data, int size) {
    forEachTimedRecord(
        pass.start, pass.end, data, size, kByteRecord, "",
        [this](const uint8_t* r, uint64_t t) { delegate->didReceiveHeartRate(*r, t); });
}

void SessionProcessor::parseRr(const Pass& pass, const uint8_t* data, int size) {
    forEachTimedRecord(pass.start, pass.end, data, size, kRrRecord,
                       "SessionProcessor.parseRr size: ", [this](const uint8_t* r, uint64_t t) {
                           delegate->didReceiveRr(loadLe16(r), t);
                       });
}

void SessionProcessor::parseSoundVolume(const Pass& pass, const uint8_t* data, int size) {
    forEachTimedRecord(
        pass.start, pass.end, data, size, kSoundVolumeRecord,
        "SessionProcessor.parseSoundVolume size: ", [this](const uint8_t* r, uint64_t t) {
            delegate->didReceiveSoundVolume(loadBe16(r), t);
        });
}

// The contact detector sees each record before the host does, so a change of contact arrives
// ahead of the pressure value that caused it.
void SessionProcessor::parsePressure(const Pass& pass, const uint8_t* data, int size) {
    forEachTimedRecord(
        pass.start, pass.end, data, size, kPressureRecord,
        "SessionProcessor.parsePressure size: ", [this](const uint8_t* r, uint64_t t) {
            const uint32_t value = loadBe32(r);
            pressureLeadOffDetector.update(static_cast<int32_t>(value));
            delegate->didReceivePressure(value, t);
        });
}

void SessionProcessor::parseAccel(Pass& pass, const uint8_t* data, int size) {
    MotionRecords& records = pass.motion;
    forEachTimedRecord(
        pass.start, pass.end, data, size, kMotionRecord,
        "SessionProcessor.parseAccel size: ", [this, &records](const uint8_t* r, uint64_t t) {
            const Vector3 acceleration = vectorAt(r, kAccelerationScale);
            if (records.accelerationCount < kAccelerationCapacity) {
                records.accelerations[static_cast<size_t>(records.accelerationCount++)] =
                    acceleration;
            }
            const Vector3 second = vectorAt(r + 6, kMotionVectorScale);
            const Vector3 third = vectorAt(r + 12, kMotionVectorScale);
            delegate->didReceiveAccelerometer(acceleration.x, acceleration.y, acceleration.z, t);
            delegate->didReceiveMotionVector2(second.x, second.y, second.z, t);
            delegate->didReceiveMotionVector3(third.x, third.y, third.z, t);
        });
}

// Records carry the quaternion scalar first; the detector's quaternion keeps it last.
void SessionProcessor::parseOrientation(Pass& pass, const uint8_t* data, int size) {
    MotionRecords& records = pass.motion;
    forEachTimedRecord(
        pass.start, pass.end, data, size, kOrientationRecord,
        "SessionProcessor.parseOrientation size: ", [this, &records](const uint8_t* r, uint64_t t) {
            const Vector3 angles = vectorAt(r, kAngleScale);
            const float w = quaternionPart(r + 6);
            const float x = quaternionPart(r + 8);
            const float y = quaternionPart(r + 10);
            const float z = quaternionPart(r + 12);
            if (records.orientationCount < kOrientationCapacity) {
                const auto at = static_cast<size_t>(records.orientationCount++);
                records.orientations[at] = angles;
                records.quaternions[at] = Quaternion(x, y, z, w);
            }
            delegate->didReceiveOrientation(angles.x, angles.y, angles.z, t);
            delegate->didReceiveQuaternion(w, x, y, z, t);
        });
}

void SessionProcessor::parseActivity(const Pass& pass, const uint8_t* data, int size) {
    if (size > 0) {
        reportActivity(pass, data, size);
    }
}

// Only a change of activity is reported; the last one carries over to the next session.
void SessionProcessor::reportActivity(const Pass& pass, const uint8_t* data, int size) {
    forEachTimedRecord(pass.start, pass.end, data, size, kByteRecord, "",
                       [this](const uint8_t* r, uint64_t t) {
                           const uint32_t value = activityFromCode(*r);
                           if (value != lastActivity) {
                               lastActivity = value;
                               delegate->didReceiveActivity(value, t);
                           }
                       });
}

// The device counts steps in a signed 32-bit field.
void SessionProcessor::parseSteps(const Pass& pass, const uint8_t* data, int size) {
    forEachTimedRecord(
        pass.start, pass.end, data, size, kStepsRecord,
        "SessionProcessor.parseSteps size: ", [this](const uint8_t* r, uint64_t t) {
            const auto count = static_cast<int32_t>(decodeUInt32(r[3], r[2], r[1], r[0]));
            delegate->didReceiveSteps(static_cast<uint64_t>(static_cast<int64_t>(count)), t);
        });
}

void SessionProcessor::parseRespirationRate(const Pass& pass, const uint8_t* data, int size) {
    forEachTimedRecord(
        pass.start, pass.end, data, size, kRespirationRateRecord,
        "SessionProcessor.parseRespirationRate size: ", [this](const uint8_t* r, uint64_t t) {
            delegate->didReceiveRespirationRate(loadLe16(r), t);
        });
}

void SessionProcessor::parseUserEvent(const uint8_t* data, int size) {
    forEachRecord(data, size, kUserEventRecord, "SessionProcessor.parseUserEvent size: ",
                  [this](const uint8_t* r) { delegate->didReceiveUserEvent(loadLe64(r)); });
}

void SessionProcessor::parseBodyPosition(const Pass& pass, const uint8_t* data, int size) {
    forEachTimedRecord(
        pass.start, pass.end, data, size, kByteRecord, "", [this](const uint8_t* r, uint64_t t) {
            delegate->didReceiveBodyPosition(static_cast<uint32_t>(toBodyPosition(*r)), t);
        });
}

void SessionProcessor::parseSignal15(const Pass& pass, const uint8_t* data, int size) {
    forEachTimedRecord(
        pass.start, pass.end, data, size, kByteRecord, "",
        [this](const uint8_t* r, uint64_t t) { delegate->didReceiveSignal15(*r, t); });
}

void SessionProcessor::parseEda(const uint8_t* data, int size) {
    forEachRecord(data, size, kEdaRecord,
                  "SessionProcessor.parseEda size: ", [this](const uint8_t* r) {
                      delegate->didReceiveEda(loadBeFloat(r + 8), loadBe64(r));
                  });
}

void SessionProcessor::parseGps(const uint8_t* data, int size) {
    forEachRecord(
        data, size, kGpsRecord, "SessionProcessor.parseGps size: ", [this](const uint8_t* r) {
            delegate->didReceiveGps(loadBeFloat(r + 8), loadBeFloat(r + 12), loadBeFloat(r + 16),
                                    loadBeFloat(r + 20), loadBeFloat(r + 24), loadBeFloat(r + 28),
                                    loadBe64(r));
        });
}

// Pairs the i-th motion record with the i-th orientation record, as far as both go.
void SessionProcessor::analyzeMotion(const MotionRecords& records) {
    const int pairs = std::min(records.orientationCount, records.accelerationCount);
    for (int i = 0; i < pairs; ++i) {
        const auto at = static_cast<size_t>(i);
        const Vector3 linear = removeGravity(records.quaternions[at], records.accelerations[at]);
        motion.process(records.quaternions[at], linear, records.orientations[at],
                       kMotionSampleRate);
    }
}

}  // namespace Tenvik
