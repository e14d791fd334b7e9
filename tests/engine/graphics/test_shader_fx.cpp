// Shader effects written from flag words: normalisation and usage masks, every
// combination compiled and linked on Mesa, captured vertex outputs against a
// reference written from the formulas, the matrix convention on screen, the
// module's list and log, and faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/graphics/CShaderFx.h"
#include "engine/graphics/KestraShaderFx.h"
#include "platform/d3d9/d3d9shader.h"
#include "platform/d3dx9/d3dx9math.h"
#include "tests/engine/graphics/object_test_env.h"
#include "tests/support/test_support.h"

namespace {

using namespace ShaderFxFlag;

using testsupport::Sjis;

// ---- Flag words ----------------------------------------------------------------

TEST(ShaderFxFlags, NormalisationKeepsTheLowestBitOfEachGroup) {
    EXPECT_EQ(CShaderFx::NormalizeFlags(0, 0, 0), kStatic | kMaterial | kSlide);
    EXPECT_EQ(CShaderFx::UsageMask(CShaderFx::NormalizeFlags(0, 0, 0)), 0x8E1u);
    // Skinned without weights or bones is static.
    EXPECT_EQ(CShaderFx::NormalizeFlags(kSkin, 0, 32) & kKindMask, kStatic);
    EXPECT_EQ(CShaderFx::NormalizeFlags(kSkin, 2, 0) & kKindMask, kStatic);
    EXPECT_EQ(CShaderFx::NormalizeFlags(kSkin | kMorph, 2, 8) & kKindMask, kMorph);
    EXPECT_EQ(CShaderFx::NormalizeFlags(0x18, 0, 0) & kLightMask, kMaterial);
    const uint32_t f = CShaderFx::NormalizeFlags(0x600, 0, 0);
    EXPECT_EQ(f & kTexMask, kSlide);
    const uint32_t toon = CShaderFx::NormalizeFlags(kToon | kLight3, 0, 0);
    EXPECT_EQ(toon & kLightMask, kMaterial);
    EXPECT_EQ(CShaderFx::UsageMask(toon), 0x8E1u | 0x10u);
    EXPECT_EQ(CShaderFx::UsageMask(kMorph | kMaterial | kSlide), 0x9E1u);
    EXPECT_EQ(CShaderFx::UsageMask(kSkin | kLight2 | kReflect), 0x8E1u | 0x8u | 0x10u | 0x4u);
    EXPECT_EQ(CShaderFx::UsageMask(kStatic | kMaterial | kScreen), 0x8E1u | 0x4u);
}

TEST(ShaderFxFlags, GeneratedTextDeclaresWhatTheFlagsAskFor) {
    const std::string skin = CShaderFx::GenerateSource(kSkin | kLight2 | kReflect, 3, 32);
    EXPECT_NE(skin.find("float4x4 mBoneMatrixArray[32];"), std::string::npos);
    EXPECT_NE(skin.find("bool LightIsUse[4];"), std::string::npos);
    EXPECT_NE(skin.find("float4x4 mWorldView;"), std::string::npos);
    EXPECT_NE(skin.find("BLENDINDICES"), std::string::npos);
    EXPECT_NE(skin.find("ComputeLight( 1,"), std::string::npos);
    EXPECT_EQ(skin.find("ComputeLight( 2,"), std::string::npos);
    EXPECT_NE(skin.find("VertexShader = compile vs_2_0 VertexShader_00();"), std::string::npos);
    const std::string toon = CShaderFx::GenerateSource(kStatic | kMaterial | kToon, 0, 0);
    EXPECT_NE(toon.find("float4 LightParameter[4];"), std::string::npos);
    EXPECT_EQ(toon.find("LightColor"), std::string::npos);
    EXPECT_EQ(toon.find("MorphWeight"), std::string::npos);
    // A palette of any size fits: the text grows as needed.
    EXPECT_NE(CShaderFx::GenerateSource(kSkin | kMaterial | kSlide, 4, 100000).find("[100000]"), std::string::npos);
    // Japanese comments are CP932; none may end in a byte the compiler reads as a
    // line continuation.
    for (uint32_t f : {kStatic | kLight4 | kSlide, kMorph | kMaterial | kScreen, kSkin | kLight1 | kToon})
        EXPECT_EQ(CShaderFx::GenerateSource(f, 2, 4).find("\\\n"), std::string::npos);
}

// ---- Vertices and a reference written from the formulas -----------------------

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
struct Vec4 {
    double x = 0, y = 0, z = 0, w = 0;
};
Vec4 MulRow(const Vec4& v, const D3DXMATRIX& m) {
    Vec4 r;
    r.x = v.x * m._11 + v.y * m._21 + v.z * m._31 + v.w * m._41;
    r.y = v.x * m._12 + v.y * m._22 + v.z * m._32 + v.w * m._42;
    r.z = v.x * m._13 + v.y * m._23 + v.z * m._33 + v.w * m._43;
    r.w = v.x * m._14 + v.y * m._24 + v.z * m._34 + v.w * m._44;
    return r;
}
Vec3 Mul3(const Vec3& v, const D3DXMATRIX& m) {
    Vec4 r = MulRow({v.x, v.y, v.z, 0}, m);
    return {r.x, r.y, r.z};
}
double Dot3(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalize(const Vec3& v) {
    double l = std::sqrt(Dot3(v, v));
    return {v.x / l, v.y / l, v.z / l};
}

// The master vertex of the model meshes (76 bytes), every element at its place.
struct ModelVertex {
    float pos[3], normal[3], pos1[3], normal1[3], weights[3];
    uint8_t indices[4];
    D3DCOLOR color;
    float uv[2];
};
static_assert(sizeof(ModelVertex) == 76);

std::vector<D3DVERTEXELEMENT9> Declaration(uint32_t kind) {
    std::vector<D3DVERTEXELEMENT9> d = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                        {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0}};
    if (kind == kMorph) {
        d.push_back({0, 24, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 1});
        d.push_back({0, 36, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 1});
    }
    if (kind == kSkin) {
        d.push_back({0, 48, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_BLENDWEIGHT, 0});
        d.push_back({0, 60, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_BLENDINDICES, 0});
    }
    d.push_back({0, 64, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0});
    d.push_back({0, 68, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0});
    d.push_back(D3DDECL_END());
    return d;
}

constexpr int kBones = 6;

// Every parameter the generated text may declare, with values that make each term
// visible.
struct Params {
    D3DXMATRIX transform, worldView, bones[kBones];
    float extrusion = 0.125f, fog[2] = {0.05f, 0.25f}, slideU = 0.125f, slideV = -0.25f, morph = 0.375f;
    D3DXVECTOR4 fogTransform{0.1f, 0.2f, 0.3f, 0.5f};
    D3DXVECTOR4 diffuse{0.8f, 0.6f, 0.4f, 0.7f}, ambient{0.2f, 0.3f, 0.4f, 1.0f};
    D3DXVECTOR4 lightAmbient{0.15f, 0.2f, 0.25f, 1.0f}, lightSpecular{1, 1, 1, 1};
    BOOL use[4] = {TRUE, TRUE, FALSE, TRUE};
    BOOL directional[4] = {TRUE, FALSE, TRUE, FALSE};
    float attenuation[4] = {1, 1, 1, 1};
    D3DXVECTOR4 lightParam[4] = {{0.0f, -0.6f, 0.8f, 0}, {3, 4, -5, 1}, {1, 0, 0, 0}, {-2, 1, 1, 1}};
    D3DXVECTOR4 lightColor[4] = {{1, 0.5f, 0.25f, 1}, {0.5f, 1, 0.5f, 0.5f}, {1, 1, 1, 1}, {0.25f, 0.25f, 1, 1}};

