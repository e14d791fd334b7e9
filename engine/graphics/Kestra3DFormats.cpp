// Format kinds, format names and error texts.
#include <cstdio>
#include <iterator>

#include "engine/core/Kestra.h"
#include "engine/graphics/CDeviceObject.h"
#include "engine/graphics/Kestra3DInternal.h"

namespace Kestra3D {

using detail::M;

namespace {

struct FormatName {
    D3DFORMAT format;
    const char* name;
};

// Every format the adapter survey asks about; no other format can come back from
// GetFormat, so the others read "UNKNOWN".
const FormatName kFormatNames[] = {
    {D3DFMT_R5G6B5, "R5G6B5"},
    {D3DFMT_X1R5G5B5, "X1R5G5B5"},
    {D3DFMT_A1R5G5B5, "A1R5G5B5"},
    {D3DFMT_A4R4G4B4, "A4R4G4B4"},
    {D3DFMT_R8G8B8, "R8G8B8"},
    {D3DFMT_A8R8G8B8, "A8R8G8B8"},
    {D3DFMT_X8R8G8B8, "X8R8G8B8"},
    {D3DFMT_A8B8G8R8, "A8B8G8R8"},
    {D3DFMT_X8B8G8R8, "X8B8G8R8"},
    {D3DFMT_R3G3B2, "R3G3B2"},
    {D3DFMT_A8, "A8"},
    {D3DFMT_A8R3G3B2, "A8R3G3B2"},
    {D3DFMT_X4R4G4B4, "X4R4G4B4"},
    {D3DFMT_A2B10G10R10, "A2B10G10R10"},
    {D3DFMT_A2R10G10B10, "A2R10G10B10"},
    {D3DFMT_A16B16G16R16, "A16B16G16R16"},
    {D3DFMT_A8P8, "A8P8"},
    {D3DFMT_P8, "P8"},
    {D3DFMT_L8, "L8"},
    {D3DFMT_L16, "L16"},
    {D3DFMT_A8L8, "A8L8"},
    {D3DFMT_A4L4, "A4L4"},
    {D3DFMT_V8U8, "V8U8"},
    {D3DFMT_Q8W8V8U8, "Q8W8V8U8"},
    {D3DFMT_V16U16, "V16U16"},
    {D3DFMT_Q16W16V16U16, "Q16W16V16U16"},
    {D3DFMT_CxV8U8, "CxV8U8"},
    {D3DFMT_L6V5U5, "L6V5U5"},
    {D3DFMT_X8L8V8U8, "X8L8V8U8"},
    {D3DFMT_A2W10V10U10, "A2W10V10U10"},
    {D3DFMT_MULTI2_ARGB8, "MULTI2_ARGB8"},
    {D3DFMT_G8R8_G8B8, "G8R8_G8B8"},
    {D3DFMT_R8G8_B8G8, "R8G8_B8G8"},
    {D3DFMT_DXT5, "DXT5"},
    {D3DFMT_DXT4, "DXT4"},
    {D3DFMT_DXT3, "DXT3"},
    {D3DFMT_DXT2, "DXT2"},
    {D3DFMT_DXT1, "DXT1"},
    {D3DFMT_UYVY, "UYVY"},
    {D3DFMT_YUY2, "YUY2"},
    {D3DFMT_D16_LOCKABLE, "D16_LOCKABLE"},
    {D3DFMT_D32, "D32"},
    {D3DFMT_D15S1, "D15S1"},
    {D3DFMT_D24S8, "D24S8"},
    {D3DFMT_D24X8, "D24X8"},
    {D3DFMT_D24X4S4, "D24X4S4"},
    {D3DFMT_D32F_LOCKABLE, "D32F_LOCKABLE"},
    {D3DFMT_D24FS8, "D24FS8"},
    {D3DFMT_D16, "D16"},
    {D3DFMT_VERTEXDATA, "VERTEXDATA"},
    {D3DFMT_INDEX16, "INDEX16"},
    {D3DFMT_INDEX32, "INDEX32"},
    {D3DFMT_R16F, "R16F"},
    {D3DFMT_G16R16F, "G16R16F"},
    {D3DFMT_A16B16G16R16F, "A16B16G16R16F"},
    {D3DFMT_R32F, "R32F"},
    {D3DFMT_G32R32F, "G32R32F"},
    {D3DFMT_A32B32G32R32F, "A32B32G32R32F"},
    {D3DFMT_G16R16, "G16R16"},
};

enum class List { None, Depth, Texture, RenderTarget };

struct FormatKind {
    List list;
    D3DFORMAT candidates[5];  // ends at the first D3DFMT_UNKNOWN
};

// Kinds 0 to 13; 14 and 15 combine others, 0 and 7 take no list.
const FormatKind kKinds[] = {
    {List::None, {}},
    {List::Depth, {D3DFMT_D16_LOCKABLE, D3DFMT_D16, D3DFMT_D15S1}},
    {List::Depth, {D3DFMT_D32, D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D24X4S4, D3DFMT_D24FS8}},
    {List::Depth, {D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D24FS8, D3DFMT_D15S1}},
    {List::Texture, {D3DFMT_DXT1}},
    {List::Texture, {D3DFMT_DXT3, D3DFMT_DXT1}},
    {List::Texture, {D3DFMT_DXT5, D3DFMT_DXT3, D3DFMT_DXT1}},
    {List::None, {}},
    {List::RenderTarget, {D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5}},
    {List::RenderTarget, {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}},
    {List::RenderTarget, {D3DFMT_A32B32G32R32F, D3DFMT_A16B16G16R16F}},
    {List::Texture, {D3DFMT_A8, D3DFMT_A8R3G3B2, D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4}},
    {List::Texture, {D3DFMT_A8R8G8B8}},
    {List::Texture, {D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5, D3DFMT_A8R3G3B2}},
};

char g_formatName[kFormatNameSize];
char g_errorText[512];

}  // namespace

D3DFORMAT GetFormat(uint32_t kind, D3DFORMAT fallback) {
    const detail::Module& m = M();
    if (kind == 0) return fallback;
    if (kind == 7) {
        bool windowed = true;
        Kestra::GetScreenInfo(nullptr, nullptr, &windowed);
        return detail::BackBufferFormat(windowed);
    }
    if (kind == 14 || kind == 15) {
        static const uint32_t kOrder14[4] = {12, 13, 6, 5};
        static const uint32_t kOrder15[4] = {6, 5, 12, 13};
        for (uint32_t k : kind == 14 ? kOrder14 : kOrder15)
            if (D3DFORMAT f = GetFormat(k, fallback); f != D3DFMT_UNKNOWN) return f;
        return D3DFMT_UNKNOWN;
    }
    if (kind >= std::size(kKinds)) return D3DFMT_UNKNOWN;
    const FormatKind& k = kKinds[kind];
    const std::vector<D3DFORMAT>* list = k.list == List::Depth     ? &m.depthFormats
                                         : k.list == List::Texture ? &m.textureFormats
                                                                   : &m.renderTargetFormats;
    for (D3DFORMAT candidate : k.candidates) {
        if (candidate == D3DFMT_UNKNOWN) break;
        if (detail::Supports(*list, candidate)) return candidate;
    }
    return D3DFMT_UNKNOWN;
}

const char* GetFormatName(D3DFORMAT format, char* out) {
    const char* name = "UNKNOWN";
    for (const FormatName& f : kFormatNames)
        if (f.format == format) name = f.name;
    snprintf(g_formatName, sizeof(g_formatName), "%s", name);
    if (out) snprintf(out, kFormatNameSize, "%s", name);
    return g_formatName;
}

const char* GetErrorText(HRESULT result) {
    snprintf(g_errorText, sizeof(g_errorText), "%s", Kestra::GetDirect3DErrorText(result));
    return g_errorText;
}

}  // namespace Kestra3D
