// The Direct3D device: loading, the adapter survey and capability log, creation,
// presenting and the reset that walks the managers.
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "engine/core/Kestra.h"
#include "engine/graphics/Kestra3DInternal.h"
#include "engine/graphics/KestraManagers.h"
#include "platform/win32/testing.h"

namespace Kestra3D {
namespace detail {

Module& M() {
    static Module module;
    return module;
}

// The simple-primitive module drops its shared buffer with its records on a loss
// and makes it again on the reset; it stays started through both.
void SimpleLost() {
    if (!KestraSimple::IsStarted()) return;
    KestraSimple::ReleaseFanBuffer();
    KestraSimple::OnLostDevice();
}
void SimpleReset() {
    if (!KestraSimple::IsStarted()) return;
    KestraSimple::CreateFanBuffer();
    KestraSimple::OnResetDevice();
}

const DeviceHook kDeviceHooks[] = {
    {"KestraTexture", KestraTexture::OnLostDevice, KestraTexture::OnResetDevice},
    {"KestraSurface", KestraSurface::OnLostDevice, KestraSurface::OnResetDevice},
    {"KestraSprite2D", KestraSprite2D::OnLostDevice, KestraSprite2D::OnResetDevice},
    {"KestraSprite3D", KestraSprite3D::OnLostDevice, KestraSprite3D::OnResetDevice},
    {"KestraPrimitive2D", KestraPrimitive2D::OnLostDevice, KestraPrimitive2D::OnResetDevice},
    {"KestraPrimitive3D", KestraPrimitive3D::OnLostDevice, KestraPrimitive3D::OnResetDevice},
    {"KestraLine2D", KestraLine2D::OnLostDevice, KestraLine2D::OnResetDevice},
    {"KestraLine3D", KestraLine3D::OnLostDevice, KestraLine3D::OnResetDevice},
    {"KestraPoint2D", KestraPoint2D::OnLostDevice, KestraPoint2D::OnResetDevice},
    {"KestraPoint3D", KestraPoint3D::OnLostDevice, KestraPoint3D::OnResetDevice},
    {"KestraModelEx", KestraModelEx::OnLostDevice, KestraModelEx::OnResetDevice},
    {"KestraSimple", SimpleLost, SimpleReset},
    {"KestraShaderFx", KestraShaderFx::OnLostDevice, KestraShaderFx::OnResetDevice},
};
const size_t kDeviceHookCount = sizeof(kDeviceHooks) / sizeof(kDeviceHooks[0]);

bool Supports(const std::vector<D3DFORMAT>& list, D3DFORMAT format) {
    for (D3DFORMAT f : list)
        if (f == format) return true;
    return false;
}

D3DFORMAT BackBufferFormat(bool windowed) { return windowed ? M().currentMode.Format : M().mode16.Format; }

namespace {
// A capability flag for each mask of a list, in the record's order: a list and
// its record field of another length do not compile.
template <size_t N>
void Bits(uint8_t (&out)[N], DWORD word, const DWORD (&masks)[N]) {
    for (size_t i = 0; i < N; ++i) out[i] = (word & masks[i]) ? 1 : 0;
}
}  // namespace

void ReadDeviceCaps(const D3DCAPS9& c) {
    DeviceCaps& d = M().caps;
    auto bit = [](DWORD word, DWORD mask) -> uint8_t { return (word & mask) ? 1 : 0; };
    d.pureDevice = bit(c.DevCaps, D3DDEVCAPS_PUREDEVICE);
    d.hardwareTnL = bit(c.DevCaps, D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    d.hardwareRasterization = bit(c.DevCaps, D3DDEVCAPS_HWRASTERIZATION);
    d.deviceType = static_cast<uint32_t>(c.DeviceType);
    d.minAnisotropic = bit(c.TextureFilterCaps, D3DPTFILTERCAPS_MINFANISOTROPIC);
    d.magAnisotropic = bit(c.TextureFilterCaps, D3DPTFILTERCAPS_MAGFANISOTROPIC);
    d.dither = bit(c.RasterCaps, D3DPRASTERCAPS_DITHER);
    d.depthBias = bit(c.RasterCaps, D3DPRASTERCAPS_DEPTHBIAS);
    d.wBuffer = bit(c.RasterCaps, D3DPRASTERCAPS_WBUFFER);
    d.autoGenMipmap = bit(c.Caps2, D3DCAPS2_CANAUTOGENMIPMAP);
    static const DWORD kCompare[] = {D3DPCMPCAPS_ALWAYS,       D3DPCMPCAPS_EQUAL, D3DPCMPCAPS_GREATER,
                                     D3DPCMPCAPS_GREATEREQUAL, D3DPCMPCAPS_LESS,  D3DPCMPCAPS_LESSEQUAL,
                                     D3DPCMPCAPS_NEVER,        D3DPCMPCAPS_NOTEQUAL};
    Bits(d.depthCompare, c.ZCmpCaps, kCompare);
    static const DWORD kBlend[] = {
        D3DPBLENDCAPS_BLENDFACTOR,  D3DPBLENDCAPS_BOTHINVSRCALPHA, D3DPBLENDCAPS_BOTHSRCALPHA, D3DPBLENDCAPS_DESTALPHA,
        D3DPBLENDCAPS_DESTCOLOR,    D3DPBLENDCAPS_INVDESTALPHA,    D3DPBLENDCAPS_INVDESTCOLOR, D3DPBLENDCAPS_INVSRCALPHA,
        D3DPBLENDCAPS_INVSRCCOLOR,  D3DPBLENDCAPS_ONE,             D3DPBLENDCAPS_SRCALPHA,     D3DPBLENDCAPS_SRCALPHASAT,
        D3DPBLENDCAPS_SRCCOLOR,     D3DPBLENDCAPS_ZERO};
    Bits(d.srcBlend, c.SrcBlendCaps, kBlend);
    Bits(d.destBlend, c.DestBlendCaps, kBlend);
    d.cubeMap = bit(c.TextureCaps, D3DPTEXTURECAPS_CUBEMAP);
    d.mipMap = bit(c.TextureCaps, D3DPTEXTURECAPS_MIPMAP);
    d.perspective = bit(c.TextureCaps, D3DPTEXTURECAPS_PERSPECTIVE);
    d.pow2 = bit(c.TextureCaps, D3DPTEXTURECAPS_POW2);
    d.squareOnly = bit(c.TextureCaps, D3DPTEXTURECAPS_SQUAREONLY);
    static const DWORD kAddress[] = {D3DPTADDRESSCAPS_BORDER, D3DPTADDRESSCAPS_CLAMP,      D3DPTADDRESSCAPS_INDEPENDENTUV,
                                     D3DPTADDRESSCAPS_MIRROR, D3DPTADDRESSCAPS_MIRRORONCE, D3DPTADDRESSCAPS_WRAP};
    Bits(d.address, c.TextureAddressCaps, kAddress);
    d.maxAnisotropy = c.MaxAnisotropy;
    d.maxTextureWidth = c.MaxTextureWidth;
    d.maxTextureHeight = c.MaxTextureHeight;
    d.maxTextureRepeat = c.MaxTextureRepeat;
    d.maxTextureAspectRatio = c.MaxTextureAspectRatio;
    static const DWORD kStencil[] = {D3DSTENCILCAPS_KEEP,    D3DSTENCILCAPS_ZERO,    D3DSTENCILCAPS_REPLACE,
                                     D3DSTENCILCAPS_INCRSAT, D3DSTENCILCAPS_DECRSAT, D3DSTENCILCAPS_INVERT,
                                     D3DSTENCILCAPS_INCR,    D3DSTENCILCAPS_DECR,    D3DSTENCILCAPS_TWOSIDED};
    Bits(d.stencil, c.StencilCaps, kStencil);
    d.maxVertexW = c.MaxVertexW;
    d.guardBandLeft = c.GuardBandLeft;
    d.guardBandTop = c.GuardBandTop;
    d.guardBandRight = c.GuardBandRight;
    d.guardBandBottom = c.GuardBandBottom;
    d.maxPointSize = c.MaxPointSize;
    d.maxPrimitiveCount = c.MaxPrimitiveCount;
    d.maxVertexIndex = c.MaxVertexIndex;
    d.maxTextureBlendStages = c.MaxTextureBlendStages;
    d.maxSimultaneousTextures = c.MaxSimultaneousTextures;
    d.maxActiveLights = c.MaxActiveLights;
    d.maxVertexBlendMatrices = c.MaxVertexBlendMatrices;
    d.maxVertexBlendMatrixIndex = c.MaxVertexBlendMatrixIndex;
    d.vertexShaderVersion = c.VertexShaderVersion;
    d.pixelShaderVersion = c.PixelShaderVersion;
    d.maxVertexShaderConst = c.MaxVertexShaderConst;
    d.dynamicFlowControlDepth = static_cast<uint32_t>(c.VS20Caps.DynamicFlowControlDepth);
    d.staticFlowControlDepth = static_cast<uint32_t>(c.VS20Caps.StaticFlowControlDepth);
}

void LogDeviceNumbers() {
    const DeviceCaps& d = M().caps;
    auto line = [](const char* format, uint32_t value) {
        Kestra::LogPrint(format, value);
        Kestra::LogNewLine();
    };
    Kestra::LogPrint("　　　ポイントサイズ [ %.3lf ]", static_cast<double>(d.maxPointSize));
    Kestra::LogNewLine();
    line("　　　最大プリミティブ数 [ %u ]", d.maxPrimitiveCount);
    line("　　　最大インデックス数 [ %u ]", d.maxVertexIndex);
    line("　　　最大テクスチャステージ数 [ %u ]", d.maxTextureBlendStages);
    line("　　　最大マルチテクスチャ数 [ %u ]", d.maxSimultaneousTextures);
    line("　　　最大ハードウェアライト数 [ %u ]", d.maxActiveLights);
    line("　　　最大ブレンドマトリックス数 [ %u ]", d.maxVertexBlendMatrices);
    line("　　　最大ブレンドインデックス数 [ %u ]", d.maxVertexBlendMatrixIndex);
    line("　　　最大頂点シェーダー定数数 [ %u ]", d.maxVertexShaderConst);
    Kestra::LogPrint("　　　頂点シェーダーバージョン [ %u.%u ]", (d.vertexShaderVersion >> 8) & 0xFF,
                     d.vertexShaderVersion & 0xFF);
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　ピクセルシェーダーバージョン[ %u.%u ]", (d.pixelShaderVersion >> 8) & 0xFF,
                     d.pixelShaderVersion & 0xFF);
    Kestra::LogNewLine();
    line("　　　動的フロー制御命令のネスティング [ %u ]", d.dynamicFlowControlDepth);
    line("　　　静的フロー制御命令のネスティング [ %u ]", d.staticFlowControlDepth);
}

}  // namespace detail

using detail::M;

namespace {

void Line(const char* text) {
    Kestra::LogPrint("%s", text);
    Kestra::LogNewLine();
}

void Blue(const char* text) {
    Kestra::LogBlue("%s", text);
    Kestra::LogNewLine();
}

void Bold(const char* text) {
    Kestra::LogBold("%s", text);
    Kestra::LogNewLine();
}

// One loading failure: two red lines and a box.
bool LoadFailure(const char* what) {
    Kestra::LogRed("　　　エラー : %s", what);
    Kestra::LogNewLine();
    Kestra::LogRed("　　　DirectX9cが正しくインストールされているか確認して下さい");
    Kestra::LogNewLine();
    Kestra::MessageBox(MB_ICONERROR, "Kestra3D", "%s\nDirectX9cが正しくインストールされているか\n確認して下さい", what);
    return false;
}

// A capability row: ○ when present, × when not.
void CapsRow(uint8_t present, const char* name) {
    Kestra::LogPrint("　　　[ %s ] %s", present ? "○" : "×", name);
    Kestra::LogNewLine();
}
// A row for each flag of a record field, named by the list in its order
// (`format` puts the name into the row).
template <size_t N>
void CapsRows(const uint8_t (&present)[N], const char* const (&names)[N], const char* format = "%s") {
    char row[96];
    for (size_t i = 0; i < N; ++i) {
        snprintf(row, sizeof(row), format, names[i]);
        CapsRow(present[i], row);
    }
}

void ReleaseBackBuffer() {
    detail::Module& m = M();
    if (m.backBuffer) {
        m.backBuffer->Release();
        m.backBuffer = nullptr;
    }
}

void FetchBackBuffer() {
    detail::Module& m = M();
    ReleaseBackBuffer();
    if (FAILED(m.device->GetRenderTarget(0, &m.backBuffer))) m.backBuffer = nullptr;
}

void BuildPresentParameters(D3DPRESENT_PARAMETERS* pp, HWND window, bool windowed) {
    detail::Module& m = M();
    uint32_t width = 0, height = 0;
    Kestra::GetScreenInfo(&width, &height, nullptr);
    std::memset(pp, 0, sizeof(*pp));
    pp->BackBufferWidth = width;
    pp->BackBufferHeight = height;
    pp->BackBufferFormat = detail::BackBufferFormat(windowed);
    pp->BackBufferCount = 1;
    pp->MultiSampleType = D3DMULTISAMPLE_NONE;
    pp->MultiSampleQuality = 0;
    pp->SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp->hDeviceWindow = window;
    pp->Windowed = windowed ? TRUE : FALSE;
    pp->EnableAutoDepthStencil = FALSE;
    pp->AutoDepthStencilFormat = m.depthFormats.empty() ? D3DFMT_UNKNOWN : m.depthFormats.front();
    pp->Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    pp->FullScreen_RefreshRateInHz = 0;
    pp->PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
}

struct CreationRow {
    D3DDEVTYPE type;
    DWORD flags;
    const char* typeName;
    const char* flagName;
};
const CreationRow kCreationRows[] = {
    {D3DDEVTYPE_HAL, D3DCREATE_MIXED_VERTEXPROCESSING, "D3DDEVTYPE_HAL", "D3DCREATE_MIXED_VERTEXPROCESSING"},
    {D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, "D3DDEVTYPE_HAL", "D3DCREATE_SOFTWARE_VERTEXPROCESSING"},
    {D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, "D3DDEVTYPE_REF", "D3DCREATE_SOFTWARE_VERTEXPROCESSING"},
};

// Every format CheckDeviceFormat is asked about, in the order asked.
const D3DFORMAT kProbeFormats[] = {
    D3DFMT_R5G6B5,        D3DFMT_X1R5G5B5,     D3DFMT_A1R5G5B5,      D3DFMT_A4R4G4B4,      D3DFMT_R8G8B8,
    D3DFMT_A8R8G8B8,      D3DFMT_X8R8G8B8,     D3DFMT_R3G3B2,        D3DFMT_A8,            D3DFMT_A8R3G3B2,
    D3DFMT_X4R4G4B4,      D3DFMT_A2B10G10R10,  D3DFMT_A2R10G10B10,   D3DFMT_A16B16G16R16,  D3DFMT_A8P8,
    D3DFMT_P8,            D3DFMT_L8,           D3DFMT_L16,           D3DFMT_A8L8,          D3DFMT_A4L4,
    D3DFMT_V8U8,          D3DFMT_Q8W8V8U8,     D3DFMT_V16U16,        D3DFMT_Q16W16V16U16,  D3DFMT_CxV8U8,
    D3DFMT_L6V5U5,        D3DFMT_X8L8V8U8,     D3DFMT_A2W10V10U10,   D3DFMT_G8R8_G8B8,     D3DFMT_R8G8_B8G8,
    D3DFMT_DXT5,          D3DFMT_DXT4,         D3DFMT_DXT3,          D3DFMT_DXT2,          D3DFMT_DXT1,
    D3DFMT_UYVY,          D3DFMT_YUY2,         D3DFMT_D16_LOCKABLE,  D3DFMT_D32,           D3DFMT_D15S1,
    D3DFMT_D24S8,         D3DFMT_D24X8,        D3DFMT_D24X4S4,       D3DFMT_D32F_LOCKABLE, D3DFMT_D24FS8,
    D3DFMT_D16,           D3DFMT_VERTEXDATA,   D3DFMT_INDEX16,       D3DFMT_INDEX32,       D3DFMT_R16F,
    D3DFMT_G16R16F,       D3DFMT_A16B16G16R16F, D3DFMT_R32F,         D3DFMT_G32R32F,       D3DFMT_A32B32G32R32F,
    D3DFMT_G16R16,
};

// D16_LOCKABLE leads: it is the first candidate of the depth kind, which could
// never be chosen if the survey did not ask for it.
const D3DFORMAT kDepthProbeFormats[] = {D3DFMT_D16_LOCKABLE, D3DFMT_D16,     D3DFMT_D32,    D3DFMT_D24S8,
                                        D3DFMT_D24X8,        D3DFMT_D24X4S4, D3DFMT_D24FS8, D3DFMT_D15S1};

void ProbeFormats(const char* title, D3DFORMAT adapterFormat, DWORD usage, D3DRESOURCETYPE type,
                  const D3DFORMAT* formats, size_t count, std::vector<D3DFORMAT>* out) {
    detail::Module& m = M();
    Blue(title);
    out->clear();
    for (size_t i = 0; i < count; ++i) {
        if (FAILED(m.d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, adapterFormat, usage, type, formats[i]))) continue;
        out->push_back(formats[i]);
        Kestra::LogPrint("　　　[ %s ]", GetFormatName(formats[i]));
        Kestra::LogNewLine();
    }
    Kestra::LogNewLine();
}

}  // namespace