    Params() {
        D3DXMATRIX r, t, s;
        D3DXMatrixRotationYawPitchRoll(&r, 0.3f, -0.2f, 0.1f);
        D3DXMatrixTranslation(&t, 0.5f, -0.25f, 3.0f);
        D3DXMatrixScaling(&s, 1.5f, 1.25f, 0.5f);
        transform = r * s * t;
        transform._34 = 0.25f;  // a w that varies, as a projection gives
        D3DXMatrixRotationYawPitchRoll(&r, -0.4f, 0.25f, 0.0f);
        D3DXMatrixTranslation(&t, 0.0f, 0.5f, 4.0f);
        worldView = r * t;
        for (int i = 0; i < kBones; ++i) {
            D3DXMatrixRotationYawPitchRoll(&r, 0.1f * i, 0.05f * i, -0.07f * i);
            D3DXMatrixTranslation(&t, 0.25f * i, -0.125f * i, 0.0625f * i);
            bones[i] = r * t;
        }
    }

    void Apply(CShaderFx* fx) const {
        fx->SetMatrix("mTransform", &transform);
        fx->SetFloat("VertexExtrusion", extrusion);
        fx->SetFloatArray("FogParameter", fog, 2);
        fx->SetVector("FogTransform", &fogTransform);
        fx->SetFloat("SlideTextureU", slideU);
        fx->SetFloat("SlideTextureV", slideV);
        fx->SetVector("MaterialDiffuse", &diffuse);
        fx->SetVector("MaterialAmbient", &ambient);
        fx->SetFloat("MorphWeight", morph);
        fx->SetMatrixArray("mBoneMatrixArray", bones, kBones);
        fx->SetVector("LightAmbient", &lightAmbient);
        fx->SetVector("LightSpecular", &lightSpecular);
        fx->SetBoolArray("LightIsUse", use, 4);
        fx->SetBoolArray("LightIsDirectional", directional, 4);
        fx->SetFloatArray("LightAttenuation", attenuation, 4);
        fx->SetVectorArray("LightParameter", lightParam, 4);
        fx->SetVectorArray("LightColor", lightColor, 4);
        fx->SetMatrix("mWorldView", &worldView);
    }
};

struct Expected {
    Vec4 position, color;
    double tex0[2], tex1[3], fog;
};

Vec3 V3(const float* f) { return {f[0], f[1], f[2]}; }
Vec3 V3(const D3DXVECTOR4& v) { return {v.x, v.y, v.z}; }

Expected Reference(uint32_t f, int weights, const Params& p, const ModelVertex& v) {
    const uint32_t kind = f & kKindMask, light = f & kLightMask, tex = f & kTexMask;
    Vec4 pos{v.pos[0], v.pos[1], v.pos[2], 1};
    Vec3 n = V3(v.normal);
    if (kind == kMorph) {
        const double w = p.morph;
        pos = {v.pos[0] + (v.pos1[0] - v.pos[0]) * w, v.pos[1] + (v.pos1[1] - v.pos[1]) * w,
               v.pos[2] + (v.pos1[2] - v.pos[2]) * w, 1};
        n = {v.normal[0] + (v.normal1[0] - v.normal[0]) * w, v.normal[1] + (v.normal1[1] - v.normal[1]) * w,
             v.normal[2] + (v.normal1[2] - v.normal[2]) * w};
    } else if (kind == kSkin) {
        Vec4 sum{};
        Vec3 nsum{};
        double last = 1;
        for (int i = 0; i < weights; ++i) {
            double w = i + 1 < weights ? v.weights[i] : last;
            last -= i + 1 < weights ? v.weights[i] : 0;
            const D3DXMATRIX& b = p.bones[v.indices[i]];
            Vec4 q = MulRow({v.pos[0], v.pos[1], v.pos[2], 1}, b);
            Vec3 m = Mul3(V3(v.normal), b);
            sum = {sum.x + q.x * w, sum.y + q.y * w, sum.z + q.z * w, sum.w + q.w * w};
            nsum = {nsum.x + m.x * w, nsum.y + m.y * w, nsum.z + m.z * w};
        }
        pos = sum;
        n = nsum;
    }
    pos.x += n.x * p.extrusion;
    pos.y += n.y * p.extrusion;
    pos.z += n.z * p.extrusion;
    Expected e{};
    e.position = MulRow(pos, p.transform);
    const double depth = pos.x * p.fogTransform.x + pos.y * p.fogTransform.y + pos.z * p.fogTransform.z +
                         pos.w * p.fogTransform.w;
    e.fog = std::clamp(depth * p.fog[0] + p.fog[1], 0.0, 1.0);
    if (light == kMaterial) {
        e.color = {p.diffuse.x, p.diffuse.y, p.diffuse.z, p.diffuse.w};
    } else {
        const int lights = light == kLight1 ? 1 : light == kLight2 ? 2 : light == kLight3 ? 3 : 4;
        double c[4] = {0, 0, 0, 0};
        for (int i = 0; i < lights; ++i) {
            if (!p.use[i]) continue;
            Vec3 d = p.directional[i] ? V3(p.lightParam[i])
                                      : Normalize({pos.x - p.lightParam[i].x, pos.y - p.lightParam[i].y,
                                                   pos.z - p.lightParam[i].z});
            const double k = -Dot3(d, n);
            const float* lc = &p.lightColor[i].x;
            for (int j = 0; j < 4; ++j) c[j] += std::max(lc[j] * k, j == 3 ? 1.0 : 0.0);
        }
        const float* la = &p.lightAmbient.x;
        const float* md = &p.diffuse.x;
        for (int j = 0; j < 4; ++j) c[j] = std::min(std::max(c[j], double(la[j])) * md[j], 1.0);
        e.color = {c[0], c[1], c[2], p.diffuse.w};
    }
    const double su = v.uv[0] + p.slideU, sv = v.uv[1] + p.slideV;
    e.tex0[0] = su;
    e.tex0[1] = sv;
    e.tex1[0] = su;
    e.tex1[1] = sv;
    e.tex1[2] = 0;
    if (tex == kToon) {
        const double t = Dot3(V3(p.lightParam[0]), n) * 0.5 + 0.5;
        e.tex1[0] = e.tex1[1] = e.tex1[2] = t;
    } else if (tex == kReflect) {
        Vec4 vp4 = MulRow(pos, p.worldView);
        Vec3 i = Normalize({vp4.x, vp4.y, vp4.z});
        Vec3 vn = Normalize(Mul3(n, p.worldView));
        const double d = 2 * Dot3(vn, i);
        e.tex1[0] = (i.x - d * vn.x) * 0.5 + 0.5;
        e.tex1[1] = (i.y - d * vn.y) * 0.5 + 0.5;
        e.tex1[2] = (i.z - d * vn.z) * 0.5 + 0.5;
    } else if (tex == kScreen) {
        Vec3 vn = Mul3(n, p.worldView);
        const double x = e.position.x / e.position.w * 0.5 + 0.5 + vn.x * p.slideU;
        const double y = e.position.y / e.position.w * -0.5 + 0.5 + vn.y * p.slideV;
        e.tex0[0] = e.tex1[0] = x;
        e.tex0[1] = e.tex1[1] = y;
        e.tex1[2] = 0;
    }
    return e;
}

std::array<ModelVertex, 3> Triangle() {
    std::array<ModelVertex, 3> v{};
    const float pos[3][3] = {{0.5f, -0.25f, 0.75f}, {-0.75f, 0.5f, 0.25f}, {0.25f, 0.75f, -0.5f}};
    const float nrm[3][3] = {{0.0f, 0.6f, -0.8f}, {0.48f, 0.6f, 0.64f}, {-1.0f, 0.0f, 0.0f}};
    const uint8_t idx[3][4] = {{1, 2, 3, 0}, {4, 0, 5, 2}, {3, 5, 1, 4}};
    const float wts[3][3] = {{0.5f, 0.25f, 0.125f}, {0.25f, 0.25f, 0.25f}, {0.75f, 0.125f, 0.0625f}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            v[i].pos[j] = pos[i][j];
            v[i].normal[j] = nrm[i][j];
            v[i].pos1[j] = pos[(i + 1) % 3][j] * 1.5f;
            v[i].normal1[j] = nrm[(i + 2) % 3][j];
            v[i].weights[j] = wts[i][j];
        }
        std::memcpy(v[i].indices, idx[i], 4);
        v[i].color = 0xFF336699u;
        v[i].uv[0] = 0.25f * float(i);
        v[i].uv[1] = 1.0f - 0.5f * float(i);
    }
    return v;
}

