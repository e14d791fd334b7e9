// The Direct3D module's start, finish and the calls the frame makes.
#include "engine/graphics/Kestra3D.h"

#include <string>

#include "engine/core/Kestra.h"
#include "engine/graphics/KestraManagers.h"
#include "platform/win32/testing.h"

namespace {
bool g_initialized = false;
bool g_started = false;
}  // namespace

namespace Kestra3D {

bool Initialize() {
    Kestra::LogHeadline("Kestra3Dクラスの初期化");
    // A machine without the Direct3D library fails here, as loading it would.
    if (platform::FaultHit("LoadLibraryA:d3d9.dll")) {
        Kestra::LogRed("　　　エラー : DLLの読み込みに失敗");
        Kestra::LogNewLine();
        Kestra::LogRed("　　　DirectX9cが正しくインストールされているか確認して下さい");
        Kestra::LogNewLine();
        Kestra::MessageBox(MB_ICONERROR, "Kestra3D", "%s",
                           "DLLの読み込みに失敗\nDirectX9cが正しくインストールされているか\n確認して下さい");
        Kestra::MessageBox(MB_ICONERROR, "Kestra3D", "%s", "アダプターの初期化に失敗");
        return false;
    }
    g_initialized = true;
    return true;
}

void Finalize() {
    Kestra::LogHeadline("Kestra3Dクラスの解放");
    g_started = false;
    g_initialized = false;
}

bool Start(HWND, bool) {
    Kestra::LogHeadline("Kestra3Dクラスの起動");
    // A device that cannot be created on any row fails the start.
    if (platform::FaultHit("CreateDevice")) return false;
    g_started = g_initialized;
    return g_started;
}

void ResetDevice(bool force) {
    if (!g_started) return;
    // The reset itself leaves a trace for tests of the window-mode switch.
    platform::RecordCall(std::string("Kestra3D::ResetDevice ") + (force ? "1" : "0"));
}

void Present(HWND) {}

bool Clear(uint32_t, uint32_t, float, uint32_t, const RECT*) { return g_started; }

IDirect3DDevice9* GetDevice() { return nullptr; }

bool InitializeLights() { return true; }

void SetScaling2D(bool enable, float centerX, float centerY, float scale) {
    KestraPrimitive2D::SetScaling(enable, centerX, centerY, scale);
    KestraSprite2D::SetScaling(enable, centerX, centerY, scale);
    KestraLine2D::SetScaling(enable, centerX, centerY, scale);
    KestraPoint2D::SetScaling(enable, centerX, centerY, scale);
}

void SetPerspective2D(bool enable, float centerX, float centerY, float strength) {
    KestraPrimitive2D::SetPerspective(enable, centerX, centerY, strength);
    KestraSprite2D::SetPerspective(enable, centerX, centerY, strength);
    KestraLine2D::SetPerspective(enable, centerX, centerY, strength);
    KestraPoint2D::SetPerspective(enable, centerX, centerY, strength);
}

void SetAlphaTestEnable(bool) {}
void SetFilterEnable(bool) {}
void SetBlendingType(uint32_t) {}
void SetDepthTestEnable(bool) {}
bool SetDepthStencil(CSurface*) { return true; }
void SetRenderState(uint32_t, uint32_t) {}
void SetCamera(int32_t) {}

}  // namespace Kestra3D
