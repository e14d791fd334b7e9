// A frame of a model: its transform, its mesh, its children and per animation
// set the animation that drives it, with an A/B blend between two sets.
#pragma once

#include <cstdint>

#include "engine/graphics/CAnimation.h"
#include "engine/graphics/CBaseMesh.h"
#include "engine/graphics/CNode.h"

namespace LibModel {

class CFrame : public CNode {
public:
    CFrame() = default;
    // Releases the bound animations, the children in list order, then the mesh.
    ~CFrame() override;

    void Update(const CMatrix* parent, const CMatrix* model) override;
    void Animate(float timeA, float timeB, uint32_t mode) override;
    uint32_t Render() override;
    void Dump() override;

    // Pre-order: this frame, then each child in list order.
    virtual void CollectFrames(CFrame** array, uint32_t* next);
    virtual void CollectMeshes(CBaseMesh** array, uint32_t* next);
    virtual bool GetAnimation(uint32_t index, const CClassId* classId, CBaseObject** out);
    virtual bool GetAnimationByName(const char* name, const CClassId* classId, CBaseObject** out);
    virtual int32_t FindAnimationIndex(const char* name) const;
    virtual void SetAnimationBlend(uint32_t indexA, uint32_t indexB, float weight);
    // The frame takes over the caller's reference.
    virtual void AddChildFrame(CFrame* frame);
    // A frame keeps its first mesh; a later one is released. Answers whether it was kept.
    virtual bool SetMesh(CBaseMesh* mesh);
    virtual void SetBaseMatrix(const float* m);
    virtual void SetAnimationCount(uint32_t count);
    virtual void BindAnimation(uint32_t index, AnimasionSet* set);
    // Slot index follows the given animation of that set.
    void SetAnimation(uint32_t index, CAnimation* animation);

    CBaseMesh* GetMesh() const { return mesh_; }
    uint32_t GetAnimationCount() const { return animationCount_; }
    const CObjectList& GetChildFrames() const { return children_; }

private:
    CAnimation* AnimationAt(uint32_t index) const;

    CBaseMesh* mesh_ = nullptr;
    uint32_t animationCount_ = 0;
    CAnimation** animations_ = nullptr;
    CObjectList children_;
    uint32_t indexA_ = 0;
    uint32_t indexB_ = 0;
    float weight_ = 0.0f;
};

}  // namespace LibModel
