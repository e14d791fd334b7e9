// Effects: the effect-file syntax, parameters and their registers, passes binding
// vertex shaders that glslang and SPIRV-Cross made from HLSL, drawn on Mesa.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "platform/d3d9/d3d9shader.h"
#include "platform/d3dx9/d3dx9effect.h"
#include "platform/d3dx9/effect_parser.h"
#include "tests/platform/d3d9/d3d9_fixture.h"

namespace {

using d3d9fixture::GlDeviceTest;
using d3d9fixture::NullDeviceTest;

const char kBasic[] = R"(// a small effect
float4x4 mTransform : WORLDVIEWPROJECTION;
float Scale = 2.0;
float4 Tint = {0.25, 0.5, 0.75, 1.0};
float4x4 Palette[3];
bool Use[2];
string Title = "basic";

struct VS_INPUT {
    float4 Position : POSITION;
    float4 Color : COLOR0;
    float4 Indices : BLENDINDICES;
};
struct VS_OUTPUT {
    float4 Position : POSITION;
    float4 Color : COLOR0;
    float2 Tex0 : TEXCOORD0;
    float3 Tex1 : TEXCOORD1;
    float Fog : FOG;
};
VS_OUTPUT Main(VS_INPUT In) {
    VS_OUTPUT Out;
    int4 i = D3DCOLORtoUBYTE4(In.Indices);
    float4 p = mul(In.Position, Palette[i.x]);
    Out.Position = mul(p, mTransform);
    Out.Color = Use[1] ? In.Color * Scale : Tint;
    Out.Tex0 = float2(i.x, i.y);
    Out.Tex1 = float3(i.z, i.w, Scale);
    Out.Fog = 0.5;
    return Out;
}
technique First { pass P0 { VertexShader = compile vs_2_0 Main(); } }
technique Second { pass P0 { VertexShader = compile vs_2_0 Main(); } pass P1 { VertexShader = compile vs_2_0 Main(); } }
)";

struct Vertex {
    float x, y, z;
    D3DCOLOR color;
    D3DCOLOR indices;
};
const D3DVERTEXELEMENT9 kDecl[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                   {0, 12, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                   {0, 16, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_BLENDINDICES, 0},
                                   D3DDECL_END()};

ID3DXEffect* Create(IDirect3DDevice9* device, const std::string& text, std::string* errors = nullptr) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* messages = nullptr;
    HRESULT hr = D3DXCreateEffect(device, text.data(), UINT(text.size()), nullptr, nullptr, 0, nullptr, &effect,
                                  &messages);
    if (errors) *errors = messages ? static_cast<const char*>(messages->GetBufferPointer()) : "";
    if (messages) messages->Release();
    return SUCCEEDED(hr) ? effect : nullptr;
}

D3DXMATRIX Translation(float x, float y, float z) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
}

class EffectGl : public GlDeviceTest {};

TEST_F(EffectGl, PaletteIndexComesThroughTheColourSwizzleAndMulIsRowVector) {
    ID3DXEffect* fx = Create(device_, kBasic);
    ASSERT_NE(fx, nullptr);
    D3DXMATRIX palette[3] = {Translation(100, 0, 0), Translation(10, 0, 0), Translation(1000, 0, 0)};
    ASSERT_EQ(fx->SetMatrixArray("Palette", palette, 3), D3D_OK);
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, 1, 2, 3);
    D3DXMATRIX wvp = scale * Translation(0, 0, 5);  // row vectors: scale, then move
    ASSERT_EQ(fx->SetMatrix("mTransform", &wvp), D3D_OK);
    BOOL use[2] = {FALSE, TRUE};
    ASSERT_EQ(fx->SetBoolArray("Use", use, 2), D3D_OK);
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device_->CreateVertexDeclaration(kDecl, &decl), D3D_OK);
    device_->SetVertexDeclaration(decl);
    // Bytes B, G, R, A in memory: (1, 2, 3, 0).
    Vertex v[3] = {{1, 1, 1, 0xFF102030u, 0x00030201u}, {2, 1, 1, 0xFF102030u, 0x00030201u},
                   {1, 2, 1, 0xFF102030u, 0x00030201u}};
    d3d9shader::capture::Enable(true);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(fx->Begin(&passes, D3DXFX_DONOTSAVESHADERSTATE), D3D_OK);
    EXPECT_EQ(passes, 1u);
    ASSERT_EQ(fx->BeginPass(0), D3D_OK);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(Vertex)), D3D_OK);
    fx->EndPass();
    fx->End();
    device_->EndScene();
    auto out = d3d9shader::capture::Last();
    d3d9shader::capture::Enable(false);
    ASSERT_EQ(out.size(), 3u);
    // Palette entry 1 moves x by 10; then scale (1, 2, 3) and move z by 5.
    EXPECT_FLOAT_EQ(out[0].position[0], 11.0f);
    EXPECT_FLOAT_EQ(out[0].position[1], 2.0f);
    EXPECT_FLOAT_EQ(out[0].position[2], 8.0f);
    EXPECT_FLOAT_EQ(out[0].position[3], 1.0f);
    EXPECT_FLOAT_EQ(out[1].position[0], 12.0f);
    EXPECT_FLOAT_EQ(out[0].tex[0][0], 1.0f);
    EXPECT_FLOAT_EQ(out[0].tex[0][1], 2.0f);
    EXPECT_FLOAT_EQ(out[0].tex[1][0], 3.0f);
    EXPECT_FLOAT_EQ(out[0].tex[1][1], 0.0f);
    EXPECT_FLOAT_EQ(out[0].tex[1][2], 2.0f);
    EXPECT_FLOAT_EQ(out[0].tex[1][3], 1.0f);
    EXPECT_NEAR(out[0].color[0], 2.0f * 0x10 / 255.0f, 1e-6);
    EXPECT_NEAR(out[0].color[1], 2.0f * 0x20 / 255.0f, 1e-6);
    EXPECT_NEAR(out[0].color[2], 2.0f * 0x30 / 255.0f, 1e-6);
    EXPECT_NEAR(out[0].color[3], 2.0f, 1e-6);
    EXPECT_FLOAT_EQ(out[0].fog, 0.5f);
    device_->SetVertexDeclaration(nullptr);
    decl->Release();
    fx->Release();
}

}  // namespace
