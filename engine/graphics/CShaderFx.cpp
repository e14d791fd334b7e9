// CShaderFx: the effect wrapper and the vertex-shader text written from a flag word.
#include "engine/graphics/CShaderFx.h"

#include <cstdint>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/Kestra3D.h"

namespace {

using namespace ShaderFxFlag;

uint32_t LowestBit(uint32_t bits) { return bits & (~bits + 1); }

void AppendDeclarations(std::string& s, uint32_t kind, uint32_t light, uint32_t tex, int32_t bones) {
    s += "//----------------------------------------------------------------------------\n";
    s += "// VARIABLE\n";
    s += "//----------------------------------------------------------------------------\n";
    s += "float4x4 mTransform;\t\t\t// ワールドビュープロジェクション行列\n";
    s += "float VertexExtrusion;\t\t\t// 法線方向への押し出し量\n";
    s += "float FogParameter[2];\t\t\t// フォグの倍率とオフセット\n";
    s += "float4 FogTransform;\t\t\t// フォグの深度を求める行\n";
    s += "float SlideTextureU;\t\t\t// テクスチャのスライド量 U\n";
    s += "float SlideTextureV;\t\t\t// テクスチャのスライド量 V\n";
    s += "float4 MaterialDiffuse;\t\t\t// マテリアルの拡散色\n";
    s += "float4 MaterialAmbient;\t\t\t// マテリアルの環境色\n";
    if (kind == kMorph) s += "float MorphWeight;\t\t\t// モーフィングの重み\n";
    if (kind == kSkin)
        s += "float4x4 mBoneMatrixArray[" + std::to_string(bones) + "];\t// ボーンの行列\n";
    if (tex == kToon) {
        s += "float4 LightParameter[4];\t\t// ライトの方向\n";
    } else if (light != kMaterial) {
        s += "float4 LightAmbient;\t\t\t// 環境光\n";
        s += "float4 LightSpecular;\t\t\t// 鏡面光\n";
        s += "bool LightIsUse[4];\t\t\t// ライトを使うか\n";
        s += "bool LightIsDirectional[4];\t\t// 平行光源か\n";
        s += "float LightAttenuation[4];\t\t// ライトの減衰\n";
        s += "float4 LightParameter[4];\t\t// ライトの方向か位置\n";
        s += "float4 LightColor[4];\t\t\t// ライトの色\n";
    }
    if (tex == kReflect || tex == kScreen) s += "float4x4 mWorldView;\t\t\t// ワールドビュー行列\n";
    s += "\n";
}

void AppendStructures(std::string& s, uint32_t kind) {
    s += "struct VS_INPUT\n{\n";
    s += "\tfloat4 Position : POSITION;\n";
    s += "\tfloat3 Normal : NORMAL;\n";
    if (kind == kMorph) {
        s += "\tfloat4 TPosition : POSITION1;\n";
        s += "\tfloat3 TNormal : NORMAL1;\n";
    }
    if (kind == kSkin) {
        s += "\tfloat4 BlendWeights : BLENDWEIGHT;\n";
        s += "\tfloat4 BlendIndices : BLENDINDICES;\n";
    }
    s += "\tfloat4 Color : COLOR0;\n";
    s += "\tfloat2 TexUV : TEXCOORD0;\n";
    s += "};\n\n";
    s += "struct VS_OUTPUT\n{\n";
    s += "\tfloat4 Position : POSITION;\n";
    s += "\tfloat4 Color : COLOR0;\n";
    s += "\tfloat2 TexUV0 : TEXCOORD0;\n";
    s += "\tfloat3 TexUV1 : TEXCOORD1;\n";
    s += "\tfloat Fog : FOG;\n";
    s += "};\n\n";
}

void AppendComputeLight(std::string& s) {
    s += "float4 ComputeLight( int Number, float3 Normal, float4 Position )\n{\n";
    s += "\tfloat4 Color = float4( 0.0, 0.0, 0.0, 0.0 );\n";
    s += "\tif ( LightIsUse[Number] )\n\t{\n";
    s += "\t\tfloat3 Direction;\n";
    s += "\t\tif ( LightIsDirectional[Number] )\n";
    s += "\t\t\tDirection = LightParameter[Number].xyz;\n";
    s += "\t\telse\n";
    s += "\t\t\tDirection = normalize( Position.xyz - LightParameter[Number].xyz );\n";
    s += "\t\tColor = max( LightColor[Number] * -dot( Direction, Normal ), float4( 0.0, 0.0, 0.0, 1.0 ) );\n";
    s += "\t}\n";
    s += "\treturn Color;\n}\n\n";
}

void AppendSkinning(std::string& s, int32_t weights) {
    s += "\tint4 Index = D3DCOLORtoUBYTE4( Input.BlendIndices );\n";
    s += "\tfloat LastWeight = 1.0;\n";
    s += "\tPosition = float4( 0.0, 0.0, 0.0, 0.0 );\n";
    s += "\tNormal = float3( 0.0, 0.0, 0.0 );\n";
    static const char* const comp[] = {"x", "y", "z", "w"};
    for (int32_t i = 0; i < weights; ++i) {
        std::string bone = std::string("mBoneMatrixArray[Index.") + comp[i] + "]";
        std::string weight = i + 1 < weights ? std::string("Input.BlendWeights.") + comp[i] : "LastWeight";
        if (i + 1 < weights) s += "\tLastWeight -= " + weight + ";\n";
        s += "\tPosition += mul( float4( Input.Position.xyz, 1.0 ), " + bone + " ) * " + weight + ";\n";
        s += "\tNormal += mul( Input.Normal, (float3x3)" + bone + " ) * " + weight + ";\n";
    }
}

void AppendVertexShader(std::string& s, uint32_t kind, uint32_t light, uint32_t tex, int32_t weights) {
    s += "VS_OUTPUT VertexShader_00( VS_INPUT Input )\n{\n";
    s += "\tVS_OUTPUT Output;\n";
    s += "\tfloat4 Position;\n";
    s += "\tfloat3 Normal;\n";
    s += "\tfloat4 Color;\n\n";
    if (kind == kMorph) {
        s += "\tPosition = float4( lerp( Input.Position.xyz, Input.TPosition.xyz, MorphWeight ), 1.0 );\n";
        s += "\tNormal = lerp( Input.Normal, Input.TNormal, MorphWeight );\n";
    } else if (kind == kSkin) {
        AppendSkinning(s, weights);
    } else {
        s += "\tPosition = float4( Input.Position.xyz, 1.0 );\n";
        s += "\tNormal = Input.Normal;\n";
    }
    s += "\tPosition.xyz += Normal * VertexExtrusion;\n";
    s += "\tOutput.Position = mul( Position, mTransform );\n\n";
    // Fog.
    s += "\tfloat Depth = dot( Position, FogTransform );\n";
    s += "\tOutput.Fog = clamp( Depth * FogParameter[0] + FogParameter[1], 0.0, 1.0 );\n\n";
    // Colour.
    if (light == kMaterial) {
        s += "\tColor = MaterialDiffuse;\n";
    } else {
        int lights = light == kLight1 ? 1 : light == kLight2 ? 2 : light == kLight3 ? 3 : 4;
        s += "\tColor = float4( 0.0, 0.0, 0.0, 0.0 );\n";
        for (int i = 0; i < lights; ++i) s += "\tColor += ComputeLight( " + std::to_string(i) + ", Normal, Position );\n";
        s += "\tColor = min( max( Color, LightAmbient ) * MaterialDiffuse, 1.0 );\n";
    }
    s += "\tOutput.Color = float4( Color.rgb, MaterialDiffuse.a );\n\n";
    // Texture coordinates.
    const char* slide = "\tOutput.TexUV0 = Input.TexUV + float2( SlideTextureU, SlideTextureV );\n";
    if (tex == kSlide) {
        s += slide;
        s += "\tOutput.TexUV1 = float3( Output.TexUV0, 0.0 );\n";
    } else if (tex == kToon) {
        s += slide;
        s += "\tOutput.TexUV1 = dot( LightParameter[0].xyz, Normal ) * 0.5 + 0.5;\n";
    } else if (tex == kReflect) {
        s += slide;
        s += "\tfloat3 ViewPosition = mul( Position, mWorldView ).xyz;\n";
        s += "\tfloat3 ViewNormal = normalize( mul( Normal, (float3x3)mWorldView ) );\n";
        s += "\tOutput.TexUV1 = reflect( normalize( ViewPosition ), ViewNormal ) * 0.5 + 0.5;\n";
    } else {
        s += "\tfloat3 ViewNormal = mul( Normal, (float3x3)mWorldView );\n";
        s += "\tfloat2 Screen = Output.Position.xy / Output.Position.w * float2( 0.5, -0.5 ) + 0.5;\n";
        s += "\tScreen += ViewNormal.xy * float2( SlideTextureU, SlideTextureV );\n";
        s += "\tOutput.TexUV0 = Screen;\n";
        s += "\tOutput.TexUV1 = float3( Screen, 0.0 );\n";
    }
    s += "\n\treturn Output;\n}\n\n";
}

}  // namespace

