// The engine's four lights, whose constants the shader code reads.
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9.h"

namespace Kestra3D {

constexpr uint32_t kLightCount = 4;

struct LightTable {
    D3DLIGHT9 lights[kLightCount];
    uint8_t enabled[kLightCount];
    float ambient[4];
    float secondColor[4];
};

// The block GetLightConstants fills: 68 words, the flags as BOOL, the rest f32.
struct LightConstants {
    BOOL isUse[kLightCount];          // words 0-3
    BOOL isDirectional[kLightCount];  // words 4-7
    float attenuation[kLightCount];   // words 8-11: the second attenuation factor
    float position[kLightCount][4];   // words 12-27, w 1
    float direction[kLightCount][4];  // words 28-43, w 1
    float color[kLightCount][4];      // words 44-59: diffuse
    float ambient[4];                 // words 60-63
    float secondColor[4];             // words 64-67
};
static_assert(sizeof(LightConstants) == 68 * 4);

// Every light zeroed, then ambient 1, range 100 and attenuations 0.1; all off.
bool InitializeLights();
void GetLightConstants(LightConstants* out);
// The table itself (for the code that sets lights up).
LightTable& GetLightTable();

}  // namespace Kestra3D
