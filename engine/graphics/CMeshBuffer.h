// A model mesh's index and vertex buffers: a system copy the mesh fills once,
// and a device buffer built from it on demand (again after a device reset).
#pragma once

#include <cstdint>

#include "engine/graphics/CBaseObject.h"
#include "platform/d3d9/d3d9.h"

namespace LibModel {

// The master layout of the system copy (76 bytes); position 1 and normal 1
// are the second pose of a morphing mesh.
struct ModelVertex {
    float position0[3];
    float normal0[3];
    float position1[3];
    float normal1[3];
    float weights[3];
    uint8_t indices[4];
    uint32_t color;
    float u, v;
};
static_assert(sizeof(ModelVertex) == 76);

constexpr uint32_t kLayoutCount = 8;
// The stride of a compact layout (0 rigid, 1 morph, 2-4 skinned with 1-3
// stored weights, 5-7 the same with morphing).
uint32_t LayoutStride(uint32_t layout);
// The layout's declaration, closed by D3DDECL_END.
const D3DVERTEXELEMENT9* LayoutDeclaration(uint32_t layout);

class CIndexBuffer : public CBaseObject {
public:
    explicit CIndexBuffer(uint32_t count);
    ~CIndexBuffer() override;

    virtual void OnLostDevice();
    virtual void OnResetDevice();
    virtual bool Create(uint16_t vsMajor, uint16_t vsMinor);
    virtual uint16_t* GetData() { return data_; }
    virtual uint32_t GetCount() const { return count_; }
    virtual void SetToDevice();

    IDirect3DIndexBuffer9* GetBuffer() const { return buffer_; }

private:
    uint32_t count_;
    uint16_t* data_;
    IDirect3DIndexBuffer9* buffer_ = nullptr;
    uint16_t major_ = 0;
    uint16_t minor_ = 0;
};

class CVertexBuffer : public CBaseObject {
public:
    explicit CVertexBuffer(uint32_t count);
    ~CVertexBuffer() override;

    virtual void OnLostDevice();
    virtual void OnResetDevice();
    virtual bool Create(uint16_t vsMajor, uint16_t vsMinor, uint32_t layout);
    virtual ModelVertex* GetData() { return data_; }
    virtual uint32_t GetCount() const { return count_; }
    virtual void SetToDevice();

    IDirect3DVertexBuffer9* GetBuffer() const { return buffer_; }
    IDirect3DVertexDeclaration9* GetDeclaration() const { return declaration_; }
    uint32_t GetLayout() const { return layout_; }

private:
    void ReleaseDevice();

    uint32_t count_;
    ModelVertex* data_;
    IDirect3DVertexBuffer9* buffer_ = nullptr;
    IDirect3DVertexDeclaration9* declaration_ = nullptr;
    uint32_t layout_ = 0;
    uint16_t major_ = 0;
    uint16_t minor_ = 0;
};

}  // namespace LibModel
