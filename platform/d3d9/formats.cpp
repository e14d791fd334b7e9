// Formats, vertex layouts and Direct3D 9's default device states.
#include <cstring>

#include "platform/d3d9/d3d9_internal.h"

namespace d3d9impl {

namespace {
const FormatInfo kFormats[] = {
    {D3DFMT_R8G8B8, "R8G8B8", 3, false, false, false, false},
    {D3DFMT_A8R8G8B8, "A8R8G8B8", 4, false, false, false, true},
    {D3DFMT_X8R8G8B8, "X8R8G8B8", 4, false, false, false, false},
    {D3DFMT_R5G6B5, "R5G6B5", 2, false, false, false, false},
    {D3DFMT_X1R5G5B5, "X1R5G5B5", 2, false, false, false, false},
    {D3DFMT_A1R5G5B5, "A1R5G5B5", 2, false, false, false, true},
    {D3DFMT_A4R4G4B4, "A4R4G4B4", 2, false, false, false, true},
    {D3DFMT_R3G3B2, "R3G3B2", 1, false, false, false, false},
    {D3DFMT_A8, "A8", 1, false, false, false, true},
    {D3DFMT_A8R3G3B2, "A8R3G3B2", 2, false, false, false, true},
    {D3DFMT_X4R4G4B4, "X4R4G4B4", 2, false, false, false, false},
    {D3DFMT_A2B10G10R10, "A2B10G10R10", 4, false, false, false, true},
    {D3DFMT_A8B8G8R8, "A8B8G8R8", 4, false, false, false, true},
    {D3DFMT_X8B8G8R8, "X8B8G8R8", 4, false, false, false, false},
    {D3DFMT_G16R16, "G16R16", 4, false, false, false, false},
    {D3DFMT_A2R10G10B10, "A2R10G10B10", 4, false, false, false, true},
    {D3DFMT_A16B16G16R16, "A16B16G16R16", 8, false, false, false, true},
    {D3DFMT_A8P8, "A8P8", 2, false, false, false, true},
    {D3DFMT_P8, "P8", 1, false, false, false, false},
    {D3DFMT_L8, "L8", 1, false, false, false, false},
    {D3DFMT_A8L8, "A8L8", 2, false, false, false, true},
    {D3DFMT_A4L4, "A4L4", 1, false, false, false, true},
    {D3DFMT_V8U8, "V8U8", 2, false, false, false, false},
    {D3DFMT_L6V5U5, "L6V5U5", 2, false, false, false, false},
    {D3DFMT_X8L8V8U8, "X8L8V8U8", 4, false, false, false, false},
    {D3DFMT_Q8W8V8U8, "Q8W8V8U8", 4, false, false, false, false},
    {D3DFMT_V16U16, "V16U16", 4, false, false, false, false},
    {D3DFMT_A2W10V10U10, "A2W10V10U10", 4, false, false, false, true},
    {D3DFMT_L16, "L16", 2, false, false, false, false},
    {D3DFMT_Q16W16V16U16, "Q16W16V16U16", 8, false, false, false, false},
    {D3DFMT_CxV8U8, "CxV8U8", 2, false, false, false, false},
    {D3DFMT_UYVY, "UYVY", 2, false, false, false, false},
    {D3DFMT_YUY2, "YUY2", 2, false, false, false, false},
    {D3DFMT_R8G8_B8G8, "R8G8_B8G8", 2, false, false, false, false},
    {D3DFMT_G8R8_G8B8, "G8R8_G8B8", 2, false, false, false, false},
    {D3DFMT_DXT1, "DXT1", 8, true, false, false, true},
    {D3DFMT_DXT2, "DXT2", 16, true, false, false, true},
    {D3DFMT_DXT3, "DXT3", 16, true, false, false, true},
    {D3DFMT_DXT4, "DXT4", 16, true, false, false, true},
    {D3DFMT_DXT5, "DXT5", 16, true, false, false, true},
    {D3DFMT_D16_LOCKABLE, "D16_LOCKABLE", 2, false, true, false, false},
    {D3DFMT_D32, "D32", 4, false, true, false, false},
    {D3DFMT_D15S1, "D15S1", 2, false, true, true, false},
    {D3DFMT_D24S8, "D24S8", 4, false, true, true, false},
    {D3DFMT_D24X8, "D24X8", 4, false, true, false, false},
    {D3DFMT_D24X4S4, "D24X4S4", 4, false, true, true, false},
    {D3DFMT_D16, "D16", 2, false, true, false, false},
    {D3DFMT_D32F_LOCKABLE, "D32F_LOCKABLE", 4, false, true, false, false},
    {D3DFMT_D24FS8, "D24FS8", 4, false, true, true, false},
    {D3DFMT_R16F, "R16F", 2, false, false, false, false},
    {D3DFMT_G16R16F, "G16R16F", 4, false, false, false, false},
    {D3DFMT_A16B16G16R16F, "A16B16G16R16F", 8, false, false, false, true},
    {D3DFMT_R32F, "R32F", 4, false, false, false, false},
    {D3DFMT_G32R32F, "G32R32F", 8, false, false, false, false},
    {D3DFMT_A32B32G32R32F, "A32B32G32R32F", 16, false, false, false, true},
};

uint32_t Expand(uint32_t value, int bits) {
    // Bit replication: the full range maps onto 0..255 exactly.
    if (bits == 0) return 0;
    uint32_t v = value << (8 - bits);
    for (int shift = bits; shift < 8; shift += bits) v |= v >> shift;
    return v & 0xFF;
}
}  // namespace

const FormatInfo* FindFormat(D3DFORMAT format) {
    for (const auto& f : kFormats)
        if (f.format == format) return &f;
    return nullptr;
}

UINT RowBytes(D3DFORMAT format, UINT width) {
    const FormatInfo* f = FindFormat(format);
    if (!f) return 0;
    if (f->compressed) return ((width + 3) / 4) * f->bytesPerPixel;
    return width * f->bytesPerPixel;
}

UINT RowCount(D3DFORMAT format, UINT height) {
    const FormatInfo* f = FindFormat(format);
    if (f && f->compressed) return (height + 3) / 4;
    return height;
}

bool CanConvert(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8B8G8R8:
    case D3DFMT_X8B8G8R8:
    case D3DFMT_R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_R3G3B2:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_A8L8:
    case D3DFMT_A4L4:
        return true;
    default:
        return false;
    }
}

