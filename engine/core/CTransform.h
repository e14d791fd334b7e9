// A pose: three axes, a position and a scale, and the four matrices derived from
// them (rebuilt only by UpdateMatrix).
#pragma once

#include <cstdint>

#include "engine/core/CMatrix.h"
#include "engine/core/CVector3.h"

class CTransform {
public:
    CTransform() { Identity(); }
    CTransform(const CTransform& t) = default;
    CTransform& operator=(const CTransform& t) = default;

    void Set(const CTransform& t) { *this = t; }
    void Get(CTransform* out) const {
        if (out) *out = *this;
    }
    // Back to identity matrices, axes right (1,0,0), up (0,1,0), front (0,0,1),
    // position 0 and scale 1.
    void Identity();
    void SetPosition(float x, float y, float z) { position.Set(x, y, z); }
    // Turns the right and front axes about the up axis.
    void RotateY(int32_t angle);
    // Axes and position from a viewpoint; up may be null for (0, 1, 0). Looking at
    // the eye itself keeps the previous axes.
    void LookAt(const CVector3* eye, const CVector3* at, const CVector3* upHint);
    void UpdateMatrix();

    CMatrix rotation;
    CMatrix inverseRotation;
    CMatrix world;
    CMatrix view;
    CVector3 up;
    CVector3 right;
    CVector3 front;
    CVector3 position;
    CVector3 scale;
};
