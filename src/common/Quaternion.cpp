#include "common/Quaternion.h"

namespace Tenvik {

Vector3 Quaternion::rotateZ(Quaternion q) {
    return Vector3(2.0f * (q.x * q.z + q.w * q.y), 2.0f * (q.y * q.z - q.w * q.x),
                   q.w * q.w - q.x * q.x - q.y * q.y + q.z * q.z);
}

Quaternion& Quaternion::operator*=(const Quaternion& right) {
    // Copies of both sides, so that q *= q reads only old values too.
    const Quaternion l = *this;
    const Quaternion r = right;
    w = l.w * r.w - l.x * r.x - l.y * r.y - l.z * r.z;
    x = l.w * r.x + l.x * r.w + l.y * r.z - l.z * r.y;
    y = l.w * r.y + l.y * r.w + l.z * r.x - l.x * r.z;
    z = l.w * r.z + l.z * r.w + l.x * r.y - l.y * r.x;
    return *this;
}

}  // namespace Tenvik
