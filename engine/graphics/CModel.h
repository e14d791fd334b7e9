// A loaded X-file model: its frame hierarchy, flat arrays of its frames, meshes
// and animation sets, and a pose; requests fan out to one mesh or all of them,
// and from a mesh to one material or all of them.
#pragma once

#include <cstdint>

#include "engine/core/CTransform.h"
#include "engine/graphics/CAnimation.h"
#include "engine/graphics/CBaseMesh.h"
#include "engine/graphics/CDeviceObject.h"
#include "engine/graphics/CFrame.h"

class CShaderFx;
class CTexture;

namespace LibModel {

class CMaterial;

class CModel : public CDeviceObject {
public:
    explicit CModel(CDeviceObjectManager* manager) : CDeviceObject(manager) {}
    ~CModel() override;

    void OnLostDevice() override;
    void OnResetDevice() override;

    virtual CFrame* GetRootFrame() const;
    // The arrays hold what the root frames actually hold, in root order; the
    // counts given are the loader's tallies and only size a first guess.
    virtual void BuildFrameArray(uint32_t count);
    virtual void BuildMeshArray(uint32_t count);
    virtual void BuildAnimationSetArray(CObjectList* sets);
    virtual void BindAnimations();
    // The model takes over the caller's reference.
    virtual void AddRootFrame(CFrame* frame);
    virtual bool IsSkinned(int32_t mesh) const;
    virtual uint32_t GetAnimationLength(int32_t set) const;
    virtual uint32_t GetAnimationSetCount() const { return setCount_; }
    virtual int32_t FindFrame(const char* name) const;
    virtual int32_t FindMesh(const char* name) const;
    virtual int32_t FindAnimationSet(const char* name) const;
    virtual uint32_t GetMeshCount() const { return meshCount_; }
    virtual uint32_t GetFrameCount() const { return frameCount_; }
    virtual CBaseMesh** GetMeshArray() const { return meshes_; }
    virtual bool EnableMaterialStates(uint8_t value, int32_t mesh, int32_t material);
    // Builds a generated effect for each addressed mesh.
    virtual bool SetShader(int32_t mesh, uint32_t kind);
    virtual bool SetEffect(CShaderFx* effect, int32_t mesh, uint32_t flags);
    virtual bool SetMaterialTexture(uint32_t stage, CTexture* texture, int32_t mesh, int32_t material);
    virtual bool SetMaterialAlpha(float alpha, int32_t mesh, int32_t material);
    virtual bool SetVertexExtrusion(uint32_t value, int32_t mesh);
    virtual bool SetSlideTextureU(uint32_t value, int32_t mesh);
    virtual bool SetSlideTextureV(uint32_t value, int32_t mesh);
    virtual bool SetMorphWeight(uint32_t value, int32_t mesh);
    virtual uint32_t CopyMesh(int32_t mesh, CModel* other, int32_t otherMesh);
    // Every root frame updates its hierarchy with world as parent and model matrix.
    virtual void UpdateTransform(const CMatrix* world);
    virtual void Animate(float timeA, float timeB, uint32_t mode);
    virtual uint32_t Draw();
    virtual void SetPose(const CTransform& pose) { pose_ = pose; }
    virtual void GetPose(CTransform* out) const { *out = pose_; }
    virtual void SetDisableFlags(uint8_t value, uint8_t mask, int32_t mesh);
    virtual uint8_t GetDisableFlags(int32_t mesh) const;
    virtual bool SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value, int32_t mesh, int32_t material);
    virtual bool SetSamplerState(uint32_t sampler, uint32_t state, uint32_t value, int32_t mesh, int32_t material);
    virtual bool SetMaterialBlendingPreset(uint32_t preset, int32_t mesh, int32_t material);
    virtual bool SetMaterialFiltering(uint8_t on, int32_t mesh, int32_t material);
    virtual bool SetMaterialAlphaTest(uint8_t on, int32_t mesh, int32_t material);
    virtual bool SetMaterialDepthTest(uint8_t on, int32_t mesh, int32_t material);
    virtual bool SetMaterialDepthWrite(uint8_t on, int32_t mesh, int32_t material);
    virtual bool QueryObject(uint32_t index, const CClassId* classId, CBaseObject** out);
    virtual bool QueryObjectByName(const char* name, const CClassId* classId, CBaseObject** out);

    // Dumps every root frame's tree to the log.
    void Dump() const;
    const CObjectList& GetRootFrames() const { return roots_; }
    AnimasionSet* GetAnimationSet(uint32_t index) const { return index < setCount_ ? sets_[index] : nullptr; }
    CFrame* GetFrame(uint32_t index) const { return index < frameCount_ ? frames_[index] : nullptr; }

private:
    // fn(mesh) for the addressed meshes: an index in range, or every mesh.
    template <class Fn>
    bool ForMeshes(int32_t mesh, Fn fn);
    template <class Fn>
    bool ForMaterials(int32_t mesh, int32_t material, Fn fn);

    CTransform pose_;
    uint32_t frameCount_ = 0;
    CFrame** frames_ = nullptr;
    uint32_t meshCount_ = 0;
    CBaseMesh** meshes_ = nullptr;
    uint32_t setCount_ = 0;
    AnimasionSet** sets_ = nullptr;
    CObjectList roots_;
};

}  // namespace LibModel