uint32_t ReadPixel(D3DFORMAT format, const uint8_t* p) {
    auto u16 = [&] { return uint32_t(p[0] | (p[1] << 8)); };
    switch (format) {
    case D3DFMT_A8R8G8B8:
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    case D3DFMT_X8R8G8B8:
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | 0xFF000000u;
    case D3DFMT_A8B8G8R8:
        return uint32_t(p[2]) | (uint32_t(p[1]) << 8) | (uint32_t(p[0]) << 16) | (uint32_t(p[3]) << 24);
    case D3DFMT_X8B8G8R8:
        return uint32_t(p[2]) | (uint32_t(p[1]) << 8) | (uint32_t(p[0]) << 16) | 0xFF000000u;
    case D3DFMT_R8G8B8:
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | 0xFF000000u;
    case D3DFMT_R5G6B5: {
        uint32_t v = u16();
        return 0xFF000000u | (Expand(v >> 11, 5) << 16) | (Expand((v >> 5) & 63, 6) << 8) | Expand(v & 31, 5);
    }
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
        uint32_t v = u16();
        uint32_t a = (format == D3DFMT_X1R5G5B5 || (v & 0x8000)) ? 0xFF : 0;
        return (a << 24) | (Expand((v >> 10) & 31, 5) << 16) | (Expand((v >> 5) & 31, 5) << 8) | Expand(v & 31, 5);
    }
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4: {
        uint32_t v = u16();
        uint32_t a = format == D3DFMT_X4R4G4B4 ? 0xFF : Expand(v >> 12, 4);
        return (a << 24) | (Expand((v >> 8) & 15, 4) << 16) | (Expand((v >> 4) & 15, 4) << 8) | Expand(v & 15, 4);
    }
    case D3DFMT_R3G3B2:
    case D3DFMT_A8R3G3B2: {
        uint32_t v = format == D3DFMT_R3G3B2 ? p[0] : u16();
        uint32_t a = format == D3DFMT_R3G3B2 ? 0xFF : (v >> 8);
        return (a << 24) | (Expand((v >> 5) & 7, 3) << 16) | (Expand((v >> 2) & 7, 3) << 8) | Expand(v & 3, 2);
    }
    case D3DFMT_A8:
        return uint32_t(p[0]) << 24;
    case D3DFMT_L8:
        return 0xFF000000u | uint32_t(p[0]) * 0x010101u;
    case D3DFMT_A8L8:
        return (uint32_t(p[1]) << 24) | uint32_t(p[0]) * 0x010101u;
    case D3DFMT_A4L4:
        return (Expand(p[0] >> 4, 4) << 24) | Expand(p[0] & 15, 4) * 0x010101u;
    default:
        return 0;
    }
}

void WritePixel(D3DFORMAT format, uint8_t* p, uint32_t argb) {
    uint32_t a = argb >> 24, r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    auto put16 = [&](uint32_t v) {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
    };
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        p[0] = uint8_t(b);
        p[1] = uint8_t(g);
        p[2] = uint8_t(r);
        p[3] = format == D3DFMT_X8R8G8B8 ? 0xFF : uint8_t(a);
        break;
    case D3DFMT_A8B8G8R8:
    case D3DFMT_X8B8G8R8:
        p[0] = uint8_t(r);
        p[1] = uint8_t(g);
        p[2] = uint8_t(b);
        p[3] = format == D3DFMT_X8B8G8R8 ? 0xFF : uint8_t(a);
        break;
    case D3DFMT_R8G8B8:
        p[0] = uint8_t(b);
        p[1] = uint8_t(g);
        p[2] = uint8_t(r);
        break;
    case D3DFMT_R5G6B5:
        put16(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
        break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        put16(((format == D3DFMT_X1R5G5B5 || a >= 0x80) ? 0x8000 : 0) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
        break;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
        put16(((format == D3DFMT_X4R4G4B4 ? 15 : (a >> 4)) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4));
        break;
    case D3DFMT_R3G3B2:
        p[0] = uint8_t(((r >> 5) << 5) | ((g >> 5) << 2) | (b >> 6));
        break;
    case D3DFMT_A8R3G3B2:
        put16((a << 8) | ((r >> 5) << 5) | ((g >> 5) << 2) | (b >> 6));
        break;
    case D3DFMT_A8:
        p[0] = uint8_t(a);
        break;
    case D3DFMT_L8:
        p[0] = uint8_t((r * 77 + g * 150 + b * 29 + 128) >> 8);
        break;
    case D3DFMT_A8L8:
        p[0] = uint8_t((r * 77 + g * 150 + b * 29 + 128) >> 8);
        p[1] = uint8_t(a);
        break;
    case D3DFMT_A4L4:
        p[0] = uint8_t(((a >> 4) << 4) | (((r * 77 + g * 150 + b * 29 + 128) >> 8) >> 4));
        break;
    default:
        break;
    }
}

bool IsSupported(const std::vector<D3DFORMAT>& list, D3DFORMAT format) {
    for (D3DFORMAT f : list)
        if (f == format) return true;
    return false;
}

// ---- Vertex layouts
UINT DeclTypeSize(BYTE type) {
    switch (type) {
    case D3DDECLTYPE_FLOAT1: return 4;
    case D3DDECLTYPE_FLOAT2: return 8;
    case D3DDECLTYPE_FLOAT3: return 12;
    case D3DDECLTYPE_FLOAT4: return 16;
    case D3DDECLTYPE_D3DCOLOR: return 4;
    case D3DDECLTYPE_UBYTE4: return 4;
    case D3DDECLTYPE_SHORT2: return 4;
    case D3DDECLTYPE_SHORT4: return 8;
    case D3DDECLTYPE_UBYTE4N: return 4;
    case D3DDECLTYPE_SHORT2N: return 4;
    case D3DDECLTYPE_SHORT4N: return 8;
    case D3DDECLTYPE_USHORT2N: return 4;
    case D3DDECLTYPE_USHORT4N: return 8;
    case D3DDECLTYPE_FLOAT16_2: return 4;
    case D3DDECLTYPE_FLOAT16_4: return 8;
    default: return 0;
    }
}

bool LayoutFromFvf(DWORD fvf, VertexLayout* layout) {
    layout->attribs.clear();
    layout->pretransformed = false;
    layout->elements.clear();
    WORD offset = 0;
    DWORD position = fvf & D3DFVF_POSITION_MASK;
    int blendWeights = 0;
    switch (position) {
    case D3DFVF_XYZ: layout->attribs.push_back({kAttrPosition, D3DDECLTYPE_FLOAT3, offset}); offset += 12; break;
    case D3DFVF_XYZRHW:
        layout->attribs.push_back({kAttrPosition, D3DDECLTYPE_FLOAT4, offset});
        offset += 16;
        layout->pretransformed = true;
        break;
    case D3DFVF_XYZW: layout->attribs.push_back({kAttrPosition, D3DDECLTYPE_FLOAT4, offset}); offset += 16; break;
    case D3DFVF_XYZB1: case D3DFVF_XYZB2: case D3DFVF_XYZB3: case D3DFVF_XYZB4: case D3DFVF_XYZB5:
        layout->attribs.push_back({kAttrPosition, D3DDECLTYPE_FLOAT3, offset});
        offset += 12;
        blendWeights = int((position - D3DFVF_XYZB1) / 2) + 1;
        break;
    default:
        return false;
    }
    if (blendWeights > 0) {
        bool lastIsIndices = (fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR)) != 0;
        int weights = lastIsIndices ? blendWeights - 1 : blendWeights;
        if (weights > 4) return false;  // five weights fit no one attribute
        if (weights > 0) {
            static const BYTE types[] = {D3DDECLTYPE_FLOAT1, D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4};
            layout->attribs.push_back({kAttrBlendWeight, types[weights - 1], offset});
            offset += WORD(4 * weights);
        }
        if (lastIsIndices) {
            layout->attribs.push_back({kAttrBlendIndices,
                                       BYTE((fvf & D3DFVF_LASTBETA_D3DCOLOR) ? D3DDECLTYPE_D3DCOLOR : D3DDECLTYPE_UBYTE4),
                                       offset});
            offset += 4;
        }
    }
    if (fvf & D3DFVF_NORMAL) {
        layout->attribs.push_back({kAttrNormal, D3DDECLTYPE_FLOAT3, offset});
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        layout->attribs.push_back({kAttrPointSize, D3DDECLTYPE_FLOAT1, offset});
        offset += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        layout->attribs.push_back({kAttrDiffuse, D3DDECLTYPE_D3DCOLOR, offset});
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        layout->attribs.push_back({kAttrSpecular, D3DDECLTYPE_D3DCOLOR, offset});
        offset += 4;
    }
    UINT texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (texCount > 8) return false;
    for (UINT i = 0; i < texCount; ++i) {
        UINT sizeCode = (fvf >> (i * 2 + 16)) & 3;
        static const BYTE types[] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4, D3DDECLTYPE_FLOAT1};
        BYTE type = types[sizeCode];
        layout->attribs.push_back({int(kAttrTexCoord0 + i), type, offset});
        offset += WORD(DeclTypeSize(type));
    }
    layout->fvfStride = offset;
    return true;
}

bool LayoutFromDeclaration(const std::vector<D3DVERTEXELEMENT9>& elements, VertexLayout* layout) {
    layout->attribs.clear();
    layout->pretransformed = false;
    layout->fvfStride = 0;
    layout->elements.clear();
    for (const auto& e : elements) {
        if (e.Stream != 0) continue;  // one vertex stream is all the engine binds
        if (DeclTypeSize(e.Type) == 0) return false;
        layout->elements.push_back(e);
        int slot = -1;
        switch (e.Usage) {
        case D3DDECLUSAGE_POSITION: slot = e.UsageIndex == 0 ? kAttrPosition : -1; break;
        case D3DDECLUSAGE_POSITIONT:
            slot = kAttrPosition;
            layout->pretransformed = true;
            break;
        case D3DDECLUSAGE_BLENDWEIGHT: slot = kAttrBlendWeight; break;
        case D3DDECLUSAGE_BLENDINDICES: slot = kAttrBlendIndices; break;
        case D3DDECLUSAGE_NORMAL: slot = e.UsageIndex == 0 ? kAttrNormal : -1; break;
        case D3DDECLUSAGE_PSIZE: slot = kAttrPointSize; break;
        case D3DDECLUSAGE_COLOR: slot = e.UsageIndex == 0 ? kAttrDiffuse : (e.UsageIndex == 1 ? kAttrSpecular : -1); break;
        case D3DDECLUSAGE_TEXCOORD: slot = e.UsageIndex < 8 ? kAttrTexCoord0 + e.UsageIndex : -1; break;
        default: break;
        }
        if (slot < 0) continue;
        layout->attribs.push_back({slot, e.Type, e.Offset});
    }
    return true;
}

// ---- Direct3D 9's documented defaults.
namespace {
DWORD FloatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}
void Identity(D3DMATRIX& m) {
    std::memset(&m, 0, sizeof m);
    m._11 = m._22 = m._33 = m._44 = 1.0f;
}
}  // namespace

void FillDefaultStates(DeviceState& s, bool autoDepth) {
    std::memset(s.renderStates, 0, sizeof s.renderStates);
    DWORD* rs = s.renderStates;
    rs[D3DRS_ZENABLE] = autoDepth ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_ALPHATESTENABLE] = FALSE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAREF] = 0;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_DITHERENABLE] = FALSE;
    rs[D3DRS_ALPHABLENDENABLE] = FALSE;
    rs[D3DRS_FOGENABLE] = FALSE;
    rs[D3DRS_SPECULARENABLE] = FALSE;
    rs[D3DRS_FOGCOLOR] = 0;
    rs[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
    rs[D3DRS_FOGSTART] = FloatBits(0.0f);
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_RANGEFOGENABLE] = FALSE;
    rs[D3DRS_STENCILENABLE] = FALSE;
    rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILREF] = 0;
    rs[D3DRS_STENCILMASK] = 0xFFFFFFFF;
    rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_AMBIENT] = 0;
    rs[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_NORMALIZENORMALS] = FALSE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_VERTEXBLEND] = 0;
    rs[D3DRS_CLIPPLANEENABLE] = 0;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = FloatBits(1.0f);
    rs[D3DRS_POINTSPRITEENABLE] = FALSE;
    rs[D3DRS_POINTSCALEENABLE] = FALSE;
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs[D3DRS_POINTSCALE_B] = FloatBits(0.0f);
    rs[D3DRS_POINTSCALE_C] = FloatBits(0.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs[D3DRS_PATCHEDGESTYLE] = 0;
    rs[D3DRS_DEBUGMONITORTOKEN] = 0;
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs[D3DRS_INDEXEDVERTEXBLENDENABLE] = FALSE;
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_TWEENFACTOR] = FloatBits(0.0f);
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_POSITIONDEGREE] = 3;  // cubic
    rs[D3DRS_NORMALDEGREE] = 1;    // linear
    rs[D3DRS_SCISSORTESTENABLE] = FALSE;
    rs[D3DRS_SLOPESCALEDEPTHBIAS] = 0;
    rs[D3DRS_ANTIALIASEDLINEENABLE] = FALSE;
    rs[D3DRS_MINTESSELLATIONLEVEL] = FloatBits(1.0f);
    rs[D3DRS_MAXTESSELLATIONLEVEL] = FloatBits(1.0f);
    rs[D3DRS_ADAPTIVETESS_X] = FloatBits(0.0f);
    rs[D3DRS_ADAPTIVETESS_Y] = FloatBits(0.0f);
    rs[D3DRS_ADAPTIVETESS_Z] = FloatBits(1.0f);
    rs[D3DRS_ADAPTIVETESS_W] = FloatBits(0.0f);
    rs[D3DRS_ENABLEADAPTIVETESSELLATION] = FALSE;
    rs[D3DRS_TWOSIDEDSTENCILMODE] = FALSE;
    rs[D3DRS_CCW_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_CCW_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_CCW_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_COLORWRITEENABLE1] = 0xF;
    rs[D3DRS_COLORWRITEENABLE2] = 0xF;
    rs[D3DRS_COLORWRITEENABLE3] = 0xF;
    rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_SRGBWRITEENABLE] = 0;
    rs[D3DRS_DEPTHBIAS] = 0;
    rs[D3DRS_SEPARATEALPHABLENDENABLE] = FALSE;
    rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

    for (int st = 0; st < 8; ++st) {
        DWORD* ts = s.stageStates[st];
        std::memset(ts, 0, sizeof s.stageStates[st]);
        ts[D3DTSS_COLOROP] = st == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAOP] = st == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = DWORD(st);
        ts[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        ts[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
    for (int sm = 0; sm < 16; ++sm) {
        DWORD* ss = s.samplerStates[sm];
        std::memset(ss, 0, sizeof s.samplerStates[sm]);
        ss[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        ss[D3DSAMP_MAXANISOTROPY] = 1;
    }
    Identity(s.world);
    Identity(s.view);
    Identity(s.projection);
    for (auto& m : s.textureMatrices) Identity(m);
    std::memset(&s.material, 0, sizeof s.material);
    s.lights.clear();
    s.lightEnabled.clear();
    s.fvf = 0;
    s.softwareVertexProcessing = FALSE;
    std::memset(s.vsConstants, 0, sizeof s.vsConstants);
}

}  // namespace d3d9impl
