#include "signal/OrientationFilter.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace Tenvik {
namespace {

constexpr float kBeta = 0.2f;
constexpr float kSamplePeriod = 1.0f / 30.0f;

OrientationQuaternion orientationState;

struct Rate {
    float d0, d1, d2, d3;
};

// Rate of change of the orientation from the angular rate: q' = 1/2 q (0, g).
Rate rateFromGyro(const OrientationQuaternion& q, float gx, float gy, float gz) {
    return {0.5f * (-q.q1 * gx - q.q2 * gy - q.q3 * gz), 0.5f * (q.q0 * gx + q.q2 * gz - q.q3 * gy),
            0.5f * (q.q0 * gy - q.q1 * gz + q.q3 * gx), 0.5f * (q.q0 * gz + q.q1 * gy - q.q2 * gx)};
}

void applyGradient(Rate& rate, float s0, float s1, float s2, float s3) {
    const float norm = inverseSqrt(s0 * s0 + s1 * s1 + s2 * s2 + s3 * s3);
    rate.d0 -= kBeta * (s0 * norm);
    rate.d1 -= kBeta * (s1 * norm);
    rate.d2 -= kBeta * (s2 * norm);
    rate.d3 -= kBeta * (s3 * norm);
}

void integrate(OrientationQuaternion& q, const Rate& rate) {
    q.q0 += rate.d0 * kSamplePeriod;
    q.q1 += rate.d1 * kSamplePeriod;
    q.q2 += rate.d2 * kSamplePeriod;
    q.q3 += rate.d3 * kSamplePeriod;
    const float norm = inverseSqrt(q.q0 * q.q0 + q.q1 * q.q1 + q.q2 * q.q2 + q.q3 * q.q3);
    q.q0 *= norm;
    q.q1 *= norm;
    q.q2 *= norm;
    q.q3 *= norm;
}

bool allZero(float a, float b, float c) { return a == 0.0f && b == 0.0f && c == 0.0f; }

void normalise(float& a, float& b, float& c) {
    const float norm = inverseSqrt(a * a + b * b + c * c);
    a *= norm;
    b *= norm;
    c *= norm;
}

}  // namespace

float inverseSqrt(float x) {
    const uint32_t bits = 0x5F1F1412u - (std::bit_cast<uint32_t>(x) >> 1);
    const float y = std::bit_cast<float>(bits);
    return y * (1.6900023f - 0.71415818f * x * y * y);
}

const OrientationQuaternion& orientationQuaternion() { return orientationState; }

void updateOrientation(float gx, float gy, float gz, float ax, float ay, float az, float mx,
                       float my, float mz) {
    updateOrientation(orientationState, gx, gy, gz, ax, ay, az, mx, my, mz);
}

void updateOrientationImu(float gx, float gy, float gz, float ax, float ay, float az) {
    updateOrientationImu(orientationState, gx, gy, gz, ax, ay, az);
}

void updateOrientationImu(OrientationQuaternion& q, float gx, float gy, float gz, float ax,
                          float ay, float az) {
    Rate rate = rateFromGyro(q, gx, gy, gz);
    if (!allZero(ax, ay, az)) {
        normalise(ax, ay, az);
        const float q0 = q.q0, q1 = q.q1, q2 = q.q2, q3 = q.q3;
        const float q0q0 = q0 * q0, q1q1 = q1 * q1, q2q2 = q2 * q2, q3q3 = q3 * q3;
        const float s0 = 4.0f * q0 * q2q2 + 2.0f * q2 * ax + 4.0f * q0 * q1q1 - 2.0f * q1 * ay;
        const float s1 = 4.0f * q1 * q3q3 - 2.0f * q3 * ax + 4.0f * q0q0 * q1 - 2.0f * q0 * ay -
                         4.0f * q1 + 8.0f * q1 * q1q1 + 8.0f * q1 * q2q2 + 4.0f * q1 * az;
        const float s2 = 4.0f * q0q0 * q2 + 2.0f * q0 * ax + 4.0f * q2 * q3q3 - 2.0f * q3 * ay -
                         4.0f * q2 + 8.0f * q2 * q1q1 + 8.0f * q2 * q2q2 + 4.0f * q2 * az;
        const float s3 = 4.0f * q1q1 * q3 - 2.0f * q1 * ax + 4.0f * q2q2 * q3 - 2.0f * q2 * ay;
        applyGradient(rate, s0, s1, s2, s3);
    }
    integrate(q, rate);
}

