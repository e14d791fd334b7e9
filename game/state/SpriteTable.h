// The sprite table, the font table and their draw helpers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "game/state/ScreenLayout.h"

class CTexture;
class CSprite2D;
class CFontSprite2D;

// One entry of the sprite table: a texture and the sprite that draws it.
struct SpriteEntry {
    CTexture* texture;
    CSprite2D* sprite;
};

// The entries of the sprite table by what they hold. The game scene's sheets
// come first (its release empties them), the menus' after them (the exit
// empties both); kCount sizes the table.
namespace sheet {
enum Slot : int32_t {
    kFirstCharacter = 0,   // the team's first character
    kSecondCharacter = 1,  // the team's second character
    kFirstCircle = 2,      // their magic circles
    kSecondCircle = 3,
    kSystem = 4,  // the HUD, the pause and continue screens and the boss gauge
    kStageEnemies = 5,
    kCommonEnemies = 6,
    kParticles = 7,
    kGlowParticles = 8,  // the same picture drawn added
    kItems = 9,
    kEffects = 10,
    kExtraCircle = 11,  // the extra stage's ritual circle
    kYuriPortrait = 12,
    kCrowPortrait = 13,
    kOseroPortrait = 14,
    kCheskaPortrait = 15,
    kShamyuPortrait = 16,
    kKohakuPortrait = 17,
    kStillPortrait = 18,
    kFururuPortrait = 19,
    kMomoPortrait = 20,
    kNonoPortrait = 21,
    kPaletPortrait = 22,
    kCopicPortrait = 23,
    kDeenaPortrait = 24,
    kBalloons = 25,
    kNameCards = 26,
    kEnding = 27,
    kCutIn = 28,  // the boss's
    kFirstCutIn = 29,
    kSecondCutIn = 30,
    kCutInFlash = 31,
    kBossCircle = 32,
    kBossBody = 33,
    kBackLayer = 35,
    kFrontLayer = 36,
    kStageTitleBack = 37,
    kStageTitle = 38,
    kClear = 39,
    kGameEnd,  // past the game scene's sheets
    kTitle = kGameEnd,
    kRanking = 41,
    kConfig = 42,
    kName = 43,
    kMenuEnd,  // past the menus' sheets
    kCount = 80,
};
}  // namespace sheet

constexpr uint32_t kSpriteTableSize = sheet::kCount;
constexpr uint32_t kFontTableSize = 2;

extern std::vector<SpriteEntry> SpriteTable;
extern std::vector<CFontSprite2D*> FontTable;

// Loads an image into an entry with a sprite of `capacity` quads. A filled
// entry is released first; a failed image leaves a null texture.
void loadSprite(const std::string& path, SpriteEntry& entry, uint32_t colorKey, uint32_t capacity);
void loadSpriteCStr(const char* path, int32_t slot, uint32_t colorKey, uint32_t capacity);
// Releases both handles of a slot and prints the release line.
void releaseSprite(int32_t slot);

// A rectangle of the screen's layout as the draw calls take it: x, y, w, h.
inline std::array<float, 4> Floats(const layout::Rect& r) {
    return {static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.w), static_cast<float>(r.h)};
}

// Draws one quad of a slot's sprite; a null sprite or a slot outside the table draws nothing.
void DrawSpriteEntry(int32_t slot, const float* dst, float z, const float* src, uint32_t color, int32_t angle,
                     float offsetX, float offsetY);
// Draws one unturned quad of a slot's sprite (the sprite's plain square draw).
void DrawSpriteEntryPlain(int32_t slot, const float* dst, float z, const float* src, uint32_t color);
// Draws text with font `font` of the table in opaque white.
void DrawFontText(const char* text, int32_t x, int32_t y, int32_t font, float z);

// What one DrawSpriteEntry call asked for; tests record the game's quads through it.
struct SpriteDrawRecord {
    int32_t slot;
    float dst[4];
    float z;
    float src[4];
    uint32_t color;
    int32_t angle;
    float offsetX;
    float offsetY;
    uint8_t turned;  // 0 for the plain draw, 1 for the turned one
};
using SpriteDrawRecorder = void (*)(const SpriteDrawRecord& record, void* context);
// Every DrawSpriteEntry and DrawSpriteEntryPlain call is reported to the recorder (null to stop), drawn or not.
void SetSpriteDrawRecorder(SpriteDrawRecorder recorder, void* context);

// What one DrawFontText call asked for.
struct FontDrawRecord {
    int32_t font;
    const char* text;  // CP932
    int32_t x;
    int32_t y;
    float z;
};
using FontDrawRecorder = void (*)(const FontDrawRecord& record, void* context);
// Every DrawFontText call is reported to the recorder (null to stop), drawn or not.
void SetFontDrawRecorder(FontDrawRecorder recorder, void* context);
