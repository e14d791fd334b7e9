// The configuration screen of the title and the volume file "./save/vol.dat".
#pragma once

#include <cstddef>
#include <cstdint>

void LoadVolumeFile();
void SaveVolumeFile();
// The effect volume on every effect the game plays.
void ApplySoundVolume();
// Scans the first line of the file's text as two decimal numbers; a field
// that cannot be read keeps its value.
void ParseVolumeText(const char* text, size_t size, int32_t& music, int32_t& effects);

void UpdateConfigScreen();
void DrawConfigScreen();