// Draws the three vertices through the effect and answers what the shader wrote.
std::vector<d3d9shader::capture::Vertex> DrawCaptured(CShaderFx* fx, uint32_t kind,
                                                      const std::array<ModelVertex, 3>& v) {
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    IDirect3DVertexDeclaration9* decl = nullptr;
    EXPECT_EQ(device->CreateVertexDeclaration(Declaration(kind).data(), &decl), D3D_OK);
    device->SetVertexDeclaration(decl);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d3d9shader::capture::Enable(true);
    device->BeginScene();
    uint32_t passes = 0;
    EXPECT_TRUE(KestraShaderFx::Begin(fx, &passes));
    EXPECT_EQ(passes, 1u);
    KestraShaderFx::BeginPass(fx, 0);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v.data(), sizeof(ModelVertex)), D3D_OK);
    KestraShaderFx::EndPass(fx);
    KestraShaderFx::End(fx);
    device->EndScene();
    auto out = d3d9shader::capture::Last();
    d3d9shader::capture::Enable(false);
    device->SetVertexDeclaration(nullptr);
    if (decl) decl->Release();
    return out;
}

class ShaderFx : public objtest::DeviceTest {
protected:
    void StartAll(d3d9test::Backend backend) {
        StartDevice(backend);
    }
    void FinishDevice() override {
        KestraShaderFx::Finalize();
        objtest::DeviceTest::FinishDevice();
    }
    void InGl(const std::function<void()>& body) {
        EXPECT_EQ(objtest::InDisplayChild([&] {
                      StartAll(d3d9test::Backend::GL);
                      body();
                      FinishDevice();
                  }),
                  0);
    }
};

