#include "engine/graphics/CVertexObject.h"

#include <cmath>
#include <cstring>
#include <iterator>

#include "engine/core/Kestra.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/Kestra3D.h"

namespace KestraVertex {
namespace {
// By the count of texture coordinate sets, 0 to kMaxTexCoordSets.
constexpr uint32_t kSize2D[] = {20, 28, 36, 44, 52};
constexpr uint32_t kFvf2D[] = {0x044, 0x144, 0x244, 0x344, 0x444};
constexpr uint32_t kSize3D[] = {16, 24, 32, 40, 48};
constexpr uint32_t kFvf3D[] = {0x042, 0x142, 0x242, 0x342, 0x442};
static_assert(std::size(kSize2D) == kMaxTexCoordSets + 1 && std::size(kFvf2D) == kMaxTexCoordSets + 1 &&
              std::size(kSize3D) == kMaxTexCoordSets + 1 && std::size(kFvf3D) == kMaxTexCoordSets + 1);
}  // namespace
uint32_t Size2D(uint32_t n) { return n <= kMaxTexCoordSets ? kSize2D[n] : 0; }
uint32_t Fvf2D(uint32_t n) { return n <= kMaxTexCoordSets ? kFvf2D[n] : 0; }
uint32_t Size3D(uint32_t n) { return n <= kMaxTexCoordSets ? kSize3D[n] : 0; }
uint32_t Fvf3D(uint32_t n) { return n <= kMaxTexCoordSets ? kFvf3D[n] : 0; }
}  // namespace KestraVertex

void LerpVertex2D(const Vertex2D* a, const Vertex2D* b, Vertex2D* out, float t) {
    Vertex2D r;
    r.x = a->x + (b->x - a->x) * t;
    r.y = a->y + (b->y - a->y) * t;
    r.z = a->z + (b->z - a->z) * t;
    r.rhw = a->rhw + (b->rhw - a->rhw) * t;
    uint32_t color = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float ca = float((a->color >> shift) & 0xFF);
        const float cb = float((b->color >> shift) & 0xFF);
        float c = ca + (cb - ca) * t;
        // Channels stay within their byte whatever t a caller passes.
        c = c >= 0.0f ? (c > 255.0f ? 255.0f : c) : 0.0f;  // also catches NaN
        color |= uint32_t(c) << shift;
    }
    r.color = color;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 2; ++j) r.uv[i][j] = a->uv[i][j] + (b->uv[i][j] - a->uv[i][j]) * t;
    *out = r;
}

// ---- CVertexObject2D

CVertexObject2D::CVertexObject2D(CObject2DManager* manager) : CObject2D(manager) {}

CVertexObject2D::~CVertexObject2D() { ReleaseStorage(); }

void CVertexObject2D::ReleaseStorage() {
    if (vertexBuffer_) vertexBuffer_->Release();
    vertexBuffer_ = nullptr;
    Kestra::MemoryFree(bucketHeads_);
    bucketHeads_ = nullptr;
    Kestra::MemoryFree(vertexStore_);
    vertexStore_ = nullptr;
    Kestra::MemoryFree(sortRecords_);
    sortRecords_ = nullptr;
}

HRESULT CVertexObject2D::CreateVertexBuffer() {
    IDirect3DDevice9* device = GetDevice();
    if (!device) return D3DERR_INVALIDCALL;
    IDirect3DVertexBuffer9* buffer = nullptr;
    const HRESULT hr = device->CreateVertexBuffer(bufferSize_, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, fvf_,
                                                  D3DPOOL_DEFAULT, &buffer, nullptr);
    vertexBuffer_ = SUCCEEDED(hr) ? buffer : nullptr;
    return hr;
}

void CVertexObject2D::DrawStored(D3DPRIMITIVETYPE type, uint32_t primitives) {
    if (storedCount_ == 0 || !vertexBuffer_) return;
    IDirect3DDevice9* device = GetDevice();
    if (!device) return;
    Kestra3D::SelectVertexProcessing(0, 0);
    device->SetFVF(fvf_);
    device->SetStreamSource(0, vertexBuffer_, 0, vertexSize_);
    device->DrawPrimitive(type, 0, primitives);
    Kestra::AddPolygonCount(primitives);
}

void CVertexObject2D::OnLostDevice() {
    if (vertexBuffer_) vertexBuffer_->Release();
    vertexBuffer_ = nullptr;
}

void CVertexObject2D::OnResetDevice() {
    if (!vertexStore_ && !sortRecords_) return;
    if (vertexBuffer_) return;
    const HRESULT hr = CreateVertexBuffer();
    if (FAILED(hr)) {
        Kestra::LogRed("頂点バッファのリストアに失敗 [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
        return;
    }
    End();
}

void CVertexObject2D::SetClipRect(const RECT* rect) {
    if (!rect) {
        clipping_ = 0;
        return;
    }
    clipping_ = 1;
    clipLeft_ = float(rect->left);
    clipTop_ = float(rect->top);
    clipRight_ = float(rect->right);
    clipBottom_ = float(rect->bottom);
}

void CVertexObject2D::SetPerspective(bool enable, float centerX, float centerY, float strength) {
    perspective_ = enable ? 1 : 0;
    perspectiveX_ = centerX;
    perspectiveY_ = centerY;
    perspectiveStrength_ = strength;
}

void CVertexObject2D::SetScaling(bool enable, float centerX, float centerY, float scale) {
    scaling_ = enable ? 1 : 0;
    scalingX_ = centerX;
    scalingY_ = centerY;
    scale_ = scale;
}

// ---- CVertexObject3D

CVertexObject3D::CVertexObject3D(CDeviceObjectManager* manager) : CDeviceObject(manager) {}

CVertexObject3D::~CVertexObject3D() {
    if (vertexBuffer_) vertexBuffer_->Release();
    vertexBuffer_ = nullptr;
    Kestra::MemoryFree(vertexCopy_);
    vertexCopy_ = nullptr;
}

void CVertexObject3D::OnLostDevice() {
    if (vertexBuffer_) vertexBuffer_->Release();
    vertexBuffer_ = nullptr;
}

void CVertexObject3D::OnResetDevice() {
    if (vertexBuffer_ || !vertexCopy_) return;
    IDirect3DDevice9* device = GetDevice();
    IDirect3DVertexBuffer9* buffer = nullptr;
    const HRESULT hr = device ? device->CreateVertexBuffer(bufferSize_, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, fvf_,
                                                          D3DPOOL_DEFAULT, &buffer, nullptr)
                              : D3DERR_INVALIDCALL;
    if (FAILED(hr)) {
        Kestra::LogRed("頂点バッファのリストアに失敗 [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
        return;
    }
    vertexBuffer_ = buffer;
    End();
}
