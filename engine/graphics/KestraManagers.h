// The model, animation and shader-effect modules whose classes are still to
// come, as far as the frame starts, finishes and resets them: each start and
// finish logs its headline. Every other graphics module has its own header,
// included here for the frame.
#pragma once

#include <cstdint>

#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraFont.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraLight.h"
#include "engine/graphics/KestraLine2D.h"
#include "engine/graphics/KestraPrimitive2D.h"
#include "engine/graphics/KestraPrimitive3D.h"
#include "engine/graphics/KestraSheet.h"
#include "engine/graphics/KestraSimple.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraSprite3D.h"
#include "engine/graphics/KestraSurface.h"
#include "engine/graphics/KestraTexture.h"

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

namespace KestraShaderFx {
bool Initialize();
void Finalize();
bool IsStarted();
// The device reset's hooks (nothing to release yet).
void OnLostDevice();
void OnResetDevice();
}  // namespace KestraShaderFx
