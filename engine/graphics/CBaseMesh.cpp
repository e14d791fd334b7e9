// The mesh base: materials, buffers, effect parameters, normals, morph targets
// and the segment test shared by the static and the skinned mesh.
#include "engine/graphics/CBaseMesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/core/KestraLog.h"
#include "engine/graphics/CMaterial.h"
#include "engine/graphics/CShaderFx.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraLight.h"
#include "engine/graphics/KestraShaderFx.h"

namespace LibModel {

// ---- Hit list ---------------------------------------------------------------------

CHitList::CHitList(uint32_t capacity) : capacity_(capacity) {
    for (auto& a : arrays_) a = new CVector3[capacity ? capacity : 1];
}

CHitList::~CHitList() {
    for (auto* a : arrays_) delete[] a;
}

bool CHitList::Add(const CVector3& point, const CVector3& worldPoint, const CVector3& normal,
                   const CVector3& worldNormal) {
    if (count_ >= capacity_) return false;
    arrays_[0][count_] = point;
    arrays_[1][count_] = worldPoint;
    arrays_[2][count_] = normal;
    arrays_[3][count_] = worldNormal;
    ++count_;
    return true;
}

bool CHitList::Get(uint32_t index, CVector3* point, CVector3* worldPoint, CVector3* normal,
                   CVector3* worldNormal) const {
    if (index >= count_) return false;
    CVector3* outs[4] = {point, worldPoint, normal, worldNormal};
    for (int i = 0; i < 4; ++i)
        if (outs[i]) *outs[i] = arrays_[i][index];
    return true;
}

// ---- Base mesh ----------------------------------------------------------------------

CBaseMesh::CBaseMesh(uint16_t vsMajor, uint16_t vsMinor) : vsMajor_(vsMajor), vsMinor_(vsMinor) {}

CBaseMesh::~CBaseMesh() {
    delete[] materials_;
    if (effect_) KestraShaderFx::Release(effect_);
    if (vertices_) vertices_->Release();
    if (indices_) indices_->Release();
    if (hits_) hits_->Release();
}

void CBaseMesh::Animate(float timeA, float timeB, uint32_t mode) {
    if (!GetParent()) return;
    for (CBaseObject* o = GetSibling(); o; o = o->GetSibling())
        if (auto* node = dynamic_cast<CNode*>(o)) node->Animate(timeA, timeB, mode);
}

void CBaseMesh::Dump() {
    for (int32_t i = 0; i < g_dumpDepth; ++i) Kestra::LogPrint("　");
    Kestra::LogBold("[ %s ]", GetName());
    Kestra::LogNewLine();
}

void CBaseMesh::CreateHitList() {
    if (hits_) hits_->Release();
    // At least one entry: a single quad has fewer than ten indices.
    const uint32_t indices = indices_ ? indices_->GetCount() : 0;
    hits_ = new CHitList(std::max(1u, indices / 10));
}

namespace {

// Adds the angle-weighted face normals of one pose into its normals.
void AccumulateNormals(ModelVertex* v, uint32_t vertexCount, const uint16_t* idx, uint32_t indexCount, bool second) {
    auto pos = [&](uint16_t i) -> CVector3 {
        const float* p = second ? v[i].position1 : v[i].position0;
        return CVector3(p[0], p[1], p[2]);
    };
    for (uint32_t t = 0; t + 2 < indexCount; t += 3) {
        const uint16_t c[3] = {idx[t], idx[t + 1], idx[t + 2]};
        if (c[0] >= vertexCount || c[1] >= vertexCount || c[2] >= vertexCount) continue;
        const CVector3 p[3] = {pos(c[0]), pos(c[1]), pos(c[2])};
        CVector3 n;
        n.Cross(p[1] - p[0], p[2] - p[0]);
        n.Normalize();
        for (int k = 0; k < 3; ++k) {
            CVector3 e1 = p[(k + 1) % 3] - p[k], e2 = p[(k + 2) % 3] - p[k];
            e1.Normalize();
            e2.Normalize();
            const float angle = std::acos(std::clamp(e1.Dot(e2), -1.0f, 1.0f));
            float* out = second ? v[c[k]].normal1 : v[c[k]].normal0;
            const float w = angle / 3.1415927f;
            out[0] += n.x * w;
            out[1] += n.y * w;
            out[2] += n.z * w;
        }
    }
    for (uint32_t i = 0; i < vertexCount; ++i) {
        float* out = second ? v[i].normal1 : v[i].normal0;
        D3DXVECTOR3 n(out[0], out[1], out[2]);
        D3DXVec3Normalize(&n, &n);
        out[0] = n.x;
        out[1] = n.y;
        out[2] = n.z;
    }
}

}  // namespace

void CBaseMesh::RecomputeNormals() {
    if (!vertices_ || !indices_) return;
    for (bool second : {false, true})
        AccumulateNormals(vertices_->GetData(), vertices_->GetCount(), indices_->GetData(), indices_->GetCount(),
                          second);
}

bool CBaseMesh::GetMaterial(uint32_t index, const CClassId* classId, CBaseObject** out) {
    if (classId != &kClassMaterial || index >= materialCount_ || !out) return false;
    *out = materials_[index];
    (*out)->AddRef();
    return true;
}

bool CBaseMesh::GetMaterialByName(const char* name, const CClassId* classId, CBaseObject** out) {
    if (classId != &kClassMaterial) return false;
    const int32_t i = FindMaterialIndex(name);
    return i >= 0 && GetMaterial(uint32_t(i), classId, out);
}

void CBaseMesh::OnLostDevice() {
    if (vertices_) vertices_->OnLostDevice();
    if (indices_) indices_->OnLostDevice();
}

void CBaseMesh::OnResetDevice() {
    if (vertices_) vertices_->OnResetDevice();
    if (indices_) indices_->OnResetDevice();
}

void CBaseMesh::BuildMaterialArray() {
    delete[] materials_;
    materialCount_ = uint32_t(std::max(0, GetChildCount()));
    materials_ = new CBaseObject*[materialCount_ ? materialCount_ : 1];
    uint32_t i = 0;
    for (CBaseObject* c = GetChild(); c && i < materialCount_; c = c->GetSibling()) materials_[i++] = c;
    materialCount_ = i;
}

void CBaseMesh::SetEffect(CShaderFx* effect, uint32_t flags) {
    effectFlags_ = flags;
    if (effect_) KestraShaderFx::Release(effect_);
    effect_ = effect;
    if (effect_) effect_->AddRef();
}

void CBaseMesh::ForEachMaterialA(uint32_t stage, CTexture* texture, int32_t index) {
    for (uint32_t i = 0; i < materialCount_; ++i)
        if (index < 0 || uint32_t(index) >= materialCount_ || uint32_t(index) == i)
            static_cast<CMaterial*>(materials_[i])->SetTexture(stage, texture);
}

void CBaseMesh::ForEachMaterialB(float alpha, int32_t index) {
    for (uint32_t i = 0; i < materialCount_; ++i)
        if (index < 0 || uint32_t(index) >= materialCount_ || uint32_t(index) == i)
            static_cast<CMaterial*>(materials_[i])->SetAlpha(alpha);
}

uint32_t CBaseMesh::CopyMorphTarget(CBaseMesh* other) {
    if (!other || !other->vertices_) return 0;
    const uint32_t count = other->vertices_->GetCount();
    if (!vertices_ || vertices_->GetCount() != count) return count;
    ModelVertex* mine = vertices_->GetData();
    const ModelVertex* theirs = other->vertices_->GetData();
    for (uint32_t i = 0; i < count; ++i) {
        std::memcpy(mine[i].position1, theirs[i].position0, 12);
        std::memcpy(mine[i].normal1, theirs[i].normal0, 12);
    }
    switch (layout_) {
        case 0: layout_ = 1; break;
        case 2: layout_ = 5; break;
        case 3: layout_ = 6; break;
        case 4: layout_ = 7; break;
        default: break;
    }
    vertices_->Create(vsMajor_, vsMinor_, layout_);
    return count;
}

void CBaseMesh::GetBoundingSphere(CVector3* centre, float* radius) const {
    if (centre) *centre = sphereCentre_;
    if (radius) *radius = sphereRadius_;
}

void CBaseMesh::GetBoundingBox(CVector3* min, CVector3* max, CBox* worldBox) const {
    if (min) *min = boxMin_;
    if (max) *max = boxMax_;
    if (worldBox) *worldBox = worldBox_;
}

bool CBaseMesh::IntersectSegment(const CVector3& start, const CVector3& end, uint32_t, uint8_t wantNormal) {
    if (!hits_) CreateHitList();
    hits_->Clear();
    if (!vertices_ || !indices_) return false;
    CMatrix inverse;
    inverse.Inverse(world_);
    CVector3 line[2];
    line[0].TransformCoordFrom(start, inverse);
    line[1].TransformCoordFrom(end, inverse);
    const CVector3 lo(std::min(line[0].x, line[1].x), std::min(line[0].y, line[1].y), std::min(line[0].z, line[1].z));
    const CVector3 hi(std::max(line[0].x, line[1].x), std::max(line[0].y, line[1].y), std::max(line[0].z, line[1].z));
    CVector3 unit = line[1] - line[0];
    const float length = float(unit.Length());
    unit.Normalize();
    const ModelVertex* v = vertices_->GetData();
    const uint16_t* idx = indices_->GetData();
    const uint32_t vertexCount = vertices_->GetCount();
    for (uint32_t t = 0; t + 2 < indices_->GetCount(); t += 3) {
        if (idx[t] >= vertexCount || idx[t + 1] >= vertexCount || idx[t + 2] >= vertexCount) continue;
        CVector3 tri[3];
        for (int k = 0; k < 3; ++k) {
            const float* p = v[idx[t + k]].position0;
            tri[k].Set(p[0], p[1], p[2]);
        }
        bool outside = false;
        for (int axis = 0; axis < 3 && !outside; ++axis) {
            auto c = [axis](const CVector3& p) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; };
            outside = (c(tri[0]) < c(lo) && c(tri[1]) < c(lo) && c(tri[2]) < c(lo)) ||
                      (c(tri[0]) > c(hi) && c(tri[1]) > c(hi) && c(tri[2]) > c(hi));
        }
        if (outside) continue;
        float dist = 0;
        if (!Kestra::IntersectTriangle(line, tri, &dist, nullptr, nullptr) || dist < 0 || dist > length) continue;
        CVector3 point = line[0];
        point.Add(CVector3(unit.x * dist, unit.y * dist, unit.z * dist));
        CVector3 worldPoint;
        worldPoint.TransformCoordFrom(point, world_);
        CVector3 normal, worldNormal;
        if (wantNormal) {
            normal.Cross(tri[1] - tri[0], tri[2] - tri[0]);
            normal.Normalize();
            worldNormal.TransformNormalFrom(normal, world_);
        }
        hits_->Add(point, worldPoint, normal, worldNormal);
    }
    return hits_->GetCount() > 0;
}

