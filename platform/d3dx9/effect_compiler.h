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

// What one compile child may take. Its processor time, not the wall clock, so
// that a busy machine never refuses a good effect; the wall clock only ends a
// child that waits on something. Memory is what it may add to what it shares with
// the program. A compile within the text limits takes under half a second of
// processor time and 60 MB, under the sanitizers too.
struct CompileLimits {
    int cpuSeconds = 10;
    int wallSeconds = 300;
    size_t memoryBytes = size_t(256) << 20;
    size_t answerBytes = size_t(4) << 20;  // the GLSL of a text within the limits is under 1 MB
};
CompileLimits GetCompileLimits();
void SetCompileLimits(const CompileLimits& limits);

// Null with compiler messages ("memory(LINE): error: ...") in `errors`; a text past
// the limits of effect_limits.h is refused before the compiler sees it, and one on
// which the compiler itself fails or runs past the limits above is refused too (it
// runs in a child process). Tests arm platform faults to make the child misbehave:
// "ShaderCompile.hang" (waits for ever), ".spin" (uses processor time for ever),
// ".slow" (sleeps 1.5 s first), ".allocate" (touches four times its memory),
// ".cut:status" / ".cut:half" (dies after that much of its answer), ".cut:last"
// (leaves out the last byte), ".die" (dies after a whole answer), ".flood" (sends
// without end).
// `preamble`: "#define" lines ahead of the text that leave its line numbers alone.
std::shared_ptr<const CompiledShader> CompileVertexShader(const std::string& hlsl, const std::string& entry,
                                                          const std::string& preamble, std::string* errors);
// Forgets the cached results (benchmarks measure the first compilation with it).
void ClearShaderCache();

}  // namespace d3dxfx
