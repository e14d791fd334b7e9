// Vertex objects: a dynamic vertex buffer plus a copy in ordinary memory from
// which the buffer is refilled after a device reset. The 2-D base also carries
// the screen-space settings its manager hands to every object: a clip rectangle,
// a perspective effect and a scaling about a centre.
#pragma once

#include <cstdint>

#include "engine/graphics/CDeviceObject.h"

// A full 2-D vertex as callers hand it over: pre-transformed position, ARGB
// colour and four texture-coordinate pairs. Objects store only the first
// GetVertexSize() bytes (the pairs they were created with).
struct Vertex2D {
    float x, y, z, rhw;
    uint32_t color;
    float uv[4][2];
};
static_assert(sizeof(Vertex2D) == 52);

namespace KestraVertex {
constexpr uint32_t kMaxTexCoordSets = 4;
// Vertex sizes and FVF codes by texture-coordinate set count (0..4).
uint32_t Size2D(uint32_t texCoordSets);
uint32_t Fvf2D(uint32_t texCoordSets);
uint32_t Size3D(uint32_t texCoordSets);
uint32_t Fvf3D(uint32_t texCoordSets);
}  // namespace KestraVertex

// The clipping interpolation: every float field and each colour channel
// (truncated) moves from a toward b by t.
void LerpVertex2D(const Vertex2D* a, const Vertex2D* b, Vertex2D* out, float t);

class CVertexObject2D : public CObject2D {
public:
    static constexpr uint32_t kBucketCount = 8191;

    explicit CVertexObject2D(CObject2DManager* manager);
    ~CVertexObject2D() override;

    void OnLostDevice() override;
    void OnResetDevice() override;

    // The four operations each 2-D class fills.
    virtual bool AddTriangles(const Vertex2D* vertices, uint32_t count) = 0;
    virtual void Begin() = 0;
    virtual void End() = 0;
    virtual void Render() = 0;

    // Every vertex asked for since Begin (after clipping, before the capacity test).
    virtual uint32_t GetCount() { return requestedCount_; }
    // Null switches clipping off.
    void SetClipRect(const RECT* rect) override;
    void SetPerspective(bool enable, float centerX, float centerY, float strength) override;
    void SetScaling(bool enable, float centerX, float centerY, float scale) override;

    uint32_t GetCapacity() const { return capacity_; }
    uint32_t GetStoredCount() const { return storedCount_; }
    uint32_t GetVertexSize() const { return vertexSize_; }
    uint32_t GetFvf() const { return fvf_; }
    uint32_t GetTexCoordSets() const { return texCoordSets_; }
    bool IsSorting() const { return sort_ != 0; }
    IDirect3DVertexBuffer9* GetVertexBuffer() const { return vertexBuffer_; }

protected:
    // A triangle waiting in a depth bucket (sorting objects).
    struct SortRecord {
        Vertex2D vertices[3];  // only the first vertex-size bytes of each are read
        SortRecord* next;
    };

    // A dynamic write-only buffer of bufferSize_ bytes in the default pool.
    HRESULT CreateVertexBuffer();
    // Frees the buffer, the store, the records and the bucket heads.
    void ReleaseStorage();
    // One draw of the uploaded vertices, counted as 2-D polygons; nothing when
    // nothing is stored.
    void DrawStored(D3DPRIMITIVETYPE type, uint32_t primitives);

    IDirect3DVertexBuffer9* vertexBuffer_ = nullptr;
    SortRecord** bucketHeads_ = nullptr;
    uint8_t* vertexStore_ = nullptr;   // unsorted: capacity x vertex size bytes
    SortRecord* sortRecords_ = nullptr;  // sorting: capacity / 3 records
    uint32_t texCoordSets_ = 0;
    uint32_t fvf_ = 0;
    uint32_t bufferSize_ = 0;
    uint32_t vertexSize_ = 0;
    uint32_t capacity_ = 0;
    uint32_t storedCount_ = 0;
    uint32_t storedBytes_ = 0;
    uint32_t requestedCount_ = 0;
    uint8_t sort_ = 0;
    uint8_t perspective_ = 0;
    uint8_t scaling_ = 0;
    uint8_t clipping_ = 0;
    float perspectiveX_ = 0.0f, perspectiveY_ = 0.0f, perspectiveStrength_ = 0.0f;
    float scalingX_ = 0.0f, scalingY_ = 0.0f, scale_ = 0.0f;
    float clipLeft_ = 0.0f, clipTop_ = 0.0f, clipRight_ = 0.0f, clipBottom_ = 0.0f;
};

// A full 3-D vertex as callers hand it over: position, ARGB colour and four
// texture-coordinate pairs; objects store the first GetVertexSize() bytes.
struct Vertex3D {
    float x, y, z;
    uint32_t color;
    float uv[4][2];
};
static_assert(sizeof(Vertex3D) == 48);

// Base of the world-space point, line and triangle lists.
class CVertexObject3D : public CDeviceObject {
public:
    explicit CVertexObject3D(CDeviceObjectManager* manager);
    ~CVertexObject3D() override;

    // Lets go of the vertex buffer.
    void OnLostDevice() override;
    // Makes the buffer again and uploads the copy through End.
    void OnResetDevice() override;

    virtual void Begin() = 0;
    virtual void End() = 0;
    virtual void Render() = 0;
    // Every vertex asked for (see each class for since when).
    virtual uint32_t GetCount() { return requestedCount_; }

    uint32_t GetCapacity() const { return capacity_; }
    uint32_t GetStoredCount() const { return storedCount_; }
    uint32_t GetVertexSize() const { return vertexSize_; }
    uint32_t GetFvf() const { return fvf_; }
    IDirect3DVertexBuffer9* GetVertexBuffer() const { return vertexBuffer_; }

protected:
    IDirect3DVertexBuffer9* vertexBuffer_ = nullptr;
    uint8_t* vertexCopy_ = nullptr;
    uint32_t texCoordSets_ = 0;
    uint32_t fvf_ = 0;
    uint32_t bufferSize_ = 0;
    uint32_t vertexSize_ = 0;
    uint32_t capacity_ = 0;
    uint32_t storedCount_ = 0;
    uint32_t storedBytes_ = 0;
    uint32_t requestedCount_ = 0;
};
