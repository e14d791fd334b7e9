// World-space point, line and triangle lists: vertices are collected during a
// frame in ordinary memory, uploaded once at End and drawn with one call under
// the object's own world matrix. A full list refuses further items and keeps
// what it holds.
#pragma once

#include <cstdint>

#include "engine/core/CTransform.h"
#include "engine/graphics/CVertexObject.h"

// What the three classes share: the store, the capacity test and the draw.
class CList3D : public CVertexObject3D {
public:
    explicit CList3D(CDeviceObjectManager* manager) : CVertexObject3D(manager) {}

    // The world matrix the list draws under.
    CTransform& Transform() { return transform_; }

protected:
    // Logs as the create operations do, under the class's tag.
    bool CreateList(const char* tag, uint32_t capacity, uint32_t texCoordSets);
    // Items of perItem vertices each (48-byte records); an item is refused when
    // the stored count plus perItem reaches the capacity, or with fillUp when it
    // passes it.
    bool AddItems(const Vertex3D* vertices, uint32_t count, uint32_t perItem, bool fillUp);
    // Copies the stored bytes into the buffer locked from offset 0 for `lockSize`
    // bytes (0: all of it).
    void Upload(uint32_t lockSize);
    void Draw(D3DPRIMITIVETYPE type, uint32_t primitives);

    CTransform transform_;
};

class CPoint3D : public CList3D {
public:
    explicit CPoint3D(CDeviceObjectManager* manager) : CList3D(manager) {}
    ~CPoint3D() override;
    virtual bool AddPoints(const Vertex3D* points, uint32_t count);
    // Empties the store; the requested count runs on since creation.
    void Begin() override;
    void End() override;
    void Render() override;
    virtual bool Create(uint32_t capacity);
};

class CLine3D : public CList3D {
public:
    explicit CLine3D(CDeviceObjectManager* manager) : CList3D(manager) {}
    ~CLine3D() override;
    // Two vertices a line.
    virtual bool AddLines(const Vertex3D* vertices, uint32_t lineCount);
    void Begin() override;
    void End() override;
    void Render() override;
    virtual bool Create(uint32_t capacity);
};

class CPrimitive3D : public CList3D {
public:
    explicit CPrimitive3D(CDeviceObjectManager* manager) : CList3D(manager) {}
    ~CPrimitive3D() override;
    // Three vertices a triangle.
    virtual bool AddTriangles(const Vertex3D* vertices, uint32_t triangleCount);
    // Empties the store and the requested count.
    void Begin() override;
    void End() override;
    void Render() override;
    // texCoordSets 0..4.
    virtual bool Create(uint32_t capacity, uint32_t texCoordSets);
};

class CPoint3DManager : public CObject3DManager {
public:
    explicit CPoint3DManager(IDirect3DDevice9* device) : CObject3DManager(device) {}
    virtual CPoint3D* Create(uint32_t capacity);
};

class CLine3DManager : public CObject3DManager {
public:
    explicit CLine3DManager(IDirect3DDevice9* device) : CObject3DManager(device) {}
    virtual CLine3D* Create(uint32_t capacity);
};

class CPrimitive3DManager : public CObject3DManager {
public:
    explicit CPrimitive3DManager(IDirect3DDevice9* device) : CObject3DManager(device) {}
    virtual CPrimitive3D* Create(uint32_t capacity, uint32_t texCoordSets);
};
