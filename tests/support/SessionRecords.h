#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "HostCallbackRecorder.h"
#include "SessionFrames.h"

namespace TenvikTest {

// Records of recorded sessions, written out byte by byte in the layouts the device records
// them in, and what a replay of them delivers.
namespace SessionRecords {

using Bytes = std::vector<uint8_t>;
// The 18 signal blocks of a session, in serialized order.
using Blocks = std::array<Bytes, 18>;

enum Signal : size_t {
    Ecg = 0,
    Respiration = 1,
    Temperature = 2,
    HeartRate = 3,
    Rr = 4,
    SoundVolume = 5,
    Pressure = 6,
    Reserved = 7,
    Motion = 8,
    Orientation = 9,
    Activity = 10,
    Steps = 11,
    RespirationRate = 12,
    UserEvents = 13,
    BodyPosition = 14,
    Signal15 = 15,
    Eda = 16,
    Gps = 17,
};

// The serialized session with all 18 blocks.
inline Bytes serialized(uint64_t start, uint64_t end, uint8_t wearState, const Blocks& blocks) {
    SessionFrame frame(start, end, wearState);
    for (const Bytes& block : blocks) {
        frame.block(block);
    }
    return frame.data();
}

inline Blocks onlyBlock(size_t signal, Bytes records) {
    Blocks blocks;
    blocks[signal] = std::move(records);
    return blocks;
}

inline Bytes be64(uint64_t value) {
    Bytes out;
    for (int i = 7; i >= 0; --i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    return out;
}

inline Bytes le64(uint64_t value) {
    Bytes out;
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    return out;
}

inline Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// One session with records of every kind, recorded from `start` (the user event, EDA and GPS
// records carry times of their own, 250, 123 and 456 ms after it).
inline Blocks everyKind(uint64_t start) {
    Blocks b;
    // Signed 24-bit little-endian: 0x800000 = -2^23, 0x7FFFFF = 2^23 - 1.
    b[Ecg] = {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F};
    // 0x000400 = 1024, 0xFE0000 = -131072; x 2^-10.
    b[Respiration] = {0x00, 0x04, 0x00, 0x00, 0x00, 0xFE};
    b[Temperature] = {0x2C, 0x0B};  // 2860 hundredths
    b[HeartRate] = {72, 180};
    b[Rr] = {0x01, 0x02};           // little-endian 513
    b[SoundVolume] = {0x01, 0x02};  // big-endian 258
    b[Pressure] = {0x00, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    b[Reserved] = {0xDE, 0xAD, 0xBE, 0xEF};
    // Accelerometer 4096, -2048, 2048 (4096 per g); then sixteenths 16, -32, 8; then
    // 0x7FFF, 0x8000, 0.
    b[Motion] = {0x10, 0x00, 0xF8, 0x00, 0x08, 0x00, 0x00, 0x10, 0xFF,
                 0xE0, 0x00, 0x08, 0x7F, 0xFF, 0x80, 0x00, 0x00, 0x00};
    // Angles 64, -128, 5760 (sixty-fourths); quaternion w 0x4000, x 0, y 0, z 0xE000 (2^-14).
    b[Orientation] = {0x00, 0x40, 0xFF, 0x80, 0x16, 0x80, 0x40,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x00};
    b[Activity] = {4, 4, 2};
    // All bits set, widened from bit 31; then 10000.
    b[Steps] = {0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0x27, 0x00, 0x00};
    b[RespirationRate] = {0x0F, 0x00};
    b[UserEvents] = le64(start + 250);
    b[BodyPosition] = {3, 7};
    b[Signal15] = {200};
    b[Eda] = join({be64(start + 123), {0x3F, 0xC0, 0x00, 0x00}});  // 1.5
    // 1, -2, 0.5, 100.25, 0, 3.
    b[Gps] = join({be64(start + 456),
                   {0x3F, 0x80, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00,
                    0x42, 0xC8, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x40, 0x00, 0x00}});
    return b;
}

// What everyKind(start) with wear state 2 delivers over one second from `start`, in delivery
// order. Record i of n falls at start + trunc(float(i) x float(1000) / float(n)): 500 ms apart
// for two records, 0, 333 and 666 ms for three.
inline std::vector<HostEvent> everyKindEvents(uint64_t start) {
    const uint64_t s = start;
    return {
        {"wear_state", 0, {2}},
        {"ecg", s, {-0.5}},
        {"ecg", s + 500, {8388607.0 / 16777216.0}},
        {"respiration", s, {1.0}},
        {"respiration", s + 500, {-128.0}},
        {"temperature", s, {static_cast<double>(28.6f)}},
        {"heart_rate", s, {72}},
        {"heart_rate", s + 500, {180}},
        {"rr", s, {513}},
        {"sound_volume", s, {258}},
        // A fresh contact detector reports its first state before the first value.
        {"pressure_lead_off", 0, {3}},
        {"pressure", s, {256}},
        {"pressure", s + 500, {4294967295.0}},
        {"accelerometer", s, {1.0, -0.5, 0.5}},
        {"motion_vector2", s, {1.0, -2.0, 0.5}},
        {"motion_vector3", s, {2047.9375, -2048.0, 0.0}},
        {"orientation", s, {1.0, -2.0, 90.0}},
        {"quaternion", s, {1.0, 0.0, 0.0, -0.5}},
        {"activity", s, {4}},
        {"activity", s + 666, {2}},
        {"steps", s, {4294967295.0, 4294967295.0}},
        {"steps", s + 500, {0, 10000}},
        {"respiration_rate", s, {15}},
        {"user_event", s + 250, {}},
        {"body_position", s, {3}},
        {"body_position", s + 500, {0}},
        {"signal15", s, {200}},
        {"eda", s + 123, {1.5}},
        {"gps", s + 456, {1.0, -2.0, 0.5, 100.25, 0.0, 3.0}},
    };
}

// Every block at the largest size that holds whole records (a full ECG or steps block does
// not), filled with bytes that differ from block to block and record to record.
inline Blocks fullBlocks() {
    constexpr std::array<size_t, 18> sizes = {999, 150, 10, 10, 10, 50, 100, 504, 900,
                                              700, 10,  8,  2,  16, 10, 2,   120, 32};
    Blocks blocks;
    for (size_t signal = 0; signal < blocks.size(); ++signal) {
        blocks[signal] = countingBytes(sizes[signal], static_cast<uint8_t>(signal * 29));
    }
    return blocks;
}

// Two motion records to pair with sidewaysOrientation(2): held sideways (90 degrees about x,
// posture 1) gravity lies along y (2 x 0.70709229^2 = 0.99996 g), so the first record's
// y acceleration of +2 g arms the swing detector and the second's -0.5 g (linear -1.49996 g)
// fires it: one swing.
inline Bytes swingMotion() {
    Bytes records(36, 0);
    records[2] = 0x20;       // y = 8192 / 4096 = 2 g
    records[18 + 2] = 0xF8;  // y = -2048 / 4096 = -0.5 g
    return records;
}

// Orientation records held sideways, with angle y at 61 degrees, where the repetition
// counters do not run.
inline Bytes sidewaysOrientation(int count) {
    // Angles 0, 61 x 64 = 0x0F40, 0; w = x = 11585 x 2^-14 = 0x2D41, y = z = 0.
    const Bytes record = {0x00, 0x00, 0x0F, 0x40, 0x00, 0x00, 0x2D,
                          0x41, 0x2D, 0x41, 0x00, 0x00, 0x00, 0x00};
    Bytes records;
    for (int i = 0; i < count; ++i) {
        records.insert(records.end(), record.begin(), record.end());
    }
    return records;
}

}  // namespace SessionRecords
}  // namespace TenvikTest
