#include "game/state/SpriteTable.h"

#include <cstdio>

#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraTexture.h"

std::vector<SpriteEntry> SpriteTable;
std::vector<CFontSprite2D*> FontTable;

namespace {
constexpr uint32_t kFormatKindDefault = 14;
constexpr uint32_t kVerticesPerQuad = 6;
SpriteDrawRecorder gRecorder = nullptr;
void* gRecorderContext = nullptr;
TextDrawRecorder gTextRecorder = nullptr;
void* gTextRecorderContext = nullptr;

void releaseEntry(SpriteEntry& entry) {
    KestraTexture::Release(entry.texture);
    KestraSprite2D::Release(entry.sprite);
    entry.texture = nullptr;
    entry.sprite = nullptr;
}
}  // namespace

void loadSprite(const std::string& path, SpriteEntry& entry, uint32_t colorKey, uint32_t capacity) {
    // Restart and practice paths load into filled entries; keep them from leaking.
    if (entry.texture || entry.sprite) releaseEntry(entry);
    std::printf("【loadSprite】 filename: %s\n\n", path.c_str());
    entry.texture = KestraTexture::CreateFromFile(path.c_str(), kFormatKindDefault, colorKey);
    // The capacity counts quads; the sprite counts vertices.
    entry.sprite = KestraSprite2D::Create(capacity * kVerticesPerQuad, 1, false);
    if (!entry.texture) std::printf("【 ! loadSprite Failed】");
    KestraSprite2D::SetTexture(entry.sprite, 0, entry.texture);
}

void loadSpriteCStr(const char* path, int32_t slot, uint32_t colorKey, uint32_t capacity) {
    if (!path || slot < 0 || static_cast<size_t>(slot) >= SpriteTable.size()) return;
    loadSprite(std::string(path), SpriteTable[static_cast<size_t>(slot)], colorKey, capacity);
}

void releaseSprite(int32_t slot) {
    if (slot < 0 || static_cast<size_t>(slot) >= SpriteTable.size()) return;
    releaseEntry(SpriteTable[static_cast<size_t>(slot)]);
    std::printf("【releaseSprite】\n");
}

void DrawSpriteEntry(int32_t slot, const float* dst, float z, const float* src, uint32_t color, int32_t angle,
                     float offsetX, float offsetY) {
    if (gRecorder) {
        SpriteDrawRecord r{slot, {dst[0], dst[1], dst[2], dst[3]}, z, {src[0], src[1], src[2], src[3]},
                           color, angle, offsetX, offsetY, 1};
        gRecorder(r, gRecorderContext);
    }
    if (slot < 0 || static_cast<size_t>(slot) >= SpriteTable.size()) return;
    CSprite2D* sprite = SpriteTable[static_cast<size_t>(slot)].sprite;
    if (!sprite) return;
    KestraSprite2D::DrawSquareRotate(sprite, dst, z, src, color, static_cast<Kestra::Angle16>(angle), 1, offsetX,
                                     offsetY);
}

void DrawSpriteEntryPlain(int32_t slot, const float* dst, float z, const float* src, uint32_t color) {
    if (gRecorder) {
        SpriteDrawRecord r{slot, {dst[0], dst[1], dst[2], dst[3]}, z, {src[0], src[1], src[2], src[3]},
                           color, 0, 0.0f, 0.0f, 0};
        gRecorder(r, gRecorderContext);
    }
    if (slot < 0 || static_cast<size_t>(slot) >= SpriteTable.size()) return;
    CSprite2D* sprite = SpriteTable[static_cast<size_t>(slot)].sprite;
    if (!sprite) return;
    KestraSprite2D::DrawSquare(sprite, dst, z, src, color, 1);
}

void DrawFontText(const char* text, int32_t x, int32_t y, int32_t font, float z) {
    if (gTextRecorder && text) gTextRecorder(TextDrawRecord{text, x, y, font, z}, gTextRecorderContext);
    if (!text || font < 0 || static_cast<size_t>(font) >= FontTable.size()) return;
    CFontSprite2D* fontSprite = FontTable[static_cast<size_t>(font)];
    if (!fontSprite) return;
    KestraFontSprite2D::DrawString(fontSprite, text, x, y, z, 0xFFFFFFFFu);
}

void SetSpriteDrawRecorder(SpriteDrawRecorder recorder, void* context) {
    gRecorder = recorder;
    gRecorderContext = context;
}

void SetTextDrawRecorder(TextDrawRecorder recorder, void* context) {
    gTextRecorder = recorder;
    gTextRecorderContext = context;
}
