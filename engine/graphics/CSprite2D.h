// 2-D sprites: a 2-D primitive with up to four stage textures, drawing quads,
// rotated quads, rings, tubes, triangles and bands from pixel rectangles of the
// stage images. Collect between Begin and End, draw later with Render inside the
// scene.
//
// Argument forms: a destination rectangle is float[4] x, y, width, height in
// screen pixels; z is depth in 1/65535 of the depth range; source rectangles are
// float[4] x, y, width, height in image pixels, one per stage from stage 0;
// colours are ARGB; angles are Angle16 (65536 a turn, growing clockwise on the
// screen); the stage count says how many stages get texture coordinates (at most 4).
#pragma once

#include <cstdint>

#include "engine/core/KestraMath.h"
#include "engine/graphics/CPrimitive2D.h"

class CTexture;
class CMatrix;

// One corner handed to DrawTriangle: u, v in pixels of the stage-0 image.
struct Sprite2DTriangleVertex {
    float x, y, z;
    uint32_t reserved;  // not read
    uint32_t color;
    float u, v;
};
static_assert(sizeof(Sprite2DTriangleVertex) == 28);

class CSprite2D : public CPrimitive2D {
public:
    static constexpr uint32_t kStageCount = 4;

    explicit CSprite2D(CObject2DManager* manager);
    ~CSprite2D() override;

    // Binds the four stage textures (null ones unbind) and draws.
    void Render() override;

    // Holds texture on the stage with a reference of its own (stage 4 and up is
    // ignored); the texture it replaces is released.
    virtual void SetTexture(uint32_t stage, CTexture* texture);
    virtual bool DrawSquare(const float* dst, float z, const float* src, uint32_t color, uint32_t stageCount);
    // Rotated about the rectangle's centre moved by (offsetX, offsetY).
    virtual bool DrawSquareRotate(const float* dst, float z, const float* src, uint32_t color, Kestra::Angle16 angle,
                                  uint32_t stageCount, float offsetX, float offsetY);
    virtual bool DrawSquareRotateXYZ(const float* dst, float z, const float* src, uint32_t color,
                                     Kestra::Angle16 angleX, Kestra::Angle16 angleY, Kestra::Angle16 angleZ,
                                     uint32_t stageCount);
    // A quad of the first source rectangle's size centred on the origin, moved by the matrix.
    virtual bool DrawSquareMatrix(const CMatrix& matrix, const float* src, uint32_t color, uint32_t stageCount);
    // Flat ring of `segments` segments between radius A and radius B, clockwise from the top.
    virtual bool DrawRing(float centerX, float centerY, float z, const float* src, float radiusA, float radiusB,
                          uint32_t colorA, uint32_t colorB, int32_t segments, float vScale, uint32_t stageCount);
    virtual bool DrawRingRotate(float centerX, float centerY, float z, const float* src, float radiusA,
                                float radiusB, uint32_t colorA, uint32_t colorB, int32_t segments,
                                Kestra::Angle16 start, float vScale, uint32_t stageCount);
    virtual bool DrawRingRotateXYZ(float centerX, float centerY, float z, const float* src, float radiusA,
                                   float radiusB, uint32_t colorA, uint32_t colorB, int32_t segments,
                                   Kestra::Angle16 angleX, Kestra::Angle16 angleY, Kestra::Angle16 angleZ,
                                   float vScale, uint32_t stageCount);
    // Tube wall whose rims lie at z - depth / 2 and z + depth / 2.
    virtual bool DrawTube(float centerX, float centerY, float z, const float* src, float radius, float depth,
                          uint32_t color, int32_t segments, float vScale, uint32_t stageCount);
    virtual bool DrawTubeRotate(float centerX, float centerY, float z, const float* src, float radius, float depth,
                                uint32_t color, int32_t segments, Kestra::Angle16 start, float vScale,
                                uint32_t stageCount);
    virtual bool DrawTubeRotateXYZ(float centerX, float centerY, float z, const float* src, float radius,
                                   float depth, uint32_t color, int32_t segments, Kestra::Angle16 angleX,
                                   Kestra::Angle16 angleY, Kestra::Angle16 angleZ, float vScale,
                                   uint32_t stageCount);
    // One triangle rotated about its centroid.
    virtual bool DrawTriangle(const Sprite2DTriangleVertex* corners, Kestra::Angle16 angle, uint32_t unused);
    virtual bool DrawTriangleRotateXYZ(const Sprite2DTriangleVertex* corners, Kestra::Angle16 angleX,
                                       Kestra::Angle16 angleY, Kestra::Angle16 angleZ, uint32_t unused);
    // A textured band along count points (stage 0 only); angles[i] turns the side vector.
    virtual bool DrawBand(const float* x, const float* y, const float* z, const float* halfWidth,
                          const uint32_t* angles, const uint32_t* colors, uint32_t count, const float* src);

    CTexture* GetTexture(uint32_t stage) const { return stage < kStageCount ? textures_[stage] : nullptr; }

private:
    // uL, vT, uR, vB of each stage's source rectangle (0 for stages without texture
    // or beyond the count).
    void SourceCoords(const float* src, uint32_t stageCount, float coords[kStageCount][4]) const;

    CTexture* textures_[kStageCount] = {};
};

class CSprite2DManager : public CObject2DManager {
public:
    explicit CSprite2DManager(IDirect3DDevice9* device) : CObject2DManager(device) {}
    virtual CSprite2D* Create(uint32_t capacity, uint32_t texCoordSets, bool sort);
};