bool CBaseMesh::GetHit(uint32_t index, CVector3* point, CVector3* worldPoint, CVector3* normal,
                       CVector3* worldNormal) const {
    return hits_ && hits_->Get(index, point, worldPoint, normal, worldNormal);
}

int32_t CBaseMesh::FindMaterialIndex(const char* name) const {
    for (uint32_t i = 0; i < materialCount_; ++i)
        if (SameName(materials_[i]->GetName(), name)) return int32_t(i);
    return -1;
}

HRESULT CBaseMesh::OptimizeMesh(ID3DXMesh* mesh) {
    const DWORD faces = mesh->GetNumFaces();
    std::vector<DWORD> a(size_t(faces) * 3 + 1), b(size_t(faces) * 3 + 1);
    HRESULT hr = mesh->GenerateAdjacency(0.0f, a.data());
    if (FAILED(hr)) return hr;
    mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, a.data(), b.data(), nullptr, nullptr);
    return mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, b.data(), a.data(), nullptr, nullptr);
}

bool CBaseMesh::FillFromClone(ID3DXMesh* clone, uint32_t weights) {
    const DWORD vertexCount = clone->GetNumVertices();
    const DWORD faceCount = clone->GetNumFaces();
    // The buffers hold 16-bit indices.
    if (vertexCount > 0xFFFF) {
        Kestra::LogRed("頂点数が多すぎます [ %lu ]", static_cast<unsigned long>(vertexCount));
        Kestra::LogNewLine();
        return false;
    }
    if (vertices_) vertices_->Release();
    if (indices_) indices_->Release();
    vertices_ = new CVertexBuffer(vertexCount);
    indices_ = new CIndexBuffer(faceCount * 3);
    const DWORD fvf = clone->GetFVF();
    const DWORD stride = clone->GetNumBytesPerVertex();
    void* bits = nullptr;
    HRESULT hr = clone->LockVertexBuffer(0, &bits);
    if (FAILED(hr)) {
        Kestra::LogRed("頂点データのロックに失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    ModelVertex* out = vertices_->GetData();
    for (DWORD i = 0; i < vertexCount; ++i) {
        const auto* at = static_cast<const uint8_t*>(bits) + size_t(i) * stride;
        ModelVertex& v = out[i];
        std::memcpy(v.position0, at, 12);
        std::memcpy(v.position1, at, 12);
        at += 12;
        if (weights) {
            std::memcpy(v.weights, at, 12);
            std::memcpy(v.indices, at + 12, 4);
            at += 16;
        }
        std::memcpy(v.normal0, at, 12);
        std::memcpy(v.normal1, at, 12);
        at += 12;
        v.color = 0xFFFFFFFFu;
        if (fvf & D3DFVF_DIFFUSE) {
            std::memcpy(&v.color, at, 4);
            at += 4;
        }
        std::memcpy(&v.u, at, 4);
        std::memcpy(&v.v, at + 4, 4);
    }
    clone->UnlockVertexBuffer();

    D3DXComputeBoundingBox(reinterpret_cast<const D3DXVECTOR3*>(out[0].position0), vertexCount, sizeof(ModelVertex),
                           &boxMin_, &boxMax_);
    for (float CVector3::*axis : {&CVector3::x, &CVector3::y, &CVector3::z})
        if (boxMin_.*axis == boxMax_.*axis) {
            boxMin_.*axis -= 0.001f;
            boxMax_.*axis += 0.001f;
        }
    D3DXComputeBoundingSphere(reinterpret_cast<const D3DXVECTOR3*>(out[0].position0), vertexCount,
                              sizeof(ModelVertex), &sphereCentre_, &sphereRadius_);

    hr = clone->LockIndexBuffer(0, &bits);
    if (FAILED(hr)) {
        Kestra::LogRed("頂点データのロックに失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    uint16_t* idx = indices_->GetData();
    if (clone->GetOptions() & D3DXMESH_32BIT) {
        const auto* from = static_cast<const uint32_t*>(bits);
        for (DWORD i = 0; i < faceCount * 3; ++i) idx[i] = uint16_t(from[i]);
    } else {
        std::memcpy(idx, bits, size_t(faceCount) * 3 * 2);
    }
    clone->UnlockIndexBuffer();
    return true;
}

bool CBaseMesh::FinishLoad() {
    RecomputeNormals();
    const bool vb = vertices_->Create(vsMajor_, vsMinor_, layout_);
    const bool ib = indices_->Create(vsMajor_, vsMinor_);
    if (!vb || !ib) return false;
    CreateHitList();
    BuildMaterialArray();
    return true;
}

bool CBaseMesh::ConvertThroughClone(ID3DXMesh* mesh, DWORD fvf, uint32_t weights) {
    IDirect3DDevice9* device = nullptr;
    mesh->GetDevice(&device);
    ID3DXMesh* clone = nullptr;
    const HRESULT hr = mesh->CloneMeshFVF(mesh->GetOptions(), fvf, device, &clone);
    if (device) device->Release();
    if (FAILED(hr)) {
        Kestra::LogRed("メッシュのコンバートに失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    const bool hadColor = (mesh->GetFVF() & D3DFVF_DIFFUSE) != 0;
    const bool ok = FillFromClone(clone, weights);
    if (ok && !hadColor)
        for (uint32_t i = 0; i < vertices_->GetCount(); ++i) vertices_->GetData()[i].color = 0xFFFFFFFFu;
    clone->Release();
    return ok && FinishLoad();
}

CShaderFx* CBaseMesh::ActiveEffect() const { return effect_; }

void CBaseMesh::SetCommonParameters(CShaderFx* fx, const CMatrix& world) {
    if (!fx) return;
    CMatrix projection, view, viewProjection, inverseViewProjection;
    KestraCamera::GetCurrentMatrices(&projection, &view, &viewProjection, &inverseViewProjection);
    const uint32_t f = effectFlags_;
    const CMatrix worldView = world * view;
    if (f & 0x800) {
        float fogStart = 0, fogEnd = 0;
        uint32_t third = 0;
        Kestra3D::GetShadingOptions(&fogStart, &fogEnd, &third);
        const float range = fogEnd - fogStart;
        const float fog[2] = {-1.0f / range, fogEnd / range};
        KestraShaderFx::SetFloatArray(fx, "FogParameter", fog, 2);
        const D3DXVECTOR4 column(worldView._13, worldView._23, worldView._33, worldView._43);
        KestraShaderFx::SetVector(fx, "FogTransform", &column);
    }
    if (f & 0x040) {
        KestraShaderFx::SetFloat(fx, "SlideTextureU", float(effectValues_[0]));
        KestraShaderFx::SetFloat(fx, "SlideTextureV", float(effectValues_[1]));
    }
    if (f & 0x080) KestraShaderFx::SetFloat(fx, "VertexExtrusion", float(effectValues_[2]));
    if (f & 0x100) KestraShaderFx::SetFloat(fx, "MorphWeight", float(effectValues_[3]));
    CMatrix inverseWorld;
    inverseWorld.Inverse(world);
    if (f & 0x200) {
        CVector3 eye;
        KestraCamera::GetPosition(Kestra3D::GetCamera(), &eye);
        eye.TransformCoord(inverseWorld);
        const D3DXVECTOR4 camera(eye.x, eye.y, eye.z, 0.0f);
        KestraShaderFx::SetVector(fx, "vCameraPos", &camera);
    }
    if (f & 0x001) {
        const CMatrix transform = worldView * projection;
        KestraShaderFx::SetMatrix(fx, "mTransform", &transform);
    }
    if (f & 0x002) KestraShaderFx::SetMatrix(fx, "mWorld", &world);
    if (f & 0x004) KestraShaderFx::SetMatrix(fx, "mWorldView", &worldView);
    if (f & 0x010) {
        Kestra3D::LightConstants lights;
        Kestra3D::GetLightConstants(&lights);
        const D3DXVECTOR4 ambient(lights.ambient[0], lights.ambient[1], lights.ambient[2], lights.ambient[3]);
        const D3DXVECTOR4 specular(lights.secondColor[0], lights.secondColor[1], lights.secondColor[2],
                                   lights.secondColor[3]);
        KestraShaderFx::SetVector(fx, "LightAmbient", &ambient);
        KestraShaderFx::SetVector(fx, "LightSpecular", &specular);
        KestraShaderFx::SetBoolArray(fx, "LightIsUse", lights.isUse, 4);
        KestraShaderFx::SetBoolArray(fx, "LightIsDirectional", lights.isDirectional, 4);
        KestraShaderFx::SetFloatArray(fx, "LightAttenuation", lights.attenuation, 4);
        D3DXVECTOR4 colors[4], params[4];
        CMatrix rotation = world;
        rotation._41 = rotation._42 = rotation._43 = 0.0f;
        rotation.Invert();
        for (int i = 0; i < 4; ++i) {
            colors[i] = D3DXVECTOR4(lights.color[i][0], lights.color[i][1], lights.color[i][2], lights.color[i][3]);
            params[i] = D3DXVECTOR4(0, 0, 0, 0);
            if (!lights.isUse[i]) continue;
            CVector3 p;
            if (lights.isDirectional[i]) {
                p.Set(lights.direction[i][0], lights.direction[i][1], lights.direction[i][2]);
                p.TransformNormal(rotation);
                p.Normalize();
            } else {
                p.Set(lights.position[i][0], lights.position[i][1], lights.position[i][2]);
                p.TransformCoord(inverseWorld);
            }
            params[i] = D3DXVECTOR4(p.x, p.y, p.z, 0.0f);
        }
        KestraShaderFx::SetVectorArray(fx, "LightColor", colors, 4);
        KestraShaderFx::SetVectorArray(fx, "LightParameter", params, 4);
    }
}

uint32_t CBaseMesh::RenderRange(CShaderFx* fx, uint32_t attribute, const D3DXATTRIBUTERANGE& range) {
    // An attribute without a material of its own is not drawn.
    if (attribute >= materialCount_) return 0;
    return static_cast<CMaterial*>(materials_[attribute])->Render(effectFlags_, fx, &range);
}

}  // namespace LibModel
