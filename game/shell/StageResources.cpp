#include "game/shell/StageResources.h"

#include <cstdio>
#include <initializer_list>

#include "engine/core/KestraSound.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/MenuCommon.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"

namespace {

struct Load {
    int32_t slot;
    const char* path;
    uint32_t capacity;
};

void LoadAll(std::initializer_list<Load> loads) {
    for (const Load& l : loads) loadSpriteCStr(l.path, l.slot, 0, l.capacity);
}

void ReleaseAll(std::initializer_list<int32_t> slots) {
    for (int32_t slot : slots) releaseSprite(slot);
}

uint32_t LoadStageSound(const char* name) {
    const uint32_t handle = KestraSound::CreateFromFile(name, 0, true, true, 1);
    KestraSound::SetVolume(handle, ClampVolume(GameState.seVolume), 0);
    return handle;
}

void ReleaseSound(uint32_t& handle) {
    KestraSound::Release(handle);
    handle = kNoSound;
}

// Player 1's starting character: 1 in team 1, 3 in team 2.
bool FirstCharacter() { return Player1 ? Player1->firstCharacter != 3 : GameState.team != 2; }

const char* TitleLettering(int32_t stage) {
    static char path[64];
    std::snprintf(path, sizeof path, "img/system/StageTitleFont%02d_%d.png", stage, FirstCharacter() ? 1 : 2);
    return path;
}

}  // namespace

void LoadCommonSprites(cGameState& state) {
    LoadAll({{7, "img/particle.png", 2800}, {8, "img/particle.png", 2600}, {9, "img/item.png", 600},
             {4, "img/main_system.png", 1000}});
    loadSpriteCStr("img/addeffect.png", 10, 2, 1800);
    LoadAll({{37, "img/system/StageTitleBG.png", 200}, {31, "img/cutin_add.png", 100},
             {39, "img/stageclear.png", 800}, {25, "img/talk/hukidashi.png", 100},
             {26, "img/talk/chara_name.png", 100}, {6, "img/commonenemy.png", 1800}});
    LoadTeamPortraits(state.team);
    state.subState = 0;
}

void LoadTeamPortraits(int32_t team) {
    if (team == 1)
        LoadAll({{12, "img/talk/st_yuri.png", 100}, {13, "img/talk/st_crow.png", 100},
                 {17, "img/talk/st_kohaku_right.png", 100}});
    else if (team == 2)
        LoadAll({{14, "img/talk/st_osero.png", 100}, {15, "img/talk/st_cheska.png", 100}});
}

void LoadStage1Resources() {
    LoadAll({{36, "img/Stage01BG.png", 1800}, {5, "img/Stage01Enemy.png", 1800}, {28, "img/cutin_shamyu.png", 1800},
             {33, "img/St01_Boss.png", 1800}, {32, "img/mahoujin_boss.png", 1800},
             {16, "img/talk/st_shamyu.png", 1800}, {38, TitleLettering(1), 1800}});
}

void LoadStage2Resources() {
    LoadAll({{35, "img/Stage02BG_back.png", 1800}, {36, "img/Stage02BG.png", 1800}, {33, "img/St02_Boss.png", 1800},
             {28, "img/cutin_fururu.png", 1800}, {5, "img/Stage02Enemy.png", 1800},
             {32, "img/mahoujin_boss.png", 1800}, {19, "img/talk/st_fururu.png", 1800},
             {38, TitleLettering(2), 1800}});
}

void LoadStage3Resources() {
    LoadAll({{35, "img/Stage03BG_back.png", 1800}, {36, "img/Stage03BG.png", 1800}, {28, "img/cutin_still.png", 1800},
             {5, "img/Stage03Enemy.png", 1800}, {32, "img/mahoujin_boss.png", 1800}, {33, "img/St03_Boss.png", 1800},
             {18, "img/talk/st_still.png", 1800}});
    SoundTable.rt_laser20 = LoadStageSound("SE/rt_laser20.wav");
    SoundTable.shatter = LoadStageSound("SE/shatter.wav");
    SoundTable.raser_long_stage3 = LoadStageSound("SE/raser_long.wav");
    LoadAll({{38, TitleLettering(3), 1800}});
}

void LoadStage4Resources() {
    LoadAll({{36, "img/Stage04BG.png", 1800}, {28, "img/cutin_mono.png", 1800}, {5, "img/Stage04Enemy.png", 1800},
             {32, "img/mahoujin_boss.png", 1800}, {33, "img/St04_Boss.png", 1800}, {20, "img/talk/st_momo.png", 1800},
             {21, "img/talk/st_nono.png", 1800}, {38, TitleLettering(4), 1800}});
}

