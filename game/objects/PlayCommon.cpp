#include "game/objects/PlayCommon.h"

#include "engine/core/KestraSound.h"
#include "game/state/GameGlobals.h"
#include "game/state/SpriteTable.h"
#include "platform/win32/crt.h"

void DrawPlain(int32_t slot, float dx, float dy, float dw, float dh, float sx, float sy, float sw, float sh,
               uint32_t colour) {
    const float dst[4] = {dx, dy, dw, dh};
    const float src[4] = {sx, sy, sw, sh};
    DrawSpriteEntryPlain(slot, dst, kPlayDepth, src, colour);
}

void DrawPlain(int32_t slot, const layout::Quad& quad, uint32_t colour) {
    DrawSpriteEntryPlain(slot, Floats(quad.screen).data(), kPlayDepth, Floats(quad.cell).data(), colour);
}

void DrawTurned(int32_t slot, float dx, float dy, float dw, float dh, float sx, float sy, float sw, float sh,
                uint32_t colour, int32_t angle) {
    const float dst[4] = {dx, dy, dw, dh};
    const float src[4] = {sx, sy, sw, sh};
    DrawSpriteEntry(slot, dst, kPlayDepth, src, colour, angle, 0.0f, 0.0f);
}

namespace {
SoundRecorder gSoundRecorder = nullptr;
void* gSoundRecorderContext = nullptr;
}  // namespace

void SetSoundRecorder(SoundRecorder recorder, void* context) {
    gSoundRecorder = recorder;
    gSoundRecorderContext = context;
}

void PlaySe(uint32_t handle) {
    if (gSoundRecorder) gSoundRecorder(handle, gSoundRecorderContext);
    if (handle == kNoSound) return;
    KestraSound::Play(handle, 0);
}

int32_t GameRand() { return crt::rand(); }

void SeedGameRand(uint32_t seed) { crt::srand(seed); }
