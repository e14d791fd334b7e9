// Every picture and sound the shell loads, as rows: the start-up effects, the
// title's sheets, a team's sheets and the common set of a game (each stage's
// own are in Stages.h). The loaders walk these rows; the demo data tool and its
// tests read them.
#pragma once

#include <array>
#include <cstdint>

#include "game/bosses/BossPictures.h"
#include "game/state/GameGlobals.h"
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

// Whose game a row is for: every one, or one team's. Player 1 starts as the
// team's first character, so a team's rows are also those of a game led by
// its first character (character 1 in team 1, character 3 in team 2).
enum class For : uint8_t { All, Team1, Team2 };

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

// The pictures of the two characters the bosses' list leaves out, in its
// shape: they are the last story stage's mid-bosses.
inline constexpr BossPictures kCrowPictures = {"img/cutin_crow.png", "img/mahoujin_crow.png", "img/crow.png"};
inline constexpr BossPictures kOseroPictures = {"img/cutin_osero.png", "img/mahoujin_osero.png", "img/osero.png"};

// A team's characters, their cut-ins and their circles.
constexpr std::array<FileLoad, 6> TeamSheets(const BossPictures& first, const BossPictures& second) {
    return {{{sheet::kFirstCharacter, first.body},
             {sheet::kSecondCharacter, second.body},
             {sheet::kFirstCutIn, first.cutIn},
             {sheet::kSecondCutIn, second.cutIn},
             {sheet::kFirstCircle, first.circle, 600},
             {sheet::kSecondCircle, second.circle, 600}}};
}
// Index 0 team 1.
inline constexpr std::array<FileLoad, 6> kTeamSheets[2] = {TeamSheets(kYuriPictures, kCrowPictures),
                                                           TeamSheets(kCheskaPictures, kOseroPictures)};

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

// Whether a game is team 1's, led by character 1; one not yet given a team
// counts as team 1's.
constexpr bool IsTeam1Game(int32_t team) { return team != 2; }
// The team's index into per-team tables: 0 for team 1, 1 for team 2.
constexpr int32_t TeamIndex(int32_t team) { return IsTeam1Game(team) ? 0 : 1; }

// Whether a row is for a game of team `team`.
constexpr bool IsFor(For who, int32_t team) {
    switch (who) {
        case For::All: return true;
        case For::Team1: return IsTeam1Game(team);
        case For::Team2: return !IsTeam1Game(team);
    }
    return false;
}
