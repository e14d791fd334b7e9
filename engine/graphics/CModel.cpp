// The model object: arrays built from every root frame, fan-out of mesh and
// material requests, posing, updating and drawing.
#include "engine/graphics/CModel.h"

#include <string>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/graphics/CMaterial.h"
#include "engine/graphics/CShaderFx.h"
#include "engine/graphics/KestraShaderFx.h"

namespace LibModel {
namespace {

template <class T>
int32_t FindByName(T* const* array, uint32_t count, const char* name) {
    for (uint32_t i = 0; i < count; ++i)
        if (array[i] && SameName(array[i]->GetName(), name)) return int32_t(i);
    return -1;
}

uint32_t CountFrames(const CFrame* frame) {
    uint32_t n = 1;
    const CObjectList& children = frame->GetChildFrames();
    for (CBaseObject* c = children.First(); c; c = children.Next(c)) n += CountFrames(static_cast<CFrame*>(c));
    return n;
}

}  // namespace

CModel::~CModel() {
    for (uint32_t i = 0; i < setCount_; ++i) sets_[i]->Release();
    delete[] sets_;
    delete[] frames_;
    delete[] meshes_;
    while (CBaseObject* root = roots_.First()) {
        roots_.Remove(root);
        root->Release();
    }
}

template <class Fn>
bool CModel::ForMeshes(int32_t mesh, Fn fn) {
    bool result = false;
    if (mesh >= 0 && uint32_t(mesh) < meshCount_) return fn(meshes_[mesh]);
    for (uint32_t i = 0; i < meshCount_; ++i) result = fn(meshes_[i]);
    return result;
}

template <class Fn>
bool CModel::ForMaterials(int32_t mesh, int32_t material, Fn fn) {
    return ForMeshes(mesh, [&](CBaseMesh* m) {
        const uint32_t count = m->GetMaterialCount();
        bool result = false;
        for (uint32_t j = 0; j < count; ++j) {
            if (material >= 0 && uint32_t(material) < count && uint32_t(material) != j) continue;
            CBaseObject* object = nullptr;
            if (!m->GetMaterial(j, &kClassMaterial, &object)) continue;
            fn(static_cast<CMaterial*>(object));
            object->Release();
            result = true;
        }
        return result;
    });
}

void CModel::OnLostDevice() {
    for (uint32_t i = 0; i < meshCount_; ++i) meshes_[i]->OnLostDevice();
}

void CModel::OnResetDevice() {
    for (uint32_t i = 0; i < meshCount_; ++i) meshes_[i]->OnResetDevice();
}

CFrame* CModel::GetRootFrame() const { return static_cast<CFrame*>(roots_.First()); }

void CModel::BuildFrameArray(uint32_t) {
    std::vector<CFrame*> all;
    for (CBaseObject* r = roots_.First(); r; r = roots_.Next(r)) {
        auto* root = static_cast<CFrame*>(r);
        const size_t at = all.size();
        all.resize(at + CountFrames(root));
        uint32_t next = 0;
        root->CollectFrames(all.data() + at, &next);
        all.resize(at + next);
    }
    delete[] frames_;
    frameCount_ = uint32_t(all.size());
    frames_ = new CFrame*[frameCount_ ? frameCount_ : 1];
    for (uint32_t i = 0; i < frameCount_; ++i) frames_[i] = all[i];
}

void CModel::BuildMeshArray(uint32_t) {
    std::vector<CBaseMesh*> all;
    for (uint32_t i = 0; i < frameCount_; ++i)
        if (CBaseMesh* m = frames_[i]->GetMesh()) all.push_back(m);
    delete[] meshes_;
    meshCount_ = uint32_t(all.size());
    meshes_ = new CBaseMesh*[meshCount_ ? meshCount_ : 1];
    for (uint32_t i = 0; i < meshCount_; ++i) meshes_[i] = all[i];
}

void CModel::BuildAnimationSetArray(CObjectList* sets) {
    for (uint32_t i = 0; i < setCount_; ++i) sets_[i]->Release();
    delete[] sets_;
    setCount_ = sets ? sets->GetCount() : 0;
    sets_ = new AnimasionSet*[setCount_ ? setCount_ : 1];
    uint32_t i = 0;
    for (CBaseObject* s = sets ? sets->First() : nullptr; s && i < setCount_; s = sets->Next(s)) {
        sets_[i++] = static_cast<AnimasionSet*>(s);
        s->AddRef();
    }
    setCount_ = i;
}

void CModel::BindAnimations() {
    for (uint32_t f = 0; f < frameCount_; ++f) frames_[f]->SetAnimationCount(setCount_);
    // A frame takes the first animation of its name in each set, as BindAnimation
    // does: one table a set, not a walk of the set for every frame.
    std::unordered_map<std::string, CAnimation*> first;
    for (uint32_t s = 0; s < setCount_; ++s) {
        first.clear();
        for (CBaseObject* c = sets_[s]->GetChild(); c; c = c->GetSibling())
            first.emplace(NameKey(c->GetName()), static_cast<CAnimation*>(c));
        for (uint32_t f = 0; f < frameCount_; ++f) {
            auto it = first.find(NameKey(frames_[f]->GetName()));
            if (it != first.end()) frames_[f]->SetAnimation(s, it->second);
        }
    }
}

void CModel::AddRootFrame(CFrame* frame) { roots_.Add(frame); }

bool CModel::IsSkinned(int32_t mesh) const {
    if (mesh < 0 || uint32_t(mesh) >= meshCount_) return true;
    return meshes_[mesh]->IsSkinned();
}

uint32_t CModel::GetAnimationLength(int32_t set) const {
    if (set < 0 || uint32_t(set) >= setCount_) return 0;
    return sets_[set]->GetLength();
}

int32_t CModel::FindFrame(const char* name) const { return FindByName(frames_, frameCount_, name); }
int32_t CModel::FindMesh(const char* name) const { return FindByName(meshes_, meshCount_, name); }
int32_t CModel::FindAnimationSet(const char* name) const { return FindByName(sets_, setCount_, name); }

bool CModel::SetShader(int32_t mesh, uint32_t kind) {
    static constexpr uint32_t kKindBits[] = {0x208, 0x808, 0x280, 0x880, 0x1080, 0x408};
    return ForMeshes(mesh, [&](CBaseMesh* m) {
        uint32_t bits = m->IsSkinned() ? 4u : m->IsMorphed() ? 2u : 1u;
        if (kind < std::size(kKindBits)) bits |= kKindBits[kind];
        uint32_t usage = 0;
        CShaderFx* fx = KestraShaderFx::Create(bits, int32_t(m->GetMaxInfluences()), int32_t(m->GetPaletteSize()),
                                               &usage);
        if (!fx) return false;
        m->SetEffect(fx, usage);
        KestraShaderFx::Release(fx);
        return true;
    });
}

bool CModel::SetEffect(CShaderFx* effect, int32_t mesh, uint32_t flags) {
    if (!effect) return false;
    return ForMeshes(mesh, [&](CBaseMesh* m) {
        m->SetEffect(effect, flags);
        return true;
    });
}

bool CModel::SetMaterialTexture(uint32_t stage, CTexture* texture, int32_t mesh, int32_t material) {
    return ForMeshes(mesh, [&](CBaseMesh* m) {
        m->ForEachMaterialA(stage, texture, material);
        return true;
    });
}

bool CModel::SetMaterialAlpha(float alpha, int32_t mesh, int32_t material) {
    return ForMeshes(mesh, [&](CBaseMesh* m) {
        m->ForEachMaterialB(alpha, material);
        return true;
    });
}

bool CModel::SetVertexExtrusion(uint32_t value, int32_t mesh) {
    return ForMeshes(mesh, [&](CBaseMesh* m) { return m->SetVertexExtrusion(value), true; });
}
bool CModel::SetSlideTextureU(uint32_t value, int32_t mesh) {
    return ForMeshes(mesh, [&](CBaseMesh* m) { return m->SetSlideTextureU(value), true; });
}
bool CModel::SetSlideTextureV(uint32_t value, int32_t mesh) {
    return ForMeshes(mesh, [&](CBaseMesh* m) { return m->SetSlideTextureV(value), true; });
}
bool CModel::SetMorphWeight(uint32_t value, int32_t mesh) {
    return ForMeshes(mesh, [&](CBaseMesh* m) { return m->SetMorphWeight(value), true; });
}

uint32_t CModel::CopyMesh(int32_t mesh, CModel* other, int32_t otherMesh) {
    // Both indices must name existing meshes; anything else changes nothing.
    if (!other || mesh < 0 || uint32_t(mesh) >= meshCount_ || otherMesh < 0 ||
        uint32_t(otherMesh) >= other->meshCount_)
        return 0;
    return meshes_[mesh]->CopyMorphTarget(other->meshes_[otherMesh]);
}

void CModel::UpdateTransform(const CMatrix* world) {
    for (CBaseObject* r = roots_.First(); r; r = roots_.Next(r)) static_cast<CFrame*>(r)->Update(world, world);
}

void CModel::Animate(float timeA, float timeB, uint32_t mode) {
    for (CBaseObject* r = roots_.First(); r; r = roots_.Next(r))
        static_cast<CFrame*>(r)->Animate(timeA, timeB, mode);
}

uint32_t CModel::Draw() {
    uint32_t drawn = 0;
    for (uint32_t i = 0; i < meshCount_; ++i) drawn += meshes_[i]->Render();
    Kestra::AddPolygonCount3D(drawn);
    return drawn;
}

void CModel::SetDisableFlags(uint8_t value, uint8_t mask, int32_t mesh) {
    if (mesh >= 0 && uint32_t(mesh) >= meshCount_) return;
    ForMeshes(mesh, [&](CBaseMesh* m) { return m->SetFlags(value, mask), true; });
}

uint8_t CModel::GetDisableFlags(int32_t mesh) const {
    if (mesh < 0 || uint32_t(mesh) >= meshCount_) return 0;
    return meshes_[mesh]->GetFlags();
}

bool CModel::EnableMaterialStates(uint8_t value, int32_t mesh, int32_t material) {
    return ForMaterials(mesh, material, [&](CMaterial* m) { m->EnableStates(value); });
}
bool CModel::SetTextureStageState(uint32_t stage, uint32_t state, uint32_t value, int32_t mesh, int32_t material) {
    return ForMaterials(mesh, material, [&](CMaterial* m) { m->SetTextureStageState(stage, state, value); });
}
bool CModel::SetSamplerState(uint32_t sampler, uint32_t state, uint32_t value, int32_t mesh, int32_t material) {
    return ForMaterials(mesh, material, [&](CMaterial* m) { m->SetSamplerState(sampler, state, value); });
}
bool CModel::SetMaterialBlendingPreset(uint32_t preset, int32_t mesh, int32_t material) {
    return ForMaterials(mesh, material, [&](CMaterial* m) { m->SetBlendingPreset(preset); });
}
bool CModel::SetMaterialFiltering(uint8_t on, int32_t mesh, int32_t material) {
    return ForMaterials(mesh, material, [&](CMaterial* m) { m->SetFiltering(on); });
}
bool CModel::SetMaterialAlphaTest(uint8_t on, int32_t mesh, int32_t material) {
    return ForMaterials(mesh, material, [&](CMaterial* m) { m->SetAlphaTest(on); });
}
bool CModel::SetMaterialDepthTest(uint8_t on, int32_t mesh, int32_t material) {
    return ForMaterials(mesh, material, [&](CMaterial* m) { m->SetDepthTest(on); });
}
bool CModel::SetMaterialDepthWrite(uint8_t on, int32_t mesh, int32_t material) {
    return ForMaterials(mesh, material, [&](CMaterial* m) { m->SetDepthWrite(on); });
}

bool CModel::QueryObject(uint32_t index, const CClassId* classId, CBaseObject** out) {
    CBaseObject* found = nullptr;
    if (classId == &kClassBaseMesh && index < meshCount_) found = meshes_[index];
    else if (classId == &kClassFrame && index < frameCount_) found = frames_[index];
    if (!found || !out) return false;
    found->AddRef();
    *out = found;
    return true;
}

bool CModel::QueryObjectByName(const char* name, const CClassId* classId, CBaseObject** out) {
    int32_t index = -1;
    if (classId == &kClassBaseMesh) index = FindMesh(name);
    else if (classId == &kClassFrame) index = FindFrame(name);
    return index >= 0 && QueryObject(uint32_t(index), classId, out);
}

void CModel::Dump() const {
    for (CBaseObject* r = roots_.First(); r; r = roots_.Next(r)) static_cast<CFrame*>(r)->Dump();
}

}  // namespace LibModel
