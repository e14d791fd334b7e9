// The type codes of what the enemy list holds: the codes of a stage
// schedule's lines, of the drops and of the summons, each made by
// cObjectManager::SpawnStageObject. The enemy classes are named by their code.
#pragma once

#include <cstdint>

namespace objecttype {
constexpr int32_t kFirstEnemy = 1;
constexpr int32_t kLastEnemy = 98;
// The enemies the other objects name by their code.
constexpr int32_t kCoreGuard = 33;    // falls with the core of 32
constexpr int32_t kHiddenBlock = 43;  // also placed by a map cell
constexpr int32_t kBackdrop = 80;     // its life picks its picture: kept in two-player mode
constexpr int32_t kScoreItem = 101;
constexpr int32_t kLifeItem = 102;
constexpr int32_t kSmallScoreItem = 103;
constexpr int32_t kOneUpItem = 104;
constexpr int32_t kScoreBox = 110;  // shot open: a score item
constexpr int32_t kLifeBox = 111;   // shot open: a life item
constexpr int32_t kMimicBox = 112;  // shot open: a ring of bullets
// Bosses take 200 to 299; the stage-5 and stage-6 bosses come after a mid-boss.
constexpr int32_t kFirstBoss = 200, kLastBoss = 299;
constexpr int32_t kStage1Boss = 200, kStage2Boss = 201, kStage3Boss = 202, kStage4Boss = 203;
constexpr int32_t kStage5MidBoss = 204, kStage5Boss = 205, kStage6MidBoss = 290, kStage6Boss = 291;
constexpr int32_t kStageTitle = 300;  // the stage-title banner

// The item an enemy drops at death, by its dropCode (0: none).
constexpr int32_t kDropItems[4] = {0, kSmallScoreItem, kScoreItem, kLifeItem};

constexpr bool IsEnemyType(int32_t type) { return type >= kFirstEnemy && type <= kLastEnemy; }
constexpr bool IsBossType(int32_t type) { return type >= kFirstBoss && type <= kLastBoss; }
// The stage bosses that follow a mid-boss take the second boss slot.
constexpr bool TakesSecondBossSlot(int32_t type) { return type == kStage5Boss || type == kStage6Boss; }
}  // namespace objecttype