CShaderFx::~CShaderFx() {
    if (effect_) effect_->Release();
}

uint32_t CShaderFx::NormalizeFlags(uint32_t flags, int32_t weights, int32_t bones) {
    uint32_t kind = LowestBit(flags & kKindMask);
    if (!kind) kind = kStatic;
    if (kind == kSkin && (weights == 0 || bones == 0)) kind = kStatic;
    uint32_t light = LowestBit(flags & kLightMask);
    if (!light) light = kMaterial;
    uint32_t tex = LowestBit(flags & kTexMask);
    if (!tex) tex = kSlide;
    if (tex == kToon) light = kMaterial;
    return kind | light | tex;
}

uint32_t CShaderFx::UsageMask(uint32_t f) {
    uint32_t usage = (f & kMorph) ? 0x9E1u : 0x8E1u;
    if (f & kSkin) usage |= 0x8;
    if ((f & kLightMask & ~kMaterial) || (f & kToon)) usage |= 0x10;
    if (f & (kReflect | kScreen)) usage |= 0x4;
    return usage;
}

std::string CShaderFx::GenerateSource(uint32_t f, int32_t weights, int32_t bones) {
    const uint32_t kind = f & kKindMask, light = f & kLightMask, tex = f & kTexMask;
    std::string s;
    s.reserve(8192);
    AppendDeclarations(s, kind, light, tex, bones);
    AppendStructures(s, kind);
    if (light != kMaterial) AppendComputeLight(s);
    AppendVertexShader(s, kind, light, tex, weights);
    s += "technique Technique00\n{\n";
    s += "\tpass Pass00\n\t{\n";
    s += "\t\tVertexShader = compile vs_2_0 VertexShader_00();\n";
    s += "\t}\n}\n";
    return s;
}