bool Initialize() {
    detail::Module& m = M();
    m = detail::Module{};
    Kestra::LogHeadline("Kestra3Dクラスの初期化");
    if (!LoadDirect3D()) {
        Kestra::MessageBox(MB_ICONERROR, "Kestra3D", "%s", "アダプターの初期化に失敗");
        return false;
    }
    EnumerateAdapter();
    LogDeviceCaps();
    return true;
}

bool LoadDirect3D() {
    detail::Module& m = M();
    m.library = LoadLibraryA("d3d9.dll");
    if (!m.library) return LoadFailure("DLLの読み込みに失敗");
    auto create =
        reinterpret_cast<LPDIRECT3DCREATE9>(reinterpret_cast<void*>(GetProcAddress(m.library, "Direct3DCreate9")));
    if (!create) return LoadFailure("DLLからの関数呼び出しに失敗");
    m.d3d = create(D3D_SDK_VERSION);
    if (!m.d3d) return LoadFailure("Direct3Dオブジェクトの生成に失敗");
    return true;
}

bool EnumerateAdapter() {
    detail::Module& m = M();
    if (!m.d3d) return true;

    Blue("アダプター情報");
    D3DADAPTER_IDENTIFIER9 id;
    std::memset(&id, 0, sizeof(id));
    if (SUCCEEDED(m.d3d->GetAdapterIdentifier(0, 0, &id))) {
        // The adapter's texts need not end inside their fields.
        snprintf(m.description, sizeof(m.description), "%.*s", int(sizeof(id.Description)), id.Description);
        snprintf(m.driver, sizeof(m.driver), "%.*s", int(sizeof(id.Driver)), id.Driver);
        char deviceName[sizeof(id.DeviceName) + 1];
        snprintf(deviceName, sizeof(deviceName), "%.*s", int(sizeof(id.DeviceName)), id.DeviceName);
        const DWORD high = static_cast<DWORD>(id.DriverVersion.u.HighPart);
        const DWORD low = id.DriverVersion.u.LowPart;
        snprintf(m.driverVersion, sizeof(m.driverVersion), "%u.%u.%u.%u", unsigned(HIWORD(high)),
                 unsigned(LOWORD(high)), unsigned(HIWORD(low)), unsigned(LOWORD(low)));
        Kestra::LogPrint("　　　Name [ %s ]", m.description);
        Kestra::LogNewLine();
        Kestra::LogPrint("　　　Device [ %s ]", deviceName);
        Kestra::LogNewLine();
        Kestra::LogPrint("　　　Driver [ %s ]", m.driver);
        Kestra::LogNewLine();
        Kestra::LogPrint("　　　Product [ %u ]", unsigned(HIWORD(high)));
        Kestra::LogNewLine();
        Kestra::LogPrint("　　　Version [ %u.%u.%u ]", unsigned(LOWORD(high)), unsigned(HIWORD(low)),
                         unsigned(LOWORD(low)));
        Kestra::LogNewLine();
        Bold("　Windows Hardware Quality Lab (WHQL) 認証レベル");
        if (id.WHQLLevel == 0) {
            Line("　　　認証されていない。");
        } else if (id.WHQLLevel == 1) {
            Line("　　　WHQL の認証は受けているが、利用できる日付情報はない。");
        } else {
            Kestra::LogPrint("　　　%u.%u.%u", unsigned(id.WHQLLevel >> 16), unsigned((id.WHQLLevel >> 8) & 0xFF),
                             unsigned(id.WHQLLevel & 0xFF));
            Kestra::LogNewLine();
        }
    }
    Kestra::LogNewLine();

    Blue("現在の画面情報");
    if (FAILED(m.d3d->GetAdapterDisplayMode(0, &m.currentMode))) m.currentMode = D3DDISPLAYMODE{};
    Kestra::LogPrint("　　　Width [ %u ]", m.currentMode.Width);
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　Height [ %u ]", m.currentMode.Height);
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　RefreshRate [ %u ]", m.currentMode.RefreshRate);
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　Format [ %s ]", GetFormatName(m.currentMode.Format));
    Kestra::LogNewLine();
    Kestra::LogNewLine();

    Blue("使用可能な画面モードを列挙");
    m.modes.clear();
    for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_R5G6B5}) {
        const UINT count = m.d3d->GetAdapterModeCount(0, format);
        if (count == 0) continue;
        Kestra::LogBold("　BackBuffer Format [ %s ]", GetFormatName(format));
        Kestra::LogNewLine();
        for (UINT i = 0; i < count; ++i) {
            D3DDISPLAYMODE mode;
            if (FAILED(m.d3d->EnumAdapterModes(0, format, i, &mode))) continue;
            bool known = false;
            for (D3DDISPLAYMODE& seen : m.modes) {
                if (seen.Width != mode.Width || seen.Height != mode.Height || seen.Format != mode.Format) continue;
                if (mode.RefreshRate > seen.RefreshRate) seen.RefreshRate = mode.RefreshRate;
                known = true;
                break;
            }
            if (known) continue;
            m.modes.push_back(mode);
            Kestra::LogPrint("　　　[ %u x %u ] [ %uHz ]", mode.Width, mode.Height, mode.RefreshRate);
            Kestra::LogNewLine();
        }
    }
    Kestra::LogNewLine();

    Blue("フルスクリーン用ディスプレイモードの検索");
    uint32_t width = 0, height = 0;
    Kestra::GetScreenInfo(&width, &height, nullptr);
    m.mode16 = D3DDISPLAYMODE{};
    m.mode32 = D3DDISPLAYMODE{};
    for (const D3DDISPLAYMODE& mode : m.modes) {
        if (mode.Width != width || mode.Height != height) continue;
        if (mode.Format == D3DFMT_X8R8G8B8) m.mode32 = mode;
        if (mode.Format == D3DFMT_R5G6B5 || mode.Format == D3DFMT_X1R5G5B5) m.mode16 = mode;
    }
    Kestra::LogPrint("　　　16BitColor [ %s ]", GetFormatName(m.mode16.Format));
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　32BitColor [ %s ]", GetFormatName(m.mode32.Format));
    Kestra::LogNewLine();
    Kestra::LogNewLine();

    const D3DFORMAT adapterFormat = m.mode32.Format != D3DFMT_UNKNOWN ? m.mode32.Format : m.currentMode.Format;
    const size_t probeCount = sizeof(kProbeFormats) / sizeof(kProbeFormats[0]);
    ProbeFormats("使用可能なテクスチャフォーマットを列挙", adapterFormat, 0, D3DRTYPE_TEXTURE, kProbeFormats,
                 probeCount, &m.textureFormats);
    ProbeFormats("使用可能なレンダリングターゲットテクスチャフォーマットを列挙", adapterFormat, D3DUSAGE_RENDERTARGET,
                 D3DRTYPE_TEXTURE, kProbeFormats, probeCount, &m.renderTargetFormats);
    ProbeFormats("使用可能な深度バッファフォーマットを列挙", adapterFormat, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                 kDepthProbeFormats, sizeof(kDepthProbeFormats) / sizeof(kDepthProbeFormats[0]), &m.depthFormats);
    return true;
}

