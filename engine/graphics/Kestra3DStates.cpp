// The device-state layer: caches of render, texture-stage and sampler states that
// send only changes, their capture and replay around a reset, blending presets,
// nested scenes, clearing and the bindings the engine remembers.
#include <cstring>

#include "engine/core/Kestra.h"
#include "engine/graphics/CSurface.h"
#include "engine/graphics/Kestra3DInternal.h"
#include "engine/graphics/KestraManagers.h"

namespace Kestra3D {
namespace detail {

namespace {

// Whether every state of a list has its place in a cache of `count` states.
template <class State, size_t N>
constexpr bool AllBelow(const State (&states)[N], uint32_t count) {
    for (State s : states)
        if (static_cast<uint32_t>(s) >= count) return false;
    return true;
}

constexpr D3DRENDERSTATETYPE kRenderStateList[] = {
    D3DRS_ZENABLE,
    D3DRS_FILLMODE,
    D3DRS_SHADEMODE,
    D3DRS_ZWRITEENABLE,
    D3DRS_ALPHATESTENABLE,
    D3DRS_LASTPIXEL,
    D3DRS_SRCBLEND,
    D3DRS_DESTBLEND,
    D3DRS_CULLMODE,
    D3DRS_ZFUNC,
    D3DRS_ALPHAREF,
    D3DRS_ALPHAFUNC,
    D3DRS_DITHERENABLE,
    D3DRS_ALPHABLENDENABLE,
    D3DRS_FOGENABLE,
    D3DRS_SPECULARENABLE,
    D3DRS_FOGCOLOR,
    D3DRS_FOGTABLEMODE,
    D3DRS_FOGSTART,
    D3DRS_FOGEND,
    D3DRS_FOGDENSITY,
    D3DRS_RANGEFOGENABLE,
    D3DRS_STENCILENABLE,
    D3DRS_STENCILFAIL,
    D3DRS_STENCILZFAIL,
    D3DRS_STENCILPASS,
    D3DRS_STENCILFUNC,
    D3DRS_STENCILREF,
    D3DRS_STENCILMASK,
    D3DRS_STENCILWRITEMASK,
    D3DRS_TEXTUREFACTOR,
    D3DRS_WRAP0,
    D3DRS_WRAP1,
    D3DRS_WRAP2,
    D3DRS_WRAP3,
    D3DRS_WRAP4,
    D3DRS_WRAP5,
    D3DRS_WRAP6,
    D3DRS_WRAP7,
    D3DRS_CLIPPING,
    D3DRS_LIGHTING,
    D3DRS_AMBIENT,
    D3DRS_FOGVERTEXMODE,
    D3DRS_COLORVERTEX,
    D3DRS_LOCALVIEWER,
    D3DRS_NORMALIZENORMALS,
    D3DRS_DIFFUSEMATERIALSOURCE,
    D3DRS_SPECULARMATERIALSOURCE,
    D3DRS_AMBIENTMATERIALSOURCE,
    D3DRS_EMISSIVEMATERIALSOURCE,
    D3DRS_VERTEXBLEND,
    D3DRS_CLIPPLANEENABLE,
    D3DRS_POINTSIZE,
    D3DRS_POINTSIZE_MIN,
    D3DRS_POINTSPRITEENABLE,
    D3DRS_POINTSCALEENABLE,
    D3DRS_POINTSCALE_A,
    D3DRS_POINTSCALE_B,
    D3DRS_POINTSCALE_C,
    D3DRS_MULTISAMPLEANTIALIAS,
    D3DRS_MULTISAMPLEMASK,
    D3DRS_PATCHEDGESTYLE,
    D3DRS_DEBUGMONITORTOKEN,
    D3DRS_POINTSIZE_MAX,
    D3DRS_INDEXEDVERTEXBLENDENABLE,
    D3DRS_COLORWRITEENABLE,
    D3DRS_TWEENFACTOR,
    D3DRS_BLENDOP,
    D3DRS_POSITIONDEGREE,
    D3DRS_NORMALDEGREE,
    D3DRS_SCISSORTESTENABLE,
    D3DRS_SLOPESCALEDEPTHBIAS,
    D3DRS_ANTIALIASEDLINEENABLE,
    D3DRS_MINTESSELLATIONLEVEL,
    D3DRS_MAXTESSELLATIONLEVEL,
    D3DRS_ADAPTIVETESS_X,
    D3DRS_ADAPTIVETESS_Y,
    D3DRS_ADAPTIVETESS_Z,
    D3DRS_ADAPTIVETESS_W,
    D3DRS_ENABLEADAPTIVETESSELLATION,
    D3DRS_TWOSIDEDSTENCILMODE,
    D3DRS_CCW_STENCILFAIL,
    D3DRS_CCW_STENCILZFAIL,
    D3DRS_CCW_STENCILPASS,
    D3DRS_CCW_STENCILFUNC,
    D3DRS_COLORWRITEENABLE1,
    D3DRS_COLORWRITEENABLE2,
    D3DRS_COLORWRITEENABLE3,
    D3DRS_BLENDFACTOR,
    D3DRS_SRGBWRITEENABLE,
    D3DRS_DEPTHBIAS,
    D3DRS_WRAP8,
    D3DRS_WRAP9,
    D3DRS_WRAP10,
    D3DRS_WRAP11,
    D3DRS_WRAP12,
    D3DRS_WRAP13,
    D3DRS_WRAP14,
    D3DRS_WRAP15,
    D3DRS_SEPARATEALPHABLENDENABLE,
    D3DRS_SRCBLENDALPHA,
    D3DRS_DESTBLENDALPHA,
    D3DRS_BLENDOPALPHA,
};

constexpr D3DTEXTURESTAGESTATETYPE kStageStateList[] = {
    D3DTSS_COLOROP,       D3DTSS_COLORARG1,     D3DTSS_COLORARG2,      D3DTSS_ALPHAOP,
    D3DTSS_ALPHAARG1,     D3DTSS_ALPHAARG2,     D3DTSS_BUMPENVMAT00,   D3DTSS_BUMPENVMAT01,
    D3DTSS_BUMPENVMAT10,  D3DTSS_BUMPENVMAT11,  D3DTSS_TEXCOORDINDEX,  D3DTSS_BUMPENVLSCALE,
    D3DTSS_BUMPENVLOFFSET, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTSS_COLORARG0, D3DTSS_ALPHAARG0,
    D3DTSS_RESULTARG,     D3DTSS_CONSTANT,
};

constexpr D3DSAMPLERSTATETYPE kSamplerStateList[] = {
    D3DSAMP_ADDRESSU,      D3DSAMP_ADDRESSV,    D3DSAMP_ADDRESSW,      D3DSAMP_BORDERCOLOR, D3DSAMP_MAGFILTER,
    D3DSAMP_MINFILTER,     D3DSAMP_MIPFILTER,   D3DSAMP_MIPMAPLODBIAS, D3DSAMP_MAXMIPLEVEL, D3DSAMP_MAXANISOTROPY,
    D3DSAMP_SRGBTEXTURE,   D3DSAMP_ELEMENTINDEX, D3DSAMP_DMAPOFFSET,
};

static_assert(AllBelow(kRenderStateList, kRenderStateCount));
static_assert(AllBelow(kStageStateList, kStageStateCount));
static_assert(AllBelow(kSamplerStateList, kSamplerStateCount));

}  // namespace

const std::span<const D3DRENDERSTATETYPE> kRenderStates = kRenderStateList;
const std::span<const D3DTEXTURESTAGESTATETYPE> kStageStates = kStageStateList;
const std::span<const D3DSAMPLERSTATETYPE> kSamplerStates = kSamplerStateList;

}  // namespace detail

using detail::M;

namespace {

struct BlendPreset {
    uint32_t op;
    uint32_t src;
    uint32_t dest;
};
const BlendPreset kBlendPresets[kBlendingTypeCount] = {
    {D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ZERO},
    {D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
    {D3DBLENDOP_ADD, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
    {D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ONE},
    {D3DBLENDOP_REVSUBTRACT, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
    {D3DBLENDOP_REVSUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE},
    {D3DBLENDOP_ADD, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR},
    {D3DBLENDOP_ADD, D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO},
};

}  // namespace

void CaptureStates() {
    detail::Module& m = M();
    uint32_t width = 0, height = 0;
    Kestra::GetScreenInfo(&width, &height, nullptr);
    m.viewport = D3DVIEWPORT9{0, 0, width, height, 1.0e-25f, 1.0f};
    m.camera = -1;
    m.depthStencil = nullptr;

    std::memset(m.renderStates, 0xFF, sizeof(m.renderStates));
    std::memset(m.stageStates, 0xFF, sizeof(m.stageStates));
    std::memset(m.samplerStates, 0xFF, sizeof(m.samplerStates));
    if (!m.device) return;
    for (D3DRENDERSTATETYPE state : detail::kRenderStates) {
        DWORD value = 0xFFFFFFFF;
        m.device->GetRenderState(state, &value);
        m.renderStates[state] = value;
    }
    for (uint32_t stage = 0; stage < kStageCount; ++stage) {
        for (D3DTEXTURESTAGESTATETYPE type : detail::kStageStates) {
            DWORD value = 0xFFFFFFFF;
            m.device->GetTextureStageState(stage, type, &value);
            m.stageStates[stage][type] = value;
        }
        for (D3DSAMPLERSTATETYPE type : detail::kSamplerStates) {
            DWORD value = 0xFFFFFFFF;
            m.device->GetSamplerState(stage, type, &value);
            m.samplerStates[stage][type] = value;
        }
    }

    SetRenderState(D3DRS_LIGHTING, 0);
    SetRenderState(D3DRS_ZENABLE, 0);
    SetRenderState(D3DRS_ZWRITEENABLE, 0);
    SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    for (uint32_t stage = 0; stage < kStageCount; ++stage) {
        SetSamplerState(stage, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        SetSamplerState(stage, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
        SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        SetSamplerState(stage, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        SetSamplerState(stage, D3DSAMP_MAXANISOTROPY, m.caps.maxAnisotropy);
        const uint32_t op = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        SetTextureStageState(stage, D3DTSS_COLOROP, op);
        SetTextureStageState(stage, D3DTSS_ALPHAOP, op);
        SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        SetTextureStageState(stage, D3DTSS_COLORARG2, D3DTA_CURRENT);
        SetTextureStageState(stage, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    }

    std::memcpy(m.defaults.samplerStates, m.samplerStates, sizeof(m.defaults.samplerStates));
    std::memcpy(m.defaults.stageStates, m.stageStates, sizeof(m.defaults.stageStates));
    m.defaults.blendingType = 0;
    m.defaults.alphaTest = 1;
    m.defaults.filter = 1;
    m.defaults.depthTest = 1;
    m.defaults.depthWrite = 1;
}

void RestoreStates() {
    detail::Module& m = M();
    if (!m.device) return;
    m.device->SetViewport(&m.viewport);
    if (m.depthStencil) m.depthStencil->SetDepthStencil();
    if (m.camera != -1) KestraCamera::Apply(m.camera);
    for (D3DRENDERSTATETYPE state : detail::kRenderStates) m.device->SetRenderState(state, m.renderStates[state]);
    for (uint32_t stage = 0; stage < kStageCount; ++stage) {
        for (D3DTEXTURESTAGESTATETYPE type : detail::kStageStates)
            m.device->SetTextureStageState(stage, type, m.stageStates[stage][type]);
        for (D3DSAMPLERSTATETYPE type : detail::kSamplerStates)
            m.device->SetSamplerState(stage, type, m.samplerStates[stage][type]);
    }
    m.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
}

void SetRenderState(uint32_t state, uint32_t value) {
    detail::Module& m = M();
    // Out-of-range states are ignored, never indexed.
    if (state >= kRenderStateCount || !m.device) return;
    if (m.renderStates[state] == value) return;
    m.renderStates[state] = value;
    m.device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value);
}

void SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value) {
    detail::Module& m = M();
    if (stage >= kStageCount || type >= kStageStateCount || !m.device) return;
    if (m.stageStates[stage][type] == value) return;
    m.stageStates[stage][type] = value;
    m.device->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type), value);
}

void SetSamplerState(uint32_t stage, uint32_t type, uint32_t value) {
    detail::Module& m = M();
    if (stage >= kStageCount || type >= kSamplerStateCount || !m.device) return;
    if (m.samplerStates[stage][type] == value) return;
    m.samplerStates[stage][type] = value;
    m.device->SetSamplerState(stage, static_cast<D3DSAMPLERSTATETYPE>(type), value);
}

uint32_t GetRenderState(uint32_t state) {
    return state < kRenderStateCount ? M().renderStates[state] : 0xFFFFFFFF;
}

uint32_t GetTextureStageState(uint32_t stage, uint32_t type) {
    return stage < kStageCount && type < kStageStateCount ? M().stageStates[stage][type] : 0xFFFFFFFF;
}

uint32_t GetSamplerState(uint32_t stage, uint32_t type) {
    return stage < kStageCount && type < kSamplerStateCount ? M().samplerStates[stage][type] : 0xFFFFFFFF;
}

void SetBlendingType(uint32_t preset) {
    if (preset >= kBlendingTypeCount) return;
    const BlendPreset& p = kBlendPresets[preset];
    SetRenderState(D3DRS_BLENDOP, p.op);
    SetRenderState(D3DRS_SRCBLEND, p.src);
    SetRenderState(D3DRS_DESTBLEND, p.dest);
}

void SetFilterEnable(bool enable) {
    KestraTexture::SetTexelOffset(enable ? 0.5f : 0.0f);
    const uint32_t filter = enable ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    for (uint32_t stage = 0; stage < kStageCount; ++stage) {
        SetSamplerState(stage, D3DSAMP_MAGFILTER, filter);
        SetSamplerState(stage, D3DSAMP_MINFILTER, filter);
    }
}

void SetAlphaTestEnable(bool enable) {
    SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    if (enable) {
        SetRenderState(D3DRS_ALPHATESTENABLE, 1);
        SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
        SetRenderState(D3DRS_ALPHAREF, 0);
    } else {
        SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    }
}

void SetDepthTestEnable(bool enable) { SetRenderState(D3DRS_ZENABLE, enable ? 1 : 0); }

void GetDefaultStates(StateRecord* out) {
    if (out) *out = M().defaults;
}

void ApplyStates(const StateRecord& record) {
    SetBlendingType(record.blendingType);
    SetFilterEnable(record.filter != 0);
    SetAlphaTestEnable(record.alphaTest != 0);
    SetRenderState(D3DRS_ZENABLE, record.depthTest ? 1 : 0);
    SetRenderState(D3DRS_ZWRITEENABLE, record.depthWrite ? 1 : 0);
    for (uint32_t stage = 0; stage < kStageCount; ++stage) {
        for (D3DTEXTURESTAGESTATETYPE type : detail::kStageStates)
            SetTextureStageState(stage, type, record.stageStates[stage][type]);
        for (D3DSAMPLERSTATETYPE type : detail::kSamplerStates)
            SetSamplerState(stage, type, record.samplerStates[stage][type]);
    }
}

void GetShadingOptions(float* fogStart, float* fogEnd, uint32_t* third) {
    const detail::Module& m = M();
    if (fogStart) *fogStart = m.fogStart;
    if (fogEnd) *fogEnd = m.fogEnd;
    if (third) *third = m.shadingWord;
}

bool Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil, const RECT* rect) {
    detail::Module& m = M();
    if (!m.device) return false;
    if (rect) {
        const D3DRECT area{rect->left, rect->top, rect->right, rect->bottom};
        return SUCCEEDED(m.device->Clear(1, &area, flags, color, z, stencil));
    }
    return SUCCEEDED(m.device->Clear(0, nullptr, flags, color, z, stencil));
}

bool BeginScene() {
    detail::Module& m = M();
    if (m.sceneDepth++ != 0) return true;
    return m.device && SUCCEEDED(m.device->BeginScene());
}

void EndScene() {
    detail::Module& m = M();
    // A stray end must not wrap the counter, or no later scene would reach the device.
    if (m.sceneDepth == 0) return;
    if (--m.sceneDepth == 0 && m.device) m.device->EndScene();
}

bool SetDepthStencil(CSurface* surface) {
    detail::Module& m = M();
    m.depthStencil = surface;
    if (surface) surface->SetDepthStencil();
    else if (m.device) m.device->SetDepthStencilSurface(nullptr);
    return true;
}

CSurface* GetDepthStencil() { return M().depthStencil; }

void SetCamera(int32_t camera) {
    if (camera < 0) return;
    M().camera = camera;
    KestraCamera::Apply(camera);
}

int32_t GetCamera() { return M().camera; }

void SetTexture(uint32_t stage, CSurfaceBase* texture) {
    detail::Module& m = M();
    if (stage >= kStageCount || !m.device) return;
    if (!texture) {
        m.device->SetTexture(stage, nullptr);
        return;
    }
    IDirect3DTexture9* d3dTexture = nullptr;
    texture->GetTexture(&d3dTexture);
    m.device->SetTexture(stage, d3dTexture);
    if (d3dTexture) d3dTexture->Release();
}

bool NeedsSoftwareVertexProcessing(uint16_t major, uint16_t minor) {
    const DeviceCaps& caps = M().caps;
    if (!caps.hardwareTnL) return true;
    return static_cast<uint32_t>(D3DVS_VERSION(major, minor)) > caps.vertexShaderVersion;
}

void SelectVertexProcessing(uint16_t major, uint16_t minor) {
    detail::Module& m = M();
    if (!m.device) return;
    m.device->SetSoftwareVertexProcessing(NeedsSoftwareVertexProcessing(major, minor) ? TRUE : FALSE);
}

void SetScaling2D(bool enable, float centerX, float centerY, float scale) {
    KestraPrimitive2D::SetScaling(enable, centerX, centerY, scale);
    KestraSprite2D::SetScaling(enable, centerX, centerY, scale);
    KestraLine2D::SetScaling(enable, centerX, centerY, scale);
    KestraPoint2D::SetScaling(enable, centerX, centerY, scale);
}

void SetPerspective2D(bool enable, float centerX, float centerY, float strength) {
    KestraPrimitive2D::SetPerspective(enable, centerX, centerY, strength);
    KestraSprite2D::SetPerspective(enable, centerX, centerY, strength);
    KestraLine2D::SetPerspective(enable, centerX, centerY, strength);
    KestraPoint2D::SetPerspective(enable, centerX, centerY, strength);
}

}  // namespace Kestra3D
