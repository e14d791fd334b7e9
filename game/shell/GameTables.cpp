#include "game/shell/GameTables.h"

#include <cstdio>
#include <string>

#include "engine/core/KestraSound.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "game/objects/cObjectManager.h"
#include "game/shell/ConfigScreen.h"
#include "game/state/GameGlobals.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"

namespace {

constexpr uint32_t kFormatKindDefault = 14;
constexpr int32_t kReleasedEntries = 44;

struct Effect {
    const char* name;
    uint32_t cSoundTable::*handle;
};

// The start-up effects, in load order.
const Effect kEffects[] = {
    {"charge", &cSoundTable::charge},
    {"forcebrake", &cSoundTable::forcebrake},
    {"boss_death", &cSoundTable::boss_death},
    {"shot_enemy_normal", &cSoundTable::shot_enemy_normal},
    {"enemybreak_01", &cSoundTable::enemybreak_01},
    {"raser_long", &cSoundTable::raser_long},
    {"rt_star14", &cSoundTable::rt_star14},
    {"rt_star22", &cSoundTable::rt_star22},
    {"xmasbell", &cSoundTable::xmasbell},
    {"changeattribute", &cSoundTable::changeattribute},
    {"shot_small", &cSoundTable::shot_small},
    {"enemyshot_short", &cSoundTable::enemyshot_short},
    {"BigShot", &cSoundTable::BigShot},
    {"Lock_Open", &cSoundTable::Lock_Open},
    {"draw_block", &cSoundTable::draw_block},
    {"reflectbullet", &cSoundTable::reflectbullet},
    {"rt_cursor01", &cSoundTable::rt_cursor01},
    {"enemydamage_small", &cSoundTable::enemydamage_small},
    {"playerdamage", &cSoundTable::playerdamage},
    {"nonochach", &cSoundTable::nonochach},
    {"titlefocus", &cSoundTable::titlefocus},
    {"titledecide", &cSoundTable::titledecide},
    {"titlecancel", &cSoundTable::titlecancel},
    {"itemget", &cSoundTable::itemget},
    {"lifeitemget", &cSoundTable::lifeitemget},
    {"gameover", &cSoundTable::gameover},
    {"menuopen", &cSoundTable::menuopen},
    {"crystalhit", &cSoundTable::crystalhit},
    {"knifeswing", &cSoundTable::knifeswing},
    {"stillattack", &cSoundTable::stillattack},
    {"shamyuhit", &cSoundTable::shamyuhit},
    {"puni", &cSoundTable::puni},
    {"Stardust", &cSoundTable::Stardust},
    {"crystalactive", &cSoundTable::crystalactive},
};

// The stage handles, released with the rest at exit.
uint32_t cSoundTable::*const kStageHandles[] = {&cSoundTable::rt_laser20, &cSoundTable::shatter,
                                                &cSoundTable::raser_long_stage3, &cSoundTable::princessbomb_laser,
                                                &cSoundTable::gisiki};

void LoadFont(int32_t index, const char* file, uint32_t capacity) {
    if (static_cast<size_t>(index) >= FontTable.size()) return;
    FontTable[static_cast<size_t>(index)] =
        KestraFontSprite2D::CreateFromFile(file, ".tga", 1, capacity, 0, kFormatKindDefault);
    std::printf("【loadFontSprite】 FontFileName: %s\n", file);
}

}  // namespace

void LoadSoundsAndFonts() {
    for (const Effect& e : kEffects) {
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
    for (int32_t slot = 0; slot < kReleasedEntries; ++slot) releaseSprite(slot);
    KestraSound::Release(BgmHandle);
    BgmHandle = kNoSound;
    for (const Effect& e : kEffects) {
        KestraSound::Release(SoundTable.*e.handle);
        SoundTable.*e.handle = kNoSound;
    }
    for (uint32_t cSoundTable::*handle : kStageHandles) {
        KestraSound::Release(SoundTable.*handle);
        SoundTable.*handle = kNoSound;
    }
    for (CFontSprite2D*& font : FontTable) {
        KestraFontSprite2D::Release(font);
        font = nullptr;
        std::printf("【releaseFontSprite】\n");
    }
}
