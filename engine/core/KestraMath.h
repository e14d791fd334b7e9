// Angles and table trigonometry. An Angle16 is an integer angle of 65536 units a
// turn: 0 along +x, 16384 along +y (down the screen); only the low 16 bits count.
#pragma once

#include <cstdint>

namespace Kestra {

typedef uint32_t Angle16;

constexpr uint32_t kSinTableSize = 65536;
constexpr uint32_t kAtanTableSize = 8193;

// Entry i: the f32 sine of f32(i) * f32(2 pi / 65536).
extern const float* const SinTable;
// Entry i: the Angle16 of atan(i / 8192), rounded down.
extern const uint32_t* const AtanTable;

inline float Sin(int32_t angle) { return SinTable[static_cast<uint32_t>(angle) & 0xFFFF]; }
inline float Cos(uint32_t angle) { return SinTable[(angle + 16384u) & 0xFFFF]; }

// The angle of the vector (x, y), 0 .. 65536 (65536 is the direction of 0).
uint32_t Atan(float x, float y);

// Rotates the vector point[0], point[1] in place by angle.
void RotatePoint(float* point, uint16_t angle);

}  // namespace Kestra
