// The ranking view of the title: one table at a time, in full-width text.
#pragma once

#include <cstdint>

void UpdateRankingView();
void DrawRankingView();
bool IsExtraUnlocked();
// Appends the full-width Shift-JIS form of each byte of `source` to the
// zero-terminated text in `destination` (which holds `capacity` bytes).
void ToFullWidthText(const char* source, char* destination, uint32_t capacity = 64);

// The table on show: team index 0..1, difficulty column 0..3.
extern int32_t RankingTeam;
extern int32_t RankingColumn;
