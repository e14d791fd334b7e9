// Inside the effect compiler: one vertex-shader function of HLSL (Direct3D 9
// dialect) compiled to GLSL 3.30, with what the device needs to feed it.
#pragma once

#include <memory>
#include <string>

#include "platform/d3dx9/effect_compiler.h"

namespace d3dxfx {

// Null with compiler messages ("memory(LINE): error: ...") in `errors`. The text has
// passed the limits of effect_limits.h; glslang must have been initialised.
std::shared_ptr<CompiledShader> HlslToGlsl(const std::string& hlsl, const std::string& entry,
                                           const std::string& preamble, std::string* errors);

}  // namespace d3dxfx
