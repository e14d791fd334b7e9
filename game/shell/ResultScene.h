// Scene 2: the result of a finished game, the name entry and the ranking.
#pragma once

#include <cstdint>

void UpdateResultScene();
void DrawResultScene();
// One frame of the name grid (player 1's pushed word).
void UpdateNameEntry();
// Sorts the result's table with its new row 10, highest score first; equal
// scores keep their order.
void InsertRankingRow();
void LoadNameEntrySprites();
// The symbol of a cell of grid rows 2 and 3 (a space for the other cells of
// those rows); other rows write nothing.
void NameGridToChar(int32_t row, int32_t column, char* out);
// The grid cell of a symbol; (3, 12) for anything else.
void CharToNameGrid(char c, int32_t* row, int32_t* column);
