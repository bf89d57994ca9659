#include "common/ByteConverters.h"

#include <array>
#include <climits>

namespace Tenvik {
namespace {

constexpr double kQ24 = 1.0 / 16777216.0;
constexpr float kQ10 = 1.0f / 1024.0f;
constexpr float kQ16 = 1.0f / 65536.0f;
constexpr float kQ30 = 1.0f / 1073741824.0f;
// 1.21 / (3 x 2^23): the legacy front end's volts per count.
constexpr double kLegacyEcgScale = 4.80810801188151e-8;

constexpr std::array<uint32_t, 8> kActivityByCode = {1, 2, 16, 4, 16, 16, 16, 8};
constexpr uint32_t kUnknownActivity = 16;

int32_t signed16(uint8_t msb, uint8_t lsb) {
    return static_cast<int16_t>(static_cast<uint16_t>((msb << 8) | lsb));
}

int32_t signed24(uint8_t msb, uint8_t mid, uint8_t lsb) {
    const int32_t raw = (msb << 16) | (mid << 8) | lsb;
    return (raw & 0x800000) != 0 ? raw - 0x1000000 : raw;
}

int32_t signed32(uint8_t b3, uint8_t b2, uint8_t b1, uint8_t b0) {
    return static_cast<int32_t>(decodeUInt32(b3, b2, b1, b0));
}

}  // namespace

float decodeInt24Q24(uint8_t msb, uint8_t mid, uint8_t lsb) {
    return static_cast<float>(signed24(msb, mid, lsb) * kQ24);
}

float decodeLegacyEcgSample(uint8_t msb, uint8_t mid, uint8_t lsb) {
    return static_cast<float>(-(signed24(msb, mid, lsb) * kLegacyEcgScale));
}

float decodeInt16Q10(uint8_t msb, uint8_t lsb) {
    return static_cast<float>(signed16(msb, lsb)) * kQ10;
}

float decodeInt24Q10(uint8_t msb, uint8_t mid, uint8_t lsb) {
    return static_cast<float>(signed24(msb, mid, lsb)) * kQ10;
}

uint32_t decodeUInt32(uint8_t b3, uint8_t b2, uint8_t b1, uint8_t b0) {
    return (static_cast<uint32_t>(b3) << 24) | (static_cast<uint32_t>(b2) << 16) |
           (static_cast<uint32_t>(b1) << 8) | static_cast<uint32_t>(b0);
}

float decodeInt32Q16(uint8_t b3, uint8_t b2, uint8_t b1, uint8_t b0) {
    return static_cast<float>(signed32(b3, b2, b1, b0)) * kQ16;
}

float decodeInt32Q30(uint8_t b3, uint8_t b2, uint8_t b1, uint8_t b0) {
    return static_cast<float>(signed32(b3, b2, b1, b0)) * kQ30;
}

Vector3 removeGravity(const Quaternion& q, const Vector3& acceleration) {
    const float gx = 2.0f * (q.x * q.z - q.w * q.y);
    const float gy = 2.0f * (q.w * q.x + q.y * q.z);
    const float gz = q.w * q.w - q.x * q.x - q.y * q.y + q.z * q.z;
    return Vector3(acceleration.x - gx, acceleration.y - gy, acceleration.z - gz);
}

int parseLeadingInteger(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    while (*text != '\0' && (*text < '0' || *text > '9')) {
        ++text;
    }
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT_MAX) {
            return INT_MAX;
        }
    }
    return static_cast<int>(value);
}

int recordPeriodMs(int recordType) {
    switch (static_cast<unsigned>(recordType)) {
        case 0:
        case 1:
            return 12;
        case 7:
            return 30;
        default:
            return 0;
    }
}

uint32_t activityFromCode(unsigned code) {
    if (code < 1 || code > kActivityByCode.size()) {
        return kUnknownActivity;
    }
    return kActivityByCode[code - 1];
}

int toBodyPosition(int value) { return value >= 1 && value <= 4 ? value : 0; }

bool hasDeviceTimestamps(int dataVersion) {
    switch (static_cast<unsigned>(dataVersion)) {
        case 0:
        case 1:
        case 2:
        case 4:
            return false;
        default:
            return true;
    }
}

}  // namespace Tenvik
