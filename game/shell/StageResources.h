// Images and sounds of the stages: the common set of a game, each stage's own,
// and their releases.
#pragma once

#include <cstdint>
#include <span>

class cGameState;
struct FileLoad;

// Loads the picture of every row into its sheet.
void LoadSheets(std::span<const FileLoad> loads);

void LoadCommonSprites(cGameState& state);
// The common talk portraits of the chosen team (part of the common set).
void LoadTeamPortraits(int32_t team);
// Loads the files of stage 1..6 (LoadTables.h); other stages load nothing.
void LoadStageResources(int32_t stage);
// Releases what stage 1..5 loaded but its kept sheets; other stages release nothing.
void ReleaseStageResources(int32_t stage);
// Leaving the game scene: the play field emptied, every sheet of the game scene
// and the stage sounds released.
void ReleaseStage();
