// The surface module: its manager, the device hooks and the game's functions.
#pragma once

#include <cstdint>

class CSurface;
class CSurfaceManager;

namespace KestraSurface {
bool Initialize();
void Finalize();
bool IsStarted();
// The lost and reset hooks of the device reset.
void OnLostDevice();
void OnResetDevice();
// Null on failure, and while the module is not started.
CSurface* CreateOffscreen(int32_t width, int32_t height, uint32_t formatKind);
CSurface* CreateFromFile(const char* file, uint32_t formatKind);
CSurface* CreateRenderTarget(int32_t width, int32_t height, uint32_t formatKind);
CSurface* CreateDepthStencil(int32_t width, int32_t height, uint32_t formatKind);
// Drops the caller's reference; null is ignored.
void Release(CSurface* surface);
// The manager while started, else null.
CSurfaceManager* GetManager();
}  // namespace KestraSurface
