#pragma once

#include <cstdint>

#include "common/Quaternion.h"
#include "common/Vector3.h"

namespace Tenvik {

// Fixed-point converters. Every one takes the bytes of one field most significant first: a
// caller decoding a little-endian field passes its bytes from the highest address down.

// Signed 24-bit value x 2^-24.
float decodeInt24Q24(uint8_t msb, uint8_t mid, uint8_t lsb);
// The legacy ECG sample: -(signed 24-bit value x 1.21 / (3 x 2^23)), sign inverted.
float decodeLegacyEcgSample(uint8_t msb, uint8_t mid, uint8_t lsb);
// Signed 16-bit value x 2^-10.
float decodeInt16Q10(uint8_t msb, uint8_t lsb);
// Signed 24-bit value x 2^-10.
float decodeInt24Q10(uint8_t msb, uint8_t mid, uint8_t lsb);
uint32_t decodeUInt32(uint8_t b3, uint8_t b2, uint8_t b1, uint8_t b0);
// Signed 32-bit value, rounded to single precision, x 2^-16.
float decodeInt32Q16(uint8_t b3, uint8_t b2, uint8_t b1, uint8_t b0);
// Signed 32-bit value, rounded to single precision, x 2^-30.
float decodeInt32Q30(uint8_t b3, uint8_t b2, uint8_t b1, uint8_t b0);

// The linear acceleration in g: the acceleration minus the gravity direction that the
// orientation q gives in the sensor frame.
Vector3 removeGravity(const Quaternion& q, const Vector3& acceleration);

// The first decimal number in a NUL-terminated text (no sign is read), capped at INT32_MAX;
// 0 when the text holds no digit or is null.
int parseLeadingInteger(const char* text);

// Sample period of a legacy synchronisation record type: 12 ms for ECG and respiration
// (types 0 and 1), 30 ms for type 7, 0 otherwise.
int recordPeriodMs(int recordType);

// The activity value of a device activity code; 16 for codes outside 1 to 8.
uint32_t activityFromCode(unsigned code);

// Body positions 1 to 4 pass unchanged; anything else is 0.
int toBodyPosition(int value);

// Whether records of a legacy synchronisation data version carry device timestamps.
bool hasDeviceTimestamps(int dataVersion);

}  // namespace Tenvik