void updateOrientation(OrientationQuaternion& q, float gx, float gy, float gz, float ax, float ay,
                       float az, float mx, float my, float mz) {
    if (allZero(mx, my, mz)) {
        updateOrientationImu(q, gx, gy, gz, ax, ay, az);
        return;
    }
    Rate rate = rateFromGyro(q, gx, gy, gz);
    if (!allZero(ax, ay, az)) {
        normalise(ax, ay, az);
        normalise(mx, my, mz);
        const float q0 = q.q0, q1 = q.q1, q2 = q.q2, q3 = q.q3;
        const float q0mx2 = 2.0f * q0 * mx, q0my2 = 2.0f * q0 * my, q0mz2 = 2.0f * q0 * mz;
        const float q1mx2 = 2.0f * q1 * mx;
        const float q0x2 = 2.0f * q0, q1x2 = 2.0f * q1, q2x2 = 2.0f * q2, q3x2 = 2.0f * q3;
        const float q0q2x2 = 2.0f * q0 * q2, q2q3x2 = 2.0f * q2 * q3;
        const float q0q0 = q0 * q0, q0q1 = q0 * q1, q0q2 = q0 * q2, q0q3 = q0 * q3;
        const float q1q1 = q1 * q1, q1q2 = q1 * q2, q1q3 = q1 * q3;
        const float q2q2 = q2 * q2, q2q3 = q2 * q3, q3q3 = q3 * q3;

        // The field in the earth frame: its horizontal magnitude and its vertical part.
        const float hx = mx * q0q0 - q0my2 * q3 + q0mz2 * q2 + mx * q1q1 + q1x2 * my * q2 +
                         q1x2 * mz * q3 - mx * q2q2 - mx * q3q3;
        const float hy = q0mx2 * q3 + my * q0q0 - q0mz2 * q1 + q1mx2 * q2 - my * q1q1 + my * q2q2 +
                         q2x2 * mz * q3 - my * q3q3;
        const float bx2 = std::sqrt(hx * hx + hy * hy);
        const float bz2 = -q0mx2 * q2 + q0my2 * q1 + mz * q0q0 + q1mx2 * q3 - mz * q1q1 +
                          q2x2 * my * q3 - mz * q2q2 + mz * q3q3;
        const float bx4 = 2.0f * bx2;
        const float bz4 = 2.0f * bz2;

        const float gravityX = 2.0f * q1q3 - q0q2x2 - ax;
        const float gravityY = 2.0f * q0q1 + q2q3x2 - ay;
        const float gravityZ = 1.0f - 2.0f * q1q1 - 2.0f * q2q2 - az;
        const float fieldX = bx2 * (0.5f - q2q2 - q3q3) + bz2 * (q1q3 - q0q2) - mx;
        const float fieldY = bx2 * (q1q2 - q0q3) + bz2 * (q0q1 + q2q3) - my;
        const float fieldZ = bx2 * (q0q2 + q1q3) + bz2 * (0.5f - q1q1 - q2q2) - mz;

        const float s0 = -q2x2 * gravityX + q1x2 * gravityY - bz2 * q2 * fieldX +
                         (-bx2 * q3 + bz2 * q1) * fieldY + bx2 * q2 * fieldZ;
        const float s1 = q3x2 * gravityX + q0x2 * gravityY - 4.0f * q1 * gravityZ +
                         bz2 * q3 * fieldX + (bx2 * q2 + bz2 * q0) * fieldY +
                         (bx2 * q3 - bz4 * q1) * fieldZ;
        const float s2 = -q0x2 * gravityX + q3x2 * gravityY - 4.0f * q2 * gravityZ +
                         (-bx4 * q2 - bz2 * q0) * fieldX + (bx2 * q1 + bz2 * q3) * fieldY +
                         (bx2 * q0 - bz4 * q2) * fieldZ;
        const float s3 = q1x2 * gravityX + q2x2 * gravityY + (-bx4 * q3 + bz2 * q1) * fieldX +
                         (-bx2 * q0 + bz2 * q2) * fieldY + bx2 * q1 * fieldZ;
        applyGradient(rate, s0, s1, s2, s3);
    }
    integrate(q, rate);
}

}  // namespace Tenvik
