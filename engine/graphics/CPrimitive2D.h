// The 2-D triangle list under every sprite: triangles are added during a frame,
// transformed (perspective, scaling, screen scale, half-pixel shift), clipped,
// optionally distributed into depth buckets, uploaded once at End and drawn
// with one call. Nothing is allocated per frame; a full primitive drops further
// triangles and answers false.
#pragma once

#include <cstdint>

#include "engine/graphics/CVertexObject.h"

class CPrimitive2D : public CVertexObject2D {
public:
    // A clipped triangle has at most 7 corners; work lists hold 16.
    static constexpr uint32_t kWorkListSize = 16;

    explicit CPrimitive2D(CObject2DManager* manager);
    ~CPrimitive2D() override;

    // Adds count triangles (3 x count vertices). False when the primitive filled
    // up: the triangle that did not fit and the rest of the call are dropped.
    bool AddTriangles(const Vertex2D* vertices, uint32_t count) override;
    void Begin() override;
    // Uploads what was stored (sorted: far buckets first, the latest first within one).
    void End() override;
    void Render() override;

    // Clips one triangle against the clip rectangle into a fan; answers the
    // vertex count written (0 or a multiple of 3, at most 15).
    virtual uint32_t ClipTriangle(Vertex2D* out, const Vertex2D* in);
    // One edge of the polygon clip: answers the vertex count written to out.
    virtual uint32_t ClipLeft(Vertex2D* out, const Vertex2D* in, uint32_t count);
    virtual uint32_t ClipTop(Vertex2D* out, const Vertex2D* in, uint32_t count);
    virtual uint32_t ClipRight(Vertex2D* out, const Vertex2D* in, uint32_t count);
    virtual uint32_t ClipBottom(Vertex2D* out, const Vertex2D* in, uint32_t count);
    // Perspective, scaling, screen scale and the -0.5 pixel shift of 3 vertices.
    virtual void TransformTriangle(Vertex2D* out, const Vertex2D* in);
    // capacity in vertices; texCoordSets 0..4.
    virtual bool Create(uint32_t capacity, uint32_t texCoordSets, bool sort);
    virtual bool Resize(uint32_t capacity);

private:
    // Allocates the store, or the records and bucket heads; logs as Create does.
    bool AllocateStore();
    void TransformVertex(float* v) const;
};

class CPrimitive2DManager : public CObject2DManager {
public:
    explicit CPrimitive2DManager(IDirect3DDevice9* device) : CObject2DManager(device) {}
    virtual CPrimitive2D* Create(uint32_t capacity, uint32_t texCoordSets, bool sort);
};