// ---- Every normalised combination compiles and links --------------------------

struct KindCase {
    uint32_t kind;
    int weights;
};
class ShaderFxCombinations : public ShaderFx, public ::testing::WithParamInterface<KindCase> {};

TEST_P(ShaderFxCombinations, EveryLightingAndTextureModeCompilesLinksAndDraws) {
    const KindCase k = GetParam();
    InGl([&] {
        const Params params;
        const auto tri = Triangle();
        int drawn = 0;
        for (uint32_t light : {kMaterial, kLight1, kLight2, kLight3, kLight4})
            for (uint32_t tex : {kSlide, kToon, kReflect, kScreen}) {
                if (tex == kToon && light != kMaterial) continue;  // toon forces material only
                const uint32_t f = k.kind | light | tex;
                uint32_t usage = 0;
                CShaderFx* fx = KestraShaderFx::Create(f, k.weights, 32, &usage);
                ASSERT_NE(fx, nullptr) << std::hex << f << "\n" << Log();
                EXPECT_EQ(usage, CShaderFx::UsageMask(f));
                params.Apply(fx);
                auto out = DrawCaptured(fx, k.kind, tri);
                ASSERT_EQ(out.size(), 3u) << "the program did not link for flags " << std::hex << f;
                for (const auto& v : out) EXPECT_TRUE(std::isfinite(v.position[3]) && std::isfinite(v.fog));
                KestraShaderFx::Release(fx);
                ++drawn;
            }
        EXPECT_EQ(drawn, 16);
        EXPECT_EQ(KestraShaderFx::List().GetCount(), 0u);
    });
}

