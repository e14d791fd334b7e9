// Inside the D3DX stand-in: the vertex-shader functions of an effect's HLSL (Direct3D
// 9 dialect) compiled to GLSL 3.30 through glslang's HLSL front end (to SPIR-V) and
// SPIRV-Cross, with what the device needs to feed them. The compile runs in a
// program of its own; results are cached by text and entry point.
#pragma once

#include <memory>
#include <string>
#include <vector>

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

// What the compiler may take for one effect. Its processor time, not the wall
// clock, so that a busy machine never refuses a good effect; the wall clock only
// ends a compiler that waits on something. Memory is what it may add to what it
// starts with. A compile within the text limits takes under half a second of
// processor time and 60 MB, under the sanitizers too.
struct CompileLimits {
    int cpuSeconds = 10;
    int wallSeconds = 300;
    size_t memoryBytes = size_t(256) << 20;
    size_t answerBytes = size_t(4) << 20;  // the GLSL of a text within the limits is under 1 MB
    // What the results kept may hold, texts and GLSL (some 30 effects at the text
    // limit; the engine's own take 20 KB): the texts least lately asked for go first.
    size_t cacheBytes = size_t(32) << 20;
};
CompileLimits GetCompileLimits();
void SetCompileLimits(const CompileLimits& limits);

// A shader for each entry point, in order, or none with compiler messages
// ("memory(LINE): error: ...") in `errors`. A text past the limits of
// effect_limits.h is refused before the compiler sees it; one on which the
// compiler fails, needs more instruction slots than the limit, or runs past the
// limits above is refused too. The entry points not cached are compiled together
// by one compiler, "kestra-effect-compiler" in the program's folder, held from
// outside to the limits below and ended with all it started; one that
// cannot be started refuses the effect, says so on the error output once, and
// the fault "ShaderCompile.start" makes it so. Tests arm platform faults to make
// the compiler misbehave: "ShaderCompile.hang" (waits for ever), ".spin" (uses
// processor time for ever), ".slow" (sleeps 1.5 s first), ".allocate" (touches
// four times its memory), ".cut:status" / ".cut:half" (dies after that much of
// its answer), ".cut:last" (leaves out the last byte), ".die" (dies after a whole
// answer), ".flood" (sends without end).
// `preamble`: "#define" lines ahead of the text that leave its line numbers alone.
std::vector<std::shared_ptr<const CompiledShader>> CompileVertexShaders(const std::string& hlsl,
                                                                        const std::vector<std::string>& entries,
                                                                        const std::string& preamble,
                                                                        std::string* errors);
// Forgets the cached results (benchmarks measure the first compilation with it).
void ClearShaderCache();
// The program started in place of the compiler, held as the compiler is (tests);
// empty: the compiler.
void SetCompilerProgram(const std::string& path);

}  // namespace d3dxfx
