// The model's node base (matrices shared by frames and meshes) and the class
// identifiers through which containers hand out their children.
#pragma once

#include <cstdint>

#include "engine/core/CMatrix.h"
#include "engine/core/CVector3.h"
#include "engine/graphics/CBaseObject.h"

// One record per model class; two identifiers are equal only when they are the same record.
struct CClassId {
    char name[32];
};

namespace LibModel {

extern const CClassId kClassBaseMesh;
extern const CClassId kClassFrame;
extern const CClassId kClassMaterial;
extern const CClassId kClassAnimationSet;

class CNode : public CBaseObject {
public:
    CNode() = default;

    virtual const CMatrix* GetWorldMatrix() const { return &world_; }
    // world = local x parent; the model matrix is passed on to meshes.
    virtual void Update(const CMatrix* parent, const CMatrix* model) = 0;
    virtual void Animate(float timeA, float timeB, uint32_t mode) = 0;
    // Answers the polygons drawn.
    virtual uint32_t Render() = 0;
    virtual void Dump() = 0;

    const CMatrix& GetBaseMatrix() const { return base_; }
    const CMatrix& GetLocalMatrix() const { return local_; }
    void SetLocalMatrix(const CMatrix& m) { local_ = m; }

protected:
    CMatrix base_;
    CVector3 baseTranslation_;
    CVector3 baseScale_ = CVector3(1, 1, 1);
    CMatrix baseRotation_;
    CMatrix local_;
    CMatrix world_;
};

// The dump's indent depth, shared by every node.
extern int32_t g_dumpDepth;

}  // namespace LibModel
