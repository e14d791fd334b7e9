// Small helpers every play object uses: drawing on sprite-table slots, sound
// effects, the game's random generator and wrapping angle arithmetic.
#pragma once

#include <cstdint>

#include "game/state/Elements.h"
#include "game/state/ScreenLayout.h"

constexpr float kPlayDepth = 32767.0f;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// Queues one unturned quad on a sprite-table slot (destination, then source).
void DrawPlain(int32_t slot, float dx, float dy, float dw, float dh, float sx, float sy, float sw, float sh,
               uint32_t colour);
void DrawPlain(int32_t slot, const layout::Quad& quad, uint32_t colour);
// Queues one quad turned by angle about the destination's centre.
void DrawTurned(int32_t slot, float dx, float dy, float dw, float dh, float sx, float sy, float sw, float sh,
                uint32_t colour, int32_t angle);

// Plays a sound-table handle once on buffer 0; an empty handle does nothing.
void PlaySe(uint32_t handle);
// Every PlaySe call is reported to the recorder (null to stop), played or not;
// tests hear the play field through it.
using SoundRecorder = void (*)(uint32_t handle, void* context);
void SetSoundRecorder(SoundRecorder recorder, void* context);

// The runtime generator the play field draws from (0..32767).
int32_t GameRand();
void SeedGameRand(uint32_t seed);
// One of the first `among` elements by one draw: 2 picks fire or ice, 3 also everyone.
inline elements::Kind RandomElement(int32_t among) { return elements::FromNumber(GameRand() % among); }

// White with the low 8 bits of alpha on top.
inline uint32_t AlphaWhite(int32_t alpha) { return (static_cast<uint32_t>(alpha) & 0xFFu) << 24 | 0xFFFFFFu; }
inline uint32_t AlphaGrey(int32_t alpha, uint32_t grey) {
    return (static_cast<uint32_t>(alpha) & 0xFFu) << 24 | grey << 16 | grey << 8 | grey;
}

// Angles and counters that grow for an object's whole life wrap instead of overflowing.
inline int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// A float truncated toward zero as an int; values beyond the int range (a
// corrupt schedule line) saturate and NaN gives 0 instead of undefined behaviour.
inline int32_t TruncateToInt(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return 2147483647;
    if (v <= -2147483648.0f) return -2147483647 - 1;
    return static_cast<int32_t>(v);
}

// A sheet coordinate base + n * step from an object's selector, computed in
// float so that no selector value can overflow.
inline float Cell(int32_t n, float step, float base) { return static_cast<float>(n) * step + base; }
