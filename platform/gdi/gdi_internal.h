// Shared state of the GDI stand-in: the object table, fonts and device contexts.
// Every public call takes the one GDI lock for its whole run; FreeType faces
// are not safe to share between threads otherwise.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <mutex>
#include <string>

#include "platform/gdi/gdi.h"

namespace platform::gdi {

std::mutex& Lock();

// The FreeType library, created on first use (null if it cannot be).
FT_Library Library();

// A logical font and the face it resolved to.
struct Font {
    LOGFONTA request{};
    bool stock = false;     // the context's default font: never deleted
    int selections = 0;     // contexts that have it selected

    // Filled by Resolve().
    FT_Face face = nullptr;
    std::string file;
    std::string familyName;  // CP932
    int ppem = 0;            // em height in pixels
    int ascent = 0;
    int descent = 0;
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    int weight = FW_NORMAL;
    bool fixedPitch = false;
    BYTE family = FF_DONTCARE;
    BYTE charSet = ANSI_CHARSET;
    BYTE firstChar = 0x20;
    BYTE lastChar = 0xFF;
    bool emboldened = false;  // bold asked of a face that has none
    bool slanted = false;     // italic asked of a face that has none

    Font() = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font();
};

// Finds and opens a face for the font's request; false when no usable
// outline font exists at all.
bool Resolve(Font& font);

struct DeviceContext {
    bool memory = false;  // CreateCompatibleDC, as opposed to GetDC
    HWND window = nullptr;
    std::shared_ptr<Font> font;  // selected font (the stock font at first)
    HFONT fontHandle = nullptr;
};

// ---- Object table (callers hold Lock()).
HFONT AddFont(std::shared_ptr<Font> font);
std::shared_ptr<Font> FindFont(HGDIOBJ handle);
void RemoveFont(HGDIOBJ handle);
HDC AddContext(std::shared_ptr<DeviceContext> dc);
std::shared_ptr<DeviceContext> FindContext(HDC handle);
void RemoveContext(HDC handle);
// Drops a context's selection (when the context goes away).
void DropSelection(DeviceContext& dc);

// The resolved font selected into a context, or null (invalid context, or no
// font can be had). Caller holds Lock().
Font* SelectedFont(HDC dc);

}  // namespace platform::gdi
