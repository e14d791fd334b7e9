// The GDI font module: its manager (with the font stack) and the functions that
// make and release fonts.
#pragma once

#include <cstdint>

class CFont;
class CFontManager;

namespace KestraFont {
bool Initialize();
void Finalize();
bool IsStarted();
// Null on failure and while the module is not started.
CFont* Create(const char* face, int32_t size, int32_t italic, uint8_t bold);
// Drops the caller's reference; null is ignored.
void Release(CFont* font);
// The manager while started, else null.
CFontManager* GetManager();
}  // namespace KestraFont