bool LogDeviceCaps() {
    detail::Module& m = M();
    if (!m.d3d) return true;
    Blue("デバイス能力の取得");
    D3DCAPS9 caps;
    std::memset(&caps, 0, sizeof(caps));
    if (SUCCEEDED(m.d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps))) detail::ReadDeviceCaps(caps);
    const DeviceCaps& d = m.caps;

    Bold("　デバイス能力");
    CapsRow(d.pureDevice, "ピュアデバイス");
    CapsRow(d.hardwareTnL, "ハードウェアＴｎＬ");
    CapsRow(d.hardwareRasterization, "ハードウェアラスタライズ");
    CapsRow(d.minAnisotropic, "縮小異方性フィルタリング");
    CapsRow(d.magAnisotropic, "拡大異方性フィルタリング");
    CapsRow(d.dither, "ディザリング");
    CapsRow(d.depthBias, "深度バイアス");
    CapsRow(d.wBuffer, "Ｗバッファ");
    CapsRow(d.autoGenMipmap, "ミップマップ自動生成");

    Bold("　深度テスト能力");
    static const char* const kCompare[] = {"深度テスト ALWAYS",  "深度テスト EQUAL",      "深度テスト GREATER",
                                           "深度テスト GREATER EQUA", "深度テスト LESS", "深度テスト LESS EQUAL",
                                           "深度テスト NEVER",   "深度テスト NOT EQUAL"};
    CapsRows(d.depthCompare, kCompare);

    static const char* const kBlend[] = {"BLEND FACTOR", "BOTH INVSRC",   "BOTH SRC",       "DEST ALPHA",
                                          "DEST COLOR",   "INV DEST ALPHA", "INV DEST COLOR", "INV SRC ALPHA",
                                          "INV SRC COLOR", "ONE",          "SRC ALPHA",      "SRC ALPHA SAT",
                                          "SRC COLOR",    "ZERO"};
    Bold("　ソースブレンド能力");
    CapsRows(d.srcBlend, kBlend, "ソースブレンド %s");
    Bold("　デストブレンド能力");
    CapsRows(d.destBlend, kBlend, "デストブレンド %s");

    Bold("　テクスチャ能力");
    CapsRow(d.cubeMap, "キューブマップ");
    CapsRow(d.mipMap, "ミップマップ");
    CapsRow(d.perspective, "パースペクティブコレクト");
    CapsRow(d.pow2, "２のべき乗以外のテクスチャ");
    CapsRow(d.squareOnly, "正方形以外のテクスチャ");
    static const char* const kAddress[] = {"テクスチャ BORDER", "テクスチャ CLAMP",        "テクスチャ INDEPENDENT",
                                           "テクスチャ MIRROR", "テクスチャ MIRROR RONCE", "テクスチャ WRAP"};
    CapsRows(d.address, kAddress);
    auto number = [](const char* format, uint32_t value) {
        Kestra::LogPrint(format, value);
        Kestra::LogNewLine();
    };
    number("　　　テクスチャ最大横幅 [ %u ]", d.maxTextureWidth);
    number("　　　テクスチャ最大縦幅 [ %u ]", d.maxTextureHeight);
    number("　　　テクスチャ最大リピート数 [ %u ]", d.maxTextureRepeat);
    number("　　　テクスチャ最大アスペクト [ %u ]", d.maxTextureAspectRatio);
    number("　　　テクスチャ異方性の次数 [ %u ]", d.maxAnisotropy);

    Bold("　ステンシル能力");
    static const char* const kStencil[] = {"ステンシル KEEP",    "ステンシル ZERO",   "ステンシル REPLACE",
                                           "ステンシル INCRSAT", "ステンシル DECRSAT", "ステンシル INVERT",
                                           "ステンシル INCR",    "ステンシル DECR",   "ステンシル TWO SIDED"};
    CapsRows(d.stencil, kStencil);

    Bold("　その他");
    Kestra::LogPrint("　　　最大ｗ値 [ %lf ]", static_cast<double>(d.maxVertexW));
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　ガードバンド　左 [ %.3lf ]", static_cast<double>(d.guardBandLeft));
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　ガードバンド　上 [ %.3lf ]", static_cast<double>(d.guardBandTop));
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　ガードバンド　右 [ %.3lf ]", static_cast<double>(d.guardBandRight));
    Kestra::LogNewLine();
    Kestra::LogPrint("　　　ガードバンド　下 [ %.3lf ]", static_cast<double>(d.guardBandBottom));
    Kestra::LogNewLine();
    detail::LogDeviceNumbers();
    Kestra::LogNewLine();
    return true;
}

