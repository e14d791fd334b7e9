// Images and sounds of the stages: the common set of a game, each stage's own,
// and their releases.
#pragma once

#include <cstdint>

class cGameState;

void LoadCommonSprites(cGameState& state);
// The common talk portraits of the chosen team (part of the common set).
void LoadTeamPortraits(int32_t team);
void LoadStage1Resources();
void LoadStage2Resources();
void LoadStage3Resources();
void LoadStage4Resources();
void LoadStage5Resources();
void LoadStage6Resources();
void ReleaseStage1Resources();
void ReleaseStage2Resources();
void ReleaseStage3Resources();
void ReleaseStage4Resources();
void ReleaseStage5Resources();
// The loader of stage 1..6; other stages load nothing.
void LoadStageResources(int32_t stage);
// The release of stage 1..5; other stages release nothing.
void ReleaseStageResources(int32_t stage);
// Leaving the game scene: the play field emptied, every stage slot (0..39)
// and the stage sounds released.
void ReleaseStage();