const KindCase kKinds[] = {{kStatic, 0}, {kMorph, 0}, {kSkin, 1}, {kSkin, 2}, {kSkin, 3}, {kSkin, 4}};
std::string KindName(const ::testing::TestParamInfo<KindCase>& info) {
    const char* names[] = {"", "Static", "Morph", "", "Skin"};
    return std::string(names[info.param.kind]) + (info.param.weights ? std::to_string(info.param.weights) : "");
}
INSTANTIATE_TEST_SUITE_P(Kinds, ShaderFxCombinations, ::testing::ValuesIn(kKinds), KindName);

// ---- Numbers ----------------------------------------------------------------------

TEST_F(ShaderFx, CapturedOutputsMatchTheFormulas) {
    InGl([&] {
        const Params params;
        const auto tri = Triangle();
        struct Case {
            uint32_t flags;
            int weights;
        };
        const Case cases[] = {{kStatic | kMaterial | kSlide, 0}, {kMorph | kLight2 | kSlide, 0},
                              {kSkin | kLight4 | kReflect, 4},   {kStatic | kMaterial | kToon, 0},
                              {kSkin | kLight3 | kScreen, 2},    {kMorph | kLight1 | kReflect, 0}};
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags);
            CShaderFx* fx = KestraShaderFx::Create(c.flags, c.weights, kBones, nullptr);
            ASSERT_NE(fx, nullptr);
            params.Apply(fx);
            auto out = DrawCaptured(fx, c.flags & kKindMask, tri);
            ASSERT_EQ(out.size(), 3u);
            for (int i = 0; i < 3; ++i) {
                const Expected e = Reference(c.flags, c.weights, params, tri[i]);
                const auto& o = out[i];
                const double eps = 1e-5;
                EXPECT_NEAR(o.position[0], e.position.x, eps);
                EXPECT_NEAR(o.position[1], e.position.y, eps);
                EXPECT_NEAR(o.position[2], e.position.z, eps);
                EXPECT_NEAR(o.position[3], e.position.w, eps);
                EXPECT_NEAR(o.color[0], e.color.x, eps);
                EXPECT_NEAR(o.color[1], e.color.y, eps);
                EXPECT_NEAR(o.color[2], e.color.z, eps);
                EXPECT_NEAR(o.color[3], e.color.w, eps);
                EXPECT_NEAR(o.tex[0][0], e.tex0[0], eps);
                EXPECT_NEAR(o.tex[0][1], e.tex0[1], eps);
                EXPECT_NEAR(o.tex[1][0], e.tex1[0], eps);
                EXPECT_NEAR(o.tex[1][1], e.tex1[1], eps);
                EXPECT_NEAR(o.tex[1][2], e.tex1[2], eps);
                EXPECT_NEAR(o.fog, e.fog, eps);
            }
            KestraShaderFx::Release(fx);
        }
    });
}