void Finalize() {
    detail::Module& m = M();
    Kestra::LogHeadline("Kestra3Dクラスの解放");
    if (m.backBufferLocked) UnlockBackBuffer();
    ReleaseBackBuffer();
    if (m.device) {
        m.device->Release();
        m.device = nullptr;
        Line("Direct3Dデバイスを解放");
    }
    if (m.d3d) {
        m.d3d->Release();
        m.d3d = nullptr;
        Line("Direct3Dオブジェクトを解放");
    }
    if (m.library) {
        FreeLibrary(m.library);
        m.library = nullptr;
        Line("DLLを解放");
    }
    m.sceneDepth = 0;
    m.depthStencil = nullptr;
    m.camera = -1;
}

bool Start(HWND window, bool windowed) {
    detail::Module& m = M();
    Kestra::LogHeadline("Kestra3Dクラスの起動");
    // Without the Direct3D object (a failed initialisation) there is nothing to create.
    if (!m.d3d || m.device) return m.device != nullptr;

    BuildPresentParameters(&m.present[0], window, true);
    BuildPresentParameters(&m.present[1], window, false);

    Bold("　Direct3Dデバイスの生成");
    int row = !m.caps.hardwareRasterization ? 2 : (m.caps.hardwareTnL ? 0 : 1);
    HRESULT hr = D3DERR_NOTAVAILABLE;
    for (; row < static_cast<int>(std::size(kCreationRows)); ++row) {
        const CreationRow& r = kCreationRows[row];
        hr = m.d3d->CreateDevice(0, r.type, window, r.flags | D3DCREATE_MULTITHREADED, &m.present[windowed ? 0 : 1],
                                 &m.device);
        if (SUCCEEDED(hr) && m.device) break;
        m.device = nullptr;
    }
    if (!m.device) {
        Kestra::LogRed("　　　エラー：デバイスの作成に失敗 [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
        Kestra::LogRed("　　　　　　：DirectX側のエラーで無い場合は他のソフトがビデオカードを占有してる可能性があります。");
        Kestra::LogNewLine();
        return false;
    }
    Kestra::LogPrint("　　　Direct3Dデバイスを [ %s ] [ %s ] で生成", kCreationRows[row].typeName,
                     kCreationRows[row].flagName);
    Kestra::LogNewLine();

    Kestra::LogBold("　推定残テクスチャメモリ容量 <%dMB>", static_cast<int>(m.device->GetAvailableTextureMem() >> 20));
    Kestra::LogNewLine();

    FetchBackBuffer();
    CaptureStates();
    RestoreStates();

    D3DCAPS9 caps;
    std::memset(&caps, 0, sizeof(caps));
    if (SUCCEEDED(m.device->GetDeviceCaps(&caps))) detail::ReadDeviceCaps(caps);
    Bold("　現在のデバイス情報を取得");
    detail::LogDeviceNumbers();
    Kestra::LogNewLine();
    return true;
}

void Present(HWND window) {
    detail::Module& m = M();
    if (!m.device) return;
    const HRESULT hr = m.device->Present(nullptr, nullptr, window, nullptr);
    if (hr == D3DERR_DRIVERINTERNALERROR) {
        Kestra::Exit();
    } else if (hr == D3DERR_DEVICELOST) {
        const HRESULT level = m.device->TestCooperativeLevel();
        if (level == D3DERR_DEVICELOST) SleepEx(10, TRUE);
        else if (level == D3DERR_DEVICENOTRESET) ResetDevice(false);
    }
}

void ResetDevice(bool force) {
    detail::Module& m = M();
    if (!m.device) return;
    platform::RecordCall(std::string("Kestra3D::ResetDevice ") + (force ? "1" : "0"));
    if (!force && m.device->TestCooperativeLevel() == D3D_OK) return;

    uint32_t width = 0, height = 0;
    bool windowed = true;
    Kestra::GetScreenInfo(&width, &height, &windowed);
    for (D3DPRESENT_PARAMETERS& pp : m.present) {
        pp.BackBufferWidth = width;
        pp.BackBufferHeight = height;
    }
    D3DPRESENT_PARAMETERS* pp = &m.present[windowed ? 0 : 1];

    for (size_t i = 0; i < detail::kDeviceHookCount; ++i) detail::kDeviceHooks[i].lost();
    // A held lock of the back buffer would outlive the surface.
    if (m.backBufferLocked) UnlockBackBuffer();
    ReleaseBackBuffer();

    if (FAILED(m.device->Reset(pp))) Kestra::MessageBox(MB_ICONERROR, "ERROR", "%s", "デバイスの復帰に失敗");

    FetchBackBuffer();
    for (size_t i = 0; i < detail::kDeviceHookCount; ++i) detail::kDeviceHooks[i].reset();
    RestoreStates();
}

IDirect3DDevice9* GetDevice() { return M().device; }

void GetDeviceCaps(DeviceCaps* out) {
    if (out) *out = M().caps;
}

bool LockBackBuffer(void** bits, int32_t* pitch, D3DFORMAT* format, uint32_t* width, uint32_t* height) {
    detail::Module& m = M();
    auto handOut = [&] {
        if (bits) *bits = m.lockBits;
        if (pitch) *pitch = m.lockPitch;
        if (format) *format = m.lockFormat;
        if (width) *width = m.lockWidth;
        if (height) *height = m.lockHeight;
    };
    // A second lock gets what the first one got, not untouched out values.
    if (m.backBufferLocked) {
        handOut();
        return true;
    }
    if (!m.device) return false;
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(m.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface)) || !surface) return false;
    D3DSURFACE_DESC desc;
    std::memset(&desc, 0, sizeof(desc));
    surface->GetDesc(&desc);
    D3DLOCKED_RECT locked{};
    const bool ok = SUCCEEDED(surface->LockRect(&locked, nullptr, 0));
    surface->Release();
    m.backBufferLocked = ok;
    if (!ok) return false;
    m.lockBits = locked.pBits;
    m.lockPitch = locked.Pitch;
    m.lockFormat = desc.Format;
    m.lockWidth = desc.Width;
    m.lockHeight = desc.Height;
    handOut();
    return true;
}