void LoadStage5Resources() {
    LoadAll({{35, "img/Stage05BG_back.png", 1800}, {36, "img/Stage05BG.png", 1800}, {5, "img/Stage05Enemy.png", 1800},
             {32, "img/mahoujin_boss.png", 1800}});
    if (FirstCharacter())
        LoadAll({{38, "img/system/StageTitleFont05_1.png", 1800}, {28, "img/cutin_osero.png", 1800},
                 {33, "img/osero.png", 300}, {32, "img/mahoujin_osero.png", 1800},
                 {14, "img/talk/st_osero_right.png", 300}, {15, "img/talk/st_cheska_right.png", 300},
                 {27, "img/talk/yuri_normalend.png", 300}});
    else
        LoadAll({{38, "img/system/StageTitleFont05_2.png", 1800}, {28, "img/cutin_crow.png", 1800},
                 {33, "img/crow.png", 1800}, {32, "img/mahoujin_crow.png", 300},
                 {12, "img/talk/st_yuri_right.png", 300}, {13, "img/talk/st_crow_right.png", 300},
                 {17, "img/talk/st_kohaku_right.png", 300}, {27, "img/talk/cheska_normalend.png", 300}});
}

void LoadStage6Resources() {
    LoadAll({{36, "img/Stage06BG.png", 300}, {28, "img/cutin_paco.png", 300}, {5, "img/Stage06Enemy.png", 1800},
             {32, "img/mahoujin_deena.png", 300}, {33, "img/St06_Boss_01.png", 300},
             {17, "img/talk/st_kohaku.png", 300}, {23, "img/talk/st_copic.png", 300},
             {22, "img/talk/st_palet.png", 300}, {24, "img/talk/st_deena.png", 300}});
    if (GameState.team == 1)
        LoadAll({{14, "img/talk/st_osero_right.png", 300}, {15, "img/talk/st_cheska_right.png", 300}});
    else
        LoadAll({{12, "img/talk/st_yuri_right.png", 300}, {13, "img/talk/st_crow_right.png", 300}});
    LoadAll({{11, "img/St06_mahoujin.png", 300}, {38, "img/system/StageTitleFont06_1.png", 300},
             {27, "img/talk/exend.png", 300}});
    SoundTable.princessbomb_laser = LoadStageSound("SE/princessbomb_laser.wav");
    SoundTable.gisiki = LoadStageSound("SE/gisiki.wav");
}

void ReleaseStage1Resources() { ReleaseAll({36, 28, 5, 33, 32, 38}); }
void ReleaseStage2Resources() { ReleaseAll({35, 36, 33, 28, 5, 32, 19, 38}); }
void ReleaseStage3Resources() {
    ReleaseAll({35, 28, 36, 5, 32, 33, 18, 38});
    ReleaseSound(SoundTable.rt_laser20);
    ReleaseSound(SoundTable.shatter);
    ReleaseSound(SoundTable.raser_long_stage3);
}
void ReleaseStage4Resources() { ReleaseAll({28, 36, 5, 32, 33, 38}); }
void ReleaseStage5Resources() { ReleaseAll({35, 28, 36, 5, 32, 33, 38, 14, 15, 17, 12, 13, 27}); }

void LoadStageResources(int32_t stage) {
    switch (stage) {
        case 1: LoadStage1Resources(); break;
        case 2: LoadStage2Resources(); break;
        case 3: LoadStage3Resources(); break;
        case 4: LoadStage4Resources(); break;
        case 5: LoadStage5Resources(); break;
        case 6: LoadStage6Resources(); break;
        default: break;
    }
}

void ReleaseStageResources(int32_t stage) {
    switch (stage) {
        case 1: ReleaseStage1Resources(); break;
        case 2: ReleaseStage2Resources(); break;
        case 3: ReleaseStage3Resources(); break;
        case 4: ReleaseStage4Resources(); break;
        case 5: ReleaseStage5Resources(); break;
        default: break;
    }
}

void ReleaseStage() {
    ObjectManager.ReleaseStage();
    for (int32_t slot = 0; slot < 40; ++slot) releaseSprite(slot);
    ReleaseSound(SoundTable.rt_laser20);
    ReleaseSound(SoundTable.shatter);
    ReleaseSound(SoundTable.raser_long_stage3);
    ReleaseSound(SoundTable.princessbomb_laser);
    ReleaseSound(SoundTable.gisiki);
}
