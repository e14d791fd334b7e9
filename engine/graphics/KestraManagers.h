// The device-object managers and model, camera and animation modules as far as
// the frame starts and finishes them. At present they own no objects: each start
// and finish logs its headline, create functions answer none.
#pragma once

#include <cstdint>

class CSurface;
class CVector3;

namespace KestraSurface {
bool Initialize();
void Finalize();
bool IsStarted();
// Null: no device surfaces exist yet.
CSurface* CreateDepthStencil(int32_t width, int32_t height, uint32_t formatKind);
void Release(CSurface* surface);
}  // namespace KestraSurface

namespace KestraTexture {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraTexture

namespace KestraSheet {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraSheet

namespace KestraSimple {
bool Initialize();
void Finalize();
bool IsStarted();
bool InitializeTable();
void FinalizeTable();
}  // namespace KestraSimple

namespace KestraFont {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraFont

namespace KestraPoint2D {
bool Initialize();
void Finalize();
bool IsStarted();
void SetScaling(bool enable, float centerX, float centerY, float scale);
void SetPerspective(bool enable, float centerX, float centerY, float strength);
}  // namespace KestraPoint2D

namespace KestraPoint3D {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraPoint3D

namespace KestraLine2D {
bool Initialize();
void Finalize();
bool IsStarted();
void SetScaling(bool enable, float centerX, float centerY, float scale);
void SetPerspective(bool enable, float centerX, float centerY, float strength);
}  // namespace KestraLine2D

namespace KestraLine3D {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraLine3D

namespace KestraPrimitive2D {
bool Initialize();
void Finalize();
bool IsStarted();
void SetScaling(bool enable, float centerX, float centerY, float scale);
void SetPerspective(bool enable, float centerX, float centerY, float strength);
}  // namespace KestraPrimitive2D

namespace KestraPrimitive3D {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraPrimitive3D

namespace KestraSprite2D {
bool Initialize();
void Finalize();
bool IsStarted();
void SetScaling(bool enable, float centerX, float centerY, float scale);
void SetPerspective(bool enable, float centerX, float centerY, float strength);
}  // namespace KestraSprite2D

namespace KestraSprite3D {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraSprite3D

namespace KestraFontSprite2D {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraFontSprite2D

namespace KestraFontSprite3D {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraFontSprite3D

namespace KestraModelEx {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraModelEx

namespace KestraModel {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraModel

namespace KestraCamera {
bool Initialize();
void Finalize();
bool IsStarted();
// -1: no camera slots exist yet; every slot operation ignores -1.
int32_t Create();
void Release(int32_t camera);
void SetProjection(int32_t camera, float fieldOfView, float nearZ, float farZ, float aspect);
void Reset(int32_t camera);
void LookAt(int32_t camera, const CVector3* eye, const CVector3* target, const CVector3* up);
void Update(int32_t camera);
}  // namespace KestraCamera

namespace KestraAnimation {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraAnimation

namespace KestraShaderFx {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraShaderFx
