// The title scene: main menu, team, difficulty and practice choices, and the
// sub-screens reached from it.
#pragma once

#include <cstdint>

void UpdateTitle();
void DrawTitle();
void LoadTitleSprites();
void ReleaseTitleSprites();

// Progress that unlocks menu items.
bool IsExtraUnlockedFor(int32_t teamIndex);
bool IsDifficulty2Unlocked();
bool IsTeam2Unlocked();
// Highest practice cursor index for a team and difficulty.
int32_t PracticeMaxIndex(int32_t teamIndex, int32_t difficulty);

