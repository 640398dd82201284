#pragma once

#include "math/Vector3.h"

#include <cmath>

// The few vector operations the picture makers need beyond math/Vector3.h.
inline float dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline float length(const Vector3& v) { return std::sqrt(dot(v, v)); }

inline Vector3 normalised(const Vector3& v)
{
    const float size = length(v);
    return size > 0.0f ? v * (1.0f / size) : v;
}

// The direction `incoming` leaves in after a mirror bounce off a surface with unit normal `normal`.
inline Vector3 reflected(const Vector3& incoming, const Vector3& normal)
{
    return incoming - normal * (2.0f * dot(incoming, normal));
}
