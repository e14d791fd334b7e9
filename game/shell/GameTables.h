// Start-up loads of the sound table and the fonts, and the release of the
// game's tables at exit.
#pragma once

// Effects, fonts, the score and volume files and the object pools.
void LoadSoundsAndFonts();
// The game scene's and the menus' sheets, the music and every effect, and both fonts, each
// release reported on standard output as the game always has.
void ReleaseGameTables();
