// Inside the D3DX stand-in: the effect-file syntax around the shader code. Finds the
// global parameters (type, array size, semantic, initial value) and the techniques
// with their passes, and gives back the shader text with the technique blocks blanked
// out (line numbers kept), ready for the HLSL compiler.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace d3dxfx {

enum class ParamType { Float, Int, Bool, String, Texture, Sampler };

struct ParamDecl {
    std::string name;
    std::string semantic;  // upper case as written, empty when none
    ParamType type = ParamType::Float;
    unsigned rows = 1;      // 4 for float4x4
    unsigned columns = 1;   // 4 for float4 and float4x4
    unsigned elements = 0;  // array size; 0 when not an array
    std::vector<float> initial;  // numeric initialiser, flattened in declaration order
    std::string initialString;
    int line = 0;
};

struct PassDecl {
    std::string name;
    std::string vertexProfile, vertexEntry;  // empty when the pass has no vertex shader
    int line = 0;
};

struct TechniqueDecl {
    std::string name;
    std::vector<PassDecl> passes;
};

// The most the parameters of one effect may keep, counted as each is read: a
// register image of 16 bytes for every row of every element, strings, textures
// and samplers alike, and the bytes of its name, semantic and initial value.
// The engine's effects fill at most the 256 constant registers (4 KiB) and
// name their parameters in under 1 KiB.
constexpr size_t kMaxParameterBytes = 64 * 1024;

struct EffectSource {
    std::string shaderText;
    std::vector<ParamDecl> params;
    std::vector<TechniqueDecl> techniques;
    std::vector<std::string> functions;  // names of the functions with a body
};

// False with D3DX-style messages; a pass naming a function the text does not define,
// and parameters past kMaxParameterBytes, are errors too. ("memory(LINE): error: ...")
// in `errors`.
bool ParseEffect(std::string_view text, EffectSource* out, std::string* errors);

}  // namespace d3dxfx
