// Frames: transforms down the tree, animation with an A/B blend, collection and dump.
#include "engine/graphics/CFrame.h"

#include <cstring>

#include "engine/core/KestraLog.h"

namespace LibModel {

const CClassId kClassBaseMesh = {"LibModel::CBaseMesh"};
const CClassId kClassFrame = {"LibModel::CFrame"};
const CClassId kClassMaterial = {"LibModel::CMaterial"};
const CClassId kClassAnimationSet = {"LibModel::AnimasionSet"};
int32_t g_dumpDepth = 0;

CFrame::~CFrame() {
    for (uint32_t i = 0; i < animationCount_; ++i)
        if (animations_[i]) animations_[i]->Release();
    Kestra::MemoryFree(animations_);
    while (CBaseObject* child = children_.First()) {
        children_.Remove(child);
        child->Release();
    }
    if (mesh_) mesh_->Release();
}

CAnimation* CFrame::AnimationAt(uint32_t index) const {
    // An index past the sets there are means no animation.
    return index < animationCount_ ? animations_[index] : nullptr;
}

void CFrame::Update(const CMatrix* parent, const CMatrix* model) {
    world_ = local_ * *parent;
    for (CBaseObject* c = children_.First(); c; c = children_.Next(c)) static_cast<CFrame*>(c)->Update(&world_, model);
    if (mesh_) mesh_->Update(&world_, model);
}

void CFrame::Animate(float timeA, float timeB, uint32_t mode) {
    if (animations_) {
        CAnimation* a = AnimationAt(indexA_);
        CAnimation* b = AnimationAt(indexB_);
        const float w = weight_;
        if ((w <= 0.0f && !a) || (w >= 1.0f && !b) || (!a && !b)) {
            local_ = base_;
        } else if (a && !b) {
            a->GetMatrix(&local_, timeA, mode, &baseTranslation_, &baseScale_, &baseRotation_);
        } else if (b && !a) {
            b->GetMatrix(&local_, timeB, mode, &baseTranslation_, &baseScale_, &baseRotation_);
        } else if (w <= 0.0f) {
            a->GetMatrix(&local_, timeA, mode, &baseTranslation_, &baseScale_, &baseRotation_);
        } else if (w >= 1.0f) {
            b->GetMatrix(&local_, timeB, mode, &baseTranslation_, &baseScale_, &baseRotation_);
        } else {
            CVector3 pa, sa, pb, sb;
            D3DXQUATERNION ra, rb, r;
            a->GetTransform(&pa, &sa, &ra, timeA, mode, &baseTranslation_, &baseScale_, &baseRotation_);
            b->GetTransform(&pb, &sb, &rb, timeB, mode, &baseTranslation_, &baseScale_, &baseRotation_);
            D3DXQuaternionSlerp(&r, &ra, &rb, w);
            CMatrix rotation;
            D3DXMatrixRotationQuaternion(&rotation, &r);
            local_.Scaling(sa.x + (sb.x - sa.x) * w, sa.y + (sb.y - sa.y) * w, sa.z + (sb.z - sa.z) * w);
            local_ *= rotation;
            local_._41 = pa.x + (pb.x - pa.x) * w;
            local_._42 = pa.y + (pb.y - pa.y) * w;
            local_._43 = pa.z + (pb.z - pa.z) * w;
        }
    }
    for (CBaseObject* c = children_.First(); c; c = children_.Next(c))
        static_cast<CFrame*>(c)->Animate(timeA, timeB, mode);
    if (mesh_) mesh_->Animate(timeA, timeB, mode);
}

uint32_t CFrame::Render() {
    uint32_t drawn = 0;
    for (CBaseObject* c = children_.First(); c; c = children_.Next(c)) drawn += static_cast<CFrame*>(c)->Render();
    if (mesh_) drawn += mesh_->Render();
    return drawn;
}

void CFrame::Dump() {
    for (int32_t i = 0; i < g_dumpDepth; ++i) Kestra::LogPrint("　");
    Kestra::LogPrint("[ %s ]", GetName());
    Kestra::LogNewLine();
    ++g_dumpDepth;
    if (mesh_) mesh_->Dump();
    for (CBaseObject* c = children_.First(); c; c = children_.Next(c)) static_cast<CFrame*>(c)->Dump();
    --g_dumpDepth;
}

void CFrame::CollectFrames(CFrame** array, uint32_t* next) {
    array[(*next)++] = this;
    for (CBaseObject* c = children_.First(); c; c = children_.Next(c))
        static_cast<CFrame*>(c)->CollectFrames(array, next);
}

void CFrame::CollectMeshes(CBaseMesh** array, uint32_t* next) {
    if (mesh_) array[(*next)++] = mesh_;
    for (CBaseObject* c = children_.First(); c; c = children_.Next(c))
        static_cast<CFrame*>(c)->CollectMeshes(array, next);
}

bool CFrame::GetAnimation(uint32_t index, const CClassId* classId, CBaseObject** out) {
    if (classId != &kClassAnimationSet || index >= animationCount_ || !out) return false;
    *out = animations_[index];
    if (*out) (*out)->AddRef();
    return true;
}

bool CFrame::GetAnimationByName(const char* name, const CClassId* classId, CBaseObject** out) {
    if (classId != &kClassAnimationSet || !out) return false;
    const int32_t i = FindAnimationIndex(name);
    if (i < 0 || uint32_t(i) >= animationCount_) return false;
    *out = animations_[i];
    (*out)->AddRef();
    return true;
}

int32_t CFrame::FindAnimationIndex(const char* name) const {
    if (!name) return -1;
    for (uint32_t i = 0; i < animationCount_; ++i)
        if (animations_[i] && SameName(animations_[i]->GetName(), name)) return int32_t(i);
    return -1;
}

void CFrame::SetAnimationBlend(uint32_t indexA, uint32_t indexB, float weight) {
    indexA_ = indexA;
    indexB_ = indexB;
    weight_ = weight;
}

void CFrame::AddChildFrame(CFrame* frame) {
    if (frame) children_.Add(frame);
}

bool CFrame::SetMesh(CBaseMesh* mesh) {
    if (!mesh) return false;
    if (mesh_) {
        mesh->Release();  // a second mesh is not kept, and not leaked
        return false;
    }
    mesh_ = mesh;
    return true;
}

void CFrame::SetBaseMatrix(const float* m) {
    base_ = CMatrix(m);
    local_ = base_;
    base_.Decompose(&baseTranslation_, &baseScale_, &baseRotation_);
}

void CFrame::SetAnimationCount(uint32_t count) {
    if (count == 0) return;
    for (uint32_t i = 0; i < animationCount_; ++i)
        if (animations_[i]) animations_[i]->Release();
    Kestra::MemoryFree(animations_);
    animations_ = static_cast<CAnimation**>(Kestra::MemoryAlloc(uint32_t(sizeof(CAnimation*) * count)));
    animationCount_ = animations_ ? count : 0;
}

void CFrame::BindAnimation(uint32_t index, AnimasionSet* set) {
    if (!set || index >= animationCount_) return;
    for (CBaseObject* c = set->GetChild(); c; c = c->GetSibling())
        if (SameName(c->GetName(), GetName())) {
            SetAnimation(index, static_cast<CAnimation*>(c));
            return;
        }
}

void CFrame::SetAnimation(uint32_t index, CAnimation* animation) {
    if (!animation || index >= animationCount_) return;
    animation->AddRef();
    if (animations_[index]) animations_[index]->Release();
    animations_[index] = animation;
}

}  // namespace LibModel
