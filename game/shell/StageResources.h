// Images and sounds of the stages: the common set of a game, each stage's own,
// and their releases.
#pragma once

#include <cstdint>
#include <span>

class cGameState;
struct FileLoad;

// Loads every row for a game of team `team`: a picture into its sheet, a
// stage effect into its handle.
void LoadFiles(std::span<const FileLoad> loads, int32_t team);

void LoadCommonSprites(cGameState& state);
// The common talk portraits of the chosen team (part of the common set).
void LoadTeamPortraits(int32_t team);
// Loads the files of stage 1..6 (Stages.h); other stages load nothing.
void LoadStageResources(int32_t stage);
// Releases what stage 1..5 loaded but its kept sheets; other stages release nothing.
void ReleaseStageResources(int32_t stage);
// Leaving the game scene: the play field emptied, every sheet of the game scene
// and the stage sounds released.
void ReleaseStage();
