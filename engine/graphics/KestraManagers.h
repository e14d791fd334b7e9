// The device-object managers and model and animation modules whose classes are
// still to come, as far as the frame starts, finishes and resets them: each start
// and finish logs its headline. Surfaces, textures, 2-D primitives and sprites,
// cameras and lights have their own modules, included here for the frame.
#pragma once

#include <cstdint>

#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraFont.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraLight.h"
#include "engine/graphics/KestraPrimitive2D.h"
#include "engine/graphics/KestraShaderFx.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraSurface.h"
#include "engine/graphics/KestraTexture.h"

namespace KestraSheet {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraSheet

namespace KestraSimple {
bool Initialize();
void Finalize();
bool IsStarted();
// The device reset's hooks (nothing to release yet).
void OnLostDevice();
void OnResetDevice();
bool InitializeTable();
void FinalizeTable();
}  // namespace KestraSimple

namespace KestraPoint2D {
bool Initialize();
void Finalize();
bool IsStarted();
// The device reset's hooks (nothing to release yet).
void OnLostDevice();
void OnResetDevice();
void SetScaling(bool enable, float centerX, float centerY, float scale);
void SetPerspective(bool enable, float centerX, float centerY, float strength);
}  // namespace KestraPoint2D

namespace KestraPoint3D {
bool Initialize();
void Finalize();
bool IsStarted();
// The device reset's hooks (nothing to release yet).
void OnLostDevice();
void OnResetDevice();
}  // namespace KestraPoint3D

namespace KestraLine2D {
bool Initialize();
void Finalize();
bool IsStarted();
// The device reset's hooks (nothing to release yet).
void OnLostDevice();
void OnResetDevice();
void SetScaling(bool enable, float centerX, float centerY, float scale);
void SetPerspective(bool enable, float centerX, float centerY, float strength);
}  // namespace KestraLine2D

namespace KestraLine3D {
bool Initialize();
void Finalize();
bool IsStarted();
// The device reset's hooks (nothing to release yet).
void OnLostDevice();
void OnResetDevice();
}  // namespace KestraLine3D

namespace KestraPrimitive3D {
bool Initialize();
void Finalize();
bool IsStarted();
// The device reset's hooks (nothing to release yet).
void OnLostDevice();
void OnResetDevice();
}  // namespace KestraPrimitive3D

namespace KestraSprite3D {
bool Initialize();
void Finalize();
bool IsStarted();
// The device reset's hooks (nothing to release yet).
void OnLostDevice();
void OnResetDevice();
}  // namespace KestraSprite3D

namespace KestraFontSprite3D {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraFontSprite3D

namespace KestraModelEx {
bool Initialize();
void Finalize();
bool IsStarted();
// The device reset's hooks (nothing to release yet).
void OnLostDevice();
void OnResetDevice();
}  // namespace KestraModelEx

namespace KestraModel {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraModel

namespace KestraAnimation {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraAnimation

