// Mesh index and vertex buffers and the eight vertex layouts.
#include "engine/graphics/CMeshBuffer.h"

#include <cstring>

#include "engine/core/KestraLog.h"
#include "engine/graphics/Kestra3D.h"

namespace LibModel {
namespace {

constexpr BYTE kF1 = D3DDECLTYPE_FLOAT1, kF2 = D3DDECLTYPE_FLOAT2, kF3 = D3DDECLTYPE_FLOAT3,
               kColor = D3DDECLTYPE_D3DCOLOR;
constexpr BYTE kPos = D3DDECLUSAGE_POSITION, kNormal = D3DDECLUSAGE_NORMAL, kWeight = D3DDECLUSAGE_BLENDWEIGHT,
               kIndex = D3DDECLUSAGE_BLENDINDICES, kCol = D3DDECLUSAGE_COLOR, kTex = D3DDECLUSAGE_TEXCOORD;
#define KE(off, type, usage, index) {0, off, type, D3DDECLMETHOD_DEFAULT, usage, index}
#define KEND {0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0}

const D3DVERTEXELEMENT9 kDecl[kLayoutCount][10] = {
    {KE(0, kF3, kPos, 0), KE(12, kF3, kNormal, 0), KE(24, kColor, kCol, 0), KE(28, kF2, kTex, 0), KEND},
    {KE(0, kF3, kPos, 0), KE(12, kF3, kNormal, 0), KE(24, kF3, kPos, 1), KE(36, kF3, kNormal, 1),
     KE(48, kColor, kCol, 0), KE(52, kF2, kTex, 0), KEND},
    {KE(0, kF3, kPos, 0), KE(12, kF3, kNormal, 0), KE(24, kF1, kWeight, 0), KE(28, kColor, kIndex, 0),
     KE(32, kColor, kCol, 0), KE(36, kF2, kTex, 0), KEND},
    {KE(0, kF3, kPos, 0), KE(12, kF3, kNormal, 0), KE(24, kF2, kWeight, 0), KE(32, kColor, kIndex, 0),
     KE(36, kColor, kCol, 0), KE(40, kF2, kTex, 0), KEND},
    {KE(0, kF3, kPos, 0), KE(12, kF3, kNormal, 0), KE(24, kF3, kWeight, 0), KE(36, kColor, kIndex, 0),
     KE(40, kColor, kCol, 0), KE(44, kF2, kTex, 0), KEND},
    {KE(0, kF3, kPos, 0), KE(12, kF3, kNormal, 0), KE(24, kF3, kPos, 1), KE(36, kF3, kNormal, 1),
     KE(48, kF1, kWeight, 0), KE(52, kColor, kIndex, 0), KE(56, kColor, kCol, 0), KE(60, kF2, kTex, 0), KEND},
    {KE(0, kF3, kPos, 0), KE(12, kF3, kNormal, 0), KE(24, kF3, kPos, 1), KE(36, kF3, kNormal, 1),
     KE(48, kF2, kWeight, 0), KE(56, kColor, kIndex, 0), KE(60, kColor, kCol, 0), KE(64, kF2, kTex, 0), KEND},
    {KE(0, kF3, kPos, 0), KE(12, kF3, kNormal, 0), KE(24, kF3, kPos, 1), KE(36, kF3, kNormal, 1),
     KE(48, kF3, kWeight, 0), KE(60, kColor, kIndex, 0), KE(64, kColor, kCol, 0), KE(68, kF2, kTex, 0), KEND},
};
#undef KE
#undef KEND

constexpr uint32_t kStride[kLayoutCount] = {36, 60, 44, 48, 52, 68, 72, 76};
// Stored blend weights and whether the second pose is carried, per layout.
constexpr uint32_t kWeights[kLayoutCount] = {0, 0, 1, 2, 3, 1, 2, 3};
constexpr bool kMorph[kLayoutCount] = {false, true, false, false, false, true, true, true};

void Put(uint8_t*& at, const void* from, size_t bytes) {
    std::memcpy(at, from, bytes);
    at += bytes;
}

}  // namespace

uint32_t LayoutStride(uint32_t layout) { return layout < kLayoutCount ? kStride[layout] : 0; }
const D3DVERTEXELEMENT9* LayoutDeclaration(uint32_t layout) {
    return layout < kLayoutCount ? kDecl[layout] : nullptr;
}

// ---- Index buffer ---------------------------------------------------------------

CIndexBuffer::CIndexBuffer(uint32_t count) : count_(count), data_(new uint16_t[count]()) {}

CIndexBuffer::~CIndexBuffer() {
    OnLostDevice();
    delete[] data_;
}

void CIndexBuffer::OnLostDevice() {
    if (buffer_) buffer_->Release();
    buffer_ = nullptr;
}

void CIndexBuffer::OnResetDevice() { Create(major_, minor_); }

bool CIndexBuffer::Create(uint16_t vsMajor, uint16_t vsMinor) {
    OnLostDevice();
    major_ = vsMajor;
    minor_ = vsMinor;
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    if (!device) return false;
    const D3DPOOL pool = Kestra3D::NeedsSoftwareVertexProcessing(vsMajor, vsMinor) ? D3DPOOL_SYSTEMMEM : D3DPOOL_DEFAULT;
    HRESULT hr = device->CreateIndexBuffer(count_ * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, pool, &buffer_, nullptr);
    if (FAILED(hr)) {
        buffer_ = nullptr;
        Kestra::LogRed("インデックスバッファの生成に失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    void* bits = nullptr;
    hr = buffer_->Lock(0, count_ * 2, &bits, 0);
    if (FAILED(hr)) {
        Kestra::LogRed("インデックスバッファのロックに失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    std::memcpy(bits, data_, count_ * 2);
    buffer_->Unlock();
    return true;
}

void CIndexBuffer::SetToDevice() {
    if (IDirect3DDevice9* device = Kestra3D::GetDevice()) device->SetIndices(buffer_);
}

// ---- Vertex buffer --------------------------------------------------------------

CVertexBuffer::CVertexBuffer(uint32_t count) : count_(count), data_(new ModelVertex[count]()) {}

CVertexBuffer::~CVertexBuffer() {
    ReleaseDevice();
    delete[] data_;
}

void CVertexBuffer::ReleaseDevice() {
    if (buffer_) buffer_->Release();
    if (declaration_) declaration_->Release();
    buffer_ = nullptr;
    declaration_ = nullptr;
}

void CVertexBuffer::OnLostDevice() { ReleaseDevice(); }

void CVertexBuffer::OnResetDevice() { Create(major_, minor_, layout_); }

bool CVertexBuffer::Create(uint16_t vsMajor, uint16_t vsMinor, uint32_t layout) {
    ReleaseDevice();
    if (layout >= kLayoutCount) return false;
    layout_ = layout;
    major_ = vsMajor;
    minor_ = vsMinor;
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    if (!device) return false;
    const bool software = Kestra3D::NeedsSoftwareVertexProcessing(vsMajor, vsMinor);
    const DWORD usage = software ? D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING : D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY;
    const D3DPOOL pool = software ? D3DPOOL_SYSTEMMEM : D3DPOOL_DEFAULT;
    const uint32_t stride = kStride[layout];
    HRESULT hr = device->CreateVertexBuffer(stride * count_, usage, 0, pool, &buffer_, nullptr);
    if (FAILED(hr)) {
        buffer_ = nullptr;
        Kestra::LogRed("頂点バッファの生成に失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    void* bits = nullptr;
    hr = buffer_->Lock(0, 0, &bits, 0);
    if (FAILED(hr)) {
        Kestra::LogRed("頂点バッファのロックに失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    auto* at = static_cast<uint8_t*>(bits);
    for (uint32_t i = 0; i < count_; ++i) {
        const ModelVertex& v = data_[i];
        Put(at, v.position0, 12);
        Put(at, v.normal0, 12);
        if (kMorph[layout]) {
            Put(at, v.position1, 12);
            Put(at, v.normal1, 12);
        }
        if (kWeights[layout]) {
            Put(at, v.weights, kWeights[layout] * 4);
            Put(at, v.indices, 4);
        }
        Put(at, &v.color, 4);
        Put(at, &v.u, 4);
        Put(at, &v.v, 4);
    }
    buffer_->Unlock();
    hr = device->CreateVertexDeclaration(kDecl[layout], &declaration_);
    if (FAILED(hr)) {
        declaration_ = nullptr;
        Kestra::LogRed("頂点シェーダ宣言の生成に失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    return true;
}

void CVertexBuffer::SetToDevice() {
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    if (!device) return;
    device->SetVertexDeclaration(declaration_);
    device->SetStreamSource(0, buffer_, 0, kStride[layout_]);
}

}  // namespace LibModel
