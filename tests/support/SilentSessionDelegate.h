#pragma once

#include <bit>
#include <cstdint>

#include "session/ISessionProcessor.h"

namespace TenvikTest {

// A session delegate that keeps nothing but a count and a checksum of what it receives: no
// allocation, and nothing for the compiler to leave out. For benchmarks, allocation tests and
// fuzzing.
class SilentSessionDelegate final : public Tenvik::ISessionProcessor {
public:
    uint64_t samples = 0;
    uint64_t checksum = 0;

    void didReceiveEcg(float v, uint64_t t) override { take(t, v); }
    void didReceiveRespiration(float v, uint64_t t) override { take(t, v); }
    void didReceiveSteps(uint64_t v, uint64_t t) override { take(t, v); }
    void didReceiveTemperature(float v, uint64_t t) override { take(t, v); }
    void didReceiveAccelerometer(float x, float y, float z, uint64_t t) override {
        take(t, x, y, z);
    }
    void didReceiveMotionVector2(float x, float y, float z, uint64_t t) override {
        take(t, x, y, z);
    }
    void didReceiveMotionVector3(float x, float y, float z, uint64_t t) override {
        take(t, x, y, z);
    }
    void didReceiveQuaternion(float a, float b, float c, float d, uint64_t t) override {
        take(t, a, b, c, d);
    }
    void didReceiveOrientation(float a, float b, float c, uint64_t t) override { take(t, a, b, c); }
    void didReceiveHeartRate(uint32_t v, uint64_t t) override { take(t, v); }
    void didReceiveRr(uint32_t v, uint64_t t) override { take(t, v); }
    void didReceiveRespirationRate(uint32_t v, uint64_t t) override { take(t, v); }
    void didReceiveSoundVolume(uint16_t v, uint64_t t) override { take(t, v); }
    void didReceiveActivity(uint32_t v, uint64_t t) override { take(t, v); }
    void didReceivePressure(uint32_t v, uint64_t t) override { take(t, v); }
    void didReceiveUserEvent(uint64_t t) override { take(t); }
    void didReceiveBodyPosition(uint32_t v, uint64_t t) override { take(t, v); }
    void didReceiveWearState(uint32_t v) override { take(0, v); }
    void didReceivePressureLeadOff(int v) override { take(0, static_cast<uint32_t>(v)); }
    void didReceiveSignal15(uint8_t v, uint64_t t) override { take(t, v); }
    void didReceiveEda(float v, uint64_t t) override { take(t, v); }
    void didReceiveGps(float a, float b, float c, float d, float e, float f, uint64_t t) override {
        take(t, a, b, c, d, e, f);
    }

private:
    static uint64_t bits(float value) { return std::bit_cast<uint32_t>(value); }
    static uint64_t bits(uint64_t value) { return value; }
    static uint64_t bits(uint32_t value) { return value; }
    static uint64_t bits(uint16_t value) { return value; }
    static uint64_t bits(uint8_t value) { return value; }

    template <typename... Values>
    void take(uint64_t timestamp, Values... values) {
        ++samples;
        checksum = checksum * 31 + timestamp;
        ((checksum = checksum * 31 + bits(values)), ...);
    }
};

}  // namespace TenvikTest
