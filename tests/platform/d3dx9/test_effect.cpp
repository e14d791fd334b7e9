// Effects: the effect-file syntax, parameters and their registers, passes binding
// vertex shaders that glslang and SPIRV-Cross made from HLSL, drawn on Mesa.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "platform/d3d9/d3d9shader.h"
#include "platform/d3dx9/d3dx9effect.h"
#include "platform/d3dx9/effect_limits.h"
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
float3 Offsets[2];

struct VS_INPUT {
    float4 Position : POSITION;
    float4 Color : COLOR0;
    float4 Indices : BLENDINDICES;
};
struct VS_OUTPUT {
    float4 Position : SV_Position;
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
    wvp._44 = 2.0f;  // a w of its own reaches the device whole
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
    EXPECT_FLOAT_EQ(out[0].position[3], 2.0f);
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

TEST_F(EffectGl, AfterTheShaderTheFixedFunctionPathDrawsAgain) {
    ID3DXEffect* fx = Create(device_, kBasic);
    ASSERT_NE(fx, nullptr);
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    fx->SetMatrix("mTransform", &id);
    fx->SetMatrixArray("Palette", &id, 1);
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device_->CreateVertexDeclaration(kDecl, &decl), D3D_OK);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    // Through the shader: the tint (0.25, 0.5, 0.75) over the left half.
    device_->SetVertexDeclaration(decl);
    Vertex left[6] = {{-1, -1, 0.5f, 0, 0}, {-1, 1, 0.5f, 0, 0}, {0, 1, 0.5f, 0, 0},
                      {-1, -1, 0.5f, 0, 0}, {0, 1, 0.5f, 0, 0},  {0, -1, 0.5f, 0, 0}};
    UINT passes = 0;
    ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(fx->BeginPass(0), D3D_OK);
    EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, left, sizeof(Vertex)), D3D_OK);
    fx->EndPass();
    fx->End();  // without DONOTSAVESHADERSTATE the previous shader (none) comes back
    IDirect3DVertexShader9* shader = nullptr;
    device_->GetVertexShader(&shader);
    EXPECT_EQ(shader, nullptr);
    device_->SetVertexDeclaration(nullptr);
    // Fixed function again: a pre-transformed blue quad over the right half.
    std::vector<d3d9fixture::TlVertex> quad;
    d3d9fixture::Quad(quad, 320, 0, 640, 480, 0.5f, 0xFF0000FFu);
    EXPECT_EQ(DrawTl(quad), D3D_OK);
    device_->EndScene();
    const d3d9test::Image frame = Frame();
    EXPECT_TRUE(d3d9fixture::Near(frame.at(160, 240), 0xFF4080BFu, 1)) << std::hex << frame.at(160, 240);
    EXPECT_TRUE(d3d9fixture::Near(frame.at(480, 240), 0xFF0000FFu, 0)) << std::hex << frame.at(480, 240);
    decl->Release();
    fx->Release();
}

TEST_F(EffectGl, TextureStagesShadeTheShadersCoordinatesAndColour) {
    const std::string text = R"(
float2 Where;
struct OUT { float4 Position : POSITION; float4 Color : COLOR0; float2 Tex : TEXCOORD0; };
OUT Main(float4 p : POSITION) {
    OUT o;
    o.Position = p;
    o.Color = float4(0.5, 0.5, 0.5, 1.0);
    o.Tex = Where;
    return o;
}
technique T { pass P { VertexShader = compile vs_2_0 Main(); } }
)";
    ID3DXEffect* fx = Create(device_, text);
    ASSERT_NE(fx, nullptr);
    // Left texel red, right texel green; point sampling.
    IDirect3DTexture9* tex = MakeTexture(2, 1, [](UINT x, UINT) { return x ? 0xFF00FF00u : 0xFFFF0000u; });
    ASSERT_NE(tex, nullptr);
    device_->SetTexture(0, tex);
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetFVF(D3DFVF_XYZ);
    const float quad[6][3] = {{-1, -1, 0.5f}, {-1, 1, 0.5f}, {1, 1, 0.5f}, {-1, -1, 0.5f}, {1, 1, 0.5f}, {1, -1, 0.5f}};
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
    // The right texel, then the left, each modulated by the grey.
    const struct {
        float where[2];
        uint32_t colour;
    } draws[] = {{{0.75f, 0.5f}, 0xFF008000u}, {{0.25f, 0.5f}, 0xFF800000u}};
    for (const auto& d : draws) {
        ASSERT_EQ(device_->BeginScene(), D3D_OK);
        UINT passes = 0;
        fx->Begin(&passes, D3DXFX_DONOTSAVESHADERSTATE);
        fx->SetFloatArray("Where", d.where, 2);
        ASSERT_EQ(fx->BeginPass(0), D3D_OK);
        EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, 12), D3D_OK);
        fx->EndPass();
        fx->End();
        device_->EndScene();
        const uint32_t got = Frame().at(320, 240);
        EXPECT_TRUE(d3d9fixture::Near(got, d.colour, 1)) << std::hex << got;
    }
    device_->SetVertexShader(nullptr);
    device_->SetTexture(0, nullptr);
    tex->Release();
    fx->Release();
}

