// Shift-JIS text in the world: a glyph atlas plus one 3-D sprite per sheet. Text
// is laid out in font pixels with y up around a transform, the longest line
// centred, and scaled to the character height asked for.
#pragma once

#include <cstdint>

#include "engine/core/CTransform.h"
#include "engine/graphics/CFontSpriteBase.h"

class CSprite3D;

class CFontSprite3D : public CFontSpriteBase {
public:
    explicit CFontSprite3D(CDeviceObjectManager* manager);
    ~CFontSprite3D() override;

    // Bytes of the longest line, a TAB counting 4.
    virtual uint32_t GetMaxLineLength(const char* text);
    virtual bool Create(const char* list, uint32_t capacity, CFont* font, uint8_t smooth);
    virtual bool CreateFromFile(const char* file, const char* sheetSource, uint32_t capacity, uint32_t formatKind);
    virtual bool Recreate(const char* list, uint32_t capacity);
    virtual void Begin();
    virtual void End();
    virtual void Render();
    // height: a character's height in world units. Nothing is drawn for a font
    // without a size.
    virtual void DrawString(const char* text, const CTransform* transform, float height, uint32_t color);
    virtual void DrawStringProportional(const char* text, const CTransform* transform, float height, uint32_t color);

    CSprite3D* GetSprite(uint32_t sheet) const { return sheet < kMaxSheets ? sprites_[sheet] : nullptr; }

private:
    // One sprite per sheet, the sheet on stage 0; false (nothing kept) when one
    // cannot be made.
    bool CreateSprites(uint32_t capacity);
    // The sprites for an atlas just made, and the creation's result line.
    bool FinishCreate(bool atlasMade, uint32_t capacity);
    void ReleaseSprites();
    void Layout(const char* text, const CTransform* transform, float height, uint32_t color, bool proportional);

    CSprite3D* sprites_[kMaxSheets] = {};
    uint32_t capacity_ = 0;
};

class CFontSprite3DManager : public CDeviceObjectManager {
public:
    explicit CFontSprite3DManager(IDirect3DDevice9* device) : CDeviceObjectManager(device) {}
    virtual CFontSprite3D* Create(const char* list, uint32_t capacity, CFont* font, uint8_t smooth);
    virtual CFontSprite3D* CreateFromFile(const char* file, const char* sheetSource, uint32_t capacity,
                                          uint32_t formatKind);
};
