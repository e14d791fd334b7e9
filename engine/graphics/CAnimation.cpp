// A frame's animation evaluated at a time.
#include "engine/graphics/CAnimation.h"

#include <cfloat>
#include <cmath>

#include "engine/core/KestraLog.h"

namespace LibModel {
namespace {

// a turned on by f times the turn from a to b, the short way as slerp goes.
// Worked as an angle in double precision: slerp's weights take keys a few
// degrees apart along their chord, which stops turning when followed far back.
void TurnOn(D3DXQUATERNION* out, const D3DXQUATERNION& a, const D3DXQUATERNION& b, double f) {
    const double aw = a.w, ax = a.x, ay = a.y, az = a.z, bw = b.w, bx = b.x, by = b.y, bz = b.z;
    // d = conj(a) b: the turn from a to b.
    double dw = aw * bw + ax * bx + ay * by + az * bz;
    double dx = aw * bx - ax * bw - ay * bz + az * by;
    double dy = aw * by + ax * bz - ay * bw - az * bx;
    double dz = aw * bz - ax * by + ay * bx - az * bw;
    if (dw < 0.0) {
        dw = -dw;
        dx = -dx;
        dy = -dy;
        dz = -dz;
    }
    const double s = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (s < 1e-12) {
        *out = a;
        return;
    }
    // e = d^f: the same axis, f times the angle.
    const double half = f * std::atan2(s, dw);
    const double k = std::sin(half) / s;
    const double ew = std::cos(half), ex = dx * k, ey = dy * k, ez = dz * k;
    // a e
    *out = D3DXQUATERNION(float(aw * ex + ax * ew + ay * ez - az * ey), float(aw * ey - ax * ez + ay * ew + az * ex),
                          float(aw * ez + ax * ey - ay * ex + az * ew), float(aw * ew - ax * ex - ay * ey - az * ez));
}

}  // namespace

CAnimation::CAnimation() {
    for (uint32_t& t : tables_) t = KestraAnimation::kNone;
}

CAnimation::~CAnimation() {
    for (uint32_t t : tables_) KestraAnimation::ReleaseChecked(t);
    Kestra::MemoryFree(quaternions_);
}

void CAnimation::SetTable(Table which, uint32_t handle) {
    KestraAnimation::ReleaseChecked(tables_[which]);
    tables_[which] = handle;
}

void CAnimation::SetQuaternions(D3DXQUATERNION* quaternions, uint32_t count) {
    Kestra::MemoryFree(quaternions_);
    quaternions_ = quaternions;
    quaternionCount_ = quaternions ? count : 0;
}

bool CAnimation::Rotation(D3DXQUATERNION* out, float time, uint32_t mode) const {
    if (!quaternions_ || quaternionCount_ == 0) return false;
    float r = KestraAnimation::Evaluate(tables_[kRotation], time, mode, 0.0f);
    // Past the last pair (an overshooting mode or a stray value) the last pair is read.
    const float last = float(quaternionCount_ - 1);
    if (!(r >= -FLT_MAX)) r = 0.0f;  // NaN or minus infinity
    if (r > last) r = last;
    // Before a late first key the key position is negative: the first pair's
    // turn runs on backwards at its own rate, however far, as the other tables
    // go back along their first segment.
    if (r < 0.0f && quaternionCount_ >= 2) {
        TurnOn(out, quaternions_[0], quaternions_[1], r);
        return true;
    }
    uint32_t i = r > 0.0f ? uint32_t(r) : 0;
    if (i >= quaternionCount_ - 1) i = quaternionCount_ >= 2 ? quaternionCount_ - 2 : 0;
    const float f = r - float(i);
    const D3DXQUATERNION& b = quaternions_[quaternionCount_ >= 2 ? i + 1 : i];
    D3DXQuaternionSlerp(out, &quaternions_[i], &b, f);
    return true;
}

bool CAnimation::Group(Table first, float time, uint32_t mode, float defaultValue, CVector3* out) const {
    const uint32_t* t = &tables_[first];
    if (t[0] == KestraAnimation::kNone || t[1] == KestraAnimation::kNone || t[2] == KestraAnimation::kNone)
        return false;
    out->Set(KestraAnimation::Evaluate(t[0], time, mode, defaultValue),
             KestraAnimation::Evaluate(t[1], time, mode, defaultValue),
             KestraAnimation::Evaluate(t[2], time, mode, defaultValue));
    return true;
}

void CAnimation::GetMatrix(CMatrix* out, float time, uint32_t mode, const CVector3* defaultPosition,
                           const CVector3* defaultScale, const CMatrix* defaultRotation) const {
    CVector3 scale = *defaultScale, position = *defaultPosition;
    Group(kScaleX, time, mode, 1.0f, &scale);
    out->Scaling(scale.x, scale.y, scale.z);
    D3DXQUATERNION q;
    if (Rotation(&q, time, mode)) {
        CMatrix r;
        D3DXMatrixRotationQuaternion(&r, &q);
        *out *= r;
    } else {
        *out *= *defaultRotation;
    }
    Group(kPosX, time, mode, 0.0f, &position);
    out->_41 = position.x;
    out->_42 = position.y;
    out->_43 = position.z;
}

void CAnimation::GetTransform(CVector3* position, CVector3* scale, D3DXQUATERNION* rotation, float time,
                              uint32_t mode, const CVector3* defaultPosition, const CVector3* defaultScale,
                              const CMatrix* defaultRotation) const {
    if (!Group(kScaleX, time, mode, 1.0f, scale)) *scale = *defaultScale;
    if (!Rotation(rotation, time, mode)) D3DXQuaternionRotationMatrix(rotation, defaultRotation);
    if (!Group(kPosX, time, mode, 0.0f, position)) *position = *defaultPosition;
}

}  // namespace LibModel
