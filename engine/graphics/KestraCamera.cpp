#include "engine/graphics/KestraCamera.h"

#include <cstdint>
#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CBox.h"
#include "engine/graphics/Kestra3D.h"

namespace KestraCamera {
namespace {

CCriticalSection& Lock() {
    static CCriticalSection lock;
    return lock;
}

KestraCameraRecord* g_table = nullptr;

struct Current {
    CVector3 position;
    CMatrix projection;
    CMatrix view;
    CMatrix viewProjection;
    CMatrix inverse;
    CBox frustum;
};
Current g_current;

KestraCameraRecord* Record(int32_t camera) {
    if (!g_table || camera < 0 || camera >= kCameraCount) return nullptr;
    return &g_table[camera];
}

void ClearRecord(KestraCameraRecord* r) { new (r) KestraCameraRecord{}; }

void ResetCurrent() {
    g_current.position.Set(0.0f, 0.0f, 0.0f);
    g_current.projection.Identity();
    g_current.view.Identity();
    g_current.viewProjection.Identity();
    g_current.inverse.Identity();
    const CVector3 lo(-1.0f, -1.0f, 0.0f), hi(1.0f, 1.0f, 1.0f);
    Kestra::CreateFrustumBox(&g_current.frustum, &lo, &hi, &g_current.inverse);
}

}  // namespace

bool Initialize() {
    Kestra::LogHeadline("KestraCameraクラスの初期化");
    CCriticalSectionLock hold(Lock());
    if (g_table) return true;
    void* block = Kestra::MemoryAlloc(sizeof(KestraCameraRecord) * kCameraCount);
    if (!block) return false;
    if (reinterpret_cast<uintptr_t>(block) % alignof(KestraCameraRecord) != 0) {
        Kestra::MemoryFree(block);
        return false;
    }
    g_table = static_cast<KestraCameraRecord*>(block);
    for (int32_t i = 0; i < kCameraCount; ++i) ClearRecord(&g_table[i]);
    ResetCurrent();
    return true;
}

void Finalize() {
    CCriticalSectionLock hold(Lock());
    if (!g_table) return;
    Kestra::LogHeadline("KestraCameraクラスの解放");
    for (int32_t i = 0; i < kCameraCount; ++i) {
        KestraCameraRecord& r = g_table[i];
        if (r.inUse && --r.refCount == 0) ClearRecord(&r);
    }
    // The records hold plain values only: the block is freed as it is.
    Kestra::MemoryFree(g_table);
    g_table = nullptr;
}

bool IsStarted() { return g_table != nullptr; }

int32_t Create() {
    CCriticalSectionLock hold(Lock());
    if (!g_table) return -1;
    for (int32_t i = 0; i < kCameraCount; ++i) {
        if (!g_table[i].inUse) {
            g_table[i].inUse = 1;
            g_table[i].refCount = 1;
            return i;
        }
    }
    return -1;
}

void Release(int32_t camera) {
    CCriticalSectionLock hold(Lock());
    KestraCameraRecord* r = Record(camera);
    if (!r || !r->inUse) return;
    if (--r->refCount == 0) ClearRecord(r);
    Kestra::LogRed("KestraCamera::Release");
    Kestra::LogRed(" : [ No.%u ]", static_cast<uint32_t>(camera));
    Kestra::LogNewLine();
}

void SetProjection(int32_t camera, float fieldOfView, float nearZ, float farZ, float aspect) {
    KestraCameraRecord* r = Record(camera);
    if (!r) return;
    r->fieldOfView = fieldOfView;
    r->nearZ = nearZ;
    r->farZ = farZ;
    r->aspect = aspect;
    D3DXMatrixPerspectiveFovLH(&r->projection, fieldOfView, aspect, nearZ, farZ);
}

void Reset(int32_t camera) {
    KestraCameraRecord* r = Record(camera);
    if (!r) return;
    r->transform.Identity();
    r->view.Identity();
}

void LookAt(int32_t camera, const CVector3* eye, const CVector3* target, const CVector3* up) {
    KestraCameraRecord* r = Record(camera);
    if (!r) return;
    r->transform.LookAt(eye, target, up);
}

void Update(int32_t camera) {
    KestraCameraRecord* r = Record(camera);
    if (!r) return;
    r->transform.UpdateMatrix();
    r->position = r->transform.position;
    r->view = r->transform.view;
    r->viewProjection = r->view * r->projection;
}

void Apply(int32_t camera) {
    KestraCameraRecord* r = Record(camera);
    if (!r) return;
    g_current.position = r->position;
    g_current.view = r->view;
    g_current.projection = r->projection;
    g_current.viewProjection = r->viewProjection;
    // A singular view x projection (no projection set) leaves the clip cube itself.
    if (!g_current.inverse.Inverse(g_current.viewProjection)) g_current.inverse.Identity();
    const CVector3 lo(-1.0f, -1.0f, 0.0f), hi(1.0f, 1.0f, 1.0f);
    Kestra::CreateFrustumBox(&g_current.frustum, &lo, &hi, &g_current.inverse);
    if (IDirect3DDevice9* device = Kestra3D::GetDevice()) {
        device->SetTransform(D3DTS_VIEW, &g_current.view);
        device->SetTransform(D3DTS_PROJECTION, &g_current.projection);
    }
}

void GetPosition(int32_t camera, CVector3* out) {
    if (!out) return;
    if (camera < 0) {
        *out = g_current.position;
        return;
    }
    if (const KestraCameraRecord* r = Record(camera)) *out = r->position;
}

void GetCurrentMatrices(CMatrix* projection, CMatrix* view, CMatrix* viewProjection, CMatrix* inverse) {
    if (projection) *projection = g_current.projection;
    if (view) *view = g_current.view;
    if (viewProjection) *viewProjection = g_current.viewProjection;
    if (inverse) *inverse = g_current.inverse;
}

const CBox* GetFrustum() { return &g_current.frustum; }

bool IsVisible(const CBox* box) { return Kestra::IntersectBox(&g_current.frustum, box); }

const KestraCameraRecord* GetRecord(int32_t camera) { return Record(camera); }

}  // namespace KestraCamera
