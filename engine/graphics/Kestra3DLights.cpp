#include <cstring>

#include "engine/graphics/KestraLight.h"

namespace Kestra3D {
namespace {
LightTable g_lights;
}  // namespace

bool InitializeLights() {
    std::memset(&g_lights, 0, sizeof(g_lights));
    for (D3DLIGHT9& light : g_lights.lights) {
        light.Ambient.r = light.Ambient.g = light.Ambient.b = 1.0f;
        light.Range = 100.0f;
        light.Attenuation0 = light.Attenuation1 = light.Attenuation2 = 0.1f;
    }
    return true;
}

void GetLightConstants(LightConstants* out) {
    if (!out) return;
    std::memset(out, 0, sizeof(*out));
    for (uint32_t i = 0; i < kLightCount; ++i) {
        out->isUse[i] = g_lights.enabled[i] ? TRUE : FALSE;
        if (!g_lights.enabled[i]) continue;
        const D3DLIGHT9& light = g_lights.lights[i];
        out->isDirectional[i] = light.Type == D3DLIGHT_DIRECTIONAL ? TRUE : FALSE;
        out->attenuation[i] = light.Attenuation1;
        const float position[4] = {light.Position.x, light.Position.y, light.Position.z, 1.0f};
        const float direction[4] = {light.Direction.x, light.Direction.y, light.Direction.z, 1.0f};
        const float color[4] = {light.Diffuse.r, light.Diffuse.g, light.Diffuse.b, light.Diffuse.a};
        std::memcpy(out->position[i], position, sizeof(position));
        std::memcpy(out->direction[i], direction, sizeof(direction));
        std::memcpy(out->color[i], color, sizeof(color));
    }
    std::memcpy(out->ambient, g_lights.ambient, sizeof(out->ambient));
    std::memcpy(out->secondColor, g_lights.secondColor, sizeof(out->secondColor));
}

LightTable& GetLightTable() { return g_lights; }

}  // namespace Kestra3D
