#include "engine/core/CTransform.h"

#include "engine/core/KestraMath.h"

void CTransform::Identity() {
    rotation.Identity();
    inverseRotation.Identity();
    world.Identity();
    view.Identity();
    up.Set(0.0f, 1.0f, 0.0f);
    right.Set(1.0f, 0.0f, 0.0f);
    front.Set(0.0f, 0.0f, 1.0f);
    position.Set(0.0f, 0.0f, 0.0f);
    scale.Set(1.0f, 1.0f, 1.0f);
}

void CTransform::RotateY(int32_t angle) {
    const float c = Kestra::Cos(static_cast<uint32_t>(angle));
    const float s = Kestra::Sin(angle);
    const CVector3 r = right, f = front;
    right.Set(r.x * c - f.x * s, r.y * c - f.y * s, r.z * c - f.z * s);
    front.Set(f.x * c + r.x * s, f.y * c + r.y * s, f.z * c + r.z * s);
}

void CTransform::LookAt(const CVector3* eye, const CVector3* at, const CVector3* upHint) {
    if (!eye || !at) return;
    position = *eye;
    CVector3 direction = *at - *eye;
    if (direction.Length() == 0.0) return;  // no direction: the axes stay
    CVector3 newFront;
    newFront.NormalizeFrom(direction);

    CVector3 hint = upHint ? *upHint : CVector3(0.0f, 1.0f, 0.0f);
    if (newFront.y == 1.0f || newFront.y == -1.0f) hint.Set(0.0f, 0.0f, -newFront.y);
    CVector3 side;
    side.Cross(newFront, hint);
    if (side.Length() == 0.0) {
        // The hint runs along the view: take the world's up, or the straight-up rule.
        hint.Set(0.0f, 1.0f, 0.0f);
        side.Cross(newFront, hint);
        if (side.Length() == 0.0) {
            hint.Set(0.0f, 0.0f, newFront.y < 0.0f ? 1.0f : -1.0f);
            side.Cross(newFront, hint);
        }
    }
    CVector3 newRight;
    newRight.NormalizeFrom(side);
    newRight.Set(-newRight.x, -newRight.y, -newRight.z);
    CVector3 newUp;
    newUp.Cross(newFront, newRight);
    newUp.Normalize();

    front = newFront;
    up = newUp;
    right = newRight;
}

void CTransform::UpdateMatrix() {
    rotation.Set(right.x, right.y, right.z, 0.0f, up.x, up.y, up.z, 0.0f, front.x, front.y, front.z, 0.0f, 0.0f, 0.0f,
                 0.0f, 1.0f);
    CMatrix scaling;
    scaling.Scaling(scale.x, scale.y, scale.z);
    CMatrix pose = rotation;
    pose._41 = position.x;
    pose._42 = position.y;
    pose._43 = position.z;
    world = scaling * pose;
    D3DXMatrixTranspose(&inverseRotation, &rotation);
    view = inverseRotation;
    view._41 = -position.Dot(right);
    view._42 = -position.Dot(up);
    view._43 = -position.Dot(front);
}
