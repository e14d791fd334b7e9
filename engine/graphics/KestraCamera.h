// The camera table: records addressed by slot number, each with a projection and
// a view built from a transform; one camera is current at a time.
#pragma once

#include <cstdint>

#include "engine/core/CMatrix.h"
#include "engine/core/CTransform.h"
#include "engine/core/CVector3.h"

struct CBox;

struct KestraCameraRecord {
    uint8_t inUse;
    uint32_t refCount;
    CMatrix projection;
    CMatrix view;
    CMatrix viewProjection;
    CVector3 position;  // copied from the transform by Update
    CTransform transform;
    float fieldOfView;  // radians
    float aspect;
    float nearZ;
    float farZ;
};

namespace KestraCamera {

constexpr int32_t kCameraCount = 32;

bool Initialize();
void Finalize();
bool IsStarted();

// The first free slot with one reference, or -1 when none is free.
int32_t Create();
// Drops one reference; the last one frees the slot.
void Release(int32_t camera);

// Every slot operation ignores slots outside 0 .. kCameraCount - 1 (-1 is "none").
void SetProjection(int32_t camera, float fieldOfView, float nearZ, float farZ, float aspect);
// The transform and the view back to identity.
void Reset(int32_t camera);
// up may be null.
void LookAt(int32_t camera, const CVector3* eye, const CVector3* target, const CVector3* up);
// Rebuilds the transform's matrices, then position, view and view x projection.
void Update(int32_t camera);
// Makes the camera current: its matrices, the inverse view x projection, the view
// frustum, and the device's view and projection transforms.
void Apply(int32_t camera);
// The camera's position; a negative slot gives the current camera's.
void GetPosition(int32_t camera, CVector3* out);
// Copies of the current camera's matrices; any may be null.
void GetCurrentMatrices(CMatrix* projection, CMatrix* view, CMatrix* viewProjection, CMatrix* inverse);
// The current view frustum.
const CBox* GetFrustum();
// The box against the current view frustum.
bool IsVisible(const CBox* box);
// The record of an in-range slot (in use or not), null otherwise.
const KestraCameraRecord* GetRecord(int32_t camera);

}  // namespace KestraCamera