TEST_F(ShaderFx, AfterADeviceResetTheEffectDrawsTheSameNumbers) {
    InGl([&] {
        const uint32_t flags = kSkin | kLight2 | kScreen;
        CShaderFx* fx = KestraShaderFx::Create(flags, 3, kBones, nullptr);
        ASSERT_NE(fx, nullptr);
        const Params params;
        params.Apply(fx);
        const auto tri = Triangle();
        const auto before = DrawCaptured(fx, kSkin, tri);
        ASSERT_EQ(before.size(), 3u);
        d3d9test::LoseDevice(Device(), 0);
        Kestra3D::Present(nullptr);
        ASSERT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok);
        ASSERT_EQ(d3d9test::CallCount("Reset"), 1u);
        const auto after = DrawCaptured(fx, kSkin, tri);
        ASSERT_EQ(after.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            const Expected e = Reference(flags, 3, params, tri[i]);
            EXPECT_EQ(std::memcmp(&before[i], &after[i], sizeof before[i]), 0) << i;
            EXPECT_NEAR(after[i].position[0], e.position.x, 1e-5);
            EXPECT_NEAR(after[i].tex[0][1], e.tex0[1], 1e-5);
        }
        KestraShaderFx::Release(fx);
    });
}

// ---- The matrix convention on screen ---------------------------------------------

TEST_F(ShaderFx, GamePerspectivePutsTheOriginAtTheCentreAndPlusXToItsRight) {
    InGl([&] {
        CShaderFx* fx = KestraShaderFx::Create(0, 0, 0, nullptr);
        ASSERT_NE(fx, nullptr);
        D3DXMATRIX view, projection;
        const D3DXVECTOR3 eye(0, 0, -50), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, 1.0471976f, 1.3333334f, 1.0f, 1000.0f);
        const D3DXMATRIX transform = view * projection;
        EXPECT_TRUE(fx->SetMatrix("mTransform", &transform));
        // Meshes set parameters the generated text does not declare; that fails quietly.
        const D3DXVECTOR4 camera(0, 0, -50, 1);
        EXPECT_FALSE(fx->SetVector("vCameraPos", &camera));
        EXPECT_EQ(fx->GetParameterByName("vCameraPos"), nullptr);
        const float fog[2] = {0, 1};
        fx->SetFloatArray("FogParameter", fog, 2);

        IDirect3DDevice9* device = Kestra3D::GetDevice();
        IDirect3DVertexDeclaration9* decl = nullptr;
        ASSERT_EQ(device->CreateVertexDeclaration(Declaration(kStatic).data(), &decl), D3D_OK);
        device->SetVertexDeclaration(decl);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        device->SetTexture(0, nullptr);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0);
        // A small square around a point of the z = 0 plane.
        auto square = [](float cx) {
            std::array<ModelVertex, 6> v{};
            const float d = 0.3f;
            const float corners[6][2] = {{-d, -d}, {-d, d}, {d, d}, {-d, -d}, {d, d}, {d, -d}};
            for (int i = 0; i < 6; ++i) {
                v[i].pos[0] = cx + corners[i][0];
                v[i].pos[1] = corners[i][1];
                v[i].normal[2] = -1;
            }
            return v;
        };
        const D3DXVECTOR4 red(1, 0, 0, 1), green(0, 1, 0, 1);
        device->BeginScene();
        uint32_t passes = 0;
        ASSERT_TRUE(KestraShaderFx::Begin(fx, &passes));
        KestraShaderFx::BeginPass(fx, 0);
        KestraShaderFx::SetVector(fx, "MaterialDiffuse", &red);
        KestraShaderFx::CommitChanges(fx);
        auto origin = square(0);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, origin.data(), sizeof(ModelVertex)), D3D_OK);
        KestraShaderFx::SetVector(fx, "MaterialDiffuse", &green);
        KestraShaderFx::CommitChanges(fx);
        auto right = square(1);
        EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, right.data(), sizeof(ModelVertex)), D3D_OK);
        KestraShaderFx::EndPass(fx);
        KestraShaderFx::End(fx);
        device->EndScene();
        IDirect3DVertexShader9* shader = reinterpret_cast<IDirect3DVertexShader9*>(1);
        device->GetVertexShader(&shader);
        EXPECT_EQ(shader, nullptr) << "End leaves the fixed-function pipeline";
        device->SetVertexDeclaration(nullptr);
        decl->Release();

        const d3d9test::Image frame = d3d9test::ReadRenderTarget(device);
        ASSERT_EQ(frame.width, 640u);
        // 1 unit at 50 is 1.299038 / 50 of the half width: 8.3 pixels.
        EXPECT_EQ(frame.at(320, 240) & 0xFFFFFF, 0xFF0000u);
        EXPECT_EQ(frame.at(328, 240) & 0xFFFFFF, 0x00FF00u);
        EXPECT_EQ(frame.at(312, 240) & 0xFFFFFF, 0x000000u);
        EXPECT_EQ(frame.at(320, 232) & 0xFFFFFF, 0x000000u);
        KestraShaderFx::Release(fx);
    });
}

