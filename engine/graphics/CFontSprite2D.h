// Shift-JIS text on the screen: a glyph atlas plus one 2-D sprite per sheet.
// Text is queued between Begin and End and drawn by Render inside the scene.
// DrawString lays text on a fixed grid of the font size plus the spacing (half of
// it for single-byte characters); the proportional forms use the glyphs' widths.
#pragma once

#include <cstdint>

#include "engine/core/KestraMath.h"
#include "engine/graphics/CFontSpriteBase.h"

class CSprite2D;

class CFontSprite2D : public CFontSpriteBase {
public:
    struct Point {
        int32_t x;
        int32_t y;
    };

    explicit CFontSprite2D(CDeviceObjectManager* manager);
    ~CFontSprite2D() override;

    // From a GDI font: the atlas is rasterised, then one sprite made per sheet.
    virtual bool Create(const char* list, uint32_t capacity, CFont* font, uint8_t sort, uint8_t smooth);
    // From an LFD file; sheetSource as for CFontSpriteBase::LoadFile.
    virtual bool CreateFromFile(const char* file, const char* sheetSource, uint32_t capacity, uint8_t sort,
                                uint32_t formatKind);
    // Single-byte glyphs advance a full cell from now on.
    virtual void ClearHalfAdvance();
    virtual void Resize(uint32_t capacity);
    virtual bool Recreate(const char* list, uint32_t capacity);
    virtual void Begin(int32_t spacing);
    virtual void End();
    virtual void Render();
    virtual void DrawString(const char* text, int32_t x, int32_t y, float z, uint32_t color);
    virtual void DrawStringProportional(const char* text, int32_t x, int32_t y, float z, uint32_t color);
    // dst: x, y, width, height. Each answers the bytes of the character drawn, 0
    // when there is none or it has no glyph.
    virtual uint32_t DrawChar(const char* text, const float* dst, float z, uint32_t color);
    virtual uint32_t DrawCharRotate(const char* text, const float* dst, float z, uint32_t color,
                                    Kestra::Angle16 angle);
    virtual uint32_t DrawCharRotateXYZ(const char* text, const float* dst, float z, uint32_t color,
                                       Kestra::Angle16 angleX, Kestra::Angle16 angleY, Kestra::Angle16 angleZ);
    // Where DrawString of the text would leave its pen; a line break here also
    // counts the spacing.
    virtual Point* GetStringEnd(Point* out, const char* text, int32_t x, int32_t y);
    virtual Point* GetStringEndProportional(Point* out, const char* text, int32_t x, int32_t y);

    CSprite2D* GetSprite(uint32_t sheet) const { return sheet < kMaxSheets ? sprites_[sheet] : nullptr; }
    bool GetHalfAdvance() const { return halfAdvance_ != 0; }
    int32_t GetSpacing() const { return spacing_; }

private:
    // One sprite per sheet, the sheet on stage 0. False (nothing kept) when a
    // sprite cannot be made.
    bool CreateSprites(uint32_t capacity, uint8_t sort);
    void ReleaseSprites();
    // The sprite and record of a drawable glyph, or null.
    CSprite2D* SpriteOf(const GlyphRecord* record) const;
    // One glyph's quad with its left edge at left (pixels) and its top at top.
    void DrawGlyphAt(const GlyphRecord* record, float left, int32_t top, float z, uint32_t color);

    uint8_t sort_ = 0;
    uint8_t halfAdvance_ = 1;
    int32_t spacing_ = 0;
    CSprite2D* sprites_[kMaxSheets] = {};
};

class CFontSprite2DManager : public CDeviceObjectManager {
public:
    explicit CFontSprite2DManager(IDirect3DDevice9* device) : CDeviceObjectManager(device) {}
    virtual CFontSprite2D* Create(const char* list, uint32_t capacity, CFont* font, uint8_t sort, uint8_t smooth);
    virtual CFontSprite2D* CreateFromFile(const char* file, const char* sheetSource, uint32_t capacity, uint8_t sort,
                                          uint32_t formatKind);
};
