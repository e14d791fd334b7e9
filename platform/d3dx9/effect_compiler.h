// Inside the D3DX stand-in: one vertex-shader function of HLSL (Direct3D 9 dialect)
// compiled to GLSL 3.30 through glslang's HLSL front end (to SPIR-V) and SPIRV-Cross,
// with what the device needs to feed it. Results are cached by text and entry point.
#pragma once

#include <memory>
#include <string>

#include "platform/d3d9/d3d9shader.h"

namespace d3dxfx {

struct UniformInfo {
    std::string name;  // the HLSL global's name
    d3d9shader::ConstantBinding binding;  // startRegister left 0: the effect assigns it
};

struct CompiledShader {
    d3d9shader::VertexShaderDesc desc;  // constants empty: see `uniforms`
    std::vector<UniformInfo> uniforms;
};

// Null with compiler messages ("memory(LINE): error: ...") in `errors`; a text past
// the limits of effect_limits.h is refused before the compiler sees it, and one on
// which the compiler itself fails or runs past its time is refused too (it runs in
// a child process).
// `preamble`: "#define" lines ahead of the text that leave its line numbers alone.
std::shared_ptr<const CompiledShader> CompileVertexShader(const std::string& hlsl, const std::string& entry,
                                                          const std::string& preamble, std::string* errors);
// Forgets the cached results (benchmarks measure the first compilation with it).
void ClearShaderCache();

}  // namespace d3dxfx