TEST_F(ShaderFx, ColourBlendIndicesPickTheirPaletteEntry) {
    InGl([&] {
        CShaderFx* fx = KestraShaderFx::Create(kSkin, 4, 4, nullptr);
        ASSERT_NE(fx, nullptr);
        D3DXMATRIX identity, palette[4];
        D3DXMatrixIdentity(&identity);
        for (int i = 0; i < 4; ++i) D3DXMatrixTranslation(&palette[i], i == 1 ? 10.0f : 100.0f * i, 0, 0);
        fx->SetMatrix("mTransform", &identity);
        fx->SetMatrixArray("mBoneMatrixArray", palette, 4);
        auto tri = Triangle();
        for (auto& v : tri) {
            const uint8_t idx[4] = {1, 2, 3, 0};
            std::memcpy(v.indices, idx, 4);
            v.weights[0] = 1;
            v.weights[1] = v.weights[2] = 0;
        }
        auto out = DrawCaptured(fx, kSkin, tri);
        ASSERT_EQ(out.size(), 3u);
        for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(out[i].position[0], tri[i].pos[0] + 10.0f) << i;
        KestraShaderFx::Release(fx);
    });
}

// ---- Module, log and faults -------------------------------------------------------

TEST_F(ShaderFx, CreateListsReleaseUnlistsAndFinalizeDeletesTheRest) {
    StartAll(d3d9test::Backend::Null);
    uint32_t usage = 0;
    CShaderFx* a = KestraShaderFx::Create(kMorph | kLight2 | kSlide, 0, 0, &usage);
    ASSERT_NE(a, nullptr) << Log();
    EXPECT_EQ(usage, 0x9E1u | 0x10u);
    CShaderFx* b = KestraShaderFx::Create(kSkin | kMaterial | kScreen, 2, 16, &usage);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(usage, 0x8E1u | 0x8u | 0x4u);
    EXPECT_EQ(KestraShaderFx::List().GetCount(), 2u);
    EXPECT_EQ(Count("KestraShaderFx::Create"), 2);
    EXPECT_EQ(Count("Complete"), 2);
    char line[64];
    std::snprintf(line, sizeof line, "[ 0x%08X ]", unsigned(reinterpret_cast<uintptr_t>(a)));
    EXPECT_EQ(Count(line), 1) << "the address in eight digits";
    // A second holder keeps the effect listed.
    a->AddRef();
    KestraShaderFx::Release(a);
    EXPECT_EQ(KestraShaderFx::List().GetCount(), 2u);
    EXPECT_EQ(Count("KestraShaderFx::Release"), 0);
    KestraShaderFx::Release(a);
    EXPECT_EQ(KestraShaderFx::List().GetCount(), 1u);
    EXPECT_EQ(Count("KestraShaderFx::Release"), 1);
    EXPECT_EQ(Count("[Reference 1]"), 1);
    KestraShaderFx::Release(nullptr);
    const size_t before = Log().size();
    KestraShaderFx::Finalize();  // b goes with it (LeakSanitizer would tell)
    EXPECT_EQ(KestraShaderFx::List().GetCount(), 0u);
    EXPECT_EQ(Log().size(), before) << "the module has no finish line";
}

TEST_F(ShaderFx, WeightCountsOutsideOneToFourAreRefusedWithALine) {
    StartAll(d3d9test::Backend::Null);
    EXPECT_EQ(KestraShaderFx::Create(kSkin, 5, 32, nullptr), nullptr);
    EXPECT_EQ(KestraShaderFx::Create(kSkin, -1, 32, nullptr), nullptr);
    EXPECT_EQ(Count(Sjis(u8"ボーンの重みの数が範囲外です [ 5 ]")), 1) << Log();
    EXPECT_EQ(Count(Sjis(u8"ボーンの重みの数が範囲外です [ -1 ]")), 1);
    EXPECT_EQ(KestraShaderFx::List().GetCount(), 0u);
    // Zero weights is the static effect, as the flag table says.
    CShaderFx* fx = KestraShaderFx::Create(kSkin, 0, 32, nullptr);
    ASSERT_NE(fx, nullptr);
    EXPECT_EQ(fx->GetParameterByName("mBoneMatrixArray"), nullptr);
    KestraShaderFx::Release(fx);
    // A palette too large for the constant registers fails as a compile error.
    EXPECT_EQ(KestraShaderFx::Create(kSkin, 2, 4000, nullptr), nullptr);
    EXPECT_EQ(Count(Sjis(u8"エフェクトの読み込みに失敗しました。")), 1);
}

