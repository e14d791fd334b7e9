// The Direct3D module as far as the frame and the game's start-up call it. At
// present no device is created: starts and finishes log their headlines, state
// calls are accepted and drawing calls do nothing.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"

struct IDirect3DDevice9;
class CSurface;

namespace Kestra3D {
bool Initialize();
void Finalize();
bool Start(HWND window, bool windowed);
// Resets the device for the current window mode (nothing without a device).
void ResetDevice(bool force);
void Present(HWND window);
bool Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil, const RECT* rect);
IDirect3DDevice9* GetDevice();

bool InitializeLights();
void SetScaling2D(bool enable, float centerX, float centerY, float scale);
void SetPerspective2D(bool enable, float centerX, float centerY, float strength);

void SetAlphaTestEnable(bool enable);
void SetFilterEnable(bool enable);
void SetBlendingType(uint32_t preset);
void SetDepthTestEnable(bool enable);
bool SetDepthStencil(CSurface* surface);
void SetRenderState(uint32_t state, uint32_t value);
void SetCamera(int32_t camera);
}  // namespace Kestra3D
