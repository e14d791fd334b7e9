// The rigid mesh: conversion into the engine's buffers, frustum test and the
// subset-by-subset draw.
#include "engine/graphics/CMesh.h"

#include "engine/core/KestraLog.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraShaderFx.h"

namespace LibModel {

void UpdateFollowingMeshes(CBaseObject* mesh, const CMatrix* frameWorld, const CMatrix* modelWorld) {
    for (CBaseObject* o = mesh->GetSibling(); o; o = o->GetSibling())
        if (auto* next = dynamic_cast<CBaseMesh*>(o)) {
            next->Update(frameWorld, modelWorld);
            return;
        }
}

uint32_t RenderFollowingMeshes(CBaseObject* mesh) {
    for (CBaseObject* o = mesh->GetSibling(); o; o = o->GetSibling())
        if (auto* next = dynamic_cast<CBaseMesh*>(o)) return next->Render();
    return 0;
}

CMesh::~CMesh() { delete[] ranges_; }

void CMesh::Update(const CMatrix* frameWorld, const CMatrix* modelWorld) {
    world_ = *frameWorld;
    Kestra::CreateBox(&worldBox_, &boxMin_, &boxMax_, &world_);
    UpdateFollowingMeshes(this, frameWorld, modelWorld);
}

uint32_t CMesh::Render() {
    if (flags_) return 0;
    uint32_t drawn = 0;
    if (KestraCamera::IsVisible(&worldBox_) && vertices_ && indices_) {
        vertices_->SetToDevice();
        indices_->SetToDevice();
        Kestra3D::SelectVertexProcessing(vsMajor_, vsMinor_);
        SetEffectParameters(&world_);
        CShaderFx* fx = ActiveEffect();
        uint32_t passes = 0;
        if (KestraShaderFx::Begin(fx, &passes)) {
            for (uint32_t p = 0; p < passes; ++p) {
                KestraShaderFx::BeginPass(fx, p);
                for (uint32_t r = 0; r < rangeCount_; ++r) drawn += RenderRange(fx, ranges_[r].AttribId, ranges_[r]);
                KestraShaderFx::EndPass(fx);
            }
            KestraShaderFx::End(fx);
        }
    }
    return drawn + RenderFollowingMeshes(this);
}

bool CMesh::LoadMesh(ID3DXMesh* mesh, ID3DXSkinInfo*, const DWORD*) {
    HRESULT hr = OptimizeMesh(mesh);
    if (FAILED(hr)) {
        Kestra::LogRed("メッシュの最適化に失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        return false;
    }
    DWORD count = 0;
    hr = mesh->GetAttributeTable(nullptr, &count);
    if (FAILED(hr)) {
        Kestra::LogRed("属性テーブルのサイズの取得に失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        return false;
    }
    delete[] ranges_;
    ranges_ = new D3DXATTRIBUTERANGE[count ? count : 1]();
    rangeCount_ = count;
    hr = mesh->GetAttributeTable(ranges_, &count);
    if (FAILED(hr)) {
        Kestra::LogRed("属性テーブルの取得に失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        return false;
    }
    layout_ = 0;
    return Convert(mesh, ranges_, rangeCount_);
}

bool CMesh::Convert(ID3DXMesh* mesh, const D3DXATTRIBUTERANGE*, uint32_t) {
    return ConvertThroughClone(mesh, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1, 0);
}

}  // namespace LibModel