void CShaderFx::OnLostDevice() {
    if (effect_) effect_->OnLostDevice();
}

void CShaderFx::OnResetDevice() {
    if (effect_) effect_->OnResetDevice();
}

bool CShaderFx::CreateFromFlags(uint32_t flags, int32_t weights, int32_t bones, uint32_t* usage) {
    const uint32_t f = NormalizeFlags(flags, weights, bones);
    if (f & kSkin) {
        // A skinned body exists for one to four bones a vertex and a real palette only.
        if (weights < 1 || weights > 4) {
            Kestra::LogRed("ボーンの重みの数が範囲外です [ %d ]", weights);
            return false;
        }
        if (bones < 0) {
            Kestra::LogRed("ボーンの数が範囲外です [ %d ]", bones);
            return false;
        }
    }
    if (usage) *usage = UsageMask(f);
    const std::string source = GenerateSource(f, weights, bones);
    return Compile(source.c_str(), uint32_t(source.size()));
}

bool CShaderFx::LoadFile(const char* name) {
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!name || !KestraFile::Load(name, &data, &size)) {
        Kestra::LogRed("エフェクトファイルの読み込みに失敗しました [ %s ]", name ? name : "");
        return false;
    }
    bool ok = Compile(reinterpret_cast<const char*>(data), size);
    Kestra::MemoryFree(data);
    return ok;
}

bool CShaderFx::Compile(const char* text, uint32_t length) {
    if (effect_) {
        effect_->Release();
        effect_ = nullptr;
    }
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffect(Kestra3D::GetDevice(), text, length, nullptr, nullptr, 0, nullptr, &effect_, &errors);
    if (FAILED(hr)) {
        effect_ = nullptr;
        Kestra::LogRed("エフェクトの読み込みに失敗しました。");
        if (errors) {
            std::string message(static_cast<const char*>(errors->GetBufferPointer()), errors->GetBufferSize());
            message.resize(std::char_traits<char>::length(message.c_str()));
            Kestra::LogRed("  -> Shader Compile Error [ %s ]", message.c_str());
        }
    }
    if (errors) errors->Release();
    return SUCCEEDED(hr);
}

