#include "engine/graphics/CPrimitive3D.h"

#include <cstring>

#include "engine/core/Kestra.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/Kestra3D.h"

// ---- CList3D

bool CList3D::CreateList(const char* tag, uint32_t capacity, uint32_t texCoordSets) {
    if (vertexBuffer_) vertexBuffer_->Release();
    vertexBuffer_ = nullptr;
    Kestra::MemoryFree(vertexCopy_);
    vertexCopy_ = nullptr;
    capacity_ = storedCount_ = storedBytes_ = requestedCount_ = bufferSize_ = 0;

    Kestra::LogBlue("%s", tag);
    Kestra::LogPrint("描画用頂点バッファ生成 : ");
    const uint32_t vertexSize = KestraVertex::Size3D(texCoordSets);
    IDirect3DDevice9* device = GetDevice();
    // More than four coordinate sets would read past every caller's vertex, and
    // the buffer's size must fit in 32 bits.
    HRESULT hr = D3DERR_INVALIDCALL;
    IDirect3DVertexBuffer9* buffer = nullptr;
    if (device && vertexSize != 0 && capacity != 0 && capacity <= 0xFFFFFFFFu / vertexSize)
        hr = device->CreateVertexBuffer(vertexSize * capacity, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                        KestraVertex::Fvf3D(texCoordSets), D3DPOOL_DEFAULT, &buffer, nullptr);
    if (FAILED(hr)) {
        Kestra::LogRed("頂点バッファの生成に失敗 [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    Kestra::LogPrint("頂点保存用バッファ生成 { ");
    Kestra::LogNewLine();
    Kestra::LogPrint("　　");
    vertexCopy_ = static_cast<uint8_t*>(Kestra::MemoryAlloc(vertexSize * capacity));
    if (!vertexCopy_) {
        buffer->Release();
        Kestra::LogPrint(" } ");
        Kestra::LogRed("頂点用メモリの確保に失敗");
        Kestra::LogNewLine();
        return false;
    }
    Kestra::LogPrint(" } ");
    vertexBuffer_ = buffer;
    texCoordSets_ = texCoordSets;
    fvf_ = KestraVertex::Fvf3D(texCoordSets);
    vertexSize_ = vertexSize;
    bufferSize_ = vertexSize * capacity;
    capacity_ = capacity;
    Kestra::LogPrint(" VERTEX COUNT [ %4d ] : VERTEX SIZE [ %3dBYTE ] : ", int(capacity_), int(vertexSize_));
    Kestra::LogGreen("Success!");
    Kestra::LogNewLine();
    return true;
}

bool CList3D::AddItems(const Vertex3D* vertices, uint32_t count, uint32_t perItem, bool fillUp) {
    if (!vertices) return count == 0;
    for (uint32_t item = 0; item < count; ++item) {
        requestedCount_ += perItem;
        const uint64_t after = uint64_t(storedCount_) + perItem;
        if (fillUp ? after > capacity_ : after >= capacity_) return false;
        for (uint32_t i = 0; i < perItem; ++i) {
            std::memcpy(vertexCopy_ + storedBytes_, &vertices[size_t(item) * perItem + i], vertexSize_);
            storedBytes_ += vertexSize_;
            ++storedCount_;
        }
    }
    return true;
}

void CList3D::Upload(uint32_t lockSize) {
    if (!vertexBuffer_) return;
    void* bits = nullptr;
    if (FAILED(vertexBuffer_->Lock(0, lockSize, &bits, D3DLOCK_DISCARD)) || !bits) return;
    if (storedBytes_) std::memcpy(bits, vertexCopy_, storedBytes_);
    vertexBuffer_->Unlock();
}

void CList3D::Draw(D3DPRIMITIVETYPE type, uint32_t primitives) {
    if (storedCount_ == 0 || !vertexBuffer_) return;
    IDirect3DDevice9* device = GetDevice();
    if (!device) return;
    Kestra3D::SelectVertexProcessing(0, 0);
    device->SetTransform(D3DTS_WORLD, &transform_.world);
    device->SetFVF(fvf_);
    device->SetStreamSource(0, vertexBuffer_, 0, vertexSize_);
    device->DrawPrimitive(type, 0, primitives);
    Kestra::AddPolygonCount3D(primitives);
}

// ---- CPoint3D

CPoint3D::~CPoint3D() {
    Kestra::LogRed("CPoint3D Destruct [%s]", GetName());
    Kestra::LogNewLine();
}
bool CPoint3D::Create(uint32_t capacity) { return CreateList("CPoint3D::Create", capacity, 0); }
bool CPoint3D::AddPoints(const Vertex3D* points, uint32_t count) { return AddItems(points, count, 1, false); }
void CPoint3D::Begin() { storedCount_ = storedBytes_ = 0; }
void CPoint3D::End() { Upload(0); }
void CPoint3D::Render() { Draw(D3DPT_POINTLIST, storedCount_); }

// ---- CLine3D

CLine3D::~CLine3D() {
    Kestra::LogRed("CLine3D Destruct");
    Kestra::LogNewLine();
}
bool CLine3D::Create(uint32_t capacity) { return CreateList("CLine3D::Create", capacity, 0); }
bool CLine3D::AddLines(const Vertex3D* vertices, uint32_t lineCount) { return AddItems(vertices, lineCount, 2, false); }
void CLine3D::Begin() { storedCount_ = storedBytes_ = 0; }
void CLine3D::End() { Upload(0); }
void CLine3D::Render() { Draw(D3DPT_LINELIST, storedCount_ / 2); }

// ---- CPrimitive3D

CPrimitive3D::~CPrimitive3D() {
    Kestra::LogRed("CPrimitive3D Destruct [%s]", GetName());
    Kestra::LogNewLine();
}
bool CPrimitive3D::Create(uint32_t capacity, uint32_t texCoordSets) {
    return CreateList("CPrimitive3D::Create", capacity, texCoordSets);
}
bool CPrimitive3D::AddTriangles(const Vertex3D* vertices, uint32_t triangleCount) {
    return AddItems(vertices, triangleCount, 3, true);
}
void CPrimitive3D::Begin() { storedCount_ = storedBytes_ = requestedCount_ = 0; }
void CPrimitive3D::End() { Upload(storedBytes_); }
void CPrimitive3D::Render() { Draw(D3DPT_TRIANGLELIST, storedCount_ / 3); }

// ---- Managers: each new list starts with the identity as its world.

CPoint3D* CPoint3DManager::Create(uint32_t capacity) {
    return FinishCreate(new (std::nothrow) CPoint3D(this), "CPoint3D::Create",
                        [&](CPoint3D* p) { return p->Create(capacity); }, nullptr);
}

CLine3D* CLine3DManager::Create(uint32_t capacity) {
    return FinishCreate(new (std::nothrow) CLine3D(this), "CLine3D::Create",
                        [&](CLine3D* p) { return p->Create(capacity); }, nullptr);
}

CPrimitive3D* CPrimitive3DManager::Create(uint32_t capacity, uint32_t texCoordSets) {
    return FinishCreate(new (std::nothrow) CPrimitive3D(this), "CPrimitive3D::Create",
                        [&](CPrimitive3D* p) { return p->Create(capacity, texCoordSets); }, nullptr);
}
