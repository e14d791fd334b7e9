// Programmable vertex shaders of the Direct3D stand-in. Direct3D takes shader byte
// code; here the effect runtime hands over GLSL 3.30 with a description of how its
// inputs, outputs and uniforms meet the device: inputs by declaration usage, outputs
// by the Direct3D 9 output semantic, uniforms fed from the float constant registers.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace d3d9shader {

// The usage of an output that Direct3D 9 calls FOG (no declaration usage has it).
constexpr BYTE kUsageFog = D3DDECLUSAGE_FOG;

// How the GLSL uniform is set: float, int, or uint (HLSL bool arrives as uint).
enum class ConstantKind { Float, Int, UInt };

// One uniform fed from registers. A vector or scalar takes one register per element and
// reads its first `columns` components; a matrix takes `rows` registers per element,
// each holding one row as D3DX stores it (so `mul(v, M)` is `v * M`).
struct ConstantBinding {
    std::string glName;  // name of element 0 in the GLSL text
    ConstantKind kind = ConstantKind::Float;
    UINT rows = 1;
    UINT columns = 4;
    UINT count = 1;
    UINT startRegister = 0;
};

struct InputBinding {
    BYTE usage;       // D3DDECLUSAGE
    BYTE usageIndex;  // 1 for POSITION1
    std::string glName;
};

struct OutputBinding {
    BYTE usage;  // D3DDECLUSAGE_POSITION, _COLOR, _TEXCOORD, _PSIZE or kUsageFog
    BYTE usageIndex;
    std::string glName;
    UINT components;
};

struct VertexShaderDesc {
    // Defines `void ShaderMain()` that writes the outputs; no `main`.
    std::string glsl;
    std::vector<InputBinding> inputs;
    std::vector<OutputBinding> outputs;
    std::vector<ConstantBinding> constants;
};

HRESULT CreateVertexShader(IDirect3DDevice9* device, const VertexShaderDesc& desc, IDirect3DVertexShader9** shader);

// ---- Test control: while capturing, draws through a vertex shader also record each
// vertex's outputs before the device's clip-space corrections (transform feedback).
namespace capture {
struct Vertex {
    float position[4];  // POSITION as the shader wrote it
    float color[4];     // COLOR0
    float tex[2][4];    // TEXCOORD0, TEXCOORD1 (unwritten components as Direct3D fills them)
    float fog;          // FOG
};
void Enable(bool on);
// The vertices of the last captured draw, in draw order (triangle lists only).
std::vector<Vertex> Last();
}  // namespace capture

}  // namespace d3d9shader