bool CShaderFx::Begin(uint32_t* passes, uint32_t flags) {
    if (!effect_) return false;
    UINT n = 0;
    HRESULT hr = effect_->Begin(&n, flags);
    if (passes) *passes = n;
    return hr >= 0;
}
bool CShaderFx::End() { return effect_ && SUCCEEDED(effect_->End()); }
bool CShaderFx::BeginPass(uint32_t pass) { return effect_ && SUCCEEDED(effect_->BeginPass(pass)); }
bool CShaderFx::EndPass() { return effect_ && SUCCEEDED(effect_->EndPass()); }
bool CShaderFx::CommitChanges() { return effect_ && SUCCEEDED(effect_->CommitChanges()); }
D3DXHANDLE CShaderFx::GetParameterByName(const char* name) {
    return effect_ ? effect_->GetParameterByName(nullptr, name) : nullptr;
}
D3DXHANDLE CShaderFx::GetParameterBySemantic(const char* semantic) {
    return effect_ ? effect_->GetParameterBySemantic(nullptr, semantic) : nullptr;
}
bool CShaderFx::SetBool(D3DXHANDLE h, BOOL v) { return effect_ && SUCCEEDED(effect_->SetBool(h, v)); }
bool CShaderFx::SetBoolArray(D3DXHANDLE h, const BOOL* v, uint32_t n) {
    return effect_ && SUCCEEDED(effect_->SetBoolArray(h, v, n));
}
bool CShaderFx::SetFloat(D3DXHANDLE h, float v) { return effect_ && SUCCEEDED(effect_->SetFloat(h, v)); }
bool CShaderFx::SetFloatArray(D3DXHANDLE h, const float* v, uint32_t n) {
    return effect_ && SUCCEEDED(effect_->SetFloatArray(h, v, n));
}
bool CShaderFx::SetInt(D3DXHANDLE h, int32_t v) { return effect_ && SUCCEEDED(effect_->SetInt(h, v)); }
bool CShaderFx::SetIntArray(D3DXHANDLE h, const int32_t* v, uint32_t n) {
    return effect_ && SUCCEEDED(effect_->SetIntArray(h, v, n));
}
bool CShaderFx::SetMatrix(D3DXHANDLE h, const D3DXMATRIX* m) { return effect_ && SUCCEEDED(effect_->SetMatrix(h, m)); }
bool CShaderFx::SetMatrixArray(D3DXHANDLE h, const D3DXMATRIX* m, uint32_t n) {
    return effect_ && SUCCEEDED(effect_->SetMatrixArray(h, m, n));
}
bool CShaderFx::SetMatrixTranspose(D3DXHANDLE h, const D3DXMATRIX* m) {
    return effect_ && SUCCEEDED(effect_->SetMatrixTranspose(h, m));
}
bool CShaderFx::SetMatrixTransposeArray(D3DXHANDLE h, const D3DXMATRIX* m, uint32_t n) {
    return effect_ && SUCCEEDED(effect_->SetMatrixTransposeArray(h, m, n));
}
bool CShaderFx::SetString(D3DXHANDLE h, const char* text) { return effect_ && SUCCEEDED(effect_->SetString(h, text)); }
bool CShaderFx::SetTexture(D3DXHANDLE h, CTexture* texture) {
    if (!effect_) return false;
    IDirect3DTexture9* d3dTexture = nullptr;
    if (texture) texture->GetTexture(&d3dTexture);
    HRESULT hr = effect_->SetTexture(h, d3dTexture);
    if (d3dTexture) d3dTexture->Release();
    return SUCCEEDED(hr);
}
bool CShaderFx::SetVector(D3DXHANDLE h, const D3DXVECTOR4* v) { return effect_ && SUCCEEDED(effect_->SetVector(h, v)); }
bool CShaderFx::SetVectorArray(D3DXHANDLE h, const D3DXVECTOR4* v, uint32_t n) {
    return effect_ && SUCCEEDED(effect_->SetVectorArray(h, v, n));
}