TEST_F(ShaderFx, ABrokenTextAnswersFalseAndLogsTheCompilerLine) {
    StartAll(d3d9test::Backend::Null);
    CShaderFx fx;
    const std::string text = "float4x4 mTransform;\n"
                             "float4 Main(float4 p : POSITION) : POSITION\n"
                             "{\n"
                             "    return mul(p, mTransfrom);\n"
                             "}\n"
                             "technique T { pass P { VertexShader = compile vs_2_0 Main(); } }\n";
    EXPECT_FALSE(fx.Compile(text.c_str(), uint32_t(text.size())));
    EXPECT_EQ(fx.GetEffect(), nullptr);
    EXPECT_EQ(Count(Sjis(u8"エフェクトの読み込みに失敗しました。")), 1) << Log();
    EXPECT_EQ(Count("Shader Compile Error [ memory(4): error:"), 1) << Log();
    // A null effect answers false or null everywhere.
    uint32_t passes = 7;
    EXPECT_FALSE(fx.Begin(&passes, 0));
    EXPECT_FALSE(fx.SetFloat("mTransform", 1.0f));
    EXPECT_EQ(fx.GetParameterByName("mTransform"), nullptr);
    KestraShaderFx::BeginPass(nullptr, 0);  // the forwarders ignore a null effect
    KestraShaderFx::End(nullptr);
    // The same text, mended, compiles; a file is read through the engine's files.
    std::string good = text;
    good.replace(good.find("mTransfrom"), 10, "mTransform");
    EXPECT_TRUE(fx.Compile(good.c_str(), uint32_t(good.size())));
    EXPECT_FALSE(fx.LoadFile("no_such.fx"));
    EXPECT_EQ(Count(Sjis(u8"エフェクトファイルの読み込みに失敗しました [ no_such.fx ]")), 1);
    testsupport::WriteFile(dir_.file("good.fx"), good);
    EXPECT_TRUE(fx.LoadFile(dir_.file("good.fx").c_str())) << Log();
    EXPECT_NE(fx.GetParameterByName("mTransform"), nullptr);
}

TEST_F(ShaderFx, ParametersSurviveDeviceLossAndReset) {
    StartAll(d3d9test::Backend::Null);
    auto CallCount = [](const char* method) { return d3d9test::CallCount(method); };
    CShaderFx* fx = KestraShaderFx::Create(kStatic | kLight2 | kReflect, 0, 0, nullptr);
    ASSERT_NE(fx, nullptr);
    const Params params;
    params.Apply(fx);
    // A real loss: the present finds it and resets the device, walking the modules.
    d3d9test::LoseDevice(Device(), 0);
    Kestra3D::Present(nullptr);
    ASSERT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok);
    EXPECT_EQ(CallCount("Reset"), 1u);
    float m[16];
    ASSERT_EQ(fx->GetEffect()->GetFloatArray("mWorldView", m, 16), D3D_OK);
    EXPECT_EQ(std::memcmp(m, &params.worldView.m[0][0], sizeof m), 0);
    float use[4];
    ASSERT_EQ(fx->GetEffect()->GetFloatArray("LightIsUse", use, 4), D3D_OK);
    EXPECT_EQ(use[2], 0.0f);
    EXPECT_EQ(use[3], 1.0f);
    // The reset device lost its constants; the next pass hands them over again.
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    uint32_t passes = 0;
    ASSERT_TRUE(KestraShaderFx::Begin(fx, &passes));
    KestraShaderFx::BeginPass(fx, 0);
    float registers[16];
    device->GetVertexShaderConstantF(0, registers, 4);
    EXPECT_EQ(std::memcmp(registers, &params.transform.m[0][0], sizeof registers), 0);
    KestraShaderFx::EndPass(fx);
    KestraShaderFx::End(fx);
    KestraShaderFx::Release(fx);
}

}  // namespace