class EffectNull : public NullDeviceTest {};

TEST_F(EffectNull, ParametersByNameAndSemanticWithInitialValues) {
    ID3DXEffect* fx = Create(device_, kBasic);
    ASSERT_NE(fx, nullptr);
    // The device comes with a reference of the caller's own; the effect holds one too.
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(fx->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device_);
    EXPECT_EQ(owner->Release(), 2u);
    EXPECT_STREQ(fx->GetParameterBySemantic(nullptr, "worldviewprojection"), "mTransform");
    EXPECT_EQ(fx->GetParameterBySemantic(nullptr, "POSITION"), nullptr);
    D3DXHANDLE scale = fx->GetParameterByName(nullptr, "Scale");
    ASSERT_NE(scale, nullptr);
    float f[4] = {};
    ASSERT_EQ(fx->GetFloatArray(scale, f, 1), D3D_OK);
    EXPECT_EQ(f[0], 2.0f);
    ASSERT_EQ(fx->GetFloatArray("Tint", f, 4), D3D_OK);
    EXPECT_EQ(std::vector<float>(f, f + 4), std::vector<float>({0.25f, 0.5f, 0.75f, 1.0f}));
    // An array keeps an element a register; it reads back packed.
    const BOOL use[2] = {FALSE, TRUE};
    ASSERT_EQ(fx->SetBoolArray("Use", use, 2), D3D_OK);
    ASSERT_EQ(fx->GetFloatArray("Use", f, 2), D3D_OK);
    EXPECT_EQ(std::vector<float>(f, f + 2), std::vector<float>({0.0f, 1.0f}));
    const INT counts[2] = {-3, 7};
    ASSERT_EQ(fx->SetIntArray("Use", counts, 2), D3D_OK);
    ASSERT_EQ(fx->GetFloatArray("Use", f, 2), D3D_OK);
    EXPECT_EQ(std::vector<float>(f, f + 2), std::vector<float>({-3.0f, 7.0f}));
    // Vector elements read back packed, and no further than asked.
    float offsets[6], back[6];
    for (int i = 0; i < 6; ++i) offsets[i] = float(i + 1), back[i] = -1.0f;
    ASSERT_EQ(fx->SetFloatArray("Offsets", offsets, 6), D3D_OK);
    ASSERT_EQ(fx->GetFloatArray("Offsets", back, 5), D3D_OK);
    EXPECT_EQ(std::vector<float>(back, back + 6), std::vector<float>({1, 2, 3, 4, 5, -1}));
    // Handles and names are the same thing; unknown names fail quietly.
    EXPECT_EQ(fx->SetFloat(scale, 3.0f), D3D_OK);
    EXPECT_EQ(fx->SetInt("Scale", 4), D3D_OK);
    fx->GetFloatArray("Scale", f, 1);
    EXPECT_EQ(f[0], 4.0f);
    EXPECT_EQ(fx->SetFloat("vCameraPos", 1.0f), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->SetInt("BoneWeightCount", 3), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->SetTexture("TextureStage0", nullptr), D3DERR_INVALIDCALL);
    // Types: a matrix setter on a vector, a number on a string, are refused.
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    EXPECT_EQ(fx->SetMatrix("Tint", &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->SetFloat("Title", 1.0f), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->SetString("Title", "other"), D3D_OK);
    // A transposed set stores the transpose; arrays stop at their size.
    D3DXMATRIX t(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(fx->SetMatrixTranspose("mTransform", &t), D3D_OK);
    float g[16];
    fx->GetFloatArray("mTransform", g, 16);
    EXPECT_EQ(g[1], 5.0f);
    EXPECT_EQ(g[4], 2.0f);
    D3DXMATRIX four[4] = {t, t, t, t};
    EXPECT_EQ(fx->SetMatrixArray("Palette", four, 4), D3D_OK);
    fx->Release();
}

TEST_F(EffectNull, TheFirstTechniqueIsCurrentAndPassesFollowTheirOrder) {
    ID3DXEffect* fx = Create(device_, kBasic);
    ASSERT_NE(fx, nullptr);
    EXPECT_STREQ(fx->GetCurrentTechnique(), "First");
    EXPECT_EQ(fx->BeginPass(0), D3DERR_INVALIDCALL) << "no pass before Begin";
    EXPECT_EQ(fx->EndPass(), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->End(), D3DERR_INVALIDCALL);
    UINT passes = 0;
    ASSERT_EQ(fx->Begin(&passes, D3DXFX_DONOTSAVESHADERSTATE), D3D_OK);
    EXPECT_EQ(passes, 1u);
    EXPECT_EQ(fx->Begin(&passes, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->BeginPass(1), D3DERR_INVALIDCALL);
    ASSERT_EQ(fx->BeginPass(0), D3D_OK);
    EXPECT_EQ(fx->BeginPass(0), D3DERR_INVALIDCALL) << "already in a pass";
    IDirect3DVertexShader9* shader = nullptr;
    device_->GetVertexShader(&shader);
    EXPECT_NE(shader, nullptr);
    if (shader) shader->Release();
    // Registers follow the declaration order: mTransform first, then Scale.
    float regs[8];
    device_->GetVertexShaderConstantF(0, regs, 2);
    EXPECT_EQ(regs[0], 0.0f);
    fx->SetFloat("Scale", 5.0f);
    device_->GetVertexShaderConstantF(4, regs, 1);
    EXPECT_EQ(regs[0], 2.0f) << "not sent before CommitChanges";
    EXPECT_EQ(fx->CommitChanges(), D3D_OK);
    device_->GetVertexShaderConstantF(4, regs, 1);
    EXPECT_EQ(regs[0], 5.0f);
    EXPECT_EQ(fx->EndPass(), D3D_OK);
    EXPECT_EQ(fx->EndPass(), D3DERR_INVALIDCALL) << "no pass to end";
    EXPECT_EQ(fx->CommitChanges(), D3DERR_INVALIDCALL) << "between passes";
    EXPECT_EQ(fx->End(), D3D_OK);
    EXPECT_EQ(fx->End(), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx->SetTechnique("Second"), D3D_OK);
    fx->Begin(&passes, 0);  // saves the shader and puts it back at its end, once
    fx->End();
    fx->Begin(&passes, D3DXFX_DONOTSAVESHADERSTATE);
    EXPECT_EQ(passes, 2u);
    EXPECT_EQ(fx->BeginPass(1), D3D_OK);
    fx->EndPass();
    fx->End();
    device_->GetVertexShader(&shader);
    EXPECT_NE(shader, nullptr) << "nothing saved, nothing put back";
    if (shader) shader->Release();
    EXPECT_EQ(fx->SetTechnique("Third"), D3DERR_INVALIDCALL);
    device_->SetVertexShader(nullptr);
    fx->Release();
}

// A format filled in with 0, 1, 2 ... count - 1, one after the other.
std::string Repeated(const char* format, int count) {
    std::string text;
    char line[64];
    for (int i = 0; i < count; ++i) text += std::string(line, std::snprintf(line, sizeof line, format, i));
    return text;
}

const char kMain[] = "technique T { pass P { VertexShader = compile vs_2_0 Main(); } }\n";
// An effect of one shader, Main, with `body` and the lines `before` it.
std::string WithMain(const std::string& before, const std::string& body) {
    return before + "float4 Main(float4 p : POSITION) : POSITION\n{\n" + body + "}\n" + kMain;
}
// `text` n times over.
std::string Times(const std::string& text, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += text;
    return out;
}
// Macros A1..An, each twice the one before (An is 4 * 2^n - 3 tokens); E1..En,
// as many replacements making nothing.
std::string Doubling(int n) {
    std::string lines = "#define A0 p\n";
    for (int i = 1; i <= n; ++i) lines += "#define A" + std::to_string(i) + " (A" + std::to_string(i - 1) + "+A" + std::to_string(i - 1) + ")\n";
    return lines;
}
std::string Emptying(int n) {
    std::string lines = "#define E0\n";
    for (int i = 1; i <= n; ++i) lines += "#define E" + std::to_string(i) + " E" + std::to_string(i - 1) + " E" + std::to_string(i - 1) + "\n";
    return lines;
}

// `n` entry points E0.., a pass each and `again` more naming E0; E0 holds `extra`
// empty statements. Each function is 15 tokens.
std::string Entries(int n, int extra, int again = 0) {
    std::string text, passes;
    for (int i = 0; i < n + again; ++i) {
        const std::string e = std::to_string(i < n ? i : 0);
        if (i < n) text += "float4 E" + e + "(float4 p : POSITION) : POSITION {" + Times(";", i ? 0 : extra) + " return p; }\n";
        passes += "pass P" + std::to_string(i) + " { VertexShader = compile vs_2_0 E" + e + "(); }\n";
    }
    return text + "technique T {\n" + passes + "}\n";
}

// A vertex shader writing its position and the same at `semantic`.
std::string Outputs(const std::string& semantic) {
    return "struct O { float4 p : POSITION; float4 x : " + semantic +
           "; };\nO Main(float4 p : POSITION) { O o; o.p = p; o.x = p; return o; }\n" + kMain;
}

// What the effect text may hold, and the errors it answers otherwise (none: it loads).
TEST_F(EffectNull, BrokenTextsAnswerErrorsWithTheirLines) {
    struct Case {
        std::string text;
        const char* message;
    };
    const char kStorage[] = "memory(1): error: the parameters need more than 65536 bytes";
    const char kNoShader[] = "technique T { pass P { } }\n";
    // Checked before the compiler: 256 levels of brackets and control statements,
    // 32768 tokens after the macros, 262144 tokens the macros make, 1 MB of text.
    const char kDeep[] = "error: nesting deeper than 256 levels", kLong[] = "error: the shader has more than 32768 tokens";
    const char kWork[] = "error: macros make more than 262144 tokens";
    const char kFailed[] = "memory(1): error: the shader compiler failed on this text";
    // Read by the compiler, refused by what the driver would be given.
    const char kSlots[] = "memory(1): error: 'Main' needs more than 512 instruction slots";
    // The compiler reads the text once for each of its entry points.
    const char kRead[] = "memory(1): error: 64 entry points of 4097 tokens make the compiler read more than 262144 tokens";
    auto nested = [](int n) { return "return " + Times("(", n) + "p" + Times(")", n) + ";\n"; };
    auto sum = [](int n) { return "return p" + Times("+p", n - 1) + ";\n"; };
    auto chain = [](int n) { return "float4 r = p;\n" + Times("if (p.x > 0) r = p; else ", n) + "r = -p;\nreturn r;\n"; };
    auto calls = [](int n) { return "return " + Times("F(", n) + "p" + Times(")", n) + ";\n"; };
    auto loops = [](int n) {
        std::string text = "float4 r = p;\n";
        for (int i = 0; i < n; ++i) text += "for (int i" + std::to_string(i) + " = 0; i" + std::to_string(i) + " < 32; i" + std::to_string(i) + "++)\n";
        return text + "r += p;\nreturn r;\n";
    };
    const std::string plain = WithMain("", "return p;\n");
    const std::string padded = "//" + std::string((1 << 20) - plain.size() - 3, 'x') + "\n" + plain;
    const std::string test = "#if defined(X) && (2 + 3 * 4 == 14) && !(1 << 3 != 8)\n";
    const Case cases[] = {
        {WithMain("", nested(255)), ""},
        {WithMain("", nested(256)), kDeep},
        {WithMain("", nested(4000)), kDeep},  // 8 KB: overflowed the compiler's stack
        {WithMain("", chain(127)), ""},
        {WithMain("", chain(128)), kDeep},
        {WithMain("", sum(16377)), kSlots},  // deeper than the 8 MB of a program's first thread hold
        {WithMain("", sum(16378)), kLong},
        {WithMain("", sum(200000)), kLong},  // 400 KB: overflowed it in the tree's walk
        {WithMain(Doubling(12), "return A12;\n"), kSlots},
        {WithMain(Doubling(13), "return A13;\n"), kLong},
        {WithMain(Doubling(20), "return A20;\n"), "memory(24): error: the shader has more than 32768 tokens"},
        {WithMain(Doubling(30), "return A30;\n"), kLong},
        {WithMain("#define F(x) (x+x)\n", calls(12)), kSlots},
        {WithMain("", loops(13)), kSlots},  // each unrolled 32 times: 32^13 slots, counted without wrapping
        {Entries(64, 4096 - 64 * 15), ""},
        {Entries(64, 4096 - 64 * 15, 1000), ""},  // passes sharing an entry point read it once
        {Entries(64, 4097 - 64 * 15), kRead},
        {WithMain("#define F(x) (x+x)\n", calls(13)), kLong},
        {WithMain(Doubling(20) + "#define CAT(a, b) a##b\n", "return CAT(A, 20);\n"), kLong},
        {WithMain(Emptying(16), "return p E16;\n"), ""},
        {WithMain(Emptying(17), "return p E17;\n"), kWork},
        {WithMain("#define X\n" + test + Doubling(20) + "#else\n#define A20 p\n#endif\n", "return A20;\n"), kLong},
        {WithMain("#define Y\n" + test + Doubling(20) + "#else\n#define A20 p\n#endif\n", "return A20;\n"), ""},
        // Texts on which the compiler itself fails (it follows a null pointer) are refused.
        {WithMain("", "return abs(abs(p)--);\n"), kFailed},
        {WithMain("", "return p+pp++p;\n"), kFailed},
        {"float4 Main(float4) : POSITION\n{\n return 1;\n}\n" + std::string(kMain), kFailed},
        {WithMain("", "float4 a[2];\na[0] = p;\nreturn abs(a[0].x++ + p--);\n"), ""},
        // What GLSL 3.30 vertex shaders cannot run is refused by its name, before the driver.
        {WithMain("uint4 U;\n", "return p + reversebits(U);\n"), "error: 'Main' uses reversebits, which"},
        {WithMain("uint4 U;\n", "return p + countbits(U);\n"), "error: 'Main' uses countbits, which"},
        {WithMain("int4 I;\n", "return p + firstbithigh(I);\n"), "error: 'Main' uses firstbithigh, which"},
        {WithMain("", "return ldexp(p, p);\n"), "error: 'Main' uses ldexp, which"},
        {WithMain("", "return p + f32tof16(p);\n"), "error: 'Main' uses f32tof16, which"},
        {WithMain("", "return ddx(p);\n"), "error: 'Main' uses ddx, which"},
        {WithMain("samplerCUBE S;\n", "return p + texCUBEbias(S, p);\n"), "error: 'Main' uses a biased texture read, which"},
        {WithMain("sampler2D S;\n", "return p + tex2Dlod(S, p) + tex2Dgrad(S, p.xy, p.xy, p.xy);\n"), ""},
        {WithMain("double4 D;\n", "return p + (float4)(D * D);\n"), "error: 'Main' uses double, which"},
        {WithMain("float4x4 M;\n", "return mad(p, p, p) * determinant(M) + round(p) + max(p, 0);\n"), ""},
        {padded, ""},
        {"/" + padded, "error: the shader is longer than 1048576 bytes"},
        // Parameter storage: 16 bytes a register row of each element, strings too, and the names.
        {std::string("string s[4095] : ABCDEFGHIJKLMNO;\n") + kNoShader, ""},
        {std::string("string s[4095] : ABCDEFGHIJKLMNOP;\n") + kNoShader, kStorage},
        {"string " + Repeated(",a%d[65536]", 3000).substr(1) + ";\n" + kNoShader, kStorage},   // 38 KB
        {"string " + Repeated(",a%d[65536]", 65000).substr(1) + ";\n" + kNoShader, kStorage},  // 899 KB
        {"string " + Repeated(",a%d", 65000).substr(1) + ";\n" + kNoShader, kStorage},         // distinct names
        {Repeated("float4x4 m%d;\n", 64) + "float one;\n" + kNoShader,
         "memory(65): error: 'one' does not fit in the 256 constant registers"},
        {"float4 Main(float4 p : POSITION) : POSITION { return p; }\n", "memory(1): error: the effect has no technique"},
        {"float a;\n\ntechnique T { pass P { VertexShader = compile vs_2_0 Missing(); } }\n",
         "memory(3): error: entry point 'Missing' not found"},
        {"float4 Main(float4 p : POSITION) : POSITION { return p; }\ntechnique T { pass P {\n"
         "PixelShader = compile ps_2_0 Main(); } }\n",
         "memory(3): error: pixel shaders are not supported"},
        {"float4 Main(float4 p : POSITION) : POSITION { return p; }\ntechnique T { pass P {\n"
         "ZEnable = true; } }\n",
         "memory(3): error: pass state 'ZEnable' is not supported"},
        {"float4 Main(float4 p : POSITION) : POSITION { return p; }\ntechnique T { pass P {\n"
         "VertexShader = compile vs_9_9 Main(); } }\n",
         "memory(3): error: unknown vertex shader profile 'vs_9_9'"},
        // Vertex inputs and outputs by semantic: two colours and eight coordinate sets out.
        // Numeric types of one to four rows and columns.
        {std::string("bool4x4 a;\nhalf1 b;\nuint1x4 c;\n") + kNoShader, ""},
        {std::string("float5 a;\n") + kNoShader, "memory(1): error: unsupported parameter type 'float5'"},
        {std::string("float4x5 a;\n") + kNoShader, "memory(1): error: unsupported parameter type 'float4x5'"},
        {std::string("\nint0 a;\n") + kNoShader, "memory(2): error: unsupported parameter type 'int0'"},
        {Outputs("COLOR1"), ""},
        {Outputs("TEXCOORD7"), ""},
        {Outputs("COLOR2"), "memory(1): error: output semantic 'COLOR' is not supported"},
        {Outputs("TEXCOORD8"), "memory(1): error: output semantic 'TEXCOORD' is not supported"},
        {Outputs("DEPTH"), "memory(1): error: output semantic 'DEPTH' is not supported"},
        {"float4 Main(float4 p : POSITION, float4 q : DEPTH, float4 t : TANGENT) : POSITION { return p + q + t; }\n" +
             std::string(kMain), ""},
        {"float4 Main(float4 p : POSITION, float4 q : VELOCITY) : POSITION { return p + q; }\n" + std::string(kMain),
         "memory(1): error: input semantic 'VELOCITY' is not supported"},
        {"float a[0];\n", "memory(1): error: bad array size"},
        {"float a;\nfloat a;\ntechnique T { pass P { } }\n", "memory(2): error: redefinition of 'a'"},
        {"string s = \"open\n", "memory(1): error: unterminated string"},
        {"technique T { pass P {\nVertexShader = compile \"vs_2_0 Main(); } }\n", "memory(2): error: unterminated string"},
        {"float4 Main(float4 p : POSITION) : POSITION {\n return p;\n", "unmatched '{'"},
        {std::string("typedef float4 V(;\n") + kNoShader, "memory(1): error: unmatched '('"},
        {std::string("struct S { float a; } {;\n") + kNoShader, "memory(1): error: unmatched '{'"},
        {"float4 Main(float4 p : POSITION) : POSITION {\n return q;\n}\n"
         "technique T { pass P { VertexShader = compile vs_2_0 Main(); } }\n",
         "memory(2): error:"},
    };
    for (const Case& c : cases) {
        std::string errors;
        ID3DXEffect* fx = Create(device_, c.text, &errors);
        const std::string start = c.text.substr(0, 80);
        EXPECT_EQ(fx == nullptr, *c.message != '\0') << start << "\n -> " << errors;
        if (fx) fx->Release();
        EXPECT_NE(errors.find(c.message), std::string::npos) << start << "\n -> " << errors;
        // One complaint each, but for the compiler's own list.
        if (!std::string(c.message).ends_with("error:") && errors.find('\n') + 1 < errors.size())
            ADD_FAILURE() << "more than one error: " << errors;
    }
    // Bad arguments.
    ID3DXEffect* fx = reinterpret_cast<ID3DXEffect*>(1);
    EXPECT_EQ(D3DXCreateEffect(device_, "", 0, nullptr, nullptr, 0, nullptr, &fx, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(fx, nullptr);
    EXPECT_EQ(D3DXCreateEffect(nullptr, kBasic, sizeof kBasic, nullptr, nullptr, 0, nullptr, &fx, nullptr),
              D3DERR_INVALIDCALL);
}

TEST_F(EffectNull, MacrosReachTheShaderWithoutMovingItsLines) {
    const std::string text =
        "float4 Main(float4 p : POSITION) : POSITION\n{\n  return p * SCALE + broken;\n}\n"
        "technique T { pass P { VertexShader = compile vs_2_0 Main(); } }\n";
    const D3DXMACRO macros[] = {{"SCALE", "2.0"}, {nullptr, nullptr}};
    ID3DXEffect* fx = nullptr;
    ID3DXBuffer* errors = nullptr;
    EXPECT_TRUE(FAILED(D3DXCreateEffect(device_, text.data(), UINT(text.size()), macros, nullptr, 0, nullptr, &fx, &errors)));
    ASSERT_NE(errors, nullptr);
    const std::string message = static_cast<const char*>(errors->GetBufferPointer());
    EXPECT_NE(message.find("memory(3): error:"), std::string::npos) << message;
    EXPECT_NE(message.find("broken"), std::string::npos) << message;
    errors->Release();
    std::string fixed = text;
    fixed.replace(fixed.find(" + broken"), 9, "");
    ASSERT_EQ(D3DXCreateEffect(device_, fixed.data(), UINT(fixed.size()), macros, nullptr, 0, nullptr, &fx, nullptr),
              D3D_OK);
    fx->Release();
}

// The replay of the preprocessor before the compiler: what it counts is what the
// compiler would be given, through conditions, comments, arguments and pasting.
// A14 makes 65533 tokens, past the limit wherever it is read.
TEST(EffectLimits, TheReplayCountsWhatThePreprocessorPasses) {
    struct Case {
        std::string text;
        const char* message;  // "" when within the limits
    };
    const std::string bomb = Doubling(14);
    const char kLong[] = "error: the shader has more than 32768 tokens", kNot[] = "the preprocessor condition is not understood";
    const Case cases[] = {
        {bomb + "#if 0\nA14\n#endif\n", ""},
        {bomb + "#if 1\nA14\n#endif\n", kLong},
        {bomb + "#ifdef A14\nA14\n#endif\n", kLong},
        {bomb + "#ifndef A14\nA14\n#else\nx\n#endif\n", ""},
        {bomb + "#if 0\n#elif 2 > 1\nA14\n#endif\n", kLong},
        {bomb + "#if 1\n#elif 1\nA14\n#else\nA14\n#endif\n", ""},
        {bomb + "#if 0\n#if 1\nA14\n#endif\n#else\nx\n#endif\n", ""},
        {bomb + "#undef A14\nA14\n", ""},
        {"#if 0\n" + bomb + "#endif\nA14\n", ""},
        {bomb + "// A14\n/* A14\n A14 */ \"A14\" 'A'\n", ""},
        {bomb + "#define L \\\n A14\nL\n", kLong},
        {bomb + "#define F(x) A14\nF\n", ""},
        {bomb + "#define F(x) A14\nF (\n1)\n", kLong},
        {bomb + "#define G(a, b) b\nG((A14, A14), p)\n", ""},
        {bomb + "#define G(a, b) b\nG(p, A14)\n", kLong},
        {bomb + "#define CAT(a, b) a##b\nCAT(A1, 4)\n", kLong},
        {bomb + "#define CAT(a, b) a##b\nCAT(A, 14x)\n", ""},
        {bomb + "#if (1 << 3) == 8 && 7 / 2 == 3 && -1 < 0 && (0 ? 0 : 1) && 0x10 == 16 && 010 == 8\nA14\n#endif\n", kLong},
        {bomb + "#if A14 || defined(A13) != 1\nA14\n#endif\n", ""},
        {"#if " + Times("-1 + ", 300) + "1\n#endif\n", ""},  // each operator's level is left again
        {"#if 1 / 0\n#endif\n", kNot},
        {"#if defined\n#endif\n", kNot},
        {"#if 1 +\n#endif\n", kNot},
        {bomb + "\n\nA14\n", "memory(18): error: the shader has more than 32768 tokens"},
    };
    for (const Case& c : cases) {
        std::string errors;
        const bool ok = d3dxfx::CheckShaderSource("", c.text, &errors);
        const std::string end = "row " + std::to_string(&c - cases) + ": " + c.text.substr(c.text.size() > 60 ? c.text.size() - 60 : 0);
        EXPECT_EQ(ok, *c.message == '\0') << end << "\n -> " << errors;
        EXPECT_NE(errors.find(c.message), std::string::npos) << end << "\n -> " << errors;
    }
    // The preamble is read first, its lines before line 1.
    std::string errors;
    EXPECT_FALSE(d3dxfx::CheckShaderSource(bomb, "A14\n", &errors));
    EXPECT_NE(errors.find("memory(1): error:"), std::string::npos) << errors;
    EXPECT_TRUE(d3dxfx::CheckShaderSource(bomb + "#define A14 p", "A14\n", &errors)) << errors;
}

TEST(EffectParser, TechniqueBlocksAreBlankedAndDeclarationsRead) {
    d3dxfx::EffectSource source;
    std::string errors;
    ASSERT_TRUE(d3dxfx::ParseEffect(kBasic, &source, &errors)) << errors;
    EXPECT_EQ(source.shaderText.size(), std::strlen(kBasic));
    EXPECT_EQ(source.shaderText.find("technique"), std::string::npos);
    EXPECT_NE(source.shaderText.find("VS_OUTPUT Main"), std::string::npos);
    ASSERT_EQ(source.techniques.size(), 2u);
    EXPECT_EQ(source.techniques[1].passes.size(), 2u);
    EXPECT_EQ(source.techniques[0].passes[0].vertexEntry, "Main");
    EXPECT_EQ(source.techniques[0].passes[0].vertexProfile, "vs_2_0");
    ASSERT_EQ(source.params.size(), 7u);
    EXPECT_EQ(source.params[0].name, "mTransform");
    EXPECT_EQ(source.params[0].rows, 4u);
    EXPECT_EQ(source.params[3].elements, 3u);
    EXPECT_EQ(source.params[4].type, d3dxfx::ParamType::Bool);
    EXPECT_EQ(source.params[5].initialString, "basic");
    // Negative and exponent initialisers; static globals are no parameters.
    ASSERT_TRUE(d3dxfx::ParseEffect("float2 a = float2(-1.5, 2e-1);\nstatic const float k = 3;\n"
                                    "technique T { pass P { } }\n",
                                    &source, &errors));
    ASSERT_EQ(source.params.size(), 1u);
    ASSERT_EQ(source.params[0].initial.size(), 2u);
    EXPECT_EQ(source.params[0].initial[0], -1.5f);
    EXPECT_FLOAT_EQ(source.params[0].initial[1], 0.2f);
    // Comments, continued preprocessor lines, registers and annotations declare
    // nothing; lines are counted through them.
    ASSERT_TRUE(d3dxfx::ParseEffect("/* a\n b */ #define X \\\n 1\nmatrix m : register(c4) < string N = \"m\"; >;\n"
                                    "vector v : ViewPos = {1, 2, 3, 4};\ntexture t;\nsampler s;\nint3x2 w = 5.5f;\n"
                                    "technique T { pass P { VertexShader = NULL; } }\n",
                                    &source, &errors)) << errors;
    using T = d3dxfx::ParamType;
    const std::vector<std::tuple<std::string, T, unsigned, unsigned, std::string, std::vector<float>, int>> want = {
        {"m", T::Float, 4, 4, "", {}, 4},     {"v", T::Float, 1, 4, "ViewPos", {1, 2, 3, 4}, 5},
        {"t", T::Texture, 1, 1, "", {}, 6},   {"s", T::Sampler, 1, 1, "", {}, 7},
        {"w", T::Int, 3, 2, "", {5.5f}, 8}};
    ASSERT_EQ(source.params.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const d3dxfx::ParamDecl& p = source.params[i];
        EXPECT_EQ(std::tie(p.name, p.type, p.rows, p.columns, p.semantic, p.initial, p.line), want[i]) << i;
    }
    ASSERT_EQ(source.techniques.size(), 1u);
    EXPECT_EQ(source.techniques[0].passes[0].vertexEntry, "");
}

}  // namespace
