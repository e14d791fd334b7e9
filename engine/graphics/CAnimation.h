// The animation of one frame (seven key tables and rotation quaternions) and
// the animation set that gathers a model's animations of one take.
#pragma once

#include <cstdint>

#include "engine/core/CMatrix.h"
#include "engine/core/CVector3.h"
#include "engine/graphics/CBaseObject.h"
#include "engine/graphics/KestraAnimation.h"

namespace LibModel {

class CAnimation : public CBaseObject {
public:
    enum Table { kPosX, kPosY, kPosZ, kScaleX, kScaleY, kScaleZ, kRotation, kTableCount };

    CAnimation();
    // Releases the seven tables and the quaternion array.
    ~CAnimation() override;

    // Takes over a key table (any held before is released).
    void SetTable(Table which, uint32_t handle);
    uint32_t GetTable(Table which) const { return tables_[which]; }
    // Takes over count quaternions from the engine allocator (count = keys + 1).
    void SetQuaternions(D3DXQUATERNION* quaternions, uint32_t count);
    const D3DXQUATERNION* GetQuaternions() const { return quaternions_; }

    // Scale x rotation with the position in the fourth row; the defaults stand
    // in for groups without tables.
    void GetMatrix(CMatrix* out, float time, uint32_t mode, const CVector3* defaultPosition,
                   const CVector3* defaultScale, const CMatrix* defaultRotation) const;
    void GetTransform(CVector3* position, CVector3* scale, D3DXQUATERNION* rotation, float time, uint32_t mode,
                      const CVector3* defaultPosition, const CVector3* defaultScale,
                      const CMatrix* defaultRotation) const;

private:
    bool Rotation(D3DXQUATERNION* out, float time, uint32_t mode) const;
    // Three tables from first on, all bound, evaluated into out.
    bool Group(Table first, float time, uint32_t mode, float defaultValue, CVector3* out) const;

    uint32_t tables_[kTableCount];
    D3DXQUATERNION* quaternions_ = nullptr;
    uint32_t quaternionCount_ = 0;
};

class AnimasionSet : public CBaseObject {
public:
    virtual void SetLength(uint32_t length) { length_ = length; }
    virtual uint32_t GetLength() const { return length_; }

private:
    uint32_t length_ = 0;
};

}  // namespace LibModel
