// Screen-space point and line lists. Unlike the 2-D primitive they snap every
// vertex to a whole pixel before the perspective, scaling and half-pixel shift;
// points outside the clip rectangle are skipped and lines are cut to it.
#pragma once

#include <cstdint>

#include "engine/graphics/CVertexObject.h"

// The store, capacity test, upload and draw the two lists share.
class CList2D : public CVertexObject2D {
public:
    explicit CList2D(CObject2DManager* manager) : CVertexObject2D(manager) {}

    // Empties the store; the requested count runs on since creation.
    void Begin() override;
    // Uploads the store into the whole buffer.
    void End() override;

protected:
    bool CreateList(const char* tag, uint32_t capacity);
    // One snapped, transformed copy of a vertex.
    void TransformVertex(Vertex2D* out, const Vertex2D* in) const;
    // Stores n working vertices; false (nothing stored) when they would bring the
    // count to the capacity.
    bool Store(const Vertex2D* vertices, uint32_t n);
};

class CPoint2D : public CList2D {
public:
    explicit CPoint2D(CObject2DManager* manager) : CList2D(manager) {}
    ~CPoint2D() override;

    // The list's add slot: count points (52-byte records).
    bool AddTriangles(const Vertex2D* points, uint32_t count) override { return AddPoints(points, count); }
    virtual bool AddPoints(const Vertex2D* points, uint32_t count);
    void Render() override;
    virtual void TransformPoint(Vertex2D* out, const Vertex2D* in);
    virtual bool Create(uint32_t capacity);
};

class CLine2D : public CList2D {
public:
    explicit CLine2D(CObject2DManager* manager) : CList2D(manager) {}
    ~CLine2D() override;

    // The list's add slot: lineCount lines of two 52-byte records.
    bool AddTriangles(const Vertex2D* vertices, uint32_t lineCount) override { return AddLines(vertices, lineCount); }
    virtual bool AddLines(const Vertex2D* vertices, uint32_t lineCount);
    void Render() override;
    // Cuts one line to the clip rectangle: answers 2, or 0 when nothing of it is
    // left inside.
    virtual uint32_t ClipLine(Vertex2D* out, const Vertex2D* in);
    // One edge: answers 2, or 0 when both ends lie beyond it.
    virtual uint32_t ClipLeft(const Vertex2D* in, Vertex2D* out, uint32_t count);
    virtual uint32_t ClipTop(const Vertex2D* in, Vertex2D* out, uint32_t count);
    virtual uint32_t ClipRight(const Vertex2D* in, Vertex2D* out, uint32_t count);
    virtual uint32_t ClipBottom(const Vertex2D* in, Vertex2D* out, uint32_t count);
    virtual void TransformLine(Vertex2D* out, const Vertex2D* in);
    virtual bool Create(uint32_t capacity);
};

class CPoint2DManager : public CObject2DManager {
public:
    explicit CPoint2DManager(IDirect3DDevice9* device) : CObject2DManager(device) {}
    virtual CPoint2D* Create(uint32_t capacity);
};

class CLine2DManager : public CObject2DManager {
public:
    explicit CLine2DManager(IDirect3DDevice9* device) : CObject2DManager(device) {}
    virtual CLine2D* Create(uint32_t capacity);
};