void UnlockBackBuffer() {
    detail::Module& m = M();
    if (!m.backBufferLocked) return;
    IDirect3DSurface9* surface = nullptr;
    if (m.device && SUCCEEDED(m.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface)) && surface) {
        surface->UnlockRect();
        surface->Release();
    }
    // Cleared whatever happened, or every later lock would answer without locking.
    m.backBufferLocked = false;
    m.lockBits = nullptr;
}

bool ClipRectToViewport(RECT* dst, RECT* src) {
    if (!dst || !src) return false;
    const LONG dstWidth = dst->right - dst->left, dstHeight = dst->bottom - dst->top;
    const LONG srcWidth = src->right - src->left, srcHeight = src->bottom - src->top;
    // An empty rectangle has no ratio to move the other by.
    if (dstWidth <= 0 || dstHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return false;
    const D3DVIEWPORT9& vp = M().viewport;
    const double ratioX = static_cast<double>(srcWidth) / dstWidth;
    const double ratioY = static_cast<double>(srcHeight) / dstHeight;
    const LONG left = static_cast<LONG>(vp.X), top = static_cast<LONG>(vp.Y);
    const LONG right = static_cast<LONG>(vp.X + vp.Width), bottom = static_cast<LONG>(vp.Y + vp.Height);
    if (dst->left < left) {
        src->left += static_cast<LONG>((left - dst->left) * ratioX);
        dst->left = left;
    }
    if (dst->top < top) {
        src->top += static_cast<LONG>((top - dst->top) * ratioY);
        dst->top = top;
    }
    if (dst->right > right) {
        src->right -= static_cast<LONG>((dst->right - right) * ratioX);
        dst->right = right;
    }
    if (dst->bottom > bottom) {
        src->bottom -= static_cast<LONG>((dst->bottom - bottom) * ratioY);
        dst->bottom = bottom;
    }
    return dst->left < dst->right && dst->top < dst->bottom;
}

}  // namespace Kestra3D

