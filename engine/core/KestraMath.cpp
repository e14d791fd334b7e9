#include "engine/core/KestraMath.h"

#include <cmath>

namespace Kestra {

namespace {

struct Tables {
    float sine[kSinTableSize];
    uint32_t atan[kAtanTableSize];

    Tables() {
        // Both factors are rounded to f32 and so is their product; the sine itself
        // is taken in double and rounded once (single-precision sinf misrounds).
        const float step = static_cast<float>(2.0 * M_PI / 65536.0);
        for (uint32_t i = 0; i < kSinTableSize; ++i) {
            const float x = static_cast<float>(i) * step;
            sine[i] = static_cast<float>(std::sin(static_cast<double>(x)));
        }
        for (uint32_t i = 0; i < kAtanTableSize; ++i)
            atan[i] = static_cast<uint32_t>(std::floor(std::atan(i / 8192.0) * 65536.0 / (2.0 * M_PI)));
        // The shipped table holds three entries one lower, as its single-precision
        // build left them; angles the game computes depend on them.
        atan[1269] = 1602;
        atan[6638] = 7102;
        atan[8192] = 8191;
    }
};

// Built before any other static object of the program, which may already move.
__attribute__((init_priority(101))) Tables g_tables;

uint32_t Index(double smaller, double larger) {
    const double r = 8192.0 * smaller / larger;
    if (!(r > 0.0)) return 0;  // also NaN from non-finite input
    if (r >= 8192.0) return 8192;
    return static_cast<uint32_t>(r);
}

}  // namespace

const float* const SinTable = g_tables.sine;
const uint32_t* const AtanTable = g_tables.atan;

uint32_t Atan(float x, float y) {
    const uint32_t* t = AtanTable;
    if (x == 0.0f) return y < 0.0f ? 49152 : 16384;
    if (y == 0.0f) return x < 0.0f ? 32768 : 0;
    const double ax = std::fabs(static_cast<double>(x));
    const double ay = std::fabs(static_cast<double>(y));
    if (x > 0.0f && y > 0.0f) return ax >= ay ? t[Index(ay, ax)] : 16384 - t[Index(ax, ay)];
    if (x < 0.0f && y > 0.0f) return ax >= ay ? 32768 - t[Index(ay, ax)] : 16384 + t[Index(ax, ay)];
    if (x < 0.0f && y < 0.0f) return ax >= ay ? 32768 + t[Index(ay, ax)] : 49152 - t[Index(ax, ay)];
    if (x > 0.0f && y < 0.0f) return ax >= ay ? 65536 - t[Index(ay, ax)] : 49152 + t[Index(ax, ay)];
    return 0;  // NaN
}

void RotatePoint(float* point, uint16_t angle) {
    const float c = Cos(angle);
    const float s = Sin(angle);
    const float x = point[0];
    const float y = point[1];
    point[0] = c * x - s * y;
    point[1] = c * y + s * x;
}

}  // namespace Kestra
