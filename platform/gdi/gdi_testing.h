// Test hooks of the GDI stand-in. A real run uses none of them.
#pragma once

#include <string>

#include "platform/gdi/gdi.h"

namespace platform::gdi {

// Matches faces among the fonts of one folder only, instead of the system's
// fontconfig setup; an empty folder means "no font installed". An empty string
// goes back to the system setup. Fonts created before keep their faces.
void UseFontFolderForTesting(const std::string& folder);

// The font file a logical font resolved to ("" for an invalid handle).
std::string FontFileOf(HFONT font);

}  // namespace platform::gdi
