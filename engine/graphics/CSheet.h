// Sheets: one image of any size cut into 256 x 256 textures and drawn at once
// (not queued) as screen quads through the simple primitives' fan, at a
// position, scaled, rotated or both about a pivot.
#pragma once

#include <cstdint>

#include "engine/core/KestraMath.h"
#include "engine/graphics/CDeviceObject.h"

class CTexture;

class CSheet : public CDeviceObject {
public:
    static constexpr int32_t kTileSide = 256;
    // Larger images are refused before anything is allocated: 64 x 64 tiles
    // already take a gigabyte of textures.
    static constexpr uint32_t kMaxImageSide = 16384;

    struct Vertex {
        float x, y, z, rhw;
        uint32_t color;
        float u, v;
    };
    struct Tile {
        int32_t x, y;  // top-left pixel in the image
        int32_t w, h;  // pixels of the image it holds
        CTexture* texture;
        Vertex vertices[4];  // top-left, top-right, bottom-right, bottom-left
    };

    explicit CSheet(CDeviceObjectManager* manager);
    ~CSheet() override;

    // A sheet owns nothing in the default pool: its textures restore themselves.
    void OnLostDevice() override {}
    void OnResetDevice() override {}

    // Every tile placed with the image's top-left at (x, y), all in the colour.
    virtual void SetPosition(float x, float y, uint32_t color);
    // Draws every tile at its stored vertices.
    virtual void Draw();
    // Cuts the image file in memory into tiles; false when it cannot be read or a
    // tile cannot be made (nothing is kept then).
    virtual bool Build(const void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey);
    virtual bool CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey);
    // The block (engine memory) is freed in every case.
    virtual bool CreateFromMemory(void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey);
    virtual bool CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind);
    virtual int32_t GetWidth() { return width_; }
    virtual int32_t GetHeight() { return height_; }
    virtual void DrawAt(float x, float y, uint32_t color);
    // Scaled about the image's centre moved by the offset.
    virtual void DrawScale(float x, float y, float scale, uint32_t color, float offsetX, float offsetY);
    // Rotated about (x + offsetX, y + offsetY).
    virtual void DrawRotate(float x, float y, Kestra::Angle16 angle, uint32_t color, float offsetX, float offsetY);
    virtual void DrawRotateScale(float x, float y, Kestra::Angle16 angle, float scale, uint32_t color, float offsetX,
                                 float offsetY);

    int32_t GetColumns() const { return columns_; }
    int32_t GetRows() const { return rowCount_; }
    const Tile* GetTile(int32_t column, int32_t row) const;

private:
    void FreeTiles();
    // Makes the tile table and tiles from the decoded picture.
    bool CutTiles(IDirect3DSurface9* picture, uint32_t formatKind);
    // Logs the outcome of a build; answers it.
    bool LogBuild(bool built);
    // Moves every vertex to c + rotate(v - c, angle) * scale.
    void Transform(float cx, float cy, Kestra::Angle16 angle, float scale, bool rotate);

    Tile** rows_ = nullptr;
    int32_t columns_ = 0;
    int32_t rowCount_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

class CSheetManager : public CDeviceObjectManager {
public:
    explicit CSheetManager(IDirect3DDevice9* device) : CDeviceObjectManager(device) {}
    // The first sheet of that name (case ignored) with a reference added.
    virtual CSheet* Find(const char* name);
    // Shared by the canonical path of the file found (KestraFile::GetFileKey).
    virtual CSheet* CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey);
    virtual CSheet* CreateFromMemory(void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey);
    // Shared by "archive path[entry]".
    virtual CSheet* CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind);
};
