// Every picture and sound the shell loads, as rows: the start-up effects, the
// title's sheets, a team's sheets, the common set of a game and each stage's
// own. The loaders walk these rows; the demo data tool and its tests read them.
#pragma once

#include <cstdint>
#include <span>

#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"

// A start-up effect: SE/<name>.wav into its handle.
struct EffectLoad {
    const char* name;
    uint32_t cSoundTable::*handle;
};

// The start-up effects, in load order.
inline constexpr EffectLoad kStartupEffects[] = {
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

// Whose game a row is for: every one, one lead character's (player 1 starts
// as the team's first or second character), or one team number's.
enum class For : uint8_t { All, FirstLead, SecondLead, Team1, Team2, NotTeam1 };

// One file a loader reads: a picture into a sheet with a sprite of `capacity`
// quads, or (with `sound` set) a stage effect into its handle.
struct FileLoad {
    sheet::Slot slot = sheet::kCount;
    const char* file = nullptr;
    uint32_t capacity = 1800;
    For who = For::All;
    bool kept = false;  // outlives the stage's own release
    uint32_t colorKey = 0;
    uint32_t cSoundTable::*sound = nullptr;
};

// The title's sheets, loaded on every return to the title.
inline constexpr FileLoad kTitleLoads[] = {{sheet::kTitle, "img/title.png"},
                                           {sheet::kConfig, "img/config.png"},
                                           {sheet::kRanking, "img/ranking.png"},
                                           {sheet::kName, "img/name.png"}};

// A team's characters, their cut-ins and their circles (index 0 team 1).
inline constexpr FileLoad kTeamSheets[2][6] = {
    {{sheet::kFirstCharacter, "img/yuri.png"},
     {sheet::kSecondCharacter, "img/crow.png"},
     {sheet::kFirstCutIn, "img/cutin_yuri.png"},
     {sheet::kSecondCutIn, "img/cutin_crow.png"},
     {sheet::kFirstCircle, "img/mahoujin_yuri.png", 600},
     {sheet::kSecondCircle, "img/mahoujin_crow.png", 600}},
    {{sheet::kFirstCharacter, "img/cheska.png"},
     {sheet::kSecondCharacter, "img/osero.png"},
     {sheet::kFirstCutIn, "img/cutin_cheska.png"},
     {sheet::kSecondCutIn, "img/cutin_osero.png"},
     {sheet::kFirstCircle, "img/mahoujin_cheska.png", 600},
     {sheet::kSecondCircle, "img/mahoujin_osero.png", 600}},
};

// The sheets every stage of a game draws from.
inline constexpr FileLoad kCommonLoads[] = {
    {sheet::kParticles, "img/particle.png", 2800},
    {sheet::kGlowParticles, "img/particle.png", 2600},
    {sheet::kItems, "img/item.png", 600},
    {sheet::kSystem, "img/main_system.png", 1000},
    {.slot = sheet::kEffects, .file = "img/addeffect.png", .colorKey = 2},
    {sheet::kStageTitleBack, "img/system/StageTitleBG.png", 200},
    {sheet::kCutInFlash, "img/cutin_add.png", 100},
    {sheet::kClear, "img/stageclear.png", 800},
    {sheet::kBalloons, "img/talk/hukidashi.png", 100},
    {sheet::kNameCards, "img/talk/chara_name.png", 100},
    {sheet::kCommonEnemies, "img/commonenemy.png"},
};

// The chosen team's talk portraits, part of the common set.
inline constexpr FileLoad kTeamPortraits[] = {
    {sheet::kYuriPortrait, "img/talk/st_yuri.png", 100, For::Team1},
    {sheet::kCrowPortrait, "img/talk/st_crow.png", 100, For::Team1},
    {sheet::kKohakuPortrait, "img/talk/st_kohaku_right.png", 100, For::Team1},
    {sheet::kOseroPortrait, "img/talk/st_osero.png", 100, For::Team2},
    {sheet::kCheskaPortrait, "img/talk/st_cheska.png", 100, For::Team2},
};

// ---- Each stage's own files, in load order.

inline constexpr FileLoad kStage1Loads[] = {
    {sheet::kFrontLayer, "img/Stage01BG.png"},
    {sheet::kStageEnemies, "img/Stage01Enemy.png"},
    {sheet::kCutIn, "img/cutin_shamyu.png"},
    {sheet::kBossBody, "img/St01_Boss.png"},
    {sheet::kBossCircle, "img/mahoujin_boss.png"},
    {.slot = sheet::kShamyuPortrait, .file = "img/talk/st_shamyu.png", .kept = true},
    {sheet::kStageTitle, "img/system/StageTitleFont01_1.png", 1800, For::FirstLead},
    {sheet::kStageTitle, "img/system/StageTitleFont01_2.png", 1800, For::SecondLead},
};

inline constexpr FileLoad kStage2Loads[] = {
    {sheet::kBackLayer, "img/Stage02BG_back.png"},
    {sheet::kFrontLayer, "img/Stage02BG.png"},
    {sheet::kBossBody, "img/St02_Boss.png"},
    {sheet::kCutIn, "img/cutin_fururu.png"},
    {sheet::kStageEnemies, "img/Stage02Enemy.png"},
    {sheet::kBossCircle, "img/mahoujin_boss.png"},
    {sheet::kFururuPortrait, "img/talk/st_fururu.png"},
    {sheet::kStageTitle, "img/system/StageTitleFont02_1.png", 1800, For::FirstLead},
    {sheet::kStageTitle, "img/system/StageTitleFont02_2.png", 1800, For::SecondLead},
};

inline constexpr FileLoad kStage3Loads[] = {
    {sheet::kBackLayer, "img/Stage03BG_back.png"},
    {sheet::kFrontLayer, "img/Stage03BG.png"},
    {sheet::kCutIn, "img/cutin_still.png"},
    {sheet::kStageEnemies, "img/Stage03Enemy.png"},
    {sheet::kBossCircle, "img/mahoujin_boss.png"},
    {sheet::kBossBody, "img/St03_Boss.png"},
    {sheet::kStillPortrait, "img/talk/st_still.png"},
    {.file = "SE/rt_laser20.wav", .sound = &cSoundTable::rt_laser20},
    {.file = "SE/shatter.wav", .sound = &cSoundTable::shatter},
    {.file = "SE/raser_long.wav", .sound = &cSoundTable::raser_long_stage3},
    {sheet::kStageTitle, "img/system/StageTitleFont03_1.png", 1800, For::FirstLead},
    {sheet::kStageTitle, "img/system/StageTitleFont03_2.png", 1800, For::SecondLead},
};

inline constexpr FileLoad kStage4Loads[] = {
    {sheet::kFrontLayer, "img/Stage04BG.png"},
    {sheet::kCutIn, "img/cutin_mono.png"},
    {sheet::kStageEnemies, "img/Stage04Enemy.png"},
    {sheet::kBossCircle, "img/mahoujin_boss.png"},
    {sheet::kBossBody, "img/St04_Boss.png"},
    {.slot = sheet::kMomoPortrait, .file = "img/talk/st_momo.png", .kept = true},
    {.slot = sheet::kNonoPortrait, .file = "img/talk/st_nono.png", .kept = true},
    {sheet::kStageTitle, "img/system/StageTitleFont04_1.png", 1800, For::FirstLead},
    {sheet::kStageTitle, "img/system/StageTitleFont04_2.png", 1800, For::SecondLead},
};

// The last story stage: the mid-boss is the other team's lead.
inline constexpr FileLoad kStage5Loads[] = {
    {sheet::kBackLayer, "img/Stage05BG_back.png"},
    {sheet::kFrontLayer, "img/Stage05BG.png"},
    {sheet::kStageEnemies, "img/Stage05Enemy.png"},
    {sheet::kBossCircle, "img/mahoujin_boss.png"},
    {sheet::kStageTitle, "img/system/StageTitleFont05_1.png", 1800, For::FirstLead},
    {sheet::kCutIn, "img/cutin_osero.png", 1800, For::FirstLead},
    {sheet::kBossBody, "img/osero.png", 300, For::FirstLead},
    {sheet::kBossCircle, "img/mahoujin_osero.png", 1800, For::FirstLead},
    {sheet::kOseroPortrait, "img/talk/st_osero_right.png", 300, For::FirstLead},
    {sheet::kCheskaPortrait, "img/talk/st_cheska_right.png", 300, For::FirstLead},
    {sheet::kEnding, "img/talk/yuri_normalend.png", 300, For::FirstLead},
    {sheet::kStageTitle, "img/system/StageTitleFont05_2.png", 1800, For::SecondLead},
    {sheet::kCutIn, "img/cutin_crow.png", 1800, For::SecondLead},
    {sheet::kBossBody, "img/crow.png", 1800, For::SecondLead},
    {sheet::kBossCircle, "img/mahoujin_crow.png", 300, For::SecondLead},
    {sheet::kYuriPortrait, "img/talk/st_yuri_right.png", 300, For::SecondLead},
    {sheet::kCrowPortrait, "img/talk/st_crow_right.png", 300, For::SecondLead},
    {sheet::kKohakuPortrait, "img/talk/st_kohaku_right.png", 300, For::SecondLead},
    {sheet::kEnding, "img/talk/cheska_normalend.png", 300, For::SecondLead},
};

// The extra stage.
inline constexpr FileLoad kStage6Loads[] = {
    {sheet::kFrontLayer, "img/Stage06BG.png", 300},
    {sheet::kCutIn, "img/cutin_paco.png", 300},
    {sheet::kStageEnemies, "img/Stage06Enemy.png"},
    {sheet::kBossCircle, "img/mahoujin_deena.png", 300},
    {sheet::kBossBody, "img/St06_Boss_01.png", 300},
    {sheet::kKohakuPortrait, "img/talk/st_kohaku.png", 300},
    {sheet::kCopicPortrait, "img/talk/st_copic.png", 300},
    {sheet::kPaletPortrait, "img/talk/st_palet.png", 300},
    {sheet::kDeenaPortrait, "img/talk/st_deena.png", 300},
    {sheet::kOseroPortrait, "img/talk/st_osero_right.png", 300, For::Team1},
    {sheet::kCheskaPortrait, "img/talk/st_cheska_right.png", 300, For::Team1},
    {sheet::kYuriPortrait, "img/talk/st_yuri_right.png", 300, For::NotTeam1},
    {sheet::kCrowPortrait, "img/talk/st_crow_right.png", 300, For::NotTeam1},
    {sheet::kExtraCircle, "img/St06_mahoujin.png", 300},
    {sheet::kStageTitle, "img/system/StageTitleFont06_1.png", 300},
    {sheet::kEnding, "img/talk/exend.png", 300},
    {.file = "SE/princessbomb_laser.wav", .sound = &cSoundTable::princessbomb_laser},
    {.file = "SE/gisiki.wav", .sound = &cSoundTable::gisiki},
};

// Each stage's files, by number.
struct StageFiles {
    std::span<const FileLoad> loads;
    bool released;  // its own release runs when the next stage begins or the game ends
};
inline constexpr StageFiles kStageFiles[kExtraStage] = {
    {kStage1Loads, true}, {kStage2Loads, true}, {kStage3Loads, true},
    {kStage4Loads, true}, {kStage5Loads, true}, {kStage6Loads, false},
};

// Calls f with the handle of every stage effect, stage by stage.
template <class F>
void ForEachStageSound(F f) {
    for (const StageFiles& stage : kStageFiles)
        for (const FileLoad& l : stage.loads)
            if (l.sound) f(l.sound);
}

// Whether a row is for a game led by the first character of team `team`.
constexpr bool IsFor(For who, bool firstLead, int32_t team) {
    switch (who) {
        case For::All: return true;
        case For::FirstLead: return firstLead;
        case For::SecondLead: return !firstLead;
        case For::Team1: return team == 1;
        case For::Team2: return team == 2;
        case For::NotTeam1: return team != 1;
    }
    return false;
}
