// The start of a stage: play field, stage files, random seed, bonuses,
// positions, play count and music.
#pragma once

void StartStage();
