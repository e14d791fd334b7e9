// The animation module as far as the frame starts and finishes it.
// Every other graphics module has its own header, included here for the frame.
#pragma once

#include <cstdint>

#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraFont.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraLight.h"
#include "engine/graphics/KestraLine2D.h"
#include "engine/graphics/KestraModelEx.h"
#include "engine/graphics/KestraPrimitive2D.h"
#include "engine/graphics/KestraPrimitive3D.h"
#include "engine/graphics/KestraShaderFx.h"
#include "engine/graphics/KestraSheet.h"
#include "engine/graphics/KestraSimple.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraSprite3D.h"
#include "engine/graphics/KestraSurface.h"
#include "engine/graphics/KestraTexture.h"

namespace KestraAnimation {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraAnimation

