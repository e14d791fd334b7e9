#include "game/shell/GameTables.h"

#include <cstdio>
#include <string>

#include "engine/core/KestraSound.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "game/objects/cObjectManager.h"
#include "game/shell/ConfigScreen.h"
#include "game/shell/LoadTables.h"
#include "game/shell/Stages.h"
#include "game/state/GameGlobals.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"

namespace {

constexpr uint32_t kFormatKindDefault = 14;

void LoadFont(int32_t index, const char* file, uint32_t capacity) {
    if (static_cast<size_t>(index) >= FontTable.size()) return;
    FontTable[static_cast<size_t>(index)] =
        KestraFontSprite2D::CreateFromFile(file, ".tga", 1, capacity, 0, kFormatKindDefault);
    std::printf("【loadFontSprite】 FontFileName: %s\n", file);
}

}  // namespace

void LoadSoundsAndFonts() {
    for (const EffectLoad& e : kStartupEffects) {
        const std::string path = std::string("SE/") + e.name + ".wav";
        SoundTable.*e.handle = KestraSound::CreateFromFile(path.c_str(), 0, true, true, 1);
    }
    LoadFont(0, "font.lfd", 1024);
    LoadFont(1, "skillfont.lfd", 2048);
    LoadScoreFile();
    LoadVolumeFile();
    ApplySoundVolume();
    ObjectManager.BuildPlayerBulletPool();
    ObjectManager.BuildEnemyBulletPool();
    ObjectManager.BuildEffectPool();
}

void ReleaseGameTables() {
    for (int32_t slot = 0; slot < sheet::kMenuEnd; ++slot) releaseSprite(slot);
    KestraSound::Release(BgmHandle);
    BgmHandle = kNoSound;
    for (const EffectLoad& e : kStartupEffects) {
        KestraSound::Release(SoundTable.*e.handle);
        SoundTable.*e.handle = kNoSound;
    }
    ForEachStageSound([](uint32_t cSoundTable::*handle) {
        KestraSound::Release(SoundTable.*handle);
        SoundTable.*handle = kNoSound;
    });
    for (CFontSprite2D*& font : FontTable) {
        KestraFontSprite2D::Release(font);
        font = nullptr;
        std::printf("【releaseFontSprite】\n");
    }
}
