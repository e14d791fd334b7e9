// The base of the model's mesh classes: a node that owns the index and vertex
// buffers, the materials (its children), an optional effect, the bounds and
// a list of segment hits.
#pragma once

#include <cstdint>

#include "engine/graphics/CBox.h"
#include "engine/graphics/CMeshBuffer.h"
#include "engine/graphics/CNode.h"
#include "platform/d3dx9/d3dx9mesh.h"

class CShaderFx;
class CTexture;

namespace LibModel {

class CFrame;

// Hits of a segment test: per hit the mesh- and world-space point and normal.
class CHitList : public CBaseObject {
public:
    explicit CHitList(uint32_t capacity);
    ~CHitList() override;

    virtual void Clear() { count_ = 0; }
    // False when the list is full.
    virtual bool Add(const CVector3& point, const CVector3& worldPoint, const CVector3& normal,
                     const CVector3& worldNormal);
    // Null outputs are skipped; false when index >= count.
    virtual bool Get(uint32_t index, CVector3* point, CVector3* worldPoint, CVector3* normal,
                     CVector3* worldNormal) const;
    virtual uint32_t GetCount() const { return count_; }
    uint32_t GetCapacity() const { return capacity_; }

private:
    uint32_t capacity_;
    uint32_t count_ = 0;
    CVector3* arrays_[4];
};

class CBaseMesh : public CNode {
public:
    CBaseMesh(uint16_t vsMajor = 0, uint16_t vsMinor = 0);
    ~CBaseMesh() override;

    // Forwards to the engine objects after this mesh among its parent's children.
    void Animate(float timeA, float timeB, uint32_t mode) override;
    void Dump() override;

    virtual void CreateHitList();
    // Angle-weighted normals for both poses, on the system copies.
    virtual void RecomputeNormals();
    virtual bool GetMaterial(uint32_t index, const CClassId* classId, CBaseObject** out);
    virtual bool GetMaterialByName(const char* name, const CClassId* classId, CBaseObject** out);
    virtual void OnLostDevice();
    virtual void OnResetDevice();
    virtual void BuildMaterialArray();
    // Keeps a reference to the effect (null allowed) and the flag word.
    virtual void SetEffect(CShaderFx* effect, uint32_t flags);
    virtual void SetVertexExtrusion(uint32_t value) { effectValues_[2] = value; }
    virtual void SetSlideTextureU(uint32_t value) { effectValues_[0] = value; }
    virtual void SetSlideTextureV(uint32_t value) { effectValues_[1] = value; }
    virtual void SetMorphWeight(uint32_t value) { effectValues_[3] = value; }
    // An index in range reaches that material, any other every material.
    virtual void ForEachMaterialA(uint32_t stage, CTexture* texture, int32_t index);
    virtual void ForEachMaterialB(float alpha, int32_t index);
    // Takes the other mesh's first pose as this mesh's second; answers the other's vertex count.
    virtual uint32_t CopyMorphTarget(CBaseMesh* other);
    virtual void GetBoundingSphere(CVector3* centre, float* radius) const;
    virtual void GetBoundingBox(CVector3* min, CVector3* max, CBox* worldBox) const;
    virtual void GetWorldMatrixCopy(CMatrix* out) const { *out = world_; }
    // Fills the hit list with the triangles the segment crosses; answers whether any.
    virtual bool IntersectSegment(const CVector3& start, const CVector3& end, uint32_t unused, uint8_t wantNormal);
    virtual bool GetHit(uint32_t index, CVector3* point, CVector3* worldPoint, CVector3* normal,
                        CVector3* worldNormal) const;
    virtual uint32_t GetHitCount() const { return hits_ ? hits_->GetCount() : 0; }
    virtual uint32_t GetMaterialCount() const { return materialCount_; }
    virtual int32_t FindMaterialIndex(const char* name) const;
    virtual bool IsMorphed() const { return layout_ == 1; }
    // The mesh-class operations.
    virtual void BindFrames(CFrame** /*frames*/, uint32_t /*count*/) {}
    virtual bool LoadMesh(ID3DXMesh* /*mesh*/, ID3DXSkinInfo* /*skin*/, const DWORD* /*adjacency*/) { return false; }
    virtual bool IsSkinned() const { return false; }
    virtual uint32_t GetMaxInfluences() const { return 0; }
    virtual uint32_t GetPaletteSize() const { return 0; }
    virtual void SetFlags(uint8_t value, uint8_t mask) { flags_ = uint8_t((flags_ & ~mask) | (value & mask)); }
    virtual uint8_t GetFlags() const { return flags_; }

    uint32_t GetLayout() const { return layout_; }
    uint32_t GetEffectFlags() const { return effectFlags_; }
    CShaderFx* GetEffect() const { return effect_; }
    CVertexBuffer* GetVertexBuffer() const { return vertices_; }
    CIndexBuffer* GetIndexBuffer() const { return indices_; }
    uint16_t GetShaderMajor() const { return vsMajor_; }
    uint16_t GetShaderMinor() const { return vsMinor_; }

    // Attribute sort then vertex-cache order, as the mesh classes load.
    static HRESULT OptimizeMesh(ID3DXMesh* mesh);

protected:
    // Fills the buffers' system copies from a clone in the engine's layout
    // (position, normal, then as the clone's format has them: blend weights and
    // indices, colour, texture coordinates), the bounds and the indices.
    bool FillFromClone(ID3DXMesh* clone, uint32_t weights);
    // Creates the device buffers, the hit list and the material array.
    bool FinishLoad();
    // Clones the mesh to the format, fills the system copies (white where the
    // source has no colours) and finishes the load; the clone is released.
    bool ConvertThroughClone(ID3DXMesh* mesh, DWORD fvf, uint32_t weights);
    // The effect parameters shared by both mesh classes for the world W.
    void SetCommonParameters(CShaderFx* fx, const CMatrix& world);
    // The effect calls go to the module's current effect when one is active.
    CShaderFx* ActiveEffect() const;
    // Draws one range with its material, the attribute id checked.
    uint32_t RenderRange(CShaderFx* fx, uint32_t attribute, const D3DXATTRIBUTERANGE& range);

    CVertexBuffer* vertices_ = nullptr;
    CIndexBuffer* indices_ = nullptr;
    CShaderFx* effect_ = nullptr;
    CHitList* hits_ = nullptr;
    uint32_t layout_ = 8;
    CVector3 boxMin_, boxMax_, sphereCentre_;
    float sphereRadius_ = 0.0f;
    CBox worldBox_{};
    uint32_t effectFlags_ = 0;
    uint32_t effectValues_[4] = {};
    CBaseObject** materials_ = nullptr;
    uint32_t materialCount_ = 0;
    uint16_t vsMajor_;
    uint16_t vsMinor_;
    uint8_t flags_ = 0;
};

}  // namespace LibModel
