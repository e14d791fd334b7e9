// 3-D sprites: textured quads, rings, discs and ribbons placed in the world by a
// transform, queued in a 3-D triangle list with up to four stage textures.
//
// Source rectangles are float[4] x, y, width, height in texture pixels, one per
// stage from stage 0; colours are ARGB; shapes lie in the transform's x-y plane
// with y up; angles are Angle16, a ring or disc starting at the top and running
// clockwise as seen from -z.
#pragma once

#include <cstdint>

#include "engine/core/CTransform.h"
#include "engine/core/CVector3.h"
#include "engine/core/KestraMath.h"
#include "engine/graphics/CPrimitive3D.h"

class CTexture;

class CSprite3D : public CPrimitive3D {
public:
    static constexpr uint32_t kStageCount = 4;

    explicit CSprite3D(CDeviceObjectManager* manager);
    ~CSprite3D() override;

    // Binds the four stage textures (null ones unbind) and draws.
    void Render() override;
    virtual bool Create(uint32_t capacity, uint32_t texCoordSets) override;
    // Holds the texture on the stage with a reference of its own (stage 4 and up
    // is ignored); the one it replaces is released.
    virtual void SetTexture(uint32_t stage, CTexture* texture);
    // A width x height quad centred on (x, y, z) of the transform's space (null:
    // the world's).
    virtual bool DrawSquare(const CTransform* transform, float x, float y, float z, float width, float height,
                            const float* src, uint32_t color, uint32_t stageCount);
    // segments quads between the inner and outer radius; each stage's source runs
    // left to right round the ring, top at the outer edge.
    virtual bool DrawRing(const CTransform* transform, float x, float y, float z, float innerRadius,
                          float outerRadius, int32_t segments, const float* src, uint32_t color,
                          uint32_t stageCount);
    // segments triangles from the centre; the source rectangle is laid over the
    // disc's bounding square.
    virtual bool DrawDisc(const CTransform* transform, float x, float y, float z, float radius, int32_t segments,
                          const float* src, uint32_t color, uint32_t stageCount);
    // Ribbons through count points (count - 1 quads), stage 0 textured, v running
    // from the source's top at the first point to its bottom at the last. Each
    // point is widened to both sides at right angles to the ribbon's direction
    // there: by one width, by a width of its own, or by its own width, angle
    // (of the side vector) and colour.
    virtual bool DrawRibbon(const CTransform* transform, const CVector3* points, uint32_t count, float width,
                            const float* src, uint32_t color);
    virtual bool DrawRibbonWidths(const CTransform* transform, const CVector3* points, const float* widths,
                                  uint32_t count, const float* src, uint32_t color);
    virtual bool DrawRibbonAngles(const CTransform* transform, const CVector3* points, const float* widths,
                                  const Kestra::Angle16* angles, const uint32_t* colors, uint32_t count,
                                  const float* src);

    CTexture* GetTexture(uint32_t stage) const { return stage < kStageCount ? textures_[stage] : nullptr; }

private:
    // uL, vT, uR, vB of each stage (0 for stages without texture or beyond the count).
    void SourceCoords(const float* src, uint32_t stageCount, float coords[kStageCount][4]) const;
    bool Ribbon(const CTransform* transform, const CVector3* points, const float* widths, float width,
                const Kestra::Angle16* angles, const uint32_t* colors, uint32_t color, uint32_t count,
                const float* src);

    CTexture* textures_[kStageCount] = {};
};

class CSprite3DManager : public CObject3DManager {
public:
    explicit CSprite3DManager(IDirect3DDevice9* device) : CObject3DManager(device) {}
    virtual CSprite3D* Create(uint32_t capacity, uint32_t texCoordSets);
};
