#include "engine/graphics/KestraSimple.h"

#include <cstring>

#include "engine/core/CCriticalSection.h"
#include "engine/core/Kestra.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CDeviceObject.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraShaderFx.h"
#include "engine/graphics/KestraTexture.h"

namespace KestraSimple {
namespace {

constexpr uint32_t kFanBytes = kFanVertexCount * sizeof(SimpleVertex);

struct Module {
    CCriticalSection lock;
    bool started = false;
    IDirect3DVertexBuffer9* fan = nullptr;
    uint32_t nextRecordCount = kDefaultRecordCount;
    uint32_t recordCount = 0;
    SimpleGridRecord* records = nullptr;
};

Module& M() {
    static Module module;
    return module;
}

const D3DVERTEXELEMENT9 kCellElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

void ReleaseCellObjects(SimpleGridCell& cell) {
    Kestra::SafeRelease(cell.declaration);
    Kestra::SafeRelease(cell.vertexBuffer);
    Kestra::SafeRelease(cell.indexBuffer);
}

void FreeQuadTree(SimpleQuadNode* node) {
    if (!node) return;
    for (SimpleQuadNode* child : node->children) FreeQuadTree(child);
    Kestra::MemoryFree(node);
}

// One cell's declaration and buffers from its memory; a failed step keeps
// nothing of the cell and the rebuild goes on with the next one.
void RestoreCell(SimpleGridCell& cell, bool pointLayout, uint32_t column, uint32_t row) {
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    if (!device || cell.vertexCount == 0 || !cell.vertexData) return;
    HRESULT hr = device->CreateVertexDeclaration(kCellElements, &cell.declaration);
    if (FAILED(hr)) {
        cell.declaration = nullptr;
        Kestra::LogRed("頂点シェーダ宣言の生成に失敗 [ %s ]", Kestra::GetDirect3DErrorText(hr));
        Kestra::LogNewLine();
        return;
    }
    const UINT vertexBytes = cell.vertexCount * sizeof(SimpleGridVertex);
    hr = device->CreateVertexBuffer(vertexBytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &cell.vertexBuffer, nullptr);
    if (FAILED(hr)) {
        cell.vertexBuffer = nullptr;
        Kestra::LogRed("頂点バッファの生成に失敗 (%d,%d) [ %s ]", int(column), int(row), Kestra::GetDirect3DErrorText(hr));
        Kestra::LogNewLine();
        ReleaseCellObjects(cell);
        return;
    }
    void* bits = nullptr;
    hr = cell.vertexBuffer->Lock(0, 0, &bits, 0);
    if (FAILED(hr) || !bits) {
        Kestra::LogRed("頂点バッファのロックに失敗 (%d,%d) [ %s ]", int(column), int(row), Kestra::GetDirect3DErrorText(hr));
        Kestra::LogNewLine();
        ReleaseCellObjects(cell);
        return;
    }
    if (pointLayout) {
        const auto* in = static_cast<const SimpleGridPoint*>(cell.vertexData);
        auto* out = static_cast<SimpleGridVertex*>(bits);
        for (uint32_t i = 0; i < cell.vertexCount; ++i)
            out[i] = SimpleGridVertex{in[i].x, in[i].y, in[i].z, 0.0f, 1.0f, 0.0f, in[i].u, in[i].v};
    } else {
        std::memcpy(bits, cell.vertexData, vertexBytes);
    }
    cell.vertexBuffer->Unlock();
    if (cell.indexCount == 0 || !cell.indexData) return;
    hr = device->CreateIndexBuffer(cell.indexCount * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                   &cell.indexBuffer, nullptr);
    if (FAILED(hr)) {
        cell.indexBuffer = nullptr;
        Kestra::LogRed("インデックスバッファの生成に失敗 (%d,%d) [ %s ]", int(column), int(row),
                       Kestra::GetDirect3DErrorText(hr));
        Kestra::LogNewLine();
        ReleaseCellObjects(cell);
        return;
    }
    bits = nullptr;
    hr = cell.indexBuffer->Lock(0, 0, &bits, 0);
    if (FAILED(hr) || !bits) {
        Kestra::LogRed("インデックスバッファのロックに失敗 (%d,%d) [ %s ]", int(column), int(row),
                       Kestra::GetDirect3DErrorText(hr));
        Kestra::LogNewLine();
        ReleaseCellObjects(cell);
        return;
    }
    std::memcpy(bits, cell.indexData, cell.indexCount * 2);
    cell.indexBuffer->Unlock();
}

}  // namespace

// ---- The shared fan buffer

bool Initialize() {
    Kestra::LogHeadline("KestraSimpleクラスの初期化");
    M().started = true;
    return CreateFanBuffer();
}

void Finalize() {
    Module& m = M();
    if (!m.started) return;
    Kestra::LogHeadline("KestraSimpleクラスの解放");
    ReleaseFanBuffer();
    m.started = false;
}

bool CreateFanBuffer() {
    Module& m = M();
    if (m.fan) return true;
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    const HRESULT hr = device ? device->CreateVertexBuffer(kFanBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kFanFvf,
                                                           D3DPOOL_DEFAULT, &m.fan, nullptr)
                              : D3DERR_INVALIDCALL;
    if (FAILED(hr)) {
        m.fan = nullptr;
        Kestra::LogRed("頂点バッファの生成に失敗 [ %s ]", Kestra::GetDirect3DErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    return true;
}

void ReleaseFanBuffer() { Kestra::SafeRelease(M().fan); }

bool IsStarted() { return M().started; }

IDirect3DVertexBuffer9* GetFanBuffer() { return M().fan; }

void DrawFan(SimpleVertex* vertices, uint32_t count, CTexture* const* textures, uint32_t stageCount) {
    IDirect3DVertexBuffer9* fan = M().fan;
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    // Past 256 vertices the buffer would overflow; under 3 there is no triangle.
    if (!fan || !device || !vertices || count < 3 || count > kFanVertexCount) return;
    if (stageCount > 4) stageCount = 4;
    if (!textures) stageCount = 0;
    void* bits = nullptr;
    if (FAILED(fan->Lock(0, 0, &bits, D3DLOCK_DISCARD)) || !bits) return;
    auto* out = static_cast<uint8_t*>(bits);
    for (uint32_t i = 0; i < count; ++i) {
        SimpleVertex& v = vertices[i];
        for (uint32_t s = 0; s < stageCount; ++s) {
            v.uv[s][0] = KestraTexture::PixelToU(textures[s], v.uv[s][0]);
            v.uv[s][1] = KestraTexture::PixelToV(textures[s], v.uv[s][1]);
        }
        v.x = static_cast<float>(Kestra::ScaleX(v.x) - 0.5);
        v.y = static_cast<float>(Kestra::ScaleY(v.y) - 0.5);
        std::memcpy(out + size_t(i) * sizeof(SimpleVertex), &v, sizeof(SimpleVertex));
    }
    fan->Unlock();
    for (uint32_t s = 0; s < 4; ++s) Kestra3D::SetTexture(s, s < stageCount ? textures[s] : nullptr);
    Kestra3D::SetRenderState(D3DRS_ZENABLE, FALSE);
    Kestra3D::SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    Kestra3D::SelectVertexProcessing(0, 0);
    device->SetStreamSource(0, fan, 0, sizeof(SimpleVertex));
    device->SetFVF(kFanFvf);
    device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, count - 2);
    Kestra::AddPolygonCount(count - 2);
}

// ---- The grid-mesh table

void SetRecordCount(uint32_t count) { M().nextRecordCount = count; }

uint32_t GetRecordCount() { return M().recordCount; }

bool InitializeTable() {
    Module& m = M();
    CCriticalSectionLock hold(m.lock);
    if (m.records) return true;
    const uint32_t count = m.nextRecordCount;
    if (count == 0 || count > 0xFFFFFFFFu / sizeof(SimpleGridRecord)) return false;
    m.records = static_cast<SimpleGridRecord*>(Kestra::MemoryAlloc(uint32_t(count * sizeof(SimpleGridRecord))));
    if (!m.records) return false;
    std::memset(static_cast<void*>(m.records), 0, count * sizeof(SimpleGridRecord));
    m.recordCount = count;
    return true;
}

void FinalizeTable() {
    Module& m = M();
    CCriticalSectionLock hold(m.lock);
    if (!m.records) return;
    for (uint32_t i = 0; i < m.recordCount; ++i) {
        m.records[i].refCount = 1;
        ReleaseRecord(int32_t(i));
    }
    Kestra::MemoryFree(m.records);
    m.records = nullptr;
    m.recordCount = 0;
}

SimpleGridRecord* GetRecord(int32_t index) {
    Module& m = M();
    if (!m.records || index < 0 || uint32_t(index) >= m.recordCount) return nullptr;
    return &m.records[index];
}

bool ReleaseRecord(int32_t index) {
    Module& m = M();
    CCriticalSectionLock hold(m.lock);
    SimpleGridRecord* r = GetRecord(index);
    if (!r || !r->inUse) return false;
    if (--r->refCount > 0) return true;
    for (uint32_t i = 0; r->materials && i < r->materialCount; ++i)
        for (CTexture*& t : r->materials[i].textures) {
            KestraTexture::Release(t);
            t = nullptr;
        }
    // An effect the shader-effect module already deleted at its own finish is gone.
    if (KestraShaderFx::IsListed(r->effect)) KestraShaderFx::Release(r->effect);
    r->effect = nullptr;
    FreeQuadTree(r->quadTree);
    for (uint32_t i = 0; r->cells && i < r->side * r->side; ++i) {
        SimpleGridCell& cell = r->cells[i];
        ReleaseCellObjects(cell);
        Kestra::MemoryFree(cell.vertexData);
        Kestra::MemoryFree(cell.indexData);
        Kestra::MemoryFree(cell.extra);
    }
    Kestra::MemoryFree(r->materials);
    Kestra::MemoryFree(r->extra);
    Kestra::MemoryFree(r->cells);
    std::memset(static_cast<void*>(r), 0, sizeof(*r));
    return true;
}

void RestoreRecord(int32_t index) {
    Module& m = M();
    CCriticalSectionLock hold(m.lock);
    SimpleGridRecord* r = GetRecord(index);
    if (!r || !r->inUse || !r->cells) return;
    for (uint32_t row = 0; row < r->side; ++row)
        for (uint32_t column = 0; column < r->side; ++column) {
            SimpleGridCell& cell = r->cells[row * r->side + column];
            ReleaseCellObjects(cell);
            RestoreCell(cell, r->pointLayout != 0, column, row);
        }
}

void OnLostDevice() {
    Module& m = M();
    CCriticalSectionLock hold(m.lock);
    for (uint32_t i = 0; i < m.recordCount; ++i) {
        SimpleGridRecord& r = m.records[i];
        for (uint32_t c = 0; r.cells && c < r.side * r.side; ++c) ReleaseCellObjects(r.cells[c]);
    }
}

void OnResetDevice() {
    Module& m = M();
    CCriticalSectionLock hold(m.lock);
    for (uint32_t i = 0; i < m.recordCount; ++i) RestoreRecord(int32_t(i));
}

}  // namespace KestraSimple
